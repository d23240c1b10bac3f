#include "webapps/Chat.h"
#include "webapps/ChatPages.h"
#include "webapps/ChatStore.h"
#include "webapps/ChatText.h"

#include <gtest/gtest.h>

#include <ctime>
#include <mutex>
#include <string>
#include <vector>

#include "common/Codecs.h"
#include "common/TextConv.h"
#include "server/RequestParser.h"
#include "server/Response.h"
#include "support/TempDir.h"

namespace palvex {
namespace {

const std::string kFrameset =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\">\r\n<html><head><meta "
    "http-equiv=\"content-type\" content=\"text/html; charset=iso-8859-1\">\r\n<meta "
    "name=\"robots\" content=\"noindex,nofollow\">\r\n<title>Chat</title>\r\n</head>\r\n<frameset "
    "rows=\"*,100\" frameborder=0 framespacing=0 border=0>\r\n<frame src=\"messages.html#bottom\" "
    "name=\"MsgFrame\">\r\n<frame src=\"input.html\">\r\n</frameset>\r\n<body></body></html>";
const std::string kInputHead =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html><head><meta "
    "http-equiv=\"Content-Type\" content=\"text/html; "
    "charset=UTF-8\">\r\n<title>Chat</title>\r\n</head>\r\n<body bgcolor=\"#F0F0F0\" "
    "text=\"#000000\" link=\"#0000FF\" vlink=\"#0000FF\" alink=\"#FF0000\">\r\n<br><div "
    "align=center><form action=\"post.html\" method=post accept-charset=\"UTF-8\">";
const std::string kInputMessage =
    "<td><font face=Verdana size=2>Message:</font> <input type=text size=40 name=txt maxlength=127 "
    "value=\"\"> <input type=submit value=send></td>\r\n</tr></table></form></div>\r\n<script "
    "type=\"text/javascript\">";
const std::string kMessagesHead =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html><head><meta "
    "http-equiv=\"content-type\" content=\"text/html; charset=UTF-8\">\r\n<meta "
    "http-equiv=\"refresh\" content=\"5\">\r\n<title>Chat</title>\r\n<style type=\"text/css\">td "
    "{font-family:Verdana,Arial,Helvetica; font-size:10pt;}</style>\r\n</head>\r\n<body "
    "bgcolor=\"#FFFFFF\" text=\"#000000\" link=\"#0000FF\" vlink=\"#0000FF\" "
    "alink=\"#FF0000\">\r\n<br><table cellspacing=2 cellpadding=6 border=0>\r\n";
const std::string kMessagesEnd =
    "</table><br><a name=bottom></a><script "
    "type=\"text/javascript\">scrollTo(0,900);</script></body></html>";

// The input page with an open nickname field holding remembered.
std::string OpenInputPage(const std::string& remembered) {
    return kInputHead + "<table><tr><td><font face=Verdana size=2>Nickname:" +
           "</font> <input type=text size=20 name=nick maxlength=31 value=\"" + remembered +
           "\"> &nbsp; &nbsp;</td>" + kInputMessage + "document.forms[0].nick.focus();" +
           "</script>\r\n</body></html>";
}

// The page that answers a post: nickname fixed, message frame reloaded.
std::string PostedInputPage(const std::string& nick) {
    return kInputHead + "<input type=hidden name=nick value=\"" + nick + "\">" +
           "<table><tr><td><font face=Verdana size=2>Nickname:" +
           " <span style=\"background-color:#FFFFFF\">" + nick +
           "</span></font> &nbsp; &nbsp;</td>" + kInputMessage + "document.forms[0].txt.focus();" +
           "parent.MsgFrame.location.reload();" + "</script>\r\n</body></html>";
}

TSystemTime LocalAt(int y, int mo, int d, int h, int mi, int s = 0) {
    auto u = [](int v) { return static_cast<uint16_t>(v); };
    return TSystemTime{u(y), u(mo), 0, u(d), u(h), u(mi), u(s), 0};
}

struct Request {
    THttpServer server;
    THttpServerThread conn;
    // Runs the chat handler for the page below "*chat\" with the request head.
    Request(const std::u16string& page, std::string_view head = "GET /*chat/ HTTP/1.0",
            std::string_view peer = "10.1.0.1", std::string_view body = "",
            TSystemTime logTime = {})
        : conn{server, -1, ParseIPv4(peer)} {
        ParseHead(conn, head);
        conn.RequestBody = body;
        conn.LogTime = logTime;
        std::lock_guard lock(HookLock);
        ChatRequest(conn, u"*chat\\" + page);
    }
};

std::string PostForm(std::string_view body, std::string_view peer = "10.1.0.1") {
    return Request(u"post.html", "POST /*chat/post.html HTTP/1.0", peer, body).conn.ResponseBody;
}
std::string InputPage(std::string_view peer) {
    return Request(u"input.html", "GET /*chat/input.html HTTP/1.0", peer).conn.ResponseBody;
}

class ChatTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteChatMessages();
        ChatStore().LastPollTime = 0;
        OnChatMessage = nullptr;
        SetChatLogFolder(logs.Path());
    }
    void TearDown() override { SetUp(); }
    test::TempDir logs;
};

TEST_F(ChatTest, PageNamesSelectPages) {
    const std::vector<std::pair<std::u16string, std::string>> cases = {
        {u"", kFrameset},
        {u"FRAMESET.HTML", kFrameset},
        {u"input.html", kInputHead},
        {u"Messages.html", kMessagesHead},
        {u"x.html", ""},
    };
    for (const auto& [page, start] : cases) {
        Request r(page);
        EXPECT_EQ(r.conn.Status, start.empty() ? rsNotFound : rsOk) << WideToUtf8(page);
        if (start.empty()) continue;
        EXPECT_EQ(r.conn.ResponseBody.substr(0, start.size()), start);
        EXPECT_EQ(r.conn.ContentType, "text/html");
    }
    EXPECT_EQ(Request(u"").conn.ResponseBody, kFrameset);
    EXPECT_FALSE(ChatStore().LastMessageDate.empty());
}

TEST_F(ChatTest, InputPageRemembersTheEscapedNickPerClient) {
    EXPECT_EQ(InputPage("10.1.1.1"), OpenInputPage(""));
    EXPECT_EQ(PostForm("nick=Anna&txt=", "10.1.1.1"), PostedInputPage("Anna"));
    EXPECT_EQ(InputPage("10.1.1.1"), OpenInputPage("Anna"));
    EXPECT_EQ(InputPage("10.1.1.2"), OpenInputPage(""));
    EXPECT_TRUE(ChatStore().Messages.empty());

    // A quote or "<" in the nickname must not end the attribute or open markup.
    const std::string escaped = "a&quot;&gt;&lt;b&gt;x&amp;";
    EXPECT_EQ(PostForm("nick=a%22%3E%3Cb%3Ex%26&txt=hi", "10.1.2.1"), PostedInputPage(escaped));
    EXPECT_EQ(InputPage("10.1.2.1"), OpenInputPage(escaped));
    ASSERT_EQ(ChatStore().Messages.size(), 1u);
    EXPECT_EQ(ChatStore().Messages[0].Nick, u"a\"><b>x&");
}

TEST_F(ChatTest, PostDecodesFieldsAndDropsIncompleteMessages) {
    const std::vector<std::pair<std::string, std::u16string>> cases = {
        {"nick=Bo&txt=Tom+%26+Jerry", u"Tom & Jerry"},
        {"TXT=%C3%BCber&NICK=+Bo+", u"\u00FCber"},
        {"nick=Bo&txt=a%0Ab%09c", u"a b c"},
        {"nick=Bo&txt=%FF%G1%", u"\uFFFD%G1%"},
        {"nick=Bo&txt=+++", u""},
        {"txt=hello", u""},
    };
    for (const auto& [body, text] : cases) {
        DeleteChatMessages();
        PostForm(body);
        ASSERT_EQ(ChatStore().Messages.size(), text.empty() ? 0u : 1u) << body;
        if (text.empty()) continue;
        EXPECT_EQ(ChatStore().Messages[0].Nick, u"Bo") << body;
        EXPECT_EQ(ChatStore().Messages[0].Text, text) << body;
    }
    // Oversized fields are cut, never inside a surrogate pair.
    std::string body = "nick=" + std::string(300, 'n') + "&txt=";
    for (size_t i = 0; i < kMaxChatTextLength; ++i)
        body += "%F0%9F%98%80";
    PostForm(body);
    ASSERT_EQ(ChatStore().Messages.size(), 1u);
    EXPECT_EQ(ChatStore().Messages[0].Nick.size(), kMaxChatNickLength);
    EXPECT_EQ(ChatStore().Messages[0].Text.size(), kMaxChatTextLength);
    EXPECT_EQ(WideToUtf8(ChatStore().Messages[0].Text).find("\xEF\xBF\xBD"), std::string::npos);
}

TEST_F(ChatTest, MessageFrameShowsMessagesAlternatelyShaded) {
    EXPECT_EQ(Request(u"messages.html").conn.ResponseBody,
              kMessagesHead + "<tr><td>no messages</td></tr>" + kMessagesEnd);

    const TSystemTime post = SystemTimeFromUnix(time(nullptr) - 10);
    AddChatMessageAt(u"<Eve>", u"a<b  c   d", post, LocalAt(2024, 5, 6, 9, 7, 30));
    AddChatMessageAt(u"Bo", u"\u00E4 & >", post, LocalAt(2024, 5, 6, 23, 59, 59));
    Request r(u"messages.html", "GET / HTTP/1.0", "10.1.0.1", "", LocalAt(2024, 5, 7, 0, 0));
    EXPECT_EQ(r.conn.ResponseBody,
              kMessagesHead +
                  "<tr bgcolor=\"#F0F0F0\"><td>09:07</td><td>&lt;Eve></td><td>a&lt;b\xC2\xA0 "
                  "c \xC2\xA0 d</td></tr>\r\n"
                  "<tr bgcolor=\"#F8F8F8\"><td>23:59</td><td>Bo</td><td>\xC3\xA4 & "
                  "></td></tr>\r\n" +
                  kMessagesEnd);
    EXPECT_EQ(r.conn.LastModified, ChatStore().LastMessageDate);
}

TEST_F(ChatTest, StoreKeepsTheNewestHundredAndFrameTheNewestTwenty) {
    const TSystemTime post = GetSystemTimeUtc();
    const TSystemTime local = GetLocalTimeNow();
    for (int i = 1; i <= 101; ++i)
        AddChatMessageAt(u"n", u"m" + Widen(std::to_string(i)), post, local);
    EXPECT_EQ(ChatStore().Messages.size(), 101u);
    const std::string body = Request(u"messages.html").conn.ResponseBody;
    ASSERT_EQ(ChatStore().Messages.size(), 100u);
    EXPECT_EQ(ChatStore().Messages.front().Text, u"m2");
    EXPECT_EQ(body.find("<td>m81</td>"), std::string::npos);
    EXPECT_LT(body.find("<td>m82</td>"), body.find("<td>m101</td>"));
}

TEST_F(ChatTest, MessagesOlderThanADayExpireAndMoveTheFrameDate) {
    const time_t now = time(nullptr);
    const TSystemTime post = SystemTimeFromUnix(now - 60);
    AddChatMessageAt(u"n", u"old", post, SystemTimeFromUnix(now - 2 * 86400, true));
    AddChatMessageAt(u"n", u"new", post, SystemTimeFromUnix(now - 3600, true));
    const std::string before = ChatStore().LastMessageDate;
    Request r(u"messages.html", "GET / HTTP/1.0\r\nIf-Modified-Since: " + before);
    ASSERT_EQ(ChatStore().Messages.size(), 1u);
    EXPECT_EQ(ChatStore().Messages[0].Text, u"new");
    EXPECT_EQ(r.conn.Status, rsOk);
    EXPECT_NE(ChatStore().LastMessageDate, before);
}

// The message frame built by a request that began at start (UTC).
THttpServerThread& FrameAt(Request& r, time_t start, const std::string& since = "") {
    r.conn.Headers = {"GET /*chat/messages.html HTTP/1.0", "If-Modified-Since: " + since};
    r.conn.StartTime = SystemTimeFromUnix(start);
    r.conn.ResponseBody.clear();
    std::lock_guard lock(HookLock);
    ChatMessagesPage(r.conn);
    return r.conn;
}

TEST_F(ChatTest, FrameDateIsTheLastPostsSecondAndNeverAhead) {
    const time_t t = time(nullptr) - 100;
    for (int i = 1; i <= 5; ++i)
        AddChatMessageAt(u"a", u"m" + Widen(std::to_string(i)), SystemTimeFromUnix(t),
                         GetLocalTimeNow());
    const std::string postSecond = FormatHttpDate(SystemTimeFromUnix(t));
    EXPECT_EQ(ChatStore().LastMessageDate, postSecond);
    Request r(u"input.html");
    // Built in the second of the posts: a later post of that second could be
    // missing, so the page carries no date and the next poll gets it whole.
    EXPECT_EQ(FrameAt(r, t).LastModified, "");
    EXPECT_EQ(FrameAt(r, t, postSecond).Status, rsNotModified);
    // Built later: the posts' own second, not one later than Date.
    EXPECT_EQ(FrameAt(r, t + 1).LastModified, postSecond);
    EXPECT_EQ(FrameAt(r, t + 1).Status, rsOk);
    const std::vector<std::pair<std::string, uint8_t>> cases = {
        {postSecond, rsNotModified},
        {postSecond + "; length=812", rsNotModified},
        {FormatHttpDate(SystemTimeFromUnix(t - 1)), rsOk},
        {"", rsOk},
    };
    for (const auto& [since, status] : cases) {
        THttpServerThread& conn = FrameAt(r, t + 2, since);
        EXPECT_EQ(conn.Status, status) << since;
        EXPECT_EQ(conn.ResponseBody.empty(), status == rsNotModified) << since;
    }
    // A post in a new second ends the 304s of the old date.
    AddChatMessageAt(u"a", u"m6", SystemTimeFromUnix(t + 3), GetLocalTimeNow());
    EXPECT_EQ(FrameAt(r, t + 3, postSecond).Status, rsOk);
}

TEST_F(ChatTest, QuickPostsAreDatedByTheClock) {
    const time_t before = time(nullptr);
    for (int i = 0; i < 5; ++i)
        PostForm("nick=a&txt=quick" + std::to_string(i));
    const time_t after = time(nullptr);
    bool real = false;
    for (time_t second = before; second <= after; ++second)
        real |= ChatStore().LastMessageDate == FormatHttpDate(SystemTimeFromUnix(second));
    EXPECT_TRUE(real) << ChatStore().LastMessageDate;
}

TEST_F(ChatTest, PollsWithinAMinuteAreNotLogged) {
    const time_t base = time(nullptr);
    const std::vector<std::pair<int, bool>> polls = {
        {0, false}, {30, true}, {59, true}, {61, false}, {-5, false}};
    for (const auto& [offset, noLog] : polls) {
        Request r(u"messages.html", "GET / HTTP/1.0", "10.1.0.1", "",
                  SystemTimeFromUnix(base + offset, true));
        EXPECT_EQ(r.conn.NoLog, noLog) << offset;
    }
}

std::vector<std::string> g_told;
void RecordMessage(const std::string& time, const std::u16string& nick,
                   const std::u16string& text) {
    g_told.push_back(time + "|" + WideToUtf8(nick) + "|" + WideToUtf8(text));
}

TEST_F(ChatTest, WindowIsToldAboutEachMessageAndCanDeleteThemAll) {
    g_told.clear();
    OnChatMessage = RecordMessage;
    AddChatMessageAt(u"Bo", u"hi\tall", GetSystemTimeUtc(), LocalAt(2024, 1, 2, 3, 4, 5));
    EXPECT_EQ(g_told, std::vector<std::string>{"2024-01-02 03:04:05|Bo|hi all"});
    DeleteChatMessages();
    EXPECT_TRUE(ChatStore().Messages.empty());
    EXPECT_EQ(ChatStore().LastMessageDate, "");
}

TEST(ChatText, SpaceRunsKeepTheirWidth) {
    EXPECT_EQ(KeepSpaceRuns(u"a    b"), u"a \u00A0\u00A0 b");
    EXPECT_EQ(KeepSpaceRuns(u"      x  "), u" \u00A0 \u00A0\u00A0 x\u00A0 ");
}

}  // namespace
}  // namespace palvex
