// Program entry. There is no window in this build yet, so the program always
// runs headless; without a display it says so.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/Headless.h"
#include "config/CommandLine.h"
#include "config/Settings.h"

namespace {

bool DisplayReachable() {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

// Every connection gets a new thread with the default 8 MiB stack. glibc
// keeps only 40 MiB of freed stacks for reuse, so under load most threads
// would map and unmap a fresh stack, which costs about a quarter of the
// request rate. The cache size is a start-up tunable: when it is not set,
// the program starts itself once more with it.
void EnsureThreadStackCache(char** argv) {
    constexpr const char* kTunable = "glibc.pthread.stack_cache_size=536870912";
    const char* current = std::getenv("GLIBC_TUNABLES");
    if (current && std::string(current).find("glibc.pthread.stack_cache_size") != std::string::npos)
        return;
    const std::string value =
        current && *current ? std::string(current) + ":" + kTunable : kTunable;
    setenv("GLIBC_TUNABLES", value.c_str(), 1);
    execv("/proc/self/exe", argv);  // returns only on failure: run as we are
}

}  // namespace

int main(int argc, char** argv) {
    EnsureThreadStackCache(argv);
    palvex::BlockStopSignals();
    palvex::SetCommandLine(argc, argv);
    if (palvex::FindSwitch("headless").Index == 0) {
        std::fputs(DisplayReachable() ? "palvex: no window in this build, running headless\n"
                                      : "palvex: no display, running headless\n",
                   stderr);
    }
    if (!palvex::InitSettings()) {
        std::fputs("\apalvex: invalid port, not started\n", stderr);
        return 0;
    }
    return palvex::RunHeadless();
}
