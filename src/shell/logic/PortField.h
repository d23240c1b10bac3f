#pragma once
// Decisions of the main window's port field: when "neuen Port starten" is
// enabled and what a click on it reports.

#include <cstdint>
#include <string>
#include <string_view>

namespace palvex {

inline constexpr std::string_view kPortRangeMessage = "Der Port muss zwischen 1 und 65535 liegen.";
// "Port " + N + kPortBusySuffix
inline constexpr std::string_view kPortBusySuffix =
    " läuft bereits,\rbitte nehmen Sie einen anderen Port.";

// The server as the port field sees it.
struct TRunningPort {
    bool Active = false;
    uint16_t Port = 0;
};

// The trimmed text as a decimal number (an optional sign allowed); 0 when it
// is not a number or does not fit.
int32_t ParsePortText(std::string_view text);
// True exactly when the trimmed text is a port 1..65535 other than the
// running server's.
bool PortStartEnabled(std::string_view text, TRunningPort running);
// The error for port (as ParsePortText gives it), or "" when it may start.
std::string PortMessage(int32_t port, TRunningPort running);

}  // namespace palvex
