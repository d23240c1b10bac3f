// libFuzzer target: texts from other programs' files and services: desktop
// entries (the editor association), URLs of the echo setting and echo answers.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/Codecs.h"
#include "config/AddressUrl.h"
#include "config/DesktopEntry.h"
#include "config/EditorCommand.h"
#include "config/SplitUrl.h"

using namespace palvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const std::string exec = DesktopEntryValue(input, "Exec");
    if (const auto command = CommandFromExec(exec, "/a b/f.ini")) {
        if (command->Program.empty()) abort();
    }
    SplitExec(input);

    // A program path survives the trip through a launcher's Exec line.
    const std::string path(input.substr(0, input.find('\0')));
    if (!path.empty()) {
        const std::string entry = "[Desktop Entry]\nExec=" + ExecArgument(path) + "\n";
        const auto back = CommandFromExec(DesktopEntryValue(entry, "Exec"), "/f");
        if (!back || back->Program != path) abort();
    }

    if (const auto parts = SplitUrl(input)) {
        if (parts->Host.empty() || parts->Port == 0 || parts->Object.empty() ||
            parts->Object.front() != '/')
            abort();
    }
    const std::string address = AddressText(input);
    if (!address.empty() && ParseIPv4(address) == 0) abort();
    return 0;
}
