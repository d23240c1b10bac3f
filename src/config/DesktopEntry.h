#pragma once
// Freedesktop desktop entries: writing the program's launcher, reading a
// value of another program's entry and splitting its Exec line.

#include <string>
#include <string_view>
#include <vector>

namespace palvex {

inline constexpr std::string_view kDesktopEntryName = "Palvex";
inline constexpr std::string_view kDesktopFileExtension = ".desktop";

// One argument of an Exec line: always in double quotes, with the quoting
// escapes, "%" doubled, and the escapes of a string value on top.
std::string ExecArgument(std::string_view argument);
// The launcher's text: an application entry that starts exePath.
std::string DesktopEntryText(std::string_view exePath, std::string_view icon);
// Writes folder + name + ".desktop" (folder ending in "/", created when
// missing), replacing an older file; executable on request, as desktops
// trust a launcher on the desktop only then. False when it cannot be written.
bool WriteDesktopEntry(std::string_view folder, std::string_view name, std::string_view text,
                       bool executable);

// The value of key in the [Desktop Entry] group, string escapes undone;
// empty when it is missing.
std::string DesktopEntryValue(std::string_view text, std::string_view key);
// The arguments of an Exec value, quotes and escapes undone (string escapes
// already undone by DesktopEntryValue); empty when a quote is not closed.
std::vector<std::string> SplitExec(std::string_view exec);

}  // namespace palvex
