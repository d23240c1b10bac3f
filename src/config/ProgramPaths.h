#pragma once
// Where the program lives and where it keeps its writable files. Every
// folder ends in "/".

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace palvex {

// Per-user base folders (XDG), without the program's own sub-folder.
struct TUserDirs {
    std::string ConfigHome;  // $XDG_CONFIG_HOME or ~/.config
    std::string DataHome;    // $XDG_DATA_HOME or ~/.local/share
};

struct TProgramPaths {
    // The running program file.
    std::string ExePath;
    // Folder of the program file, or of the file the switch ActAsOriginExe
    // names when that exists; templates and help are looked up here.
    std::string ProgramFolder;
    // Base of relative configuration file names: ProgramFolder, or the user's
    // configuration folder when ProgramFolder is not writable.
    std::string ConfigFolder;
    // Base of the root folder and other writable defaults: ProgramFolder, or
    // the user's data folder when ProgramFolder is not writable.
    std::string DataFolder;
    // The program file's own name with ".ini", beside it when its folder is
    // writable, else in the user's configuration folder.
    std::string DefaultIniPath;
};

inline constexpr std::string_view kUserSubFolder = "palvex/";
inline constexpr std::string_view kShareSubFolder = "../share/palvex/";

// The user's base folders from the environment; empty when no home is known.
TUserDirs UserDirsFromEnvironment();
// The running program file (/proc/self/exe).
std::string OwnExePath();
// The program file's path with its extension replaced by ".ini".
std::string IniPathOf(std::string_view exePath);
// All paths for a program file, its arguments and the user's folders.
TProgramPaths ResolveProgramPaths(std::string_view exePath, std::span<const std::string> args,
                                  const TUserDirs& userDirs);

// The paths of this run, fixed the first time they are asked for (after
// SetCommandLine).
const TProgramPaths& ProgramPaths();
const std::string& ProgramFolder();

// Where shipped files (templates, help pages) are looked for, in order: the
// program folder, ../share/palvex/ beside it, then the same beside the
// running program file (when ActAsOriginExe moved the program folder).
std::vector<std::string> ProgramFileFolders(const TProgramPaths& paths);
// A shipped file in the first of ProgramFileFolders that holds it; the
// program-folder path when none does.
std::string FindProgramFile(std::string_view relPath, const TProgramPaths& paths);

}  // namespace palvex
