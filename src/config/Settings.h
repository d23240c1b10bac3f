#pragma once
// The settings record of the program, its configuration file of Key=Value
// lines and the command line in the same form (command line wins).
//
// The program keeps one record (GlobalSettings) for the program's paths and
// arguments; every operation also exists for a given record, paths and
// arguments, so that tests work on their own instances.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/ProgramPaths.h"

namespace palvex {

inline constexpr int32_t kDefaultPort = 80;
inline constexpr int32_t kMaxPort = 65535;
inline constexpr std::string_view kDefaultServerName = "morvi/1.3 (Win32)";
inline constexpr std::string_view kDefaultIndexName = "index.html";
inline constexpr std::string_view kDefaultListingTitle = "Directory Listing";
inline constexpr std::string_view kDefaultRootName = "WebRoot/";
// A plain-HTTP service that answers with the caller's dotted address alone.
inline constexpr std::string_view kDefaultEchoURL = "http://api.ipify.org/";
// Bigger configuration files are not read.
inline constexpr size_t kMaxSettingsFileBytes = 16 * 1024 * 1024;

// Every persistent setting; fields carry the names of their keys. Byte text
// is UTF-8.
struct TServerSettings {
    std::string IniPath;    // configuration file in use (key cfg, command line only)
    std::string SavedText;  // SettingsToText() as last loaded or saved
    bool PortGiven = false;
    int32_t Port = kDefaultPort;
    bool Listing = true;
    std::u16string Root;  // absolute, ending in "/"; empty until InitSettings
    std::string GUI;      // window flags
    std::string Startup;
    std::string AuthDir;
    std::string AuthUser;
    std::string Index;  // empty: the server uses kDefaultIndexName
    std::string IndexTemplate;
    std::string Server{kDefaultServerName};
    std::string MIME;
    uint32_t IP = 0;  // packed address shown as URL; never saved
    std::string ListingTitle;
    std::string ListingInfo;
    std::string ListingBg;
    std::string LinkTitle;
    std::string LinkDescr;
    std::string Limit;  // speed-limit flags
    std::string IPFilter;
    std::string EchoURL{kDefaultEchoURL};  // asked for the public address
};

// The program's one record.
TServerSettings& GlobalSettings();

// Takes the recognised keys of Key=Value lines: the first line of a key
// counts, an empty value changes nothing, unknown keys and other lines are
// ignored.
void ApplySettingsList(TServerSettings& settings, std::span<const std::string> lines,
                       const TProgramPaths& paths);
// Applies every argument as one Key=Value line.
void ApplyCommandLine(TServerSettings& settings, std::span<const std::string> args,
                      const TProgramPaths& paths);
// Reads a configuration file (relative to ConfigFolder) into the record;
// false, with nothing changed, when it cannot be read.
bool LoadSettingsFile(TServerSettings& settings, std::string_view path, const TProgramPaths& paths);
// Writes SettingsToText to path (empty: IniPath, else DefaultIniPath) without
// ever losing the old file; true on success, which also sets IniPath and
// SavedText.
bool SaveSettingsFile(TServerSettings& settings, std::string_view path, const TProgramPaths& paths);
// The configuration text: the non-empty settings as Key=Value lines, each
// ended by CR LF.
std::string SettingsToText(const TServerSettings& settings, const TProgramPaths& paths);
// Start-up: command line, configuration file, command line again, port
// check, default root (created when missing), absolute index template.
// False when the port is not within 1 to 65535.
bool InitSettings(TServerSettings& settings, std::span<const std::string> args,
                  const TProgramPaths& paths);

// The same on GlobalSettings with ProgramPaths and CommandLineArgs.
void ApplySettingsList(std::span<const std::string> lines);
void ApplyCommandLine();
bool LoadSettingsFile(std::string_view path);
bool SaveSettingsFile(std::string_view path);
std::string SettingsToText();
bool InitSettings();

}  // namespace palvex
