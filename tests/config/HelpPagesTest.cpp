// The help pages shipped beside the program: one per topic, readable UTF-8,
// and every link between them leads to a page that exists.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "common/TextConv.h"
#include "config/HelpTopics.h"
#include "support/TempDir.h"

namespace palvex {
namespace {

const std::string kProgramFolder =
    std::filesystem::path(PALVEX_BINARY).parent_path().string() + "/";

TEST(HelpPages, EveryTopicHasAGermanPageWhoseLinksResolve) {
    const std::regex link(R"re(href="([^"#:]+\.html)")re");
    for (std::string_view topic : kHelpTopics) {
        const std::string page = test::TempDir::ReadFile(kProgramFolder + HelpPageName(topic));
        ASSERT_FALSE(page.empty()) << topic;
        EXPECT_TRUE(IsValidUtf8(page)) << topic;
        EXPECT_NE(page.find("<html lang=\"de\">"), std::string::npos) << topic;
        for (auto m = std::sregex_iterator(page.begin(), page.end(), link);
             m != std::sregex_iterator(); ++m) {
            const std::string target = kProgramFolder + std::string(kHelpFolder) + (*m)[1].str();
            EXPECT_TRUE(std::filesystem::exists(target)) << topic << " -> " << (*m)[1];
        }
    }
}

}  // namespace
}  // namespace palvex
