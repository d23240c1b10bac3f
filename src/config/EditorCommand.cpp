#include "config/EditorCommand.h"

#include <unistd.h>

#include <cstdlib>

#include "common/TextConv.h"
#include "config/DesktopEntry.h"
#include "config/PathOps.h"
#include "config/TextFile.h"

namespace palvex {

namespace {

constexpr std::string_view kTextMimeType = "text/plain";
constexpr std::string_view kTerminal = "x-terminal-emulator";
constexpr std::string_view kOpener = "xdg-open";
constexpr size_t kMaxListBytes = 4 << 20;
constexpr std::string_view kFileCodes = "fFuU";
// Field codes that stand for nothing here (icon, name, location, deprecated).
constexpr std::string_view kDroppedCodes = "ickdDnNvm";

std::string Getenv(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::vector<std::string> Joined(const std::string& first, const std::vector<std::string>& rest) {
    std::vector<std::string> all{first};
    all.insert(all.end(), rest.begin(), rest.end());
    return all;
}

// The same file name in each folder.
std::vector<std::string> Paths(std::vector<std::string> folders, std::string_view name) {
    for (std::string& folder : folders)
        folder += name;
    return folders;
}

// The first entry of "mime=a.desktop;b.desktop;" in the given group.
std::string ListedApplication(std::string_view text, std::string_view group,
                              std::string_view mimeType) {
    bool inGroup = false;
    for (const std::string& line : SplitLines(text)) {
        const std::string_view trimmed = TrimBlanks(line);
        if (trimmed.starts_with('[')) {
            inGroup = trimmed == group;
            continue;
        }
        const size_t eq = trimmed.find('=');
        if (!inGroup || eq == std::string_view::npos ||
            TrimBlanks(trimmed.substr(0, eq)) != mimeType)
            continue;
        const std::string_view ids = TrimBlanks(trimmed.substr(eq + 1));
        return std::string(TrimBlanks(ids.substr(0, ids.find(';'))));
    }
    return {};
}

std::string ApplicationInFiles(const std::vector<std::string>& files, std::string_view group,
                               std::string_view mimeType) {
    for (const std::string& file : files) {
        std::string text;
        if (!ReadWholeFile(file, kMaxListBytes, text)) continue;
        std::string id = ListedApplication(text, group, mimeType);
        if (!id.empty()) return id;
    }
    return {};
}

// Replaces the field codes of one argument; false when the argument is one
// that only stood for a dropped code.
bool ExpandArgument(std::string& arg, std::string_view file, bool& usedFile) {
    std::string out;
    bool dropped = false;
    for (size_t i = 0; i < arg.size(); ++i) {
        if (arg[i] != '%' || i + 1 == arg.size()) {
            out += arg[i];
            continue;
        }
        const char code = arg[++i];
        if (code == '%') {
            out += '%';
        } else if (kFileCodes.find(code) != std::string_view::npos) {
            out += file;
            usedFile = true;
        } else {
            dropped = dropped || kDroppedCodes.find(code) != std::string_view::npos;
        }
    }
    arg = std::move(out);
    return !(dropped && arg.empty());
}

std::optional<TCommand> TerminalCommand(const TEditorEnv& env, std::string_view editor,
                                        std::string_view file) {
    const std::vector<std::string> words = SplitExec(editor);
    const std::string terminal = FindOnPath(env.Path, kTerminal);
    if (words.empty() || terminal.empty()) return std::nullopt;
    TCommand command{terminal, {"-e"}};
    command.Args.insert(command.Args.end(), words.begin(), words.end());
    command.Args.emplace_back(file);
    return command;
}

std::optional<TCommand> AssociatedCommand(const TEditorEnv& env, std::string_view file) {
    const std::string desktopFile =
        FindApplication(env.Dirs, DefaultApplication(env.Dirs, kTextMimeType));
    std::string text;
    if (desktopFile.empty() || !ReadWholeFile(desktopFile, kMaxListBytes, text))
        return std::nullopt;
    std::optional<TCommand> command = CommandFromExec(DesktopEntryValue(text, "Exec"), file);
    if (!command || DesktopEntryValue(text, "Terminal") != "true") return command;
    const std::string terminal = FindOnPath(env.Path, kTerminal);
    if (terminal.empty()) return std::nullopt;
    command->Args.insert(command->Args.begin(), command->Program);
    command->Args.insert(command->Args.begin(), "-e");
    command->Program = terminal;
    return command;
}

}  // namespace

TEditorEnv EditorEnvFromEnvironment() {
    return {XdgDirsFromEnvironment(), Getenv("VISUAL"), Getenv("EDITOR"), Getenv("PATH")};
}

std::optional<TCommand> EditorCommand(const TEditorEnv& env, std::string_view file) {
    if (auto command = AssociatedCommand(env, file)) return command;
    for (const std::string& editor : {env.Visual, env.Editor})
        if (auto command = TerminalCommand(env, editor, file)) return command;
    const std::string opener = FindOnPath(env.Path, kOpener);
    if (opener.empty()) return std::nullopt;
    return TCommand{opener, {std::string(file)}};
}

std::optional<TCommand> CommandFromExec(std::string_view exec, std::string_view file) {
    std::vector<std::string> words = SplitExec(exec);
    bool usedFile = false;
    TCommand command;
    for (std::string& word : words) {
        if (!ExpandArgument(word, file, usedFile)) continue;
        if (command.Program.empty())
            command.Program = std::move(word);
        else
            command.Args.push_back(std::move(word));
    }
    if (command.Program.empty()) return std::nullopt;
    if (!usedFile) command.Args.emplace_back(file);
    return command;
}

std::string DefaultApplication(const TXdgDirs& dirs, std::string_view mimeType) {
    const std::vector<std::string> data = Joined(dirs.DataHome, dirs.DataDirs);
    std::vector<std::string> lists =
        Paths(Joined(dirs.ConfigHome, dirs.ConfigDirs), "mimeapps.list");
    for (const std::string& path : Paths(data, "applications/mimeapps.list"))
        lists.push_back(path);
    for (const std::string& path : Paths(data, "applications/defaults.list"))
        lists.push_back(path);
    const std::string id = ApplicationInFiles(lists, "[Default Applications]", mimeType);
    if (!id.empty()) return id;
    return ApplicationInFiles(Paths(data, "applications/mimeinfo.cache"), "[MIME Cache]", mimeType);
}

std::string FindApplication(const TXdgDirs& dirs, std::string_view desktopId) {
    if (desktopId.empty() || desktopId.find('/') != std::string_view::npos) return {};
    const std::string name = "applications/" + std::string(desktopId);
    for (const std::string& path : Paths(Joined(dirs.DataHome, dirs.DataDirs), name))
        if (FileExists(path)) return path;
    return {};
}

std::string FindOnPath(std::string_view path, std::string_view program) {
    if (program.empty()) return {};
    if (program.find('/') != std::string_view::npos)
        return access(std::string(program).c_str(), X_OK) == 0 ? std::string(program) : "";
    while (!path.empty()) {
        const size_t colon = path.find(':');
        const std::string_view folder = path.substr(0, colon);
        path = colon == std::string_view::npos ? "" : path.substr(colon + 1);
        if (folder.empty()) continue;
        const std::string candidate = std::string(folder) + "/" + std::string(program);
        if (FileExists(candidate) && access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

std::string CommandText(const TCommand& command) {
    std::string text = command.Program;
    for (const std::string& arg : command.Args)
        text += " " + arg;
    return text;
}

}  // namespace palvex
