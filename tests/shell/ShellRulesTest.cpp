// The window's decisions that need no widgets: port field, second instance,
// chat notice, folder chooser rules and the .FileInfo template.

#include <gtest/gtest.h>

#include "config/PathOps.h"
#include "shell/logic/ChatNotice.h"
#include "shell/logic/FileInfoTemplate.h"
#include "shell/logic/FolderRules.h"
#include "shell/logic/PortField.h"
#include "shell/logic/SecondInstance.h"
#include "support/TempDir.h"

namespace palvex {
namespace {

TEST(PortField, StartButtonOnlyForAnotherValidPort) {
    const TRunningPort running{true, 8080};
    struct Case {
        const char* Text;
        bool Enabled;
    } cases[] = {{"8081", true},
                 {" 8081 ", true},
                 {"8080", false},
                 {"", false},
                 {"abc", false},
                 {"80a", false},
                 {"0", false},
                 {"65535", true},
                 {"65536", false},
                 {"-1", false},
                 {"99999999999999999999", false}};
    for (const Case& c : cases)
        EXPECT_EQ(PortStartEnabled(c.Text, running), c.Enabled) << c.Text;
    EXPECT_TRUE(PortStartEnabled("8080", TRunningPort{false, 8080}));
}

TEST(PortField, MessagesNameTheProblem) {
    EXPECT_EQ(PortMessage(0, {}), "Der Port muss zwischen 1 und 65535 liegen.");
    EXPECT_EQ(PortMessage(70000, {}), "Der Port muss zwischen 1 und 65535 liegen.");
    EXPECT_EQ(PortMessage(80, {true, 80}),
              "Port 80 läuft bereits,\rbitte nehmen Sie einen anderen Port.");
    EXPECT_EQ(PortMessage(81, {true, 80}), "");
    EXPECT_EQ(ParsePortText("x"), 0);
}

TEST(SecondInstance, PortReplacedOrAppendedAndAddressSigned) {
    const std::vector<std::string> args{"-ActAsOriginExe=/a b/palvex", "port=80",
                                        "Root=/srv/mit \"Quote\"/"};
    EXPECT_EQ(SecondInstanceArgs(args, 8080, 0),
              (std::vector<std::string>{"-ActAsOriginExe=/a b/palvex", "Port=8080",
                                        "Root=/srv/mit \"Quote\"/"}));
    // 203.0.113.200 packed with the first octet lowest: 0xC87100CB, negative as int32.
    EXPECT_EQ(SecondInstanceArgs({}, 81, 0xC87100CBu),
              (std::vector<std::string>{"Port=81", "IP=-932118325"}));
    const std::vector<std::string> withIp{"IP=1"};
    EXPECT_EQ(SecondInstanceArgs(withIp, 81, 0x0100007Fu),
              (std::vector<std::string>{"IP=16777343", "Port=81"}));
}

TEST(ChatNotice, ClockNickAndMessage) {
    EXPECT_EQ(ChatNoticeText("2024-05-06 07:08:09", u"Anna", u"Grüß dich"),
              "07:08  Anna:  Grüß dich");
    EXPECT_EQ(ChatNoticeText("kurz", u"A", u"B"), "  A:  B");
}

TEST(FolderRules, RestrictionNeedsAnAbsoluteExistingFolder) {
    test::TempDir dir;
    dir.MakeDir("Web");
    EXPECT_EQ(NormaliseRestriction(dir / "Web/"), dir / "Web");
    EXPECT_EQ(NormaliseRestriction("relative/Web"), "");
    EXPECT_EQ(NormaliseRestriction(dir / "missing"), "");
    EXPECT_EQ(NormaliseRestriction(""), "");
}

TEST(FolderRules, WithinMeansTheFolderOrBelowItExactly) {
    test::TempDir dir;
    dir.MakeDir("Web/sub");
    dir.MakeDir("Web2");
    dir.MakeDir("web");
    const std::string r = dir / "Web";
    EXPECT_TRUE(WithinRestriction(dir / "Web", r));
    EXPECT_TRUE(WithinRestriction(dir / "Web/", r));
    EXPECT_TRUE(WithinRestriction(dir / "Web/sub", r));
    EXPECT_TRUE(WithinRestriction(dir / "Web/new/deeper", r));
    EXPECT_FALSE(WithinRestriction(dir / "Web2", r));
    EXPECT_FALSE(WithinRestriction(dir / "web", r));
    EXPECT_FALSE(WithinRestriction(dir / "Web/../Web2", r));
    EXPECT_FALSE(WithinRestriction("", r));
    EXPECT_TRUE(WithinRestriction(dir / "anything", ""));
}

TEST(FolderRules, NewFolderNamesStayInsideTheShownFolder) {
    for (const char* bad : {"", ".", "..", "a/b", "../x", "/abs"})
        EXPECT_FALSE(ValidNewFolderName(bad)) << bad;
    for (const char* good : {"neu", "neuer Ordner", "..x", "Grüße \"x\""})
        EXPECT_TRUE(ValidNewFolderName(good)) << good;
    EXPECT_EQ(WithTrailingSlash("/a"), "/a/");
    EXPECT_EQ(WithTrailingSlash("/a/"), "/a/");
}

TEST(FileInfoTemplate, Utf16WithMarkAndEscapedFolder) {
    const std::string bytes = FileInfoTemplateBytes(u"/srv/a&b/");
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
    EXPECT_EQ(text,
              u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Folder>\r\n\t<path>/srv/a&amp;b/"
              u"</path>\r\n\t<title></title>\r\n\t<description></description>\r\n</Folder>\r\n");
}

TEST(FileInfoTemplate, AnExistingFileIsNeverOverwritten) {
    test::TempDir dir;
    dir.Write("a/.FileInfo", "mine");
    EXPECT_TRUE(CreateFileInfoIfMissing(dir / "a/.FileInfo"));
    EXPECT_EQ(dir.Read("a/.FileInfo"), "mine");
    EXPECT_TRUE(CreateFileInfoIfMissing(dir / "b/.FileInfo") || !FolderExists(dir / "b"));
    dir.MakeDir("c");
    EXPECT_TRUE(CreateFileInfoIfMissing(dir / "c/.FileInfo"));
    EXPECT_EQ(dir.Read("c/.FileInfo").substr(0, 2), "\xFF\xFE");
}

}  // namespace
}  // namespace palvex
