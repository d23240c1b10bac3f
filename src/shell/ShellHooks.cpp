#include "shell/ShellHooks.h"

#include "shell/MessageDialogs.h"

namespace palvex {

void ShowNotAvailable() {
    InfoBox(kNotAvailableText);
}

}  // namespace palvex
