#pragma once
// The translation hook every dialog text passes through, and the catalogue
// of languages the program knows by name. No translation rows are loaded in
// this program, so every text comes back unchanged; the rules for looking a
// text up are fixed all the same, for the day rows arrive.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace palvex {

// Language codes are at most this long; longer ones are cut.
inline constexpr size_t kLanguageCodeChars = 3;

// Quality of a translation, best first.
enum TTranslateQuality : int {
    kNotFound = 0,         // empty text, unknown language or no row: unchanged
    kFromFallback = 1,     // the fallback or the current language's text
    kIgnoringCase = 2,     // a row matched only without regard to case
    kFromSubstitute = 3,   // the target's substitute language had the text
    kSameOrDirectHit = 4,  // same language, blank text or an exact row
};

struct TTranslation {
    std::string Text;
    int Quality = kNotFound;
};

// One entry of the language catalogue.
struct TLanguageInfo {
    std::string_view Code;
    std::string_view NativeName;
    std::string_view EnglishName;
    int LanguageId = 0;  // primary language identifier of the platform
    int Group = 0;       // script group
};

// The catalogue in its fixed order (DE first).
std::span<const TLanguageInfo> LanguageCatalogue();

// code cut to kLanguageCodeChars characters.
std::string LanguageCode(std::string_view code);

// A known language with the code of the language that stands in for it.
struct TKnownLanguage {
    std::string Code;
    std::string Substitute;
};

// The translation service: languages in use, known languages and rows whose
// item k is the text in the known language k.
struct TMLSystem {
    std::string Current = "DE";
    std::string Source = "DE";
    std::string Fallback = "EN";
    std::vector<TKnownLanguage> Languages;
    std::vector<std::vector<std::string>> Rows;
    // Recorded at start-up: the system's language ("de_DE") and code page.
    std::string SystemLanguage;
    std::string CodePage = "UTF-8";

    // text from one language into another, keeping the blanks in front and
    // the blanks, dots and colons behind; an accelerator "&" is dropped.
    TTranslation Translate(std::string_view text, std::string_view from, std::string_view to) const;
    // A hint "short|long": only the part before "|" is translated.
    std::string TranslateHint(std::string_view hint, std::string_view from,
                              std::string_view to) const;
    // Index of a known language, or -1.
    int LanguageIndex(std::string_view code) const;
};

// The program's one service.
TMLSystem& MLSystem();

}  // namespace palvex
