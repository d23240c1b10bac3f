#include "config/IndexName.h"

#include "config/Settings.h"

namespace palvex {

namespace {

bool IsPlainFileName(std::string_view name) {
    if (name.find("..") != std::string_view::npos) return false;
    for (char c : name) {
        const auto code = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || code < 32 || code == 127) return false;
    }
    return true;
}

}  // namespace

std::string SafeIndexName(std::string_view configured, bool* unsafe) {
    const bool plain = IsPlainFileName(configured);
    if (unsafe) *unsafe = !plain;
    if (!plain || configured.empty()) return std::string(kDefaultIndexName);
    return std::string(configured);
}

}  // namespace palvex
