#include "common/TextConv.h"

#include <gtest/gtest.h>

namespace palvex {
namespace {

TEST(TextConv, Utf8RoundTripsAcrossPlanes) {
    const std::string text = "M\xC3\xBCll \xE2\x82\xAC \xF0\x9F\x98\x80";
    const std::u16string wide = Utf8ToWide(text);
    EXPECT_EQ(wide, u"Müll € \U0001F600");
    EXPECT_EQ(WideToUtf8(wide), text);
}

TEST(TextConv, InvalidUtf8BecomesReplacementPerByte) {
    struct Case {
        std::string in;
        std::u16string out;
    } cases[] = {
        {"\xC3", u"\uFFFD"},                      // truncated
        {"\xC0\xAF", u"\uFFFD\uFFFD"},            // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // surrogate
        {"a\xFF"
         "b",
         u"a\uFFFDb"},
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToWide(c.in), c.out);
        EXPECT_FALSE(IsValidUtf8(c.in));
    }
    EXPECT_TRUE(IsValidUtf8("plain \xC3\xA4"));
}

TEST(TextConv, LoneSurrogateEncodesAsReplacement) {
    EXPECT_EQ(WideToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}

TEST(TextConv, CaseMappingTouchesAsciiLettersOnly) {
    EXPECT_EQ(AsciiUpper("abz\xE4[`{"), "ABZ\xE4[`{");
    EXPECT_EQ(AsciiLower(u"ÄBC@"), u"Äbc@");
    EXPECT_TRUE(EqualsNoCase("Content-Length", "CONTENT-length"));
    EXPECT_FALSE(EqualsNoCase("a[", "A{"));
}

TEST(TextConv, LowerCaseCoversEveryScript) {
    EXPECT_EQ(WideLower(u"ÄRGER Ökonomie ÀÉ ΑΒΓ ДОМ Ǆ"), u"ärger ökonomie àé αβγ дом ǆ");
    EXPECT_EQ(Utf8Lower("\xC3\x84RGER/x"), "\xC3\xA4rger/x");
    EXPECT_EQ(Utf8Lower("Plain/ASCII"), "plain/ascii");
}

TEST(TextConv, ParseIntTakesWholeNumbersOnly) {
    long long v = 0;
    EXPECT_TRUE(ParseInt(" 42 ", v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(ParseInt("-7", v));
    EXPECT_EQ(v, -7);
    EXPECT_FALSE(ParseInt("12abc", v));
    EXPECT_FALSE(ParseInt("", v));
    EXPECT_FALSE(ParseInt("99999999999999999999", v));
}

}  // namespace
}  // namespace palvex
