#include "config/PathOps.h"

#include <gtest/gtest.h>

#include "config/Flags.h"
#include "support/TempDir.h"

namespace palvex {
namespace {

TEST(PathOps, AbsoluteAndRelativePaths) {
    EXPECT_EQ(MakeAbsolutePath("Web", "/opt/p/"), "/opt/p/Web");
    EXPECT_EQ(MakeAbsolutePath("sub\\a.ini", "/opt/p/"), "/opt/p/sub/a.ini");
    EXPECT_EQ(MakeAbsolutePath("\\srv\\www", "/opt/p/"), "/srv/www");
    EXPECT_EQ(MakeAbsoluteFolder("/srv/www", "/opt/p/"), "/srv/www/");
    EXPECT_EQ(MakeAbsoluteFolder("/srv/www/", "/opt/p/"), "/srv/www/");
    EXPECT_EQ(MakeRelativePath("/opt/p/WebRoot/", "/opt/p/"), "WebRoot/");
    EXPECT_EQ(MakeRelativePath("/opt/p/", "/opt/p/"), "/opt/p/");
    // Case matters on Linux: /opt/P/ is another folder.
    EXPECT_EQ(MakeRelativePath("/opt/P/WebRoot/", "/opt/p/"), "/opt/P/WebRoot/");
    // The rest of a doubled separator would read back as an absolute path.
    EXPECT_EQ(MakeRelativePath("/opt/p//other/", "/opt/p/"), "/opt/p//other/");
    EXPECT_EQ(PathToUrl("images\\bg.jpg"), "/images/bg.jpg");
    EXPECT_EQ(PathToUrl("/bg.jpg"), "/bg.jpg");
    EXPECT_EQ(PathToUrl(""), "");
}

TEST(PathOps, ForceFoldersCreatesMissingParents) {
    test::TempDir tmp;
    EXPECT_TRUE(ForceFolders(tmp / "a/b/c/"));
    EXPECT_TRUE(FolderExists(tmp / "a/b/c"));
    EXPECT_TRUE(ForceFolders(tmp / "x/y/file.ini"));  // the file name is not a folder
    EXPECT_TRUE(FolderExists(tmp / "x/y"));
    EXPECT_FALSE(FolderExists(tmp / "x/y/file.ini"));
    tmp.Write("file", "");
    EXPECT_FALSE(ForceFolders(tmp / "file/sub/"));
    EXPECT_FALSE(FolderExists(tmp / "file"));
    EXPECT_TRUE(FileExists(tmp / "file"));
}

TEST(Flags, WholeItemsWithoutRegardToCase) {
    EXPECT_TRUE(HasFlag("headerviewoff", "noDeco,,HeaderViewOff,"));
    EXPECT_TRUE(HasFlag("noDeco", "noDeco,,HeaderViewOff,"));
    EXPECT_FALSE(HasFlag("Deco", "noDeco"));
    EXPECT_TRUE(HasFlag("request:4kbps", "Request:4KBps"));

    const struct {
        std::string list, flag, added, removed;
    } cases[] = {
        {"maximize,minimize,noDeco", "minimize", "maximize,minimize,noDeco", "maximize,noDeco"},
        {"minimize", "MINIMIZE", "minimize", ""},
        {"", "noDeco", "noDeco", ""},
        {"a,", "b", "a,b", "a"},
        {",noDeco,,HeaderViewOff,", "noDeco", ",noDeco,,HeaderViewOff,", "HeaderViewOff"},
        {"xnoDeco", "noDeco", "xnoDeco,noDeco", "xnoDeco"},
    };
    for (const auto& c : cases) {
        std::string list = c.list;
        AddFlag(list, c.flag);
        EXPECT_EQ(list, c.added) << c.list;
        list = c.list;
        RemoveFlag(list, c.flag);
        EXPECT_EQ(list, c.removed) << c.list;
    }
}

}  // namespace
}  // namespace palvex
