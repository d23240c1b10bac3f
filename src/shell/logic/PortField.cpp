#include "shell/logic/PortField.h"

#include "common/TextConv.h"

namespace palvex {

namespace {

constexpr int32_t kLowestPort = 1;
constexpr int32_t kHighestPort = 65535;

}  // namespace

int32_t ParsePortText(std::string_view text) {
    long long value = 0;
    if (!ParseInt(TrimBlanks(text), value)) return 0;
    if (value < INT32_MIN || value > INT32_MAX) return 0;
    return static_cast<int32_t>(value);
}

bool PortStartEnabled(std::string_view text, TRunningPort running) {
    return PortMessage(ParsePortText(text), running).empty();
}

std::string PortMessage(int32_t port, TRunningPort running) {
    if (port < kLowestPort || port > kHighestPort) return std::string(kPortRangeMessage);
    if (running.Active && port == running.Port)
        return "Port " + std::to_string(port) + std::string(kPortBusySuffix);
    return {};
}

}  // namespace palvex
