#include "shell/logic/FolderRules.h"

#include <filesystem>

#include "config/PathOps.h"

namespace palvex {

namespace {

// The path resolved as far as it exists, without trailing "/" (but "/" stays).
std::string Resolved(std::string_view path) {
    std::error_code error;
    std::string result = std::filesystem::weakly_canonical(std::filesystem::path(path), error)
                             .lexically_normal()
                             .string();
    if (error) result = std::filesystem::path(path).lexically_normal().string();
    while (result.size() > 1 && result.back() == '/')
        result.pop_back();
    return result;
}

}  // namespace

std::string NormaliseRestriction(std::string_view restriction) {
    std::string r(restriction);
    while (r.size() > 1 && r.back() == '/')
        r.pop_back();
    if (r.empty() || r[0] != '/' || !FolderExists(r)) return {};
    return r;
}

bool WithinRestriction(std::string_view path, std::string_view restriction) {
    if (restriction.empty()) return true;
    if (path.empty()) return false;
    const std::string p = Resolved(path);
    const std::string r = Resolved(restriction);
    if (r == "/") return true;
    return p == r || (p.size() > r.size() && p.compare(0, r.size(), r) == 0 && p[r.size()] == '/');
}

bool ValidNewFolderName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

std::string WithTrailingSlash(std::string_view path) {
    std::string result(path);
    if (result.empty() || result.back() != '/') result += '/';
    return result;
}

}  // namespace palvex
