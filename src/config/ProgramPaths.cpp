#include "config/ProgramPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "common/Paths.h"
#include "config/CommandLine.h"
#include "config/PathOps.h"

namespace palvex {

namespace {

constexpr std::string_view kOriginSwitch = "ActAsOriginExe";
constexpr std::string_view kIniExtension = ".ini";
// Buffer for the password-database entry of the user.
constexpr size_t kPasswdBufferBytes = 16384;

std::string Getenv(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = Getenv("HOME");
    if (!home.empty()) return home;
    struct passwd entry;
    struct passwd* result = nullptr;
    std::vector<char> buffer(kPasswdBufferBytes);
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
        result->pw_dir)
        home = result->pw_dir;
    return home;
}

// $variable when it holds an absolute path, else home + fallback; empty
// when neither is known.
std::string XdgFolder(const char* variable, std::string_view fallback, const std::string& home) {
    std::string folder = Getenv(variable);
    if (!folder.starts_with(kPathDelim)) {
        if (home.empty()) return {};
        folder = home + "/" + std::string(fallback);
    }
    return folder;
}

std::string WithSlash(std::string folder) {
    if (!folder.ends_with(kPathDelim)) folder += kPathDelim;
    return folder;
}

std::string Absolute(std::string_view path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? std::string(path) : absolute.string();
}

// Folder for writable files: the program folder if it is writable, else the
// user's folder (or the program folder when no user folder is known).
std::string WritableFolder(const std::string& programFolder, const std::string& userBase) {
    if (FolderWritable(programFolder) || userBase.empty()) return programFolder;
    return WithSlash(userBase) + std::string(kUserSubFolder);
}

}  // namespace

TUserDirs UserDirsFromEnvironment() {
    const std::string home = HomeFolder();
    return {XdgFolder("XDG_CONFIG_HOME", ".config", home),
            XdgFolder("XDG_DATA_HOME", ".local/share", home)};
}

std::string OwnExePath() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) return exe.string();
    return Absolute("palvex");
}

std::string IniPathOf(std::string_view exePath) {
    const size_t nameStart = exePath.rfind(kPathDelim) + 1;  // npos + 1 == 0
    const size_t dot = exePath.rfind('.');
    // A leading dot starts a hidden name, not an extension.
    const bool hasExtension = dot != std::string_view::npos && dot > nameStart;
    return std::string(exePath.substr(0, hasExtension ? dot : exePath.size())) +
           std::string(kIniExtension);
}

TProgramPaths ResolveProgramPaths(std::string_view exePath, std::span<const std::string> args,
                                  const TUserDirs& userDirs) {
    TProgramPaths paths;
    paths.ExePath = exePath;
    const std::string origin = FindSwitch(args, kOriginSwitch).Value;
    const std::string programFile =
        !origin.empty() && FileExists(origin) ? Absolute(origin) : paths.ExePath;
    paths.ProgramFolder = FolderOf(programFile);
    paths.ConfigFolder = WritableFolder(paths.ProgramFolder, userDirs.ConfigHome);
    paths.DataFolder = WritableFolder(paths.ProgramFolder, userDirs.DataHome);
    const std::string ownIni = IniPathOf(paths.ExePath);
    const std::string iniFolder = WritableFolder(FolderOf(ownIni), userDirs.ConfigHome);
    paths.DefaultIniPath = iniFolder + ownIni.substr(FolderOf(ownIni).size());
    return paths;
}

const TProgramPaths& ProgramPaths() {
    static const TProgramPaths paths =
        ResolveProgramPaths(OwnExePath(), CommandLineArgs(), UserDirsFromEnvironment());
    return paths;
}

const std::string& ProgramFolder() {
    return ProgramPaths().ProgramFolder;
}

std::vector<std::string> ProgramFileFolders(const TProgramPaths& paths) {
    // A program that acts as another file still ships its files beside itself.
    const size_t slash = paths.ExePath.rfind('/');
    const std::string exeFolder =
        slash == std::string::npos ? paths.ProgramFolder : paths.ExePath.substr(0, slash + 1);
    return {paths.ProgramFolder, paths.ProgramFolder + std::string(kShareSubFolder), exeFolder,
            exeFolder + std::string(kShareSubFolder)};
}

std::string FindProgramFile(std::string_view relPath, const TProgramPaths& paths) {
    return FindInFolders(ProgramFileFolders(paths), relPath);
}

}  // namespace palvex
