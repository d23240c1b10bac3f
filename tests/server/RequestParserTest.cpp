// Request-head parsing on a connection record that is never started.

#include <gtest/gtest.h>

#include "common/Codecs.h"
#include "server/RequestParser.h"
#include "server/ServerThread.h"

namespace palvex {
namespace {

struct ParsedHead {
    THttpServer server;
    THttpServerThread conn{server, -1, ParseIPv4("84.1.1.1")};
    explicit ParsedHead(std::string_view head) { ParseHead(conn, head); }
};

TEST(ParseHead, RequestLineVariants) {
    struct Case {
        const char* head;
        uint8_t method;
        const char* uri;
    } cases[] = {
        {"GET / HTTP/1.0", kMethodGet, "/"},
        {"get /a?b=1 HTTP/1.1", kMethodGet, "/a?b=1"},
        {"HeAd /x HTTP/1.0", kMethodHead, "/x"},
        {"POST /chat HTTP/1.1", kMethodPost, "/chat"},
        {"OPTIONS * HTTP/1.0", kMethodOther, "*"},
        {"GETXXXXX / HTTP/1.0", kMethodOther, "/"},  // cut to 7 characters, still not GET
        {"GET /no-version", kMethodGet, "/no-version"},
        {"GET  /two blanks  HTTP/1.0", kMethodGet, "/two blanks "},
        {" \r\n\tGET /lead HTTP/1.0", kMethodGet, "/lead"},
        {"GET", kMethodGet, ""},
        {"", kMethodOther, ""},
    };
    for (const auto& c : cases) {
        ParsedHead p(c.head);
        EXPECT_EQ(p.conn.Method, c.method) << c.head;
        EXPECT_EQ(p.conn.RequestURI, c.uri) << c.head;
    }
}

// Every parsed connection gets the server's header hook, already in place
// when the request-parsed hook (the filter) looks at it.
TEST(ParseHead, GivesTheServersHeaderHookBeforeTheParsedHook) {
    static bool seenInParsedHook = false;
    THttpServer server;
    server.OnHeader = [](THttpServerThread&) {};
    server.OnRequestParsed = [](THttpServerThread& c) {
        seenInParsedHook = c.OnHeader == c.Server->OnHeader;
    };
    THttpServerThread conn{server, -1, ParseIPv4("84.1.1.1")};
    ParseHead(conn, "GET / HTTP/1.0");
    EXPECT_EQ(conn.OnHeader, server.OnHeader);
    EXPECT_TRUE(seenInParsedHook);
}

TEST(ParseHead, LinesEndAtCrLfOrEitherAloneAndNulEndsText) {
    constexpr char kHead[] = "GET / HTTP/1.0\r\nA: 1\nB: 2\rC: 3\r\n\nD: 4\0E: 5";
    ParsedHead p(std::string(kHead, sizeof kHead - 1));
    const std::vector<std::string> expected = {"GET / HTTP/1.0", "A: 1", "B: 2",
                                               "C: 3",           "",     "D: 4"};
    EXPECT_EQ(p.conn.Headers, expected);
}

TEST(ParseHead, ContentLengthNeedsBlankAndIsNeverNegative) {
    struct Case {
        const char* line;
        int32_t length;
    } cases[] = {
        {"Content-Length: 10", 10},         {"content-length:10", 0},
        {"Content-Length: -5", 0},          {"Content-Length: 12x", 0},
        {"Content-Length: 99999999999", 0}, {"CONTENT-LENGTH:   7  ", 7},
    };
    for (const auto& c : cases) {
        ParsedHead p(std::string("POST / HTTP/1.0\r\n") + c.line);
        EXPECT_EQ(p.conn.ContentLength, c.length) << c.line;
    }
}

TEST(ParseHead, ForwardedForReplacesOnlyPublicValidAddresses) {
    struct Case {
        const char* value;
        const char* client;
    } cases[] = {
        {"84.10.1.2, 10.0.0.1", "84.10.1.2"},
        {"84.10.1.2;x", "84.10.1.2"},
        {"10.1.1.1", "84.1.1.1"},
        {"192.168.0.7", "84.1.1.1"},
        {"127.0.0.1", "84.1.1.1"},
        {"unknown", "84.1.1.1"},
        {"172.16.0.1", "172.16.0.1"},
        {",1.2.3.4", "84.1.1.1"},
    };
    for (const auto& c : cases) {
        ParsedHead p(std::string("GET / HTTP/1.0\r\nX-Forwarded-For: ") + c.value);
        EXPECT_EQ(FormatIPv4(p.conn.ClientIP), c.client) << c.value;
        EXPECT_EQ(FormatIPv4(p.conn.PeerIP), "84.1.1.1");
    }
}

TEST(HandlerOperations, QueryCredentialsAndForms) {
    ParsedHead p("GET /a?x=%41b&y=1 HTTP/1.0\r\nAuthorization: Basic dXNlcjpwOnc=");
    EXPECT_EQ(GetQuery(p.conn), "?x=%41b&y=1");
    EXPECT_EQ(GetQueryW(p.conn), u"?x=Ab&y=1");
    EXPECT_EQ(GetCredentials(p.conn), "user:p:w");
    ParsedHead none("GET /a HTTP/1.0\r\nAuthorization: Basic ");
    EXPECT_EQ(GetQuery(none.conn), "");
    EXPECT_EQ(GetCredentials(none.conn), "");

    p.conn.RequestBody = "\r\n msg=gr%C3%BC%C3%9F+dich \r\n";
    EXPECT_EQ(GetFormText(p.conn, true), u"&msg=grüß dich");
    EXPECT_EQ(GetFormText(p.conn, false), u"&msg=gr\u00C3\u00BC\u00C3\u009F dich");
    p.conn.RequestBody = "\r\n \t";
    EXPECT_EQ(GetFormText(p.conn, true), u"");
}

TEST(HandlerOperations, HeaderValuesAreCutTo255) {
    ParsedHead p("GET / HTTP/1.0\r\nCookie: " + std::string(400, 'c'));
    EXPECT_EQ(GetHeader(p.conn, "cookie").size(), 255u);
}

TEST(HandlerOperations, IfModifiedSinceEndsBeforeASemicolon) {
    ParsedHead p("GET / HTTP/1.0\r\nIf-Modified-Since: Sat, 01 Jan 2000 10:00:00 GMT; length=7");
    EXPECT_EQ(GetIfModifiedSince(p.conn), "Sat, 01 Jan 2000 10:00:00 GMT");
    EXPECT_EQ(GetIfModifiedSince(ParsedHead("GET / HTTP/1.0").conn), "");
}

}  // namespace
}  // namespace palvex
