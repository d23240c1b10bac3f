#include "webapps/FileInfoXml.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "common/FileIo.h"
#include "common/TextConv.h"
#include "webapps/TextDecode.h"

namespace palvex {
namespace {

using namespace std::string_literals;

// Text of the first element's child named name, after loading text.
std::u16string FolderChild(const std::u16string& text, std::string_view name) {
    TMorviXmlFile doc;
    doc.LoadFromText(text);
    return ChildText(FindChild(doc), name);
}

TEST(FileInfoXml, ElementTextDecodesReferencesOnce) {
    struct Case {
        std::u16string content;
        std::u16string text;
    } cases[] = {
        {u"Fotos &amp; Filme", u"Fotos & Filme"},
        {u"&#228;&#xE4;", u"ää"},
        {u"&#99999;", u"&#99999;"},
        {u"&#;&#x;&#-1;&#12a;&#X41;", u"&#;&#x;&#-1;&#12a;&#X41;"},
        {u"&amp;#38; &#38;amp;", u"&#38; &amp;"},  // a decoded "&" starts nothing
        {u"&lt;b&gt; &apos;&quot; &AMP; &amp", u"<b> '\" &AMP; &amp"},
        {u"\x1E  padded  ", u"padded"},
        {u"&#&#&#65;", u"&#&#A"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FolderChild(u"<F><title>" + c.content + u"</title></F>", "title"), c.text);
}

TEST(FileInfoXml, ReferenceFunctionsOnTheirOwn) {
    std::u16string out;
    EXPECT_TRUE(
        DecodeNumericRefs(u"\x1E"
                          u"a",
                          out));
    EXPECT_EQ(out, u"a");
    EXPECT_FALSE(DecodeNumericRefs(u"a &amp; b", out));
    EXPECT_EQ(out, u"a &amp; b");
    EXPECT_EQ(XmlUnescape(u"&#65;&gt;"), u"&#65;>");
    const std::u16string raw = u"<a href=\"x\">Tom's & Jerry's</a>";
    EXPECT_EQ(XmlEscape(raw),
              u"&lt;a href=&quot;x&quot;&gt;Tom&apos;s &amp; Jerry&apos;s&lt;/a&gt;");
    EXPECT_EQ(XmlUnescape(XmlEscape(raw)), raw);
}

TEST(FileInfoXml, TreeShapeOfOrdinaryAndOddMarkup) {
    TMorviXmlFile doc;
    doc.LoadFromText(
        u"\uFEFF<?xml version=\"1.0\"?><!-- note -->\n<Folder kind=\"x\">"
        u" a <Title>T</Title> b <br/><br /><img src=x/><!-- 1 > 2 --></Folder>");
    EXPECT_EQ(doc.Root->Text, u"\uFEFF");
    ASSERT_EQ(doc.Root->Children.size(), 1u);
    const TMorviXmlNode* folder = FindChild(doc, "Folder");
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->Attributes, u"kind=\"x\"");
    EXPECT_EQ(folder->Text, u"a  b  2 -->");  // a comment ends at its first ">"
    EXPECT_EQ(ChildText(folder, "Title"), u"T");
    EXPECT_EQ(ChildText(folder, "title"), u"");  // names are case-sensitive
    ASSERT_EQ(folder->Children.size(), 2u);      // Title and img; the br tags leave nothing
    EXPECT_EQ(NodeName(folder->Children[1].get()), "img");
    EXPECT_EQ(folder->Children[1]->Attributes, u"src=x");
    EXPECT_EQ(FindChild(doc, "Other"), nullptr);
}

TEST(FileInfoXml, StrayAndMissingEndTagsDegradeQuietly) {
    TMorviXmlFile doc;
    doc.LoadFromText(u"<F><title>one</x>two</>three");
    const TMorviXmlNode* title = FindChild(doc)->Children.at(0).get();
    EXPECT_EQ(title->Text, u"onethree");  // "</>" closed the stray child
    ASSERT_EQ(title->Children.size(), 1u);
    EXPECT_EQ(NodeName(title->Children[0].get()), "/x");
    EXPECT_EQ(title->Children[0]->Text, u"two");
    EXPECT_EQ(FolderChild(u"<F><title>cut off", "title"), u"cut off");

    TMorviXmlNode node(&doc);
    const std::u16string text = u"x</a>rest";
    EXPECT_EQ(ParseContent(node, text, 0, "a"), 5u);  // just past "</a>"
    EXPECT_EQ(ParseContent(node, text, 99, "a"), text.size());
    EXPECT_EQ(ParseContent(node, text, 1, "b/"), 1u);  // empty element consumes nothing
}

TEST(FileInfoXml, NestingAndElementCountAreBounded) {
    const size_t deep = 20000;
    std::u16string text;
    for (size_t i = 0; i < deep; ++i)
        text += u"<a>x";
    TMorviXmlFile doc;
    doc.LoadFromText(text);
    int depth = 0;
    for (auto* n = doc.Root.get(); !n->Children.empty(); n = n->Children[0].get())
        ++depth;
    EXPECT_EQ(depth, kMaxXmlDepth);

    text.clear();
    for (size_t i = 0; i < kMaxXmlElements + 50; ++i)
        text += u"<e" + Utf8ToWide(std::to_string(i)) + u">x</>";
    TMorviXmlFile wide;
    wide.LoadFromText(text);
    EXPECT_EQ(wide.Root->Children.size(), kMaxXmlElements);
    EXPECT_EQ(wide.Names().size(), kMaxXmlElements + 1);

    // Unterminated references and tags must stay linear (a quadratic scan times out).
    doc.LoadFromText(u"<t>" + std::u16string(1 << 20, u'<'));
    text = u"<t>";
    for (size_t i = 0; i < (1 << 20); ++i)
        text += u"&#";
    doc.LoadFromText(text + u";");
}

TEST(FileInfoXml, RandomMarkupAndBytesNeverBreakTheReader) {
    static const std::u16string kTokens[] = {
        u"<",   u">",  u"</",   u"/>", u"<!--", u"&",    u"&#",
        u"&#x", u";",  u"amp;", u"a",  u" ",    u"\x1E", std::u16string(1, char16_t(0xD800)),
        u"\"",  u"<?", u"/",    u"9"};
    std::mt19937 random(42);
    for (int round = 0; round < 2000; ++round) {
        std::u16string text;
        const int count = static_cast<int>(random() % 200);
        for (int i = 0; i < count; ++i)
            text += kTokens[random() % std::size(kTokens)];
        TMorviXmlFile doc;
        doc.LoadFromText(text);
        ReadFolderInfo(doc);
        std::string bytes;
        for (int i = 0; i < count; ++i)
            bytes += static_cast<char>(random());
        if (round % 3 == 0) bytes = "\xFF\xFE" + bytes;
        if (round % 3 == 1) bytes = "encoding=\"ISO-2022-JP\"" + bytes;
        BytesToText(bytes);
    }
}

class FileInfoFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() / ("palvex_fileinfo_"s + info->name()) /
               "Fotos & 'Filme'";
        std::filesystem::remove_all(dir_.parent_path());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_.parent_path()); }

    std::u16string Folder() const { return Utf8ToWide(dir_.string()) + u"/"; }
    std::u16string InfoPath() const { return Folder() + std::u16string(kFileInfoName); }

    std::filesystem::path dir_;
};

TEST_F(FileInfoFiles, TemplateReadsBackWithPathOnly) {
    ASSERT_TRUE(WriteFileInfoTemplate(InfoPath()));
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(InfoPath(), bytes));
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");

    TMorviXmlFile doc;
    ASSERT_TRUE(doc.LoadFromFile(InfoPath()));
    EXPECT_EQ(doc.FileName, InfoPath());
    const TMorviXmlNode* folder = FindChild(doc);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(NodeName(folder), "Folder");
    ASSERT_EQ(folder->Children.size(), 1u);
    EXPECT_EQ(ChildText(folder, "path"), Folder());  // escaped on write, unescaped on read
    const TFolderInfo info = ReadFolderInfo(doc);
    EXPECT_TRUE(info.Title.empty() && info.Description.empty());

    ASSERT_TRUE(WriteUtf16File(InfoPath(), u"<F><title>mine</title></F>"));
    EXPECT_FALSE(WriteFileInfoTemplate(InfoPath()));  // never overwritten
    ASSERT_TRUE(doc.LoadFromFile(InfoPath()));
    EXPECT_EQ(ReadFolderInfo(doc).Title, u"mine");
}

TEST_F(FileInfoFiles, LoadFromFileDecodesDeclaredCharsetAndFailsEmpty) {
    std::ofstream(dir_ / ".FileInfo", std::ios::binary)
        << "<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?>\n"
           "<Folder><title>\xA4 5</title><description>Gr\xFC\xDF"
           "e</description></Folder>";
    TMorviXmlFile doc;
    ASSERT_TRUE(doc.LoadFromFile(InfoPath()));
    const TFolderInfo info = ReadFolderInfo(doc);
    EXPECT_EQ(info.Title, u"€ 5");
    EXPECT_EQ(info.Description, u"Grüße");

    std::filesystem::resize_file(dir_ / ".FileInfo", kMaxFileInfoBytes);
    EXPECT_FALSE(doc.LoadFromFile(InfoPath()));
    EXPECT_TRUE(doc.FileName.empty());
    EXPECT_TRUE(doc.Root->Children.empty());
    EXPECT_EQ(doc.Names(), std::vector<std::string>{"_Root"});
    EXPECT_FALSE(doc.LoadFromFile(Folder() + u"missing"));
}

}  // namespace
}  // namespace palvex
