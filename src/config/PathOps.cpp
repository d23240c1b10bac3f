#include "config/PathOps.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/Paths.h"
#include "common/TextConv.h"

namespace palvex {

namespace {

std::string ForwardSlashes(std::string_view path) {
    std::string out(path);
    for (char& c : out)
        if (c == '\\') c = kPathDelim;
    return out;
}

// Creates one folder whose parent exists; true when it exists afterwards.
bool MakeFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0777) == 0) return true;
    return errno == EEXIST && FolderExists(folder);
}

}  // namespace

std::string MakeAbsolutePath(std::string_view path, std::string_view base) {
    std::string out = ForwardSlashes(path);
    if (out.starts_with(kPathDelim)) return out;
    return std::string(base) + out;
}

std::string MakeAbsoluteFolder(std::string_view path, std::string_view base) {
    std::string out = MakeAbsolutePath(path, base);
    if (!out.ends_with(kPathDelim)) out += kPathDelim;
    return out;
}

std::string MakeRelativePath(std::string_view path, std::string_view base) {
    // File names on Linux are case-sensitive, so the base must match exactly.
    // A rest that begins with a separator would read back as absolute.
    if (path.size() > base.size() && path.starts_with(base) && path[base.size()] != '/')
        return std::string(path.substr(base.size()));
    return std::string(path);
}

std::string PathToUrl(std::string_view path) {
    std::string out = ForwardSlashes(path);
    if (!out.empty() && !out.starts_with('/')) out.insert(out.begin(), '/');
    return out;
}

std::string FolderOf(std::string_view path) {
    const size_t slash = path.rfind(kPathDelim);
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

bool ForceFolders(std::string_view path) {
    std::string folder = FolderOf(path);
    while (folder.size() > 1 && folder.ends_with(kPathDelim))
        folder.pop_back();
    if (folder.empty() || folder == "/" || FolderExists(folder)) return true;
    if (folder.size() > kMaxPathBytes) return false;
    // Create each missing element from the top down.
    for (size_t end = folder.find(kPathDelim, 1); end != std::string::npos;
         end = folder.find(kPathDelim, end + 1)) {
        const std::string parent = folder.substr(0, end);
        if (!FolderExists(parent) && !MakeFolder(parent)) return false;
    }
    return MakeFolder(folder);
}

bool ForceFolders(std::u16string_view path) {
    return ForceFolders(WideToUtf8(path));
}

bool FolderWritable(std::string_view folder) {
    return FolderExists(folder) && access(std::string(folder).c_str(), W_OK | X_OK) == 0;
}

}  // namespace palvex
