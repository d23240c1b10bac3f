#include "config/ProgramPaths.h"

#include <gtest/gtest.h>

#include "common/TextConv.h"
#include "config/CommandLine.h"
#include "config/Settings.h"
#include "support/TempDir.h"

namespace palvex {
namespace {

using TArgs = std::vector<std::string>;

TEST(CommandLine, FindSwitchStripsOnePrefixAndCutsAtFirstSeparator) {
    const struct {
        TArgs args;
        int index;
        std::string value;
    } cases[] = {
        {{"Port=1", "-ActAsOriginExe=/t/srv"}, 2, "/t/srv"},
        {{"/actasoriginexe:/t/srv"}, 1, "/t/srv"},
        {{"\\ActAsOriginExe=/t/srv"}, 1, "/t/srv"},
        {{"ActAsOriginExe:a=b"}, 1, "a=b"},
        {{"ActAsOriginExe"}, 1, ""},
        {{"x", "ActAsOriginExe=1", "ActAsOriginExe=2"}, 2, "1"},
        {{"--ActAsOriginExe=/t/srv"}, 0, ""},
        {{"ActAsOriginExeX=/t/srv"}, 0, ""},
        {{}, 0, ""},
    };
    for (const auto& c : cases) {
        const TSwitch found = FindSwitch(c.args, "ActAsOriginExe");
        EXPECT_EQ(found.Index, c.index) << (c.args.empty() ? "" : c.args[0]);
        EXPECT_EQ(found.Value, c.value);
    }
}

TEST(ProgramPaths, IniNameReplacesTheExtension) {
    EXPECT_EQ(IniPathOf("/opt/palvex"), "/opt/palvex.ini");
    EXPECT_EQ(IniPathOf("/opt/srv.exe"), "/opt/srv.ini");
    EXPECT_EQ(IniPathOf("/opt.d/palvex"), "/opt.d/palvex.ini");
    EXPECT_EQ(IniPathOf("/opt/.palvex"), "/opt/.palvex.ini");
}

TEST(ProgramPaths, ActAsOriginExeMovesProgramFolderButNotIniFile) {
    test::TempDir tmp;
    tmp.Write("prog/palvex", "");
    tmp.Write("origin/srv", "");
    const std::string exe = tmp / "prog/palvex";
    const TUserDirs user{tmp / "config", tmp / "data"};

    TProgramPaths paths =
        ResolveProgramPaths(exe, TArgs{"-ActAsOriginExe=" + (tmp / "origin/srv")}, user);
    EXPECT_EQ(paths.ProgramFolder, tmp / "origin/");
    EXPECT_EQ(paths.DataFolder, tmp / "origin/");
    EXPECT_EQ(paths.DefaultIniPath, tmp / "prog/palvex.ini");
    TServerSettings s;
    ASSERT_TRUE(InitSettings(s, TArgs{"-ActAsOriginExe=" + (tmp / "origin/srv")}, paths));
    EXPECT_EQ(WideToUtf8(s.Root), tmp / "origin/WebRoot/");
    EXPECT_EQ(s.IniPath, tmp / "prog/palvex.ini");

    paths = ResolveProgramPaths(exe, TArgs{"ActAsOriginExe=" + (tmp / "origin/missing")}, user);
    EXPECT_EQ(paths.ProgramFolder, tmp / "prog/");
    paths = ResolveProgramPaths(exe, TArgs{"ActAsOriginExe=" + (tmp / "origin")}, user);
    EXPECT_EQ(paths.ProgramFolder, tmp / "prog/");  // a folder is no program file
}

TEST(ProgramPaths, UnwritableProgramFolderUsesUserFolders) {
    test::TempDir tmp;
    const TProgramPaths paths =
        ResolveProgramPaths("/nonexistent-palvex/bin/palvex", {}, {tmp / "cfg", tmp / "share"});
    EXPECT_EQ(paths.ProgramFolder, "/nonexistent-palvex/bin/");
    EXPECT_EQ(paths.ConfigFolder, tmp / "cfg/palvex/");
    EXPECT_EQ(paths.DataFolder, tmp / "share/palvex/");
    EXPECT_EQ(paths.DefaultIniPath, tmp / "cfg/palvex/palvex.ini");

    // The first save creates the user's configuration folder.
    TServerSettings s;
    ASSERT_TRUE(InitSettings(s, {}, paths));
    EXPECT_EQ(WideToUtf8(s.Root), tmp / "share/palvex/WebRoot/");
    EXPECT_TRUE(SaveSettingsFile(s, "", paths));
    EXPECT_EQ(test::TempDir::ReadFile(paths.DefaultIniPath),
              "Root=WebRoot/\r\nListing=1\r\nListingTitle=Directory Listing\r\n");
}

TEST(ProgramPaths, ShippedFilesFallBackToShareFolder) {
    test::TempDir tmp;
    tmp.Write("share/palvex/System/dir.css", "x");
    tmp.Write("bin/System/own.css", "x");
    TProgramPaths paths;
    paths.ProgramFolder = tmp / "bin/";
    EXPECT_EQ(FindProgramFile("System/own.css", paths), tmp / "bin/System/own.css");
    EXPECT_EQ(FindProgramFile("System/dir.css", paths), tmp / "bin/../share/palvex/System/dir.css");
    EXPECT_EQ(FindProgramFile("System/none.css", paths), tmp / "bin/System/none.css");
}

}  // namespace
}  // namespace palvex
