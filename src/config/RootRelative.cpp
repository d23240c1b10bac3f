#include "config/RootRelative.h"

#include <cstdlib>
#include <vector>

#include "config/PathOps.h"

namespace palvex {

namespace {

// An absolute path with "." and ".." resolved and no empty elements, without
// a trailing "/" ("/" for the top).
std::string LexicalPath(std::string_view path) {
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (std::string_view part : parts)
        out += "/" + std::string(part);
    return out.empty() ? "/" : out;
}

// The path with every symbolic link resolved, or the path when it does not exist.
std::string RealPath(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (!real) return path;
    std::string out(real);
    std::free(real);
    return out;
}

std::optional<std::string> RestBelow(const std::string& root, const std::string& path) {
    if (path == root) return std::string();
    const std::string prefix = root == "/" ? root : root + "/";
    if (!path.starts_with(prefix)) return std::nullopt;
    return path.substr(prefix.size());
}

}  // namespace

std::optional<std::string> PathBelowRoot(std::string_view root, std::string_view path) {
    if (root.empty() || path.empty()) return std::nullopt;
    const std::string lexicalRoot = LexicalPath(root);
    const std::string lexicalPath = LexicalPath(path);
    if (auto rest = RestBelow(lexicalRoot, lexicalPath)) return rest;
    return RestBelow(LexicalPath(RealPath(lexicalRoot)), LexicalPath(RealPath(lexicalPath)));
}

std::optional<std::string> FolderCellOf(std::string_view root, std::string_view folder) {
    std::optional<std::string> rest = PathBelowRoot(root, folder);
    if (rest && rest->empty()) *rest = std::string(1, kPathDelim);
    return rest;
}

}  // namespace palvex
