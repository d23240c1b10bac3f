// Launchers written into temporary XDG folders and read back, and the
// editor command found through a temporary association.

#include "config/DesktopEntry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "config/EditorCommand.h"
#include "config/XdgDirs.h"
#include "support/TempDir.h"

namespace palvex {
namespace {

using test::TempDir;

TXdgDirs DirsIn(const TempDir& tmp) {
    TXdgDirs dirs;
    dirs.Home = tmp / "home/";
    dirs.ConfigHome = tmp / "config/";
    dirs.DataHome = tmp / "data/";
    dirs.ConfigDirs = {tmp / "etc/"};
    dirs.DataDirs = {tmp / "share/"};
    return dirs;
}

TEST(DesktopEntry, ExecArgumentsSurviveTheRoundTrip) {
    for (const char* path : {"/opt/palvex/bin/palvex", "/home/a b/Mein Programm/palvex",
                             "/x/100%/\"q\"/$HOME/`id`/back\\slash", "/tab\there"}) {
        const std::string exec = ExecArgument(path);
        EXPECT_EQ(exec.front(), '"') << path;
        const std::string text = "[Desktop Entry]\nExec=" + exec + "\n";
        const auto command = CommandFromExec(DesktopEntryValue(text, "Exec"), "/f");
        ASSERT_TRUE(command) << path;
        EXPECT_EQ(command->Program, path);
    }
    EXPECT_EQ(ExecArgument("/a b/p"), "\"/a b/p\"");
    EXPECT_EQ(ExecArgument("/50%"), "\"/50%%\"");
    EXPECT_EQ(ExecArgument("/a\\b"), "\"/a\\\\\\\\b\"");
}

TEST(DesktopEntry, LauncherAndAutostartLandInTheXdgFolders) {
    TempDir tmp;
    TXdgDirs dirs = DirsIn(tmp);
    EXPECT_EQ(DesktopFolder(dirs), tmp / "home/Desktop/");
    tmp.Write("config/user-dirs.dirs",
              "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    EXPECT_EQ(DesktopFolder(dirs), tmp / "home/Schreibtisch/");
    EXPECT_EQ(AutostartFolder(dirs), tmp / "config/autostart/");

    const std::string text = DesktopEntryText("/home/a b/palvex", "palvex");
    ASSERT_TRUE(WriteDesktopEntry(DesktopFolder(dirs), kDesktopEntryName, text, true));
    ASSERT_TRUE(WriteDesktopEntry(AutostartFolder(dirs), kDesktopEntryName, "old", false));
    ASSERT_TRUE(WriteDesktopEntry(AutostartFolder(dirs), kDesktopEntryName, text, false));

    const std::string launcher = tmp.Read("home/Schreibtisch/Palvex.desktop");
    EXPECT_EQ(launcher, tmp.Read("config/autostart/Palvex.desktop"));
    EXPECT_EQ(DesktopEntryValue(launcher, "Type"), "Application");
    EXPECT_EQ(DesktopEntryValue(launcher, "Name"), "Palvex");
    EXPECT_EQ(DesktopEntryValue(launcher, "Exec"), "\"/home/a b/palvex\"");
    EXPECT_EQ(SplitExec(DesktopEntryValue(launcher, "Exec")),
              std::vector<std::string>{"/home/a b/palvex"});
    struct stat info;
    ASSERT_EQ(stat((tmp / "home/Schreibtisch/Palvex.desktop").c_str(), &info), 0);
    EXPECT_TRUE(info.st_mode & S_IXUSR);

    tmp.Write("blocked", "a file where a folder should be");
    EXPECT_FALSE(WriteDesktopEntry(tmp / "blocked/", kDesktopEntryName, text, false));
}

TEST(DesktopEntry, ReadingValuesAndSplittingExec) {
    const std::string text =
        "[Desktop Entry]\nName=Ed\nName[de]=Editor\nExec=ed --x=%%1 \"a \\\\\\\\ b\" %F\n"
        "[Desktop Action new]\nExec=other\n";
    EXPECT_EQ(DesktopEntryValue(text, "Name"), "Ed");
    EXPECT_EQ(DesktopEntryValue(text, "Exec"), "ed --x=%%1 \"a \\\\ b\" %F");
    EXPECT_EQ(DesktopEntryValue(text, "Icon"), "");
    EXPECT_EQ(SplitExec("a  \"b c\" d\\ e"), (std::vector<std::string>{"a", "b c", "d\\", "e"}));
    EXPECT_TRUE(SplitExec("\"unclosed").empty());
}

TEST(EditorCommand, FieldCodesGiveTheFileAsOneArgument) {
    const auto command = CommandFromExec("gedit --new-window %U %i %%x", "/tmp/mein file.ini");
    ASSERT_TRUE(command);
    EXPECT_EQ(command->Program, "gedit");
    EXPECT_EQ(command->Args,
              (std::vector<std::string>{"--new-window", "/tmp/mein file.ini", "%x"}));
    EXPECT_EQ(CommandFromExec("mousepad", "/f")->Args, std::vector<std::string>{"/f"});
    EXPECT_EQ(CommandFromExec("ed --file=%f", "/f")->Args, std::vector<std::string>{"--file=/f"});
    EXPECT_FALSE(CommandFromExec("", "/f"));
    EXPECT_FALSE(CommandFromExec("%i", "/f"));
    EXPECT_EQ(CommandText(*command), "gedit --new-window /tmp/mein file.ini %x");
}

class EditorAssociation : public ::testing::Test {
  protected:
    void SetUp() override {
        env.Dirs = DirsIn(tmp);
        env.Path = tmp / "bin";
    }
    void Program(std::string_view name) {
        const std::string path = tmp.Write("bin/" + std::string(name), "#!/bin/sh\n");
        chmod(path.c_str(), 0755);
    }
    TempDir tmp;
    TEditorEnv env;
};

TEST_F(EditorAssociation, DefaultApplicationForPlainTextWins) {
    tmp.Write("share/applications/mousepad.desktop",
              "[Desktop Entry]\nExec=mousepad %F\nTerminal=false\n");
    tmp.Write("data/applications/kate.desktop", "[Desktop Entry]\nExec=kate -b %U\n");
    tmp.Write("share/applications/mimeinfo.cache",
              "[MIME Cache]\ntext/plain=mousepad.desktop;kate.desktop;\n");
    EXPECT_EQ(EditorCommand(env, "/a b.ini")->Program, "mousepad");

    tmp.Write("config/mimeapps.list",
              "[Added Associations]\ntext/plain=x.desktop;\n"
              "[Default Applications]\ntext/plain=kate.desktop;mousepad.desktop\n");
    const auto command = EditorCommand(env, "/a b.ini");
    ASSERT_TRUE(command);
    EXPECT_EQ(command->Program, "kate");
    EXPECT_EQ(command->Args, (std::vector<std::string>{"-b", "/a b.ini"}));
}

TEST_F(EditorAssociation, TerminalEditorsAndTheFallbacks) {
    EXPECT_FALSE(EditorCommand(env, "/f.ini"));  // nothing at all: "no editor"
    Program("xdg-open");
    EXPECT_EQ(EditorCommand(env, "/f.ini")->Program, tmp / "bin/xdg-open");

    env.Editor = "vim -p";
    EXPECT_EQ(EditorCommand(env, "/f.ini")->Program, tmp / "bin/xdg-open");  // no terminal
    Program("x-terminal-emulator");
    auto command = EditorCommand(env, "/f.ini");
    EXPECT_EQ(command->Program, tmp / "bin/x-terminal-emulator");
    EXPECT_EQ(command->Args, (std::vector<std::string>{"-e", "vim", "-p", "/f.ini"}));

    tmp.Write("share/applications/vim.desktop", "[Desktop Entry]\nExec=vim %F\nTerminal=true\n");
    tmp.Write("etc/mimeapps.list", "[Default Applications]\ntext/plain=vim.desktop\n");
    command = EditorCommand(env, "/f.ini");
    EXPECT_EQ(command->Args, (std::vector<std::string>{"-e", "vim", "/f.ini"}));
}

TEST(EditorCommand, FindOnPathTakesExecutablesOnly) {
    TempDir tmp;
    tmp.Write("a/tool", "plain file");
    const std::string path = tmp.Write("b/tool", "#!/bin/sh\n");
    chmod(path.c_str(), 0755);
    EXPECT_EQ(FindOnPath(tmp / "a" + ":" + tmp / "b", "tool"), path);
    EXPECT_EQ(FindOnPath(tmp / "a", "tool"), "");
    EXPECT_EQ(FindOnPath("", "sh"), "");
}

}  // namespace
}  // namespace palvex
