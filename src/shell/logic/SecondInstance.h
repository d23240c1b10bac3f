#pragma once
// The argument list of a second program instance that serves another port.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace palvex {

// args with the line named key (any case, up to "=") replaced by key=value,
// or key=value appended when no line has that name.
void SetArgumentValue(std::vector<std::string>& args, std::string_view key, std::string_view value);
// The current arguments with Port=port and, when ip is not 0, IP= the packed
// address as a signed decimal 32-bit number. Each item is one argument: no
// quoting, no joining.
std::vector<std::string> SecondInstanceArgs(std::span<const std::string> args, int32_t port,
                                            uint32_t ip);

}  // namespace palvex
