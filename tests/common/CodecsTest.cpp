#include "common/Codecs.h"

#include <gtest/gtest.h>

namespace palvex {
namespace {

TEST(PercentDecode, WideDecodingTable) {
    struct Case {
        const char* in;
        std::u16string out;
    } cases[] = {
        {"%41%u00e9+b%zz%", u"Aé b%zz%"},
        {"%u20AC", u"€"},
        {"%u20A", u"%u20A"},
        {"%U20AC", u"%U20AC"},        // only a lower-case u starts the long form
        {"%C3%A9", u"\u00C3\u00A9"},  // escapes are Latin-1, one character each
        {"M\xC3\xBCll", u"Müll"},     // plain bytes are UTF-8
        {"%", u"%"},
        {"%4", u"%4"},
        {"a%2Bb", u"a+b"},
        {"%u0041%41", u"AA"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PercentDecodeW(c.in), c.out) << c.in;
}

TEST(PercentDecode, ByteDecodingKnowsNoLongForm) {
    EXPECT_EQ(PercentDecode("%41%u00e9+%zz%C3%A9%"), "A%u00e9 %zz\xC3\xA9%");
}

TEST(UrlEncode, PathAndValueKeepDifferentSets) {
    EXPECT_EQ(UrlEncodePath(u"a b/{c}+ä-_.?€"), "a+b/{c%7D%2B%E4-_.?%u20AC");
    EXPECT_EQ(UrlEncodeValue(u"a/b,c{-"), "a%2Fb,c{%2D");
}

TEST(QueryParams, LookupIsCaseInsensitiveAndAnchored) {
    EXPECT_EQ(GetQueryParam("tn", u"?TN=120&x=1"), u"120");
    EXPECT_EQ(GetQueryParam("x", u"?tn=1&xx=2"), u"");
    EXPECT_EQ(GetQueryParam("tn", u"?xtn=1"), u"");
    EXPECT_EQ(GetQueryParam("a", u"?a=1&a=2"), u"1");
    EXPECT_EQ(GetQueryParam("a=", u"a=5"), u"5");
    EXPECT_EQ(GetQueryParam("", u"?a=1"), u"");
    EXPECT_EQ(GetQueryParam("a", u""), u"");
    EXPECT_EQ(GetQueryParam("c", u"?c="), u"");
}

TEST(QueryParams, SetReplacesFirstOccurrence) {
    EXPECT_EQ(SetQueryParam("first", "20", "?fpp=10&first=0"), "?fpp=10&first=20");
    EXPECT_EQ(SetQueryParam("first", "20", ""), "?first=20");
    EXPECT_EQ(SetQueryParam("first", "", "?first=3&fpp=5"), "?fpp=5");
    EXPECT_EQ(SetQueryParam("first", "", "?first=3"), "");
    EXPECT_EQ(SetQueryParam("", "1", "?a=1"), "?a=1");
    std::string q = "a=1&B=2&b=3";
    RemoveQueryParam("b", q);
    EXPECT_EQ(q, "&a=1&b=3");
}

TEST(Credentials, Base64AndSplitting) {
    struct Case {
        const char* header;
        const char* user;
        const char* password;
    } cases[] = {
        {"Basic dXNlcjpwYXNz", "user", "pass"},
        {"Basic dXNlcjpwYTpzcw==", "user", "pa:ss"},  // colons stay in the password
        {"Basic dXNlcg==", "user", ""},               // no colon
        {"Basic dXNlcjo=", "user", ""},
        {"Basic ", "", ""},                                  // six characters only
        {"xxxxxxdXNlcjpwYXNz", "user", "pass"},              // scheme is not compared
        {"Basic d X\tN l c j p w Y X N z", "user", "pass"},  // skipped characters
        {"Basic dXNlcjpwYX", "user", "pa"},                  // cut short: whole bytes only
        {"Basic d", "", ""},
    };
    for (const auto& c : cases) {
        std::string user = "?", password = "?";
        DecodeBasicCredentials(c.header, user, password);
        EXPECT_EQ(user, c.user) << c.header;
        EXPECT_EQ(password, c.password) << c.header;
    }
}

TEST(HexBytes, PairsOddAndInvalid) {
    EXPECT_EQ(HexToBytes("4a4B7"), "JK");
    EXPECT_EQ(HexToBytes("zz41"), std::string("\0A", 2));
    EXPECT_EQ(HexToBytes(""), "");
}

TEST(IPv4, ParseAndFormat) {
    EXPECT_EQ(ParseIPv4("192.168.001.010"), ParseIPv4("192.168.1.10"));
    EXPECT_EQ(FormatIPv4(ParseIPv4("192.168.1.10")), "192.168.1.10");
    EXPECT_EQ(FormatIPv4(ParseIPv4("0.255.100.9")), "0.255.100.9");
    EXPECT_EQ(ParseIPv4("1.2.3.4"), 0x04030201u);
    for (const char* bad : {"1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.a", " 1.2.3.4", "1.2.3.4 "})
        EXPECT_EQ(ParseIPv4(bad), 0u) << bad;
    EXPECT_EQ(ParseIPv4("1..3.4"), 0x04030001u);  // an empty octet counts as 0
    EXPECT_EQ(ParseIPv4(std::string(300, '1')), 0u);
    EXPECT_LT(AddressOrder(ParseIPv4("10.0.0.9")), AddressOrder(ParseIPv4("10.0.1.0")));
}

TEST(Timestamps, FixedWidthFields) {
    TSystemTime t;
    t.Year = 2010, t.Month = 3, t.Day = 7, t.Hour = 14, t.Minute = 5, t.Second = 9;
    EXPECT_EQ(FormatTimestamp(t), "2010-03-07 14:05:09");
    t.Year = 99;
    EXPECT_EQ(FormatDate(t), "0099-03-07");
    t.Hour = 123;  // a field wider than its width is not cut
    EXPECT_EQ(FormatTime(t), "123:05:09");
}

TEST(Decimal, PadsAndKeepsEveryDigit) {
    std::string out = "x";
    AppendDecimal(out, 0);
    AppendDecimal(out, 7, 3);
    AppendDecimal(out, 1234, 2);
    AppendDecimal(out, UINT64_MAX);
    EXPECT_EQ(out, "x00071234" "18446744073709551615");
}

TEST(HeaderLookup, NeedsTheBlankAfterTheColon) {
    const std::vector<std::string> lines = {"GET / HTTP/1.0", "content-length:5",
                                            "Host:  example \t", "HOST: second",
                                            "Content-Length: 12"};
    EXPECT_EQ(FindHeaderValue(lines, "host"), "example");
    EXPECT_EQ(FindHeaderValue(lines, "Content-Length"), "12");
    EXPECT_EQ(FindHeaderValue(lines, "Range"), "");
    EXPECT_EQ(FindHeaderValue({"Host: a"}, "Host"), "");  // the request line is skipped
}

}  // namespace
}  // namespace palvex
