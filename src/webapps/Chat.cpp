// The chat store, its Last-Modified date and the chat's daily log file.

#include "webapps/Chat.h"

#include <cmath>
#include <deque>
#include <mutex>

#include "common/Codecs.h"
#include "common/TextConv.h"
#include "server/HttpServer.h"
#include "server/LogBuffer.h"
#include "server/Response.h"
#include "webapps/ChatStore.h"
#include "webapps/ChatText.h"

namespace palvex {

TChatMessageHook OnChatMessage = nullptr;

TChatStore& ChatStore() {
    static auto* store = new TChatStore;
    return *store;
}

namespace {

constexpr std::string_view kChatLogHeader = "Date;Time;Room;ID;Nickname;Text\r\n";
constexpr std::string_view kChatLogLineEnd = "\r\n";
constexpr size_t kMaxHttpDateLength = 31;
// Index of the blank between date and time in a timestamp.
constexpr size_t kTimestampGap = 10;

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
    TChatStore& store = ChatStore();
    if (day != store.LogDay) {
        store.LogDay = day;
        CloseLogBuffer(store.LogIndex);
        store.LogIndex = OpenLogBuffer(ChatLogFileName(localNow), kChatLogHeader, kChatLogLineEnd);
    }
    AppendLogLine(store.LogIndex, ChatLogLine(message));
}

}  // namespace

void TouchLastMessageDate(const TSystemTime& utc) {
    ChatStore().LastMessageSeconds = UnixFromSystemTime(utc);
    ChatStore().LastMessageDate = FormatHttpDate(utc).substr(0, kMaxHttpDateLength);
}

std::string FrameLastModified(const TSystemTime& pageDate) {
    // HTTP dates count whole seconds. A page built in the second of the last
    // change may miss a later change of that second, so it carries no date and
    // the browser asks again in full; a page of a later second holds every
    // change of that second, and the date proves it.
    const TChatStore& store = ChatStore();
    if (store.LastMessageDate.empty() || store.LastMessageSeconds >= UnixFromSystemTime(pageDate))
        return {};
    return store.LastMessageDate;
}

void SetChatLogFolder(std::string folder) {
    ChatStore().LogFolder = std::move(folder);
    // The next message opens its file in the new folder.
    CloseLogBuffer(ChatStore().LogIndex);
    ChatStore().LogIndex = -1;
    ChatStore().LogDay = 0;
}

std::string ChatLogFileName(const TSystemTime& localTime) {
    const std::string year = std::to_string(localTime.Year);
    return ChatStore().LogFolder + "ChatLog" + year + "/Chat_" + year + "-" +
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
    ChatStore().Messages.push_back(std::move(message));
    const TChatMessage& stored = ChatStore().Messages.back();
    LogChatMessage(stored, localNow);
    if (OnChatMessage) OnChatMessage(stored.TimeText, stored.Nick, stored.Text);
}

bool PruneChatMessages(double now) {
    std::deque<TChatMessage>& messages = ChatStore().Messages;
    while (messages.size() > kMaxChatMessages)
        messages.pop_front();
    bool aged = false;
    while (!messages.empty() && now - messages.front().Time > kMaxChatMessageAgeDays) {
        messages.pop_front();
        aged = true;
    }
    if (messages.empty()) messages.shrink_to_fit();
    return aged;
}

void DeleteChatMessages() {
    std::lock_guard lock(HookLock);
    TChatStore& store = ChatStore();
    store.Messages.clear();
    store.Messages.shrink_to_fit();
    store.LastMessageDate.clear();
    store.LastMessageSeconds = 0;
}

}  // namespace palvex
