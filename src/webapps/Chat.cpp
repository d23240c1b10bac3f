// The chat store, its Last-Modified date and the chat's daily log file.

#include "webapps/Chat.h"

#include <cmath>
#include <mutex>

#include "common/Codecs.h"
#include "common/TextConv.h"
#include "server/HttpServer.h"
#include "server/LogBuffer.h"
#include "server/Response.h"

namespace palvex {

std::deque<TChatMessage> ChatMessages;
std::string LastMessageDate;
double LastPollTime = 0;
int ChatLogIndex = -1;
int64_t ChatLogDay = 0;
TChatMessageHook OnChatMessage = nullptr;

namespace {

constexpr std::string_view kChatLogHeader = "Date;Time;Room;ID;Nickname;Text\r\n";
constexpr std::string_view kChatLogLineEnd = "\r\n";
constexpr size_t kMaxHttpDateLength = 31;
// Index of the blank between date and time in a timestamp.
constexpr size_t kTimestampGap = 10;

std::string g_logFolder;
// Seconds since 1970 behind LastMessageDate; 0 while it is empty.
time_t g_lastMessageSeconds = 0;

std::u16string SpacesForControls(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out)
        if (c < u' ') c = u' ';
    return out;
}

// A log field: between double quotes when it holds a semicolon.
std::string LogField(std::u16string_view text) {
    const std::string bytes = WideToAnsi(text);
    return bytes.find(';') == std::string::npos ? bytes : "\"" + bytes + "\"";
}

// Switches to the log file of the message's day when that changed, then
// queues the message's line.
void LogChatMessage(const TChatMessage& message, const TSystemTime& localNow) {
    const auto day = static_cast<int64_t>(std::floor(message.Time));
    if (day != ChatLogDay) {
        ChatLogDay = day;
        CloseLogBuffer(ChatLogIndex);
        ChatLogIndex = OpenLogBuffer(ChatLogFileName(localNow), kChatLogHeader, kChatLogLineEnd);
    }
    AppendLogLine(ChatLogIndex, ChatLogLine(message));
}

}  // namespace

void TouchLastMessageDate(const TSystemTime& utc) {
    g_lastMessageSeconds = UnixFromSystemTime(utc);
    LastMessageDate = FormatHttpDate(utc).substr(0, kMaxHttpDateLength);
}

std::string FrameLastModified(const TSystemTime& pageDate) {
    // HTTP dates count whole seconds. A page built in the second of the last
    // change may miss a later change of that second, so it carries no date and
    // the browser asks again in full; a page of a later second holds every
    // change of that second, and the date proves it.
    if (LastMessageDate.empty() || g_lastMessageSeconds >= UnixFromSystemTime(pageDate)) return {};
    return LastMessageDate;
}

void SetChatLogFolder(std::string folder) {
    g_logFolder = std::move(folder);
    // The next message opens its file in the new folder.
    CloseLogBuffer(ChatLogIndex);
    ChatLogIndex = -1;
    ChatLogDay = 0;
}

std::string ChatLogFileName(const TSystemTime& localTime) {
    const std::string year = std::to_string(localTime.Year);
    return g_logFolder + "ChatLog" + year + "/Chat_" + year + "-" +
           std::to_string(localTime.Month) + "-" + std::to_string(localTime.Day) + ".log";
}

std::string ChatLogLine(const TChatMessage& message) {
    std::string line =
        message.TimeText + ";;;" + LogField(message.Nick) + ";" + LogField(message.Text);
    if (line.size() > kTimestampGap) line[kTimestampGap] = ';';
    return line;
}

void AddChatMessage(std::u16string_view nick, std::u16string_view text,
                    const TSystemTime& postTime) {
    AddChatMessageAt(nick, text, postTime, GetLocalTimeNow());
}

void AddChatMessageAt(std::u16string_view nick, std::u16string_view text,
                      const TSystemTime& postTime, const TSystemTime& localNow) {
    TChatMessage message;
    message.Time = DateTimeFromSystemTime(localNow);
    message.TimeText = FormatTimestamp(localNow);
    TouchLastMessageDate(postTime);
    message.Nick = SpacesForControls(nick);
    message.Text = SpacesForControls(text);
    message.HtmlText = KeepSpaceRuns(EscapeLt(message.Text));
    ChatMessages.push_back(std::move(message));
    const TChatMessage& stored = ChatMessages.back();
    LogChatMessage(stored, localNow);
    if (OnChatMessage) OnChatMessage(stored.TimeText, stored.Nick, stored.Text);
}

bool PruneChatMessages(double now) {
    while (ChatMessages.size() > kMaxChatMessages)
        ChatMessages.pop_front();
    bool aged = false;
    while (!ChatMessages.empty() && now - ChatMessages.front().Time > kMaxChatMessageAgeDays) {
        ChatMessages.pop_front();
        aged = true;
    }
    if (ChatMessages.empty()) ChatMessages.shrink_to_fit();
    return aged;
}

void DeleteChatMessages() {
    std::lock_guard lock(HookLock);
    ChatMessages.clear();
    ChatMessages.shrink_to_fit();
    LastMessageDate.clear();
    g_lastMessageSeconds = 0;
}

}  // namespace palvex
