// Handing listing values to the running server object.

#include "config/ServerSetup.h"

#include <gtest/gtest.h>

#include <mutex>

#include "server/DirectoryListingBase.h"
#include "server/HttpServer.h"

namespace palvex {
namespace {

TEST(ApplyListingValues, IndexNameFallsBackToTheDefaultUnlessPlain) {
    const std::pair<const char*, const char*> cases[] = {
        {" start.htm ", "start.htm"},       {"", "index.html"},
        {"../../etc/passwd", "index.html"}, {"sub/x.htm", "index.html"},
        {"a\\b.htm", "index.html"},         {"a\nb", "index.html"},
    };
    for (const auto& [typed, used] : cases) {
        ApplyListingValues({typed, "", "", ""});
        std::lock_guard lock(HookLock);
        EXPECT_EQ(GlobalServer().IndexName, used) << typed;
    }
}

TEST(ApplyListingValues, GeneratorTakesTheTextsAndAnEncodedBackground) {
    ApplyListingValues({"", "Fotos", "Alles da", "img\\mein bild.jpg"});
    std::lock_guard lock(HookLock);
    ASSERT_TRUE(GlobalServer().DirectoryListing);
    EXPECT_EQ(GlobalServer().DirectoryListing->Title, "Fotos");
    EXPECT_EQ(GlobalServer().DirectoryListing->Info, "Alles da");
    EXPECT_EQ(GlobalServer().DirectoryListing->Background, "/img/mein+bild.jpg");
}

}  // namespace
}  // namespace palvex
