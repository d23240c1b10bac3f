#include "config/Settings.h"

#include <array>
#include <limits>
#include <optional>

#include "common/TextConv.h"
#include "config/CommandLine.h"
#include "config/PathOps.h"
#include "config/TextFile.h"

namespace palvex {

namespace {

using TApplyValue = void (*)(TServerSettings&, std::string_view value, const TProgramPaths&);

// A recognised key: either a text field taken as it is, or its own handler.
struct TKeyRule {
    std::string_view Name;
    std::string TServerSettings::*Text;
    TApplyValue Apply;
};

void ApplyCfg(TServerSettings& s, std::string_view value, const TProgramPaths& paths) {
    if (s.IniPath.empty()) s.IniPath = MakeAbsolutePath(value, paths.ConfigFolder);
}

void ApplyPort(TServerSettings& s, std::string_view value, const TProgramPaths&) {
    long long port;
    if (ParseInt(value, port) && port >= std::numeric_limits<int32_t>::min() &&
        port <= std::numeric_limits<int32_t>::max())
        s.Port = static_cast<int32_t>(port);
    s.PortGiven = true;
}

void ApplyRoot(TServerSettings& s, std::string_view value, const TProgramPaths& paths) {
    s.Root = AnsiToWide(MakeAbsoluteFolder(value, paths.DataFolder));
}

void ApplyListing(TServerSettings& s, std::string_view value, const TProgramPaths&) {
    s.Listing = value == "1";
}

// Accepts the packed address as unsigned or as signed 32-bit decimal.
void ApplyIP(TServerSettings& s, std::string_view value, const TProgramPaths&) {
    long long ip;
    if (ParseInt(value, ip) && ip >= std::numeric_limits<int32_t>::min() &&
        ip <= std::numeric_limits<uint32_t>::max())
        s.IP = static_cast<uint32_t>(ip);
}

// Looked up in this order, so that cfg is settled first.
constexpr std::array<TKeyRule, 21> kKeyRules{{
    {"cfg", nullptr, ApplyCfg},
    {"Port", nullptr, ApplyPort},
    {"Root", nullptr, ApplyRoot},
    {"Server", &TServerSettings::Server, nullptr},
    {"Listing", nullptr, ApplyListing},
    {"MIME", &TServerSettings::MIME, nullptr},
    {"IP", nullptr, ApplyIP},
    {"GUI", &TServerSettings::GUI, nullptr},
    {"Startup", &TServerSettings::Startup, nullptr},
    {"AuthDir", &TServerSettings::AuthDir, nullptr},
    {"AuthUser", &TServerSettings::AuthUser, nullptr},
    {"Index", &TServerSettings::Index, nullptr},
    {"IndexTemplate", &TServerSettings::IndexTemplate, nullptr},
    {"ListingTitle", &TServerSettings::ListingTitle, nullptr},
    {"ListingInfo", &TServerSettings::ListingInfo, nullptr},
    {"ListingBg", &TServerSettings::ListingBg, nullptr},
    {"LinkTitle", &TServerSettings::LinkTitle, nullptr},
    {"LinkDescr", &TServerSettings::LinkDescr, nullptr},
    {"Limit", &TServerSettings::Limit, nullptr},
    {"IPFilter", &TServerSettings::IPFilter, nullptr},
    {"EchoURL", &TServerSettings::EchoURL, nullptr},
}};

using TFirstValues = std::array<std::optional<std::string_view>, kKeyRules.size()>;

// The trimmed value of the first line of every recognised key. The key is the
// text before the first "=", untrimmed, in any case.
TFirstValues FindFirstValues(std::span<const std::string> lines) {
    TFirstValues values;
    for (const std::string& line : lines) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string_view key = std::string_view(line).substr(0, eq);
        for (size_t k = 0; k < kKeyRules.size(); ++k) {
            if (values[k] || !EqualsNoCase(key, kKeyRules[k].Name)) continue;
            values[k] = TrimBlanks(std::string_view(line).substr(eq + 1));
            break;
        }
    }
    return values;
}

// A value as one line: a line break inside would start a line of its own in
// the file and could set any other key on the next load.
std::string OneLine(std::string_view value) {
    std::string out(value);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

void AddLine(std::string& text, std::string_view key, std::string_view value) {
    if (value.empty()) return;
    text += key;
    text += '=';
    text += OneLine(value);
    text += "\r\n";
}

}  // namespace

TServerSettings& GlobalSettings() {
    static TServerSettings settings;
    return settings;
}

void ApplySettingsList(TServerSettings& settings, std::span<const std::string> lines,
                       const TProgramPaths& paths) {
    const TFirstValues values = FindFirstValues(lines);
    for (size_t k = 0; k < kKeyRules.size(); ++k) {
        if (!values[k] || values[k]->empty()) continue;
        const TKeyRule& rule = kKeyRules[k];
        if (rule.Text)
            settings.*rule.Text = *values[k];
        else
            rule.Apply(settings, *values[k], paths);
    }
}

void ApplyCommandLine(TServerSettings& settings, std::span<const std::string> args,
                      const TProgramPaths& paths) {
    ApplySettingsList(settings, args, paths);
}

bool LoadSettingsFile(TServerSettings& settings, std::string_view path,
                      const TProgramPaths& paths) {
    const std::string fullPath = MakeAbsolutePath(path, paths.ConfigFolder);
    std::string bytes;
    if (!ReadWholeFile(fullPath, kMaxSettingsFileBytes, bytes)) return false;
    settings.IniPath = fullPath;
    ApplySettingsList(settings, SplitLines(bytes), paths);
    settings.SavedText = SettingsToText(settings, paths);
    return true;
}

bool SaveSettingsFile(TServerSettings& settings, std::string_view path,
                      const TProgramPaths& paths) {
    const std::string target = !path.empty() ? MakeAbsolutePath(path, paths.ConfigFolder)
                               : !settings.IniPath.empty() ? settings.IniPath
                                                           : paths.DefaultIniPath;
    const std::string text = SettingsToText(settings, paths);
    // Passwords are stored in clear: only the owner may read them.
    const bool ownerOnly = !settings.AuthUser.empty();
    if (!ForceFolders(target) || !WriteFileReplacing(target, text, ownerOnly)) return false;
    settings.IniPath = target;
    settings.SavedText = text;
    return true;
}

std::string SettingsToText(const TServerSettings& s, const TProgramPaths& paths) {
    std::string text;
    if (s.PortGiven || s.Port != kDefaultPort) AddLine(text, "Port", std::to_string(s.Port));
    if (s.Server != kDefaultServerName) AddLine(text, "Server", s.Server);
    const std::string root = WideToAnsi(s.Root);
    AddLine(text, "Root", MakeRelativePath(root, paths.DataFolder));
    AddLine(text, "MIME", s.MIME);
    AddLine(text, "GUI", s.GUI);
    AddLine(text, "Startup", s.Startup);
    AddLine(text, "AuthDir", s.AuthDir);
    AddLine(text, "AuthUser", s.AuthUser);
    const std::string index = AsciiLower(s.Index);
    if (index != kDefaultIndexName) AddLine(text, "Index", index);
    AddLine(text, "IndexTemplate", MakeRelativePath(s.IndexTemplate, root));
    AddLine(text, "Listing", s.Listing ? "1" : "0");
    AddLine(text, "ListingTitle", s.ListingTitle.empty() ? kDefaultListingTitle : s.ListingTitle);
    AddLine(text, "ListingInfo", s.ListingInfo);
    AddLine(text, "ListingBg", PathToUrl(s.ListingBg));
    AddLine(text, "LinkTitle", s.LinkTitle);
    AddLine(text, "LinkDescr", s.LinkDescr);
    AddLine(text, "Limit", s.Limit);
    AddLine(text, "IPFilter", s.IPFilter);
    if (s.EchoURL != kDefaultEchoURL) AddLine(text, "EchoURL", s.EchoURL);
    return text;
}

bool InitSettings(TServerSettings& settings, std::span<const std::string> args,
                  const TProgramPaths& paths) {
    ApplyCommandLine(settings, args, paths);
    if (settings.IniPath.empty()) settings.IniPath = paths.DefaultIniPath;
    // Command-line values win over the file.
    if (LoadSettingsFile(settings, settings.IniPath, paths))
        ApplyCommandLine(settings, args, paths);
    if (settings.Port < 1 || settings.Port > kMaxPort) return false;
    if (settings.Root.empty())
        settings.Root = AnsiToWide(paths.DataFolder + std::string(kDefaultRootName));
    // A root that cannot be created is reported by the main window later.
    if (!FolderExists(settings.Root)) ForceFolders(settings.Root);
    if (!settings.IndexTemplate.empty())
        settings.IndexTemplate =
            MakeAbsolutePath(settings.IndexTemplate, WideToAnsi(settings.Root));
    settings.SavedText = SettingsToText(settings, paths);
    return true;
}

void ApplySettingsList(std::span<const std::string> lines) {
    ApplySettingsList(GlobalSettings(), lines, ProgramPaths());
}

void ApplyCommandLine() {
    ApplyCommandLine(GlobalSettings(), CommandLineArgs(), ProgramPaths());
}

bool LoadSettingsFile(std::string_view path) {
    return LoadSettingsFile(GlobalSettings(), path, ProgramPaths());
}

bool SaveSettingsFile(std::string_view path) {
    return SaveSettingsFile(GlobalSettings(), path, ProgramPaths());
}

std::string SettingsToText() {
    return SettingsToText(GlobalSettings(), ProgramPaths());
}

bool InitSettings() {
    return InitSettings(GlobalSettings(), CommandLineArgs(), ProgramPaths());
}

}  // namespace palvex
