#pragma once
// The window lives in a module of its own that the program loads only to
// show it, so a headless run never maps the toolkit's libraries (their
// relocated data alone would triple its resident memory). The module calls
// into the core of the executable, which exports it.

#include <string>
#include <vector>

namespace palvex {

// The module's file name and the entry it exports.
constexpr const char* kWindowModuleName = "palvex-window.so";
constexpr const char* kWindowEntryName = "palvex_window_main";
using TWindowEntry = int (*)(int* argc, char** argv);

// Where the module may be, in order: beside the executable (a build) and in
// ../lib/palvex/ (an installed program).
std::vector<std::string> WindowModuleCandidates(const std::string& executableFolder);

// Loads the first candidate that exists and returns its entry; nullptr with
// the reason in why when none could be loaded.
TWindowEntry LoadWindowEntry(const std::vector<std::string>& candidates, std::string& why);

// Runs the window of the module beside this executable; false (with why)
// when it could not be loaded, exitCode is set otherwise.
bool RunWindowModule(int& argc, char** argv, int& exitCode, std::string& why);

}  // namespace palvex
