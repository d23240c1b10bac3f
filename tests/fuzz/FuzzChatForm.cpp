// Feeds arbitrary form bodies through the chat's post handling, then renders
// the message frame; traps when an answer is not UTF-8, when markup escapes
// the nickname's attribute, or when a log line could break the log's lines.

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>

#include "common/TextConv.h"
#include "server/HttpServer.h"
#include "server/RequestParser.h"
#include "server/ServerThread.h"
#include "webapps/Chat.h"
#include "webapps/ChatPages.h"
#include "webapps/ChatStore.h"

namespace {

using namespace palvex;

bool Setup() {
    char folder[] = "/tmp/palvex-fuzzchat-XXXXXX";
    if (!mkdtemp(folder)) std::abort();
    SetChatLogFolder(std::string(folder) + "/");
    return true;
}

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// The text between the hidden nickname field's quotes holds no quote or "<".
void CheckNickAttribute(const std::string& page) {
    static const std::string start = "<input type=hidden name=nick value=\"";
    const size_t at = page.find(start);
    if (at == std::string::npos) return;
    const size_t end = page.find("\">", at + start.size());
    Check(end != std::string::npos);
    const std::string value = page.substr(at + start.size(), end - at - start.size());
    Check(value.find_first_of("\"<>") == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = Setup();
    (void)ready;
    THttpServer server;
    THttpServerThread conn{server, -1, 0};
    ParseHead(conn, "POST /*chat/post.html HTTP/1.0");
    conn.RequestBody.assign(reinterpret_cast<const char*>(data), size);
    std::lock_guard lock(HookLock);
    ChatRequest(conn, u"*chat\\post.html");
    Check(conn.Status == rsOk && IsValidUtf8(conn.ResponseBody));
    CheckNickAttribute(conn.ResponseBody);

    Check(ChatStore().Messages.size() <= kMaxChatMessages + 1);
    if (!ChatStore().Messages.empty()) {
        const TChatMessage& last = ChatStore().Messages.back();
        Check(last.Nick.size() <= kMaxChatNickLength && last.Text.size() <= kMaxChatTextLength);
        Check(ChatLogLine(last).find_first_of("\r\n") == std::string::npos);
    }

    THttpServerThread poll{server, -1, 0};
    ParseHead(poll, "GET /*chat/messages.html HTTP/1.0");
    ChatRequest(poll, u"*chat\\messages.html");
    Check(poll.Status == rsOk && IsValidUtf8(poll.ResponseBody));
    return 0;
}
