#include "config/CommandLine.h"

#include "common/TextConv.h"

namespace palvex {

namespace {

std::vector<std::string>& Args() {
    static std::vector<std::string> args;
    return args;
}

}  // namespace

void SetCommandLine(int argc, const char* const* argv) {
    std::vector<std::string>& args = Args();
    args.clear();
    for (int i = 1; i < argc; ++i)
        if (argv[i]) args.emplace_back(argv[i]);
}

const std::vector<std::string>& CommandLineArgs() {
    return Args();
}

TSwitch FindSwitch(std::span<const std::string> args, std::string_view name) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (!arg.empty() && (arg[0] == '-' || arg[0] == '/' || arg[0] == '\\'))
            arg.remove_prefix(1);
        const size_t cut = arg.find_first_of(":=");
        const std::string_view key = arg.substr(0, cut);
        if (!EqualsNoCase(key, name)) continue;
        TSwitch found;
        found.Index = static_cast<int>(i + 1);
        if (cut != std::string_view::npos) found.Value = arg.substr(cut + 1);
        return found;
    }
    return {};
}

TSwitch FindSwitch(std::string_view name) {
    return FindSwitch(CommandLineArgs(), name);
}

}  // namespace palvex
