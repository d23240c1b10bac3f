#include "shell/logic/StringTable.h"

#include "shell/logic/Translate.h"

namespace palvex {

std::string ReplaceAll(std::string text, std::string_view what, std::string_view with) {
    if (what.empty()) return text;
    for (size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

std::string StringListText(const TMLStringList& list, int id) {
    for (const auto& [itemId, text] : list.Items) {
        if (itemId != id) continue;
        const TMLSystem& system = MLSystem();
        return ReplaceAll(system.Translate(text, system.Source, system.Current).Text, "#13#", "\r");
    }
    return {};
}

std::string StringListTextWith(const TMLStringList& list, int id, std::string_view argument) {
    return ReplaceAll(StringListText(list, id), "%1", argument);
}

}  // namespace palvex
