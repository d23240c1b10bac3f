#include "common/Paths.h"

#include <sys/stat.h>

#include "common/TextConv.h"

namespace palvex {

namespace {

bool StatPath(std::string_view path, struct stat& info) {
    if (path.empty() || path.size() > kMaxPathBytes) return false;
    return stat(std::string(path).c_str(), &info) == 0;
}

}  // namespace

std::u16string JoinRootPath(std::u16string_view root, std::u16string_view relPath) {
    std::u16string full(root);
    for (char16_t c : relPath)
        full += c == u'\\' ? u'/' : c;
    return full;
}

std::string FsPath(std::u16string_view path) {
    return WideToUtf8(path);
}

std::u16string_view FileNamePart(std::u16string_view path) {
    const size_t sep = path.find_last_of(u"/\\");
    return sep == std::u16string_view::npos ? path : path.substr(sep + 1);
}

std::u16string_view ExtensionOf(std::u16string_view path) {
    const std::u16string_view name = FileNamePart(path);
    const size_t dot = name.rfind(u'.');
    return dot == std::u16string_view::npos ? std::u16string_view() : name.substr(dot);
}

bool PathExists(std::string_view path) {
    struct stat info {};
    return StatPath(path, info);
}

bool FolderExists(std::string_view path) {
    struct stat info {};
    return StatPath(path, info) && S_ISDIR(info.st_mode);
}

bool FolderExists(std::u16string_view path) {
    return FolderExists(FsPath(path));
}

bool FileExists(std::string_view path) {
    struct stat info {};
    return StatPath(path, info) && !S_ISDIR(info.st_mode);
}

std::string FindInFolders(std::span<const std::string> folders, std::string_view relPath) {
    for (const std::string& folder : folders) {
        const std::string candidate = folder + std::string(relPath);
        if (PathExists(candidate)) return candidate;
    }
    return folders.empty() ? std::string() : folders.front() + std::string(relPath);
}

}  // namespace palvex
