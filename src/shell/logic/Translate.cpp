#include "shell/logic/Translate.h"

#include <array>

#include "common/TextConv.h"

namespace palvex {

namespace {

constexpr std::array<TLanguageInfo, 17> kCatalogue{{
    {"DE", "Deutsch", "German", 7, 1},
    {"EN", "English", "English", 9, 1},
    {"ES", "Español", "Spanish", 10, 1},
    {"EO", "Esperanto", "Esperanto", 0, 1},
    {"FR", "Français", "French", 12, 1},
    {"IT", "Italiano", "Italian", 16, 1},
    {"NL", "Nederlands", "Dutch", 19, 1},
    {"BR", "Português brasileiro", "Portuguese", 22, 1},
    {"AF", "Afrikaans", "Afrikaans", 54, 1},
    {"SV", "Svenska", "Swedish", 29, 1},
    {"HU", "Magyar", "Hungarian", 14, 2},
    {"PL", "Polski", "Polish", 21, 2},
    {"CS", "Cesky", "Czech", 5, 2},
    {"TR", "Türkçe", "Turkish", 31, 6},
    {"EL", "Greek", "Greek", 8, 4},
    {"SQ", "Shqip", "Albanian", 28, 0},
    {"ZH", "Chinese", "Chinese", 4, 10},
}};

// The text with its first accelerator "&" removed.
std::string WithoutAccelerator(std::string_view text) {
    std::string result(text);
    const size_t amp = result.find('&');
    if (amp != std::string::npos && amp + 1 < result.size() &&
        static_cast<unsigned char>(result[amp + 1]) > ' ')
        result.erase(amp, 1);
    return result;
}

// Splits text into blanks in front, the core, and trailing " ", "." and ":".
struct TTrimmed {
    std::string Prefix;
    std::string Core;
    std::string Suffix;
};

TTrimmed TrimForLookup(std::string_view text) {
    TTrimmed t;
    const size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        t.Prefix = text;
        return t;
    }
    t.Prefix = text.substr(0, start);
    std::string_view core = text.substr(start);
    size_t end = core.size();
    while (end > 1 && std::string_view(" .:").find(core[end - 1]) != std::string_view::npos)
        --end;
    t.Suffix = core.substr(end);
    t.Core = core.substr(0, end);
    return t;
}

// The row's text in a language, or "" when the language has none there.
std::string_view RowText(const std::vector<std::string>& row, int language) {
    if (language < 0 || static_cast<size_t>(language) >= row.size()) return {};
    return row[static_cast<size_t>(language)];
}

}  // namespace

std::span<const TLanguageInfo> LanguageCatalogue() {
    return kCatalogue;
}

std::string LanguageCode(std::string_view code) {
    return std::string(code.substr(0, kLanguageCodeChars));
}

TMLSystem& MLSystem() {
    static TMLSystem system;
    return system;
}

int TMLSystem::LanguageIndex(std::string_view code) const {
    const std::string cut = LanguageCode(code);
    for (size_t i = 0; i < Languages.size(); ++i)
        if (Languages[i].Code == cut) return static_cast<int>(i);
    return -1;
}

TTranslation TMLSystem::Translate(std::string_view text, std::string_view from,
                                  std::string_view to) const {
    const int fromIndex = LanguageIndex(from);
    const int toIndex = LanguageIndex(to);
    if (text.empty() || fromIndex < 0 || toIndex < 0) return {std::string(text), kNotFound};
    if (fromIndex == toIndex) return {std::string(text), kSameOrDirectHit};
    const std::string plain = WithoutAccelerator(text);
    const TTrimmed t = TrimForLookup(plain);
    if (t.Core.empty()) return {std::string(text), kSameOrDirectHit};
    const int substitute = LanguageIndex(Languages[static_cast<size_t>(toIndex)].Substitute);
    // A translated caption keeps an accelerator, now on its own first letter.
    const std::string mark = plain.size() < text.size() ? "&" : "";
    auto wrap = [&t, &mark](std::string_view found, int quality) {
        return TTranslation{t.Prefix + mark + std::string(found) + t.Suffix, quality};
    };
    for (const auto& row : Rows) {
        if (RowText(row, fromIndex) != t.Core) continue;
        if (!RowText(row, toIndex).empty()) return wrap(RowText(row, toIndex), kSameOrDirectHit);
        if (!RowText(row, substitute).empty())
            return wrap(RowText(row, substitute), kFromSubstitute);
    }
    const std::string lowerCore = Utf8Lower(t.Core);
    for (const auto& row : Rows) {
        if (Utf8Lower(RowText(row, fromIndex)) != lowerCore) continue;
        for (const int language : {toIndex, substitute})
            if (!RowText(row, language).empty()) return wrap(RowText(row, language), kIgnoringCase);
        for (const int language : {LanguageIndex(Fallback), LanguageIndex(Current)})
            if (!RowText(row, language).empty()) return wrap(RowText(row, language), kFromFallback);
    }
    return {std::string(text), kNotFound};
}

std::string TMLSystem::TranslateHint(std::string_view hint, std::string_view from,
                                     std::string_view to) const {
    const size_t bar = hint.find('|');
    if (bar == 0) return std::string(hint);
    if (bar == std::string_view::npos) return Translate(hint, from, to).Text;
    return Translate(hint.substr(0, bar), from, to).Text + std::string(hint.substr(bar));
}

}  // namespace palvex
