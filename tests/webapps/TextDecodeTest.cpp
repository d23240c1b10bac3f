#include "webapps/TextDecode.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "common/FileIo.h"
#include "common/TextConv.h"

namespace palvex {
namespace {

using namespace std::string_literals;

TEST(TextDecode, DetectBomNeedsTheWholeMark) {
    struct Case {
        std::string bytes;
        TBomKind kind;
        size_t length;
    } cases[] = {
        {"\xFF\xFE\0\0"s, TBomKind::Utf32LE, 4},
        {"\0\0\xFE\xFF"s, TBomKind::Utf32BE, 4},
        {"\xEF\xBB\xBFx", TBomKind::Utf8, 3},
        {"\xFF\xFE\0"s, TBomKind::Utf16LE, 2},
        {"\xFE\xFF", TBomKind::Utf16BE, 2},
        {"\xEF\xBB", TBomKind::None, 0},
        {"\xFF", TBomKind::None, 0},
        {"", TBomKind::None, 0},
    };
    for (const auto& c : cases) {
        size_t length = 99;
        EXPECT_EQ(DetectBom(c.bytes, length), c.kind) << c.bytes.size();
        EXPECT_EQ(length, c.length);
    }
}

TEST(TextDecode, BomDecodeByKind) {
    struct Case {
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {"\xEF\xBB\xBF\xC3\xA4", u"\uFEFFä"},            // UTF-8 keeps its mark
        {"\xFF\xFE\xE4\0x"s, u"ä"},                      // odd last byte dropped
        {"a\0b\0"s, u"ab"},                              // no mark: UTF-16LE
        {"\xFE\xFF\0\xE4"s, u"ä"},                       // big-endian
        {"\xFF\xFE\0\0\x00\xF6\x01\0"s, u"\U0001F600"},  // UTF-32LE to a pair
        {"\0\0\xFE\xFF\0\x11\0\0"s, u"\uFFFD"},          // beyond U+10FFFF
    };
    for (const auto& c : cases)
        EXPECT_EQ(BomDecode(c.bytes), c.text);
}

TEST(TextDecode, FindCharsetNameInDeclarations) {
    const std::string far = std::string(kCharsetScanBytes, 'x') + "charset=utf-8";
    struct Case {
        std::string bytes;
        std::string name;
    } cases[] = {
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?>", "ISO-8859-15"},
        {"<meta content=\"text/html; ChArSeT=Windows-1252\">", "WINDOWS-1252"},
        {"<?xml version = \"1.0\"\r\n encoding = \"utf-8\" ?>", "UTF-8"},
        {"charset=latin1; charset=utf-16>", "UTF-16"},  // unusable candidate skipped
        {"encoding='UTF-8' and more", ""},              // single quotes are not looked for
        {"charset=WINDOWS-125212345678901", "WINDOWS-12521234"},  // 16 characters at most
        {"encoding=\"", ""},
        {far, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindCharsetName(c.bytes), c.name) << c.bytes;
}

TEST(TextDecode, CharsetToCodePageNames) {
    struct Case {
        std::string name;
        int codePage;
    } cases[] = {
        {" iso-8859-15 ", 28605},
        {"ISO-8859-", 28590},
        {"windows-1252", 1252},
        {"UTF-7", 65000},
        {"utf-8", 65001},
        {"UTF-16", 1200},
        {"UTF-16BE", 1201},
        {"UTF-8X", 0},
        {"latin1", 0},
        {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CharsetToCodePage(c.name), c.codePage) << c.name;
    // A long digit run must neither overflow nor name a code page.
    EXPECT_EQ(CodePageToWide("x", CharsetToCodePage("WINDOWS-99999999999999999999")), u"");
}

TEST(TextDecode, BytesToTextUsesMarkThenCharsetThenSystemCodePage) {
    struct Case {
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {"<?xml encoding=\"ISO-8859-15\"?>\xA4", u"<?xml encoding=\"ISO-8859-15\"?>€"},
        {"<meta charset=WINDOWS-1252>\x80\xE4", u"<meta charset=WINDOWS-1252>€ä"},
        {"<?xml encoding=\"UTF-8\"?>\xC3\xA4\xFF", u"<?xml encoding=\"UTF-8\"?>ä\uFFFD"},
        {"no declaration \xC3\xA4\xE4", u"no declaration ä\uFFFD"},
        {"<\0?\0x\0m\0l\0 \0e\0n\0c\0o\0d\0i\0n\0g\0=\0\"\0U\0T\0F\0-\0001\0006\0\"\0"s,
         u"<?xml encoding=\"UTF-16\""},
        // The big-endian mark wins over a declaration that would misread it.
        {"\xFE\xFF\0<\0?\0x\0m\0l\0 \0e\0n\0c\0o\0d\0i\0n\0g\0=\0\"\0U\0T\0F\0-\0001\0006"s,
         u"<?xml encoding=\"UTF-16"},
        {"\xFF\xFE\xE4\0"s, u"ä"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BytesToText(c.bytes), c.text);
}

TEST(TextDecode, CodePageToWideThroughPlatformConverter) {
    EXPECT_EQ(CodePageToWide("\x81\x84", 850), u"üä");
    EXPECT_EQ(CodePageToWide("a\x82\xA0"
                             "b",
                             932),
              u"aあb");
    EXPECT_EQ(CodePageToWide("a\x82", 932), u"a\uFFFD");  // truncated at the end
    EXPECT_EQ(CodePageToWide("a\x85\x20"
                             "b",
                             932),
              u"a\uFFFD b");  // bad lead skipped
    EXPECT_EQ(CodePageToWide("\xE4", 28591), u"ä");
    EXPECT_EQ(CodePageToWide("abc", 28602), u"");  // there is no ISO-8859-12
    EXPECT_EQ(CodePageToWide("abc", 12345), u"");
    EXPECT_EQ(CodePageToWide("", 1252), u"");
}

class TextFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() / ("palvex_textdecode_"s + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::u16string Path(const std::string& name) const {
        return Utf8ToWide((dir_ / name).string());
    }
    void Put(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }

    std::filesystem::path dir_;
};

TEST_F(TextFiles, WriteUtf16FileMarksOnceAndReadsBack) {
    std::string bytes;
    ASSERT_TRUE(WriteUtf16File(Path("a.txt"), u"\uFEFFä"));
    ASSERT_TRUE(ReadFileBytes(Path("a.txt"), bytes));
    EXPECT_EQ(bytes, "\xFF\xFE\xE4\0"s);
    ASSERT_TRUE(WriteUtf16File(Path("a.txt"), u"x"));  // truncates
    ASSERT_TRUE(ReadFileBytes(Path("a.txt"), bytes));
    EXPECT_EQ(bytes, "\xFF\xFEx\0"s);
    ASSERT_TRUE(WriteUtf16File(Path("a.txt"), u""));
    EXPECT_EQ(FileSizeOf(Path("a.txt")), 0);
}

TEST_F(TextFiles, CreateUtf16FileNeverOverwrites) {
    Put("keep", "old");
    EXPECT_FALSE(CreateUtf16File(Path("keep"), u"new"));
    EXPECT_TRUE(CreateUtf16File(Path("fresh"), u"new"));
    EXPECT_EQ(FileSizeOf(Path("keep")), 3);
    EXPECT_EQ(FileSizeOf(Path("fresh")), 8);
}

TEST_F(TextFiles, WriteUtf16FileNeedsAnExistingFolder) {
    EXPECT_FALSE(WriteUtf16File(Path("no/such/folder"), u"x"));
}

}  // namespace
}  // namespace palvex
