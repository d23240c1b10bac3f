#include "config/IndexName.h"

#include <gtest/gtest.h>

#include "app/ServerWiring.h"
#include "config/Settings.h"
#include "server/HttpServer.h"

namespace palvex {
namespace {

TEST(IndexName, OnlyPlainFileNamesPass) {
    struct Case {
        std::string_view configured;
        const char* used;
        bool unsafe;
    } cases[] = {
        {"", "index.html", false},
        {"start.htm", "start.htm", false},
        {"Default Page.HTML", "Default Page.HTML", false},
        {".index", ".index", false},
        {"../../../../etc/passwd", "index.html", true},
        {"..", "index.html", true},
        {"a..b.html", "index.html", true},
        {"sub/index.html", "index.html", true},
        {"/etc/passwd", "index.html", true},
        {"..\\secret.txt", "index.html", true},
        {"index.html\n", "index.html", true},
        {std::string_view("a\0b", 3), "index.html", true},
        {"tab\there", "index.html", true},
    };
    for (const auto& c : cases) {
        bool unsafe = !c.unsafe;
        EXPECT_EQ(SafeIndexName(c.configured, &unsafe), c.used) << c.configured;
        EXPECT_EQ(unsafe, c.unsafe) << c.configured;
    }
}

TEST(IndexName, ServerStartRefusesAnEscapingIndexWithAWarning) {
    GlobalSettings().Index = "../../../../etc/passwd";
    testing::internal::CaptureStderr();
    SetupListing();
    const std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_EQ(GlobalServer().IndexName, "index.html");
    EXPECT_NE(warning.find("Index"), std::string::npos);
    GlobalSettings().Index = "start.htm";
    testing::internal::CaptureStderr();
    SetupListing();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(GlobalServer().IndexName, "start.htm");
}

}  // namespace
}  // namespace palvex
