#include "webapps/ChatPages.h"

#include <cmath>

#include "common/Codecs.h"
#include "common/TextConv.h"
#include "server/ClientTable.h"
#include "server/RequestParser.h"
#include "server/Response.h"
#include "webapps/Chat.h"
#include "webapps/ChatStore.h"
#include "webapps/ChatText.h"

namespace palvex {

namespace {

constexpr std::string_view kFramesetPage =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\">\r\n<html><head><meta "
    "http-equiv=\"content-type\" content=\"text/html; charset=iso-8859-1\">\r\n<meta "
    "name=\"robots\" content=\"noindex,nofollow\">\r\n<title>Chat</title>\r\n</head>\r\n<frameset "
    "rows=\"*,100\" frameborder=0 framespacing=0 border=0>\r\n<frame src=\"messages.html#bottom\" "
    "name=\"MsgFrame\">\r\n<frame src=\"input.html\">\r\n</frameset>\r\n<body></body></html>";

constexpr std::string_view kInputPageHead =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html><head><meta "
    "http-equiv=\"Content-Type\" content=\"text/html; "
    "charset=UTF-8\">\r\n<title>Chat</title>\r\n</head>\r\n<body bgcolor=\"#F0F0F0\" "
    "text=\"#000000\" link=\"#0000FF\" vlink=\"#0000FF\" alink=\"#FF0000\">\r\n<br><div "
    "align=center><form action=\"post.html\" method=post accept-charset=\"UTF-8\">";
constexpr std::u16string_view kFixedNickStart = u"<input type=hidden name=nick value=\"";
constexpr std::u16string_view kFixedNickEnd = u"\">";
constexpr std::string_view kNickLabel = "<table><tr><td><font face=Verdana size=2>Nickname:";
constexpr std::u16string_view kShownNickStart = u" <span style=\"background-color:#FFFFFF\">";
constexpr std::u16string_view kShownNickEnd = u"</span></font> &nbsp; &nbsp;</td>";
constexpr std::u16string_view kNickFieldStart =
    u"</font> <input type=text size=20 name=nick maxlength=31 value=\"";
constexpr std::u16string_view kNickFieldEnd = u"\"> &nbsp; &nbsp;</td>";
constexpr std::string_view kMessageField =
    "<td><font face=Verdana size=2>Message:</font> <input type=text size=40 name=txt "
    "maxlength=127 value=\"\"> <input type=submit "
    "value=send></td>\r\n</tr></table></form></div>\r\n<script type=\"text/javascript\">";
constexpr std::string_view kFocusText = "document.forms[0].txt.focus();";
constexpr std::string_view kFocusNick = "document.forms[0].nick.focus();";
constexpr std::string_view kReloadMessages = "parent.MsgFrame.location.reload();";
constexpr std::string_view kInputPageEnd = "</script>\r\n</body></html>";

constexpr std::string_view kMessagesPageHead =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html><head><meta "
    "http-equiv=\"content-type\" content=\"text/html; charset=UTF-8\">\r\n<meta "
    "http-equiv=\"refresh\" content=\"5\">\r\n<title>Chat</title>\r\n<style "
    "type=\"text/css\">td {font-family:Verdana,Arial,Helvetica; "
    "font-size:10pt;}</style>\r\n</head>\r\n<body bgcolor=\"#FFFFFF\" text=\"#000000\" "
    "link=\"#0000FF\" vlink=\"#0000FF\" alink=\"#FF0000\">\r\n<br><table cellspacing=2 "
    "cellpadding=6 border=0>\r\n";
constexpr std::string_view kRowShadeOdd = " bgcolor=\"#F0F0F0\"";
constexpr std::string_view kRowShadeEven = " bgcolor=\"#F8F8F8\"";
constexpr std::string_view kNoMessagesRow = "<tr><td>no messages</td></tr>";
constexpr std::string_view kMessagesPageEnd =
    "</table><br><a name=bottom></a><script "
    "type=\"text/javascript\">scrollTo(0,900);</script></body></html>";

constexpr std::string_view kHtmlType = "text/html";
// Where HH:MM stands in a timestamp.
constexpr size_t kClockStart = 11;
constexpr size_t kClockLength = 5;

double LocalNowDateTime() {
    return DateTimeFromSystemTime(GetLocalTimeNow());
}

void StartHtmlPage(THttpServerThread& conn, std::string_view body) {
    conn.Status = rsOk;
    conn.ContentType = kHtmlType;
    conn.ResponseBody = body;
}

// Prunes the store; messages gone by age change what the frame shows, so the
// frame's date moves on.
void PruneForRequest(double now) {
    if (PruneChatMessages(now)) TouchLastMessageDate(GetSystemTimeUtc());
}

// Text cut to at most max units (never inside a surrogate pair), then trimmed.
std::u16string Limited(std::u16string_view text, size_t max) {
    text = TrimBlanks(text);
    if (text.size() > max) {
        size_t keep = max;
        if (keep > 0 && IsHighSurrogate(text[keep - 1])) --keep;
        text = TrimBlanks(text.substr(0, keep));
    }
    return std::u16string(text);
}

// True when the request's If-Modified-Since names the frame's current date.
bool ClientFrameCurrent(const THttpServerThread& conn) {
    const std::string since = GetIfModifiedSince(conn);
    return !since.empty() && since == ChatStore().LastMessageDate;
}

void AppendMessageRow(THttpServerThread& conn, const TChatMessage& message, bool odd) {
    const std::string_view clock =
        message.TimeText.size() >= kClockStart + kClockLength
            ? std::string_view(message.TimeText).substr(kClockStart, kClockLength)
            : std::string_view();
    AppendBody(conn, "<tr" + std::string(odd ? kRowShadeOdd : kRowShadeEven) + "><td>" +
                         std::string(clock));
    AppendBodyUtf8(conn, u"</td><td>" + EscapeLt(message.Nick) + u"</td><td>" + message.HtmlText +
                             u"</td></tr>\r\n");
}

}  // namespace

void ChatRequest(THttpServerThread& conn, const std::u16string& path) {
    const size_t cut = path.find_last_of(u"\\:");
    const std::u16string name =
        AsciiLower(cut == std::u16string::npos ? path : path.substr(cut + 1));
    if (name.empty() || name == u"frameset.html")
        ChatFramesetPage(conn);
    else if (name == u"post.html")
        ChatPostPage(conn);
    else if (name == u"input.html")
        ChatInputPage(conn, {}, false);
    else if (name == u"messages.html")
        ChatMessagesPage(conn);
    else
        conn.Status = rsNotFound;
}

void ChatFramesetPage(THttpServerThread& conn) {
    if (ChatStore().LastMessageDate.empty()) TouchLastMessageDate(GetSystemTimeUtc());
    StartHtmlPage(conn, kFramesetPage);
}

void ChatInputPage(THttpServerThread& conn, std::u16string_view nick, bool reload) {
    // The nickname is the visitor's own text: escaped so that a quote or "<"
    // cannot end the attribute or open markup.
    StartHtmlPage(conn, kInputPageHead);
    const std::u16string shown = EscapeHtml(nick);
    if (!nick.empty())
        AppendBodyUtf8(conn,
                       std::u16string(kFixedNickStart) + shown + std::u16string(kFixedNickEnd));
    AppendBody(conn, kNickLabel);
    if (!nick.empty())
        AppendBodyUtf8(conn,
                       std::u16string(kShownNickStart) + shown + std::u16string(kShownNickEnd));
    else
        AppendBodyUtf8(conn, std::u16string(kNickFieldStart) + EscapeHtml(GetClientNick(conn)) +
                                 std::u16string(kNickFieldEnd));
    AppendBody(conn, kMessageField);
    AppendBody(conn, nick.empty() ? kFocusNick : kFocusText);
    if (reload) AppendBody(conn, kReloadMessages);
    AppendBody(conn, kInputPageEnd);
}

void ChatPostPage(THttpServerThread& conn) {
    PruneForRequest(LocalNowDateTime());
    const std::u16string nick = Limited(GetFormField(conn.RequestBody, "nick"), kMaxChatNickLength);
    const std::u16string text = Limited(GetFormField(conn.RequestBody, "txt"), kMaxChatTextLength);
    if (!nick.empty()) {
        SetClientNick(conn, nick);
        // Dated when stored, not when the request began: a frame built in
        // between must not carry this message's second without the message.
        if (!text.empty()) AddChatMessage(nick, text, GetSystemTimeUtc());
    }
    ChatInputPage(conn, nick, true);
}

void ChatMessagesPage(THttpServerThread& conn) {
    const double t =
        conn.LogTime.Year != 0 ? DateTimeFromSystemTime(conn.LogTime) : LocalNowDateTime();
    if (std::fabs(t - ChatStore().LastPollTime) <= kChatQuietPollDays)
        conn.NoLog = true;
    else
        ChatStore().LastPollTime = t;
    PruneForRequest(t);
    conn.ContentType = kHtmlType;
    if (ClientFrameCurrent(conn)) {
        conn.Status = rsNotModified;
        return;
    }
    StartHtmlPage(conn, kMessagesPageHead);
    const std::deque<TChatMessage>& messages = ChatStore().Messages;
    const size_t first =
        messages.size() > kChatPageMessages ? messages.size() - kChatPageMessages : 0;
    for (size_t i = first; i < messages.size(); ++i)
        AppendMessageRow(conn, messages[i], (i - first) % 2 == 0);
    if (messages.empty()) AppendBody(conn, kNoMessagesRow);
    AppendBody(conn, kMessagesPageEnd);
    conn.LastModified = FrameLastModified(conn.StartTime);
}

}  // namespace palvex
