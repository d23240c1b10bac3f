// The texts of a request line: status column, client and path.

#include "server/LogText.h"

#include <gtest/gtest.h>

#include "common/Codecs.h"
#include "server/RequestParser.h"

namespace palvex {
namespace {

struct Conn {
    THttpServer server;
    THttpServerThread conn{server, -1, ParseIPv4("192.168.1.7")};
};

TEST(LogText, StatusColumnByStatusAndMethod) {
    struct Case {
        uint8_t status, method;
        bool progress;
        const char* text;
        char colour;
    } cases[] = {
        {rsBadRequest, kMethodGet, false, "bad", 'R'},
        {rsAuthRequired, kMethodGet, false, "Auth", 'G'},
        {rsForbidden, kMethodGet, false, "fbdd", 'R'},
        {rsNotFound, kMethodHead, false, "not", 'R'},
        {rsOverload, kMethodGet, true, "over", 'G'},
        {rsOk, kMethodGet, true, "0 %", 'B'},
        {rsPartial, kMethodPost, true, "0 %", 'B'},
        {rsOk, kMethodHead, false, "head", 'G'},
        {rsNotModified, kMethodPost, true, "post", 'G'},
        {rsNotModified, kMethodGet, false, "", '0'},
        {rsOk, kMethodGet, false, "", '0'},
    };
    for (const auto& c : cases) {
        Conn t;
        t.conn.Status = c.status;
        t.conn.Method = c.method;
        const TLogStatus s = LogStatusOf(t.conn, c.progress);
        EXPECT_EQ(s.Text, c.text) << int(c.status) << " " << int(c.method);
        EXPECT_EQ(s.Colour, c.colour) << int(c.status) << " " << int(c.method);
    }
}

TEST(LogText, ClientIsTheUserOrTheAddress) {
    Conn t;
    EXPECT_EQ(LogClientText(t.conn), "192.168.1.7");
    t.conn.UserName = "anna";
    EXPECT_EQ(LogClientText(t.conn), "anna");
    t.conn.UserName = "abcdefghijklmno";  // 15 characters: the last one becomes a dot
    EXPECT_EQ(LogClientText(t.conn), "abcdefghijklmn.");
    t.conn.UserName = "abcdefghijklmnopqrstuvwxyz";
    EXPECT_EQ(LogClientText(t.conn), "abcdefghijklmn.");
}

TEST(LogText, PathFallsBackToTheRawTargetWithoutControlCharacters) {
    Conn t;
    t.conn.Path = u"Fotos\\Müll.jpg";
    EXPECT_EQ(LogPathText(t.conn), "Fotos\\M\xC3\xBCll.jpg");
    t.conn.Path.clear();
    t.conn.RequestURI =
        "/a\x01\x1F"
        "b";
    EXPECT_EQ(LogPathText(t.conn), "/a..b");
    t.conn.Path = std::u16string(300, u'x');
    EXPECT_EQ(LogPathText(t.conn).size(), kLogPathChars);
    // 222 ASCII characters and a two-byte one: the path ends before it.
    t.conn.Path = std::u16string(222, u'x') + u"\u00fc\u00fc";
    EXPECT_EQ(LogPathText(t.conn), std::string(222, 'x'));
    t.conn.Path = std::u16string(221, u'x') + u"\u20ac";  // three bytes
    EXPECT_EQ(LogPathText(t.conn), std::string(221, 'x'));
    t.conn.Path = std::u16string(221, u'x') + u"\u00fc\u00fc";
    EXPECT_EQ(LogPathText(t.conn), std::string(221, 'x') + "\xC3\xBC");
}

TEST(LogText, ColumnsAndRequestText) {
    EXPECT_EQ(FormatLogColumns("12-08 06:50:45", "127.0.0.1", "not", "nope"),
              "12-08 06:50:45  127.0.0.1        not        nope");
    Conn t;
    ParseHead(t.conn, "POST /x HTTP/1.0\r\nHost: h");
    t.conn.RequestBody = std::string(300, 'b');
    EXPECT_EQ(LogRequestText(t.conn),
              "POST /x HTTP/1.0\r\nHost: h\r\n\r\n" + std::string(kLogRequestBodyChars, 'b'));
    EXPECT_EQ(StampLogTime(t.conn).size(), 14u);
    EXPECT_EQ(t.conn.LogTimeText.size(), 19u);
}

}  // namespace
}  // namespace palvex
