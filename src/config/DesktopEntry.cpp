#include "config/DesktopEntry.h"

#include <sys/stat.h>

#include "common/TextConv.h"
#include "config/PathOps.h"
#include "config/TextFile.h"

namespace palvex {

namespace {

constexpr std::string_view kEntryGroup = "[Desktop Entry]";
constexpr std::string_view kQuotedEscapes = "\"`$\\";
constexpr mode_t kLauncherMode = 0755;
constexpr size_t kMaxDesktopFileBytes = 1 << 20;

// The escapes of a string value: backslash, and what cannot stand in a line.
std::string EscapeString(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string UnescapeString(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        switch (next) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                out += '\\', out += next;  // kept for the Exec quoting
        }
    }
    return out;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

}  // namespace

std::string ExecArgument(std::string_view argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (kQuotedEscapes.find(c) != std::string_view::npos) quoted += '\\';
        quoted += c;
        if (c == '%') quoted += '%';
    }
    return EscapeString(quoted + "\"");
}

std::string DesktopEntryText(std::string_view exePath, std::string_view icon) {
    return std::string(kEntryGroup) +
           "\n"
           "Type=Application\n"
           "Name=" +
           std::string(kDesktopEntryName) +
           "\n"
           "Comment=Webserver für den Desktop\n"
           "Exec=" +
           ExecArgument(exePath) +
           "\n"
           "Icon=" +
           EscapeString(icon) +
           "\n"
           "Terminal=false\n"
           "Categories=Network;\n";
}

bool WriteDesktopEntry(std::string_view folder, std::string_view name, std::string_view text,
                       bool executable) {
    const std::string path =
        std::string(folder) + std::string(name) + std::string(kDesktopFileExtension);
    if (!ForceFolders(path) || !WriteFileReplacing(path, text)) return false;
    return !executable || chmod(path.c_str(), kLauncherMode) == 0;
}

std::string DesktopEntryValue(std::string_view text, std::string_view key) {
    bool inGroup = false;
    for (const std::string& line : SplitLines(text)) {
        const std::string_view trimmed = TrimBlanks(line);
        if (trimmed.starts_with('[')) {
            inGroup = trimmed == kEntryGroup;
            continue;
        }
        const size_t eq = trimmed.find('=');
        if (!inGroup || eq == std::string_view::npos) continue;
        if (TrimBlanks(trimmed.substr(0, eq)) == key)
            return UnescapeString(TrimBlanks(trimmed.substr(eq + 1)));
    }
    return {};
}

std::vector<std::string> SplitExec(std::string_view exec) {
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false, quoted = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size() &&
                       kQuotedEscapes.find(exec[i + 1]) != std::string_view::npos) {
                current += exec[++i];
            } else {
                current += c;
            }
        } else if (IsBlank(c)) {
            if (inArgument) args.push_back(std::move(current));
            current.clear();
            inArgument = false;
        } else {
            inArgument = true;
            if (c == '"')
                quoted = true;
            else
                current += c;
        }
    }
    if (quoted) return {};
    if (inArgument) args.push_back(std::move(current));
    return args;
}

}  // namespace palvex
