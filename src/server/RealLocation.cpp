#include "server/RealLocation.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>

#include "common/Paths.h"

namespace palvex {

std::string RealPathOf(std::u16string_view path) {
    const std::unique_ptr<char, decltype(&std::free)> real(realpath(FsPath(path).c_str(), nullptr),
                                                           &std::free);
    return real ? std::string(real.get()) : std::string();
}

std::string RealPathOfOpenFile(int fd) {
    char buf[PATH_MAX];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = readlink(link.c_str(), buf, sizeof buf);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buf || buf[0] != '/') return {};
    return std::string(buf, static_cast<size_t>(n));
}

std::string RelativeToRoot(std::string_view realPath, std::string_view rootRealPath, bool folder) {
    while (rootRealPath.size() > 1 && rootRealPath.ends_with('/'))
        rootRealPath.remove_suffix(1);
    if (realPath.empty() || rootRealPath.empty() || !realPath.starts_with(rootRealPath)) return {};
    std::string_view rest = realPath.substr(rootRealPath.size());
    if (rootRealPath != "/") {
        if (!rest.empty() && rest.front() != '/') return {};  // "/srv/www2" is not below "/srv/www"
        if (!rest.empty()) rest.remove_prefix(1);
    }
    if (rest.empty()) return "\\";
    std::string relative(rest);
    for (char& c : relative)
        if (c == '/') c = '\\';
    if (folder) relative += '\\';
    return relative;
}

}  // namespace palvex
