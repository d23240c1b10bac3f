// Where a chosen folder or file lies below the root folder.

#include "config/RootRelative.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"

namespace palvex {
namespace {

TEST(PathBelowRoot, ComparesWholeElementsExactly) {
    const struct {
        const char* path;
        const char* rest;  // nullptr: outside
    } cases[] = {
        {"/srv/www/", ""},
        {"/srv/www", ""},
        {"/srv/www/img/bg.jpg", "img/bg.jpg"},
        {"/srv/www//img/./x/../bg.jpg", "img/bg.jpg"},
        {"/srv/www2/bg.jpg", nullptr},  // no boundary: another folder
        {"/srv/WWW/bg.jpg", nullptr},   // case matters on this file system
        {"/srv/www/../etc/passwd", nullptr},
        {"/etc/passwd", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        const auto rest = PathBelowRoot("/srv/www/", c.path);
        if (c.rest) {
            EXPECT_EQ(rest.value_or("<outside>"), c.rest) << c.path;
        } else {
            EXPECT_FALSE(rest) << c.path;
        }
    }
    EXPECT_EQ(PathBelowRoot("/", "/a/b").value_or("<outside>"), "a/b");
}

TEST(PathBelowRoot, ALinkedRootMatchesItsRealPlace) {
    test::TempDir tmp;
    tmp.MakeDir("real/img");
    std::filesystem::create_directory_symlink(tmp / "real", tmp / "link");
    EXPECT_EQ(PathBelowRoot(tmp / "link/", tmp / "real/img/").value_or("<outside>"), "img");
    EXPECT_EQ(PathBelowRoot(tmp / "real/", tmp / "link/img").value_or("<outside>"), "img");
}

TEST(FolderCellOf, RelativeFolderOrRoot) {
    EXPECT_EQ(FolderCellOf("/srv/www/", "/srv/www/fotos/2009/").value_or("-"), "fotos/2009");
    EXPECT_EQ(FolderCellOf("/srv/www/", "/srv/www/").value_or("-"), "/");
    EXPECT_FALSE(FolderCellOf("/srv/www/", "/home/anna/"));
}

}  // namespace
}  // namespace palvex
