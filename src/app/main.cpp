// Program entry: the window where a display is reachable, else (or with
// -headless) the same start-up without a window.

#include <cstdio>
#include <cstdlib>

#include <string>

#include "app/Headless.h"
#include "app/WindowModule.h"
#include "config/CommandLine.h"
#include "config/Settings.h"

namespace {

bool EnvironmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// A platform plugin set by hand (offscreen, for one) counts as a display.
bool DisplayReachable() {
    return EnvironmentSet("DISPLAY") || EnvironmentSet("WAYLAND_DISPLAY") ||
           EnvironmentSet("QT_QPA_PLATFORM");
}

// True when the window is to be shown; says on stderr why not when the user
// did not ask for headless.
bool WantWindow() {
    if (palvex::FindSwitch("headless").Index != 0) return false;
    if (!DisplayReachable()) {
        std::fputs("palvex: no display, running headless\n", stderr);
        return false;
    }
#if PALVEX_GUI
    return true;
#else
    std::fputs("palvex: no window in this build, running headless\n", stderr);
    return false;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    palvex::BlockStopSignals();
    palvex::SetCommandLine(argc, argv);
    if (WantWindow()) {
        int exitCode = 0;
        std::string why;
        if (palvex::RunWindowModule(argc, argv, exitCode, why)) return exitCode;
        std::fprintf(stderr, "palvex: no window (%s), running headless\n", why.c_str());
    }
    if (!palvex::InitSettings()) {
        std::fputs("\apalvex: invalid port, not started\n", stderr);
        return 0;
    }
    return palvex::RunHeadless();
}
