#pragma once
// The program's command-line arguments (without the program path) and the
// search for switches among them.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace palvex {

struct TSwitch {
    int Index = 0;  // 1-based position among the arguments; 0 when absent
    std::string Value;
};

// Keeps the arguments for the whole run; called first thing by the program entry.
void SetCommandLine(int argc, const char* const* argv);
// The kept arguments, the program path excluded.
const std::vector<std::string>& CommandLineArgs();

// Finds a switch: an argument that, after losing one leading "-", "/" or "\",
// reads name (any case) up to its first ":" or "=" or its end. The first match
// gives its position and the text after that separator.
TSwitch FindSwitch(std::span<const std::string> args, std::string_view name);
TSwitch FindSwitch(std::string_view name);

}  // namespace palvex
