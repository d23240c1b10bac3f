// Program entry. There is no window in this build yet, so the program always
// runs headless; without a display it says so.

#include <cstdio>
#include <cstdlib>

#include "app/Headless.h"
#include "config/CommandLine.h"
#include "config/Settings.h"

namespace {

bool DisplayReachable() {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

}  // namespace

int main(int argc, char** argv) {
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
