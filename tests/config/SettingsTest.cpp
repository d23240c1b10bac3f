#include "config/Settings.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "common/TextConv.h"
#include "config/PathOps.h"
#include "support/TempDir.h"

namespace palvex {
namespace {

using TArgs = std::vector<std::string>;

class SettingsTest : public ::testing::Test {
  protected:
    SettingsTest() {
        std::filesystem::create_directories(tmp / "prog");
        paths.ExePath = tmp / "prog/palvex";
        paths.ProgramFolder = paths.ConfigFolder = paths.DataFolder = tmp / "prog/";
        paths.DefaultIniPath = tmp / "prog/palvex.ini";
    }
    std::string Prog(const std::string& name) const { return tmp / ("prog/" + name); }

    test::TempDir tmp;
    TProgramPaths paths;
    TServerSettings s;
};

TEST_F(SettingsTest, DefaultsWithoutFileOrArguments) {
    ASSERT_TRUE(InitSettings(s, {}, paths));
    EXPECT_EQ(s.Port, 80);
    EXPECT_FALSE(s.PortGiven);
    EXPECT_TRUE(s.Listing);
    EXPECT_EQ(s.Server, "morvi/1.3 (Win32)");
    EXPECT_EQ(s.IniPath, paths.DefaultIniPath);
    EXPECT_EQ(WideToUtf8(s.Root), Prog("WebRoot/"));
    EXPECT_TRUE(FolderExists(s.Root));
    EXPECT_EQ(s.SavedText, "Root=WebRoot/\r\nListing=1\r\nListingTitle=Directory Listing\r\n");
}

TEST_F(SettingsTest, CommandLineWinsOverFile) {
    tmp.Write("prog/palvex.ini", "Port=81\r\nServer=FromFile\r\n");
    ASSERT_TRUE(InitSettings(s, TArgs{"Port=8080"}, paths));
    EXPECT_EQ(s.Port, 8080);
    EXPECT_TRUE(s.PortGiven);
    EXPECT_EQ(s.Server, "FromFile");
    EXPECT_TRUE(SettingsToText(s, paths).starts_with("Port=8080\r\nServer=FromFile\r\n"));
}

TEST_F(SettingsTest, CfgArgumentChoosesFileInProgramFolder) {
    tmp.Write("prog/other.ini", "Port=81\ncfg=third.ini\n");
    ASSERT_TRUE(InitSettings(s, TArgs{"cfg=other.ini"}, paths));
    EXPECT_EQ(s.Port, 81);
    EXPECT_EQ(s.IniPath, Prog("other.ini"));
    s.Port = 82;
    ASSERT_TRUE(SaveSettingsFile(s, "", paths));
    EXPECT_TRUE(test::TempDir::ReadFile(Prog("other.ini")).starts_with("Port=82\r\n"));
    EXPECT_FALSE(FileExists(paths.DefaultIniPath));
}

TEST_F(SettingsTest, StartUpPortCheck) {
    const struct {
        std::string arg;
        bool ok;
        int32_t port;
    } cases[] = {{"Port=0", false, 0},
                 {"Port=70000", false, 70000},
                 {"Port=65535", true, 65535},
                 {"Port=abc", true, 80},
                 {"Port=99999999999", true, 80}};
    for (const auto& c : cases) {
        TServerSettings fresh;
        EXPECT_EQ(InitSettings(fresh, TArgs{c.arg}, paths), c.ok) << c.arg;
        EXPECT_EQ(fresh.Port, c.port) << c.arg;
        EXPECT_TRUE(fresh.PortGiven) << c.arg;
    }
}

TEST_F(SettingsTest, LinesAreReadByTheirFirstKey) {
    ApplySettingsList(
        s,
        TArgs{"Port = 81", "port=82", "PORT=83", "Server=", "Server=late", "GUI=  maximize \t",
              "Listing=yes", "Root=sub\\dir", "IP=-1", "no equals sign", "=empty key", "Index=a=b"},
        paths);
    EXPECT_EQ(s.Port, 82);
    EXPECT_EQ(s.Server, "morvi/1.3 (Win32)");  // the first Server line is empty
    EXPECT_EQ(s.GUI, "maximize");
    EXPECT_FALSE(s.Listing);
    EXPECT_EQ(WideToUtf8(s.Root), Prog("sub/dir/"));
    EXPECT_EQ(s.IP, 0xFFFFFFFFu);
    EXPECT_EQ(s.Index, "a=b");
    ApplySettingsList(s, TArgs{"Root=/web", "IP=abc", "Listing=1"}, paths);
    EXPECT_EQ(s.Root, u"/web/");
    EXPECT_EQ(s.IP, 0xFFFFFFFFu);
    EXPECT_TRUE(s.Listing);
}

TEST_F(SettingsTest, TextLinesInOrderAndOnlyWhenSet) {
    s.Root = Utf8ToWide(Prog("WebRoot/"));
    s.Index = "INDEX.HTML";
    EXPECT_EQ(SettingsToText(s, paths),
              "Root=WebRoot/\r\nListing=1\r\nListingTitle=Directory Listing\r\n");

    s.Port = 8080;
    s.Server = "srv";
    s.Root = u"/elsewhere/";
    s.MIME = "m";
    s.GUI = "g";
    s.Startup = "st";
    s.AuthDir = "ad";
    s.AuthUser = "au";
    s.Index = "Start.htm";
    s.IndexTemplate = "/elsewhere/tpl/list.html";
    s.Listing = false;
    s.ListingTitle = "t";
    s.ListingInfo = "two\r\nPort=1";  // a line break must not smuggle in a key
    s.ListingBg = "images\\bg.jpg";
    s.LinkTitle = "lt";
    s.LinkDescr = "ld";
    s.Limit = "Request:1KBps";
    s.IPFilter = "f";
    s.IP = 12345;
    s.EchoURL = "http://127.0.0.1:9/ip";
    EXPECT_EQ(SettingsToText(s, paths),
              "Port=8080\r\nServer=srv\r\nRoot=/elsewhere/\r\nMIME=m\r\nGUI=g\r\nStartup=st\r\n"
              "AuthDir=ad\r\nAuthUser=au\r\nIndex=start.htm\r\nIndexTemplate=tpl/list.html\r\n"
              "Listing=0\r\nListingTitle=t\r\nListingInfo=two  Port=1\r\n"
              "ListingBg=/images/bg.jpg\r\nLinkTitle=lt\r\nLinkDescr=ld\r\n"
              "Limit=Request:1KBps\r\nIPFilter=f\r\nEchoURL=http://127.0.0.1:9/ip\r\n");
    s.EchoURL = kDefaultEchoURL;  // the default is not written
    EXPECT_EQ(SettingsToText(s, paths).find("EchoURL"), std::string::npos);
}

TEST_F(SettingsTest, SaveAndLoadRoundTrip) {
    ApplySettingsList(
        s,
        TArgs{"Port=8081", "Root=www", "MIME=log=text/plain", "GUI=noDeco", "AuthDir=a",
              "AuthUser=u:p", "Index=home.htm", "ListingTitle=T", "ListingInfo=I",
              "ListingBg=/bg.png", "Limit=Request:4KBps", "IPFilter=x", "Listing=0", "Startup=s",
              "LinkTitle=lt", "LinkDescr=ld", "EchoURL=http://127.0.0.1:1/"},
        paths);
    ASSERT_TRUE(SaveSettingsFile(s, "saved.ini", paths));
    EXPECT_EQ(s.IniPath, Prog("saved.ini"));
    TServerSettings loaded;
    ASSERT_TRUE(LoadSettingsFile(loaded, "saved.ini", paths));
    EXPECT_EQ(SettingsToText(loaded, paths), s.SavedText);
    EXPECT_EQ(loaded.SavedText, s.SavedText);
    EXPECT_EQ(loaded.Port, 8081);
    EXPECT_EQ(loaded.Root, s.Root);
    EXPECT_EQ(loaded.MIME, "log=text/plain");
    EXPECT_EQ(loaded.EchoURL, "http://127.0.0.1:1/");
}

TEST_F(SettingsTest, FailedSaveKeepsState) {
    s.IniPath = Prog("old.ini");
    s.SavedText = "before";
    tmp.Write("blocker", "a file, not a folder");
    EXPECT_FALSE(SaveSettingsFile(s, tmp / "blocker/new.ini", paths));
    EXPECT_EQ(s.IniPath, Prog("old.ini"));
    EXPECT_EQ(s.SavedText, "before");
}

TEST_F(SettingsTest, SaveIntoReadOnlyFolderKeepsOldFile) {
    if (geteuid() == 0) GTEST_SKIP() << "folder permissions do not bind root";
    s.IniPath = tmp.Write("prog/old.ini", "Port=81\r\n");
    std::filesystem::permissions(tmp / "prog", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_FALSE(SaveSettingsFile(s, "", paths));
    std::filesystem::permissions(tmp / "prog", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(test::TempDir::ReadFile(Prog("old.ini")), "Port=81\r\n");
}

// A full disk binds root too: the file-size limit makes the write fail half way.
TEST_F(SettingsTest, SaveThatCannotBeWrittenKeepsOldFile) {
    s.IniPath = tmp.Write("prog/old.ini", "Port=81\r\n");
    s.ListingInfo = std::string(4096, 'i');
    struct rlimit before {};
    getrlimit(RLIMIT_FSIZE, &before);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = before;
    tiny.rlim_cur = 16;
    setrlimit(RLIMIT_FSIZE, &tiny);
    const bool saved = SaveSettingsFile(s, "", paths);
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(test::TempDir::ReadFile(Prog("old.ini")), "Port=81\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp / "prog"), {}), 1);
}

TEST_F(SettingsTest, SaveWithPasswordsTakesReadingAwayFromOthers) {
    namespace fs = std::filesystem;
    const fs::perms readable = fs::perms::group_read | fs::perms::others_read;
    const std::string ini = tmp.Write("prog/palvex.ini", "Port=81\r\n");
    fs::permissions(ini, fs::perms::owner_read | fs::perms::owner_write | readable);
    ASSERT_TRUE(SaveSettingsFile(s, "", paths));
    EXPECT_EQ(fs::status(ini).permissions() & readable, readable);  // no passwords: kept
    s.AuthUser = "anna:geheim:standard";
    ASSERT_TRUE(SaveSettingsFile(s, "", paths));
    EXPECT_EQ(fs::status(ini).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(SettingsTest, SaveReplacesFileThroughItsLink) {
    const std::string real = tmp.Write("real.ini", "Port=81\r\n");
    std::filesystem::create_symlink(real, Prog("palvex.ini"));
    ASSERT_TRUE(SaveSettingsFile(s, "", paths));
    EXPECT_TRUE(std::filesystem::is_symlink(Prog("palvex.ini")));
    EXPECT_EQ(test::TempDir::ReadFile(real), s.SavedText);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp / "prog"), {}), 1);
}

TEST_F(SettingsTest, HostileFilesNeverBreakLoading) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 7919) & 0xFF);
    const struct {
        std::string bytes;
        int32_t port;
    } cases[] = {
        {garbage, 80},
        {"Server=" + std::string(1 << 20, 'x') + "\nPort=81", 81},
        {std::string("Port=81\0\nServer=a\0b", 20), 81},
        {"\xEF\xBB\xBFPort=82\r\rServer=x", 82},  // byte-order mark, CR-only lines
        {"\xFF\xFEP\0o\0r\0t\0=\0"
         "8\0003\0",
         80},             // UTF-16 is not read as keys
        {"Port=84", 84},  // no line end at all
    };
    for (const auto& c : cases) {
        TServerSettings fresh;
        const std::string file = tmp.Write("hostile.ini", c.bytes);
        EXPECT_TRUE(LoadSettingsFile(fresh, file, paths));
        EXPECT_EQ(fresh.Port, c.port);
    }
    TServerSettings fresh;
    EXPECT_FALSE(LoadSettingsFile(fresh, tmp / "missing.ini", paths));
    EXPECT_FALSE(LoadSettingsFile(fresh, tmp / "prog", paths));
    EXPECT_TRUE(fresh.IniPath.empty());
}

}  // namespace
}  // namespace palvex
