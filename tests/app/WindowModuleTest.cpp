// Loading the window module: what is tried, and why nothing was loaded.

#include <dlfcn.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "app/WindowModule.h"
#include "support/TempDir.h"

namespace palvex {
namespace {

TEST(WindowModule, LookedForBesideTheProgramThenInItsLibraryFolder) {
    const std::vector<std::string> expected = {"/opt/x/bin/palvex-window.so",
                                               "/opt/x/bin/../lib/palvex/palvex-window.so"};
    EXPECT_EQ(WindowModuleCandidates("/opt/x/bin"), expected);
}

TEST(WindowModule, NothingLoadableSaysWhy) {
    test::TempDir dir;
    std::string why;
    EXPECT_EQ(LoadWindowEntry({dir / "none.so"}, why), nullptr);
    EXPECT_EQ(why, "no palvex-window.so");

    // The first module that is there is the one taken, loadable or not.
    dir.Write("broken.so", "not a module");
    EXPECT_EQ(LoadWindowEntry({dir / "none.so", dir / "broken.so"}, why), nullptr);
    EXPECT_NE(why.find("broken.so"), std::string::npos) << why;

    // A library without the entry.
    Dl_info libc{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&std::abort), &libc), 0);
    EXPECT_EQ(LoadWindowEntry({libc.dli_fname}, why), nullptr);
    EXPECT_EQ(why, std::string(libc.dli_fname) + ": no palvex_window_main");
}

}  // namespace
}  // namespace palvex
