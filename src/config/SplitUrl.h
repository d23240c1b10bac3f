#pragma once
// Splits the URL of the public-address request into the parts the request
// is made of.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace palvex {

struct TUrlParts {
    std::string Scheme;  // lower case: "http" or "https"
    std::string Host;
    uint16_t Port = 80;
    std::string User;
    std::string Password;
    std::string Object;  // path with query and fragment, "/" at least
};

// Host, port (80 unless given, or 443 for https), user, password and object
// of "scheme://[user[:password]@]host[:port][/object]". Empty when there is
// no scheme or host, a part is too long, or the port is outside 1 to 65535.
// A port that is no number counts as 80.
std::optional<TUrlParts> SplitUrl(std::string_view url);

}  // namespace palvex
