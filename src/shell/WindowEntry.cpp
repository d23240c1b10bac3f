// The window module's entry, looked up by the executable at start-up.

#include "app/WindowModule.h"
#include "shell/ShellEntry.h"

extern "C" __attribute__((visibility("default"))) int palvex_window_main(int* argc, char** argv) {
    return palvex::RunGui(*argc, argv);
}
