#pragma once
// The web chat below the virtual folder "*chat": a two-frame page whose upper
// frame shows the newest messages and reloads itself, and whose lower frame
// posts nickname and message. Messages live in memory only (the newest 100,
// none older than a day); each one is also appended to a daily log file.
//
// All state here is shared by the connection threads and the window: touch it
// inside HookLock only. Request handlers already run inside it;
// DeleteChatMessages takes it itself.
//
// Wiring:
//     router:      ChatRequest(conn, path) (ChatPages.h) for every path below "*chat\"
//     window:      OnChatMessage = ...;  DeleteChatMessages();
//     program end: FlushAllLogBuffers() (server/LogBuffer.h) after the server stopped

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/SystemTime.h"

namespace palvex {

// The store keeps this many messages; older ones go at the next prune.
constexpr size_t kMaxChatMessages = 100;
// Messages older than this (in days) go at the next prune as well.
constexpr double kMaxChatMessageAgeDays = 1.0;
// The message frame shows this many of the newest messages.
constexpr size_t kChatPageMessages = 20;
// Polls of the message frame closer together than this are not logged.
constexpr double kChatQuietPollDays = 60.0 / 86400.0;
// Longest nickname and message kept (UTF-16 units); the form asks for far less.
constexpr size_t kMaxChatNickLength = 255;
constexpr size_t kMaxChatTextLength = 1024;

struct TChatMessage {
    double Time = 0;          // local arrival time, days since 1899-12-30
    std::string TimeText;     // the same as YYYY-MM-DD HH:MM:SS
    std::u16string Nick;      // trimmed, control characters made spaces
    std::u16string Text;      // trimmed, control characters made spaces
    std::u16string HtmlText;  // Text as the message frame shows it
};

// Told about every new message (on the connection thread, inside HookLock).
using TChatMessageHook = void (*)(const std::string& timeText, const std::u16string& nick,
                                  const std::u16string& text);

// Set by the window (inside HookLock or before the server starts).
extern TChatMessageHook OnChatMessage;

// Folder that holds the "ChatLog<year>/" folders, ending with "/"; the
// wiring sets the program's data folder before the server starts. Empty
// (before that) means the working folder.
void SetChatLogFolder(std::string folder);
// Full path of the log file for a local date:
// <folder>ChatLog<y>/Chat_<y>-<m>-<d>.log, numbers without leading zeros.
std::string ChatLogFileName(const TSystemTime& localTime);
// The log line of a message: date;time;;;nick;text, fields with ";" quoted.
std::string ChatLogLine(const TChatMessage& message);

// Stores a message that arrived now (local time); postTime (UTC, the time it
// is stored) becomes the message frame's date. Logs it and tells OnChatMessage.
void AddChatMessage(std::u16string_view nick, std::u16string_view text,
                    const TSystemTime& postTime);
// The same with the local arrival time given.
void AddChatMessageAt(std::u16string_view nick, std::u16string_view text,
                      const TSystemTime& postTime, const TSystemTime& localNow);
// Drops the oldest messages beyond kMaxChatMessages and those older than
// kMaxChatMessageAgeDays at local time now; true when any went by age.
bool PruneChatMessages(double now);
// Sets LastMessageDate to the UTC time of a change of what the message frame
// shows.
void TouchLastMessageDate(const TSystemTime& utc);
// Last-Modified of a message frame whose Date is pageDate (UTC): the date of
// the last change when that lies in an earlier second, else empty.
std::string FrameLastModified(const TSystemTime& pageDate);
// Empties the store and LastMessageDate. Takes HookLock.
void DeleteChatMessages();

}  // namespace palvex
