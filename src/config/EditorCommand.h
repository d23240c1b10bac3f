#pragma once
// The command that opens a text file in the user's editor: the desktop's
// default application for plain text, else $VISUAL or $EDITOR in a terminal,
// else xdg-open. A command is a program and its arguments, never a line for
// a shell.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/XdgDirs.h"

namespace palvex {

struct TCommand {
    std::string Program;
    std::vector<std::string> Args;
};

struct TEditorEnv {
    TXdgDirs Dirs;
    std::string Visual;  // $VISUAL
    std::string Editor;  // $EDITOR
    std::string Path;    // $PATH
};

TEditorEnv EditorEnvFromEnvironment();

// The editor command for file; empty when there is none.
std::optional<TCommand> EditorCommand(const TEditorEnv& env, std::string_view file);
// The command of an Exec value with file as one argument for %f %F %u %U
// (appended when there is none); other field codes dropped, "%%" is "%".
std::optional<TCommand> CommandFromExec(std::string_view exec, std::string_view file);
// The desktop file id of the default application for a MIME type, from the
// mimeapps.list files in their order, then the desktop's caches; empty when none.
std::string DefaultApplication(const TXdgDirs& dirs, std::string_view mimeType);
// Path of an application's desktop file by its id; empty when none.
std::string FindApplication(const TXdgDirs& dirs, std::string_view desktopId);
// The program as found in the folders of a PATH value; empty when absent.
std::string FindOnPath(std::string_view path, std::string_view program);
// Program and arguments as one line for messages.
std::string CommandText(const TCommand& command);

}  // namespace palvex
