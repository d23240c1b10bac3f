#include "server/RealLocation.h"

#include <gtest/gtest.h>

namespace palvex {
namespace {

TEST(RealLocation, RelativeToRootOnlyBelowTheRoot) {
    struct Case {
        const char* real;
        const char* root;
        bool folder;
        const char* relative;
    } cases[] = {
        {"/srv/www/private/a.txt", "/srv/www", false, "private\\a.txt"},
        {"/srv/www/private/a.txt", "/srv/www/", false, "private\\a.txt"},
        {"/srv/www/private", "/srv/www", true, "private\\"},
        {"/srv/www", "/srv/www", true, "\\"},
        {"/srv/www2/a.txt", "/srv/www", false, ""},
        {"/etc/passwd", "/srv/www", false, ""},
        {"/etc/passwd", "/", false, "etc\\passwd"},
        {"", "/srv/www", false, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RelativeToRoot(c.real, c.root, c.folder), c.relative) << c.real << " " << c.root;
}

}  // namespace
}  // namespace palvex
