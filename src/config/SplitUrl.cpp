#include "config/SplitUrl.h"

#include "common/TextConv.h"

namespace palvex {

namespace {

constexpr size_t kMaxSchemeChars = 32;
constexpr size_t kMaxHostChars = 256;
constexpr size_t kMaxUserChars = 128;
constexpr size_t kMaxObjectChars = 4096;  // path and extra information
constexpr size_t kMaxPortDigits = 5;
constexpr uint16_t kHttpPort = 80;
constexpr uint16_t kHttpsPort = 443;
constexpr long long kHighestPort = 65535;

bool IsSchemeChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
}

bool ValidScheme(std::string_view scheme) {
    if (scheme.empty() || scheme.size() > kMaxSchemeChars) return false;
    for (char c : scheme)
        if (!IsSchemeChar(c)) return false;
    return true;
}

// The number of up to five characters after the colon; the default when
// they are no number, 0 when the number is no port.
uint16_t PortOf(std::string_view text, uint16_t fallback) {
    long long port;
    if (!ParseInt(text.substr(0, kMaxPortDigits), port) || text.empty() || text.front() == '+' ||
        text.front() == '-')
        return fallback;
    return port >= 1 && port <= kHighestPort ? static_cast<uint16_t>(port) : 0;
}

// Takes "user[:password]@" off the front of the authority.
void SplitUserInfo(std::string_view& authority, TUrlParts& parts) {
    const size_t at = authority.rfind('@');
    if (at == std::string_view::npos) return;
    const std::string_view info = authority.substr(0, at);
    const size_t colon = info.find(':');
    parts.User = info.substr(0, colon);
    if (colon != std::string_view::npos) parts.Password = info.substr(colon + 1);
    authority.remove_prefix(at + 1);
}

// Host and port; a bracketed IPv6 host keeps its colons.
bool SplitHostPort(std::string_view authority, TUrlParts& parts) {
    const size_t close = authority.front() == '[' ? authority.find(']') : 0;
    if (close == std::string_view::npos) return false;
    const size_t colon = authority.find(':', close);
    parts.Host = authority.substr(0, colon);
    if (colon != std::string_view::npos) {
        parts.Port = PortOf(authority.substr(colon + 1), parts.Port);
        if (parts.Port == 0) return false;
    }
    return !parts.Host.empty() && parts.Host.size() <= kMaxHostChars;
}

}  // namespace

std::optional<TUrlParts> SplitUrl(std::string_view url) {
    const size_t mark = url.find("://");
    if (mark == std::string_view::npos || !ValidScheme(url.substr(0, mark))) return std::nullopt;
    TUrlParts parts;
    parts.Scheme = AsciiLower(url.substr(0, mark));
    if (parts.Scheme == "https") parts.Port = kHttpsPort;
    const std::string_view rest = url.substr(mark + 3);
    const size_t end = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, end);
    parts.Object = end == std::string_view::npos ? "/" : std::string(rest.substr(end));
    if (parts.Object.front() != '/') parts.Object.insert(0, 1, '/');
    SplitUserInfo(authority, parts);
    if (parts.User.size() > kMaxUserChars || parts.Password.size() > kMaxUserChars ||
        parts.Object.size() > kMaxObjectChars || authority.empty() ||
        !SplitHostPort(authority, parts))
        return std::nullopt;
    return parts;
}

}  // namespace palvex
