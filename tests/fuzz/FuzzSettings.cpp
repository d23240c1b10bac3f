// libFuzzer target: configuration text and command-line arguments.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/CommandLine.h"
#include "config/Settings.h"

using namespace palvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= input.size()) {
        size_t end = input.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = input.size();
        lines.emplace_back(input.substr(start, end - start));
        start = end + 1;
    }
    TProgramPaths paths;
    paths.ProgramFolder = paths.ConfigFolder = paths.DataFolder = "/nonexistent/palvex/";
    paths.DefaultIniPath = "/nonexistent/palvex/palvex.ini";
    TServerSettings settings;
    ApplySettingsList(settings, lines, paths);
    ApplyCommandLine(settings, lines, paths);
    FindSwitch(lines, "ActAsOriginExe");
    // What is written must read back to the same text. Control characters
    // are trimmed from the ends of values on reading, so they are left out.
    for (char c : input)
        if (static_cast<unsigned char>(c) < 32 && c != '\r' && c != '\n') return 0;
    const std::string text = SettingsToText(settings, paths);
    TServerSettings again;
    std::vector<std::string> written;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find("\r\n", at);
        written.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    ApplySettingsList(again, written, paths);
    if (SettingsToText(again, paths) != text) __builtin_trap();
    return 0;
}
