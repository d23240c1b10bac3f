#include "shell/logic/SecondInstance.h"

#include "common/TextConv.h"

namespace palvex {

void SetArgumentValue(std::vector<std::string>& args, std::string_view key,
                      std::string_view value) {
    const std::string line = std::string(key) + "=" + std::string(value);
    for (std::string& arg : args) {
        const std::string_view name = std::string_view(arg).substr(0, arg.find('='));
        if (EqualsNoCase(name, key)) {
            arg = line;
            return;
        }
    }
    args.push_back(line);
}

std::vector<std::string> SecondInstanceArgs(std::span<const std::string> args, int32_t port,
                                            uint32_t ip) {
    std::vector<std::string> result(args.begin(), args.end());
    SetArgumentValue(result, "Port", std::to_string(port));
    if (ip != 0) SetArgumentValue(result, "IP", std::to_string(static_cast<int32_t>(ip)));
    return result;
}

}  // namespace palvex
