#include "common/WStringList.h"

#include <algorithm>
#include <iterator>

namespace palvex {

namespace {

// One collation element: a character may give two (a ligature reads as two
// letters).
struct TElement {
    uint32_t Primary = 0;
    uint16_t Accent = 0;  // 0 for a plain letter, else the lower-case code unit
    uint8_t Upper = 0;    // 1 for an upper-case letter
};

// Primary weight groups, lowest first.
constexpr uint32_t kPunctuationBase = 0x0100;
constexpr uint32_t kDigitBase = 0x1000;
constexpr uint32_t kLetterBase = 0x2000;
constexpr uint32_t kOtherBase = 0x10000;

// Base letters of U+00C0..U+00DF (and, at the same positions, U+00E0..U+00FF).
// '*' marks the two symbols (multiplication and division sign); upper-case
// markers stand for two letters: A = "ae", T = "th", S = "ss".
constexpr std::string_view kLatin1Bases = "aaaaaaAceeeeiiiidnooooo*ouuuuyTS";
// Base letters of U+0100..U+017F; O = "oe", I = "ij".
constexpr std::string_view kLatinExtABases =
    "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiiiIIjjkkkllllllllllnnnnnnnnnoooooo"
    "OOrrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";
static_assert(kLatin1Bases.size() == 32 && kLatinExtABases.size() == 128);

constexpr bool Between(char16_t c, char16_t low, char16_t high) {
    return c >= low && c <= high;
}

// Lower-case partner of a Latin-1 or Latin Extended-A letter (itself when it has none).
char16_t LatinLower(char16_t c) {
    if (Between(c, u'A', u'Z')) return c + 0x20;
    if (Between(c, 0xC0, 0xDE) && c != 0xD7) return c + 0x20;
    if (c == 0x178) return 0xFF;
    const bool odd = c & 1;
    if (Between(c, 0x100, 0x137) || Between(c, 0x14A, 0x177)) return odd ? c : c + 1;
    if (Between(c, 0x139, 0x148) || Between(c, 0x179, 0x17E)) return odd ? c + 1 : c;
    return c;
}

// Case folding for Greek and Cyrillic capitals.
char16_t OtherLower(char16_t c) {
    if (Between(c, 0x391, 0x3A9) && c != 0x3A2) return c + 0x20;
    if (Between(c, 0x410, 0x42F)) return c + 0x20;
    if (Between(c, 0x400, 0x40F)) return c + 0x50;
    return c;
}

// Base letter code ('a'..'z', a two-letter marker, '*' or 0 for none) of c.
char BaseLetterOf(char16_t c) {
    if (Between(c, u'a', u'z')) return static_cast<char>(c);
    if (Between(c, u'A', u'Z')) return static_cast<char>(c + 0x20);
    if (c == 0xAA) return 'a';  // feminine ordinal
    if (c == 0xBA) return 'o';  // masculine ordinal
    if (c == 0xFF) return 'y';
    if (Between(c, 0xC0, 0xFF)) return kLatin1Bases[c & 0x1F];
    if (Between(c, 0x100, 0x17F)) return kLatinExtABases[c - 0x100];
    return 0;
}

// The second letter of a two-letter marker, 0 for a single letter.
char SecondLetterOf(char& base) {
    switch (base) {
        case 'A':
            base = 'a';
            return 'e';
        case 'T':
            base = 't';
            return 'h';
        case 'S':
            base = 's';
            return 's';
        case 'O':
            base = 'o';
            return 'e';
        case 'I':
            base = 'i';
            return 'j';
        default:
            return 0;
    }
}

int SuperscriptDigit(char16_t c) {
    if (c == 0xB9) return 1;
    if (c == 0xB2 || c == 0xB3) return c - 0xB0;
    return -1;
}

void AppendLetter(char16_t c, char base, std::vector<TElement>& out) {
    const char second = SecondLetterOf(base);
    const char16_t lower = LatinLower(c);
    const uint16_t accent = Between(c, u'A', u'Z') || Between(c, u'a', u'z') ? 0 : lower;
    const uint8_t upper = lower != c;
    out.push_back({kLetterBase + static_cast<uint32_t>(base - 'a'), accent, upper});
    if (second) out.push_back({kLetterBase + static_cast<uint32_t>(second - 'a'), accent, upper});
}

void AppendElements(char16_t c, std::vector<TElement>& out) {
    const char base = BaseLetterOf(c);
    if (base && base != '*') return AppendLetter(c, base, out);
    if (Between(c, u'0', u'9')) return out.push_back({kDigitBase + (c - u'0'), 0, 0});
    if (const int digit = SuperscriptDigit(c); digit >= 0)
        return out.push_back({kDigitBase + static_cast<uint32_t>(digit), c, 0});
    if (base == '*' || c < 0xC0) return out.push_back({kPunctuationBase + c, 0, 0});
    const char16_t lower = OtherLower(c);
    out.push_back({kOtherBase + lower, 0, static_cast<uint8_t>(lower != c)});
}

std::vector<TElement> ElementsOf(std::u16string_view text) {
    std::vector<TElement> out;
    out.reserve(text.size() + 2);
    for (char16_t c : text)
        AppendElements(c, out);
    return out;
}

// Lexicographic comparison of one level of two element sequences.
template <typename Level>
int CompareLevel(const std::vector<TElement>& a, const std::vector<TElement>& b, Level level) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto x = level(a[i]), y = level(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace

int CollateCompare(std::u16string_view a, std::u16string_view b, bool caseSensitive) {
    const std::vector<TElement> x = ElementsOf(a), y = ElementsOf(b);
    if (int r = CompareLevel(x, y, [](const TElement& e) { return e.Primary; })) return r;
    if (int r = CompareLevel(x, y, [](const TElement& e) { return e.Accent; })) return r;
    if (!caseSensitive) return 0;
    if (int r = CompareLevel(x, y, [](const TElement& e) { return e.Upper; })) return r;
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

size_t TWStringList::AddObject(std::u16string text, int32_t object) {
    size_t index = items_.size();
    if (sorted_ && Find(text, index) && Duplicates != TDuplicates::Accept) return index;
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index),
                  TItem{std::move(text), object});
    return index;
}

bool TWStringList::Find(std::u16string_view text, size_t& index) const {
    bool found = false;
    std::ptrdiff_t low = 0, high = static_cast<std::ptrdiff_t>(items_.size()) - 1;
    while (low <= high) {
        const std::ptrdiff_t mid = low + (high - low) / 2;
        const int c = Compare(items_[static_cast<size_t>(mid)].Text, text);
        if (c < 0) {
            low = mid + 1;
            continue;
        }
        high = mid - 1;
        if (c == 0) {
            found = true;
            if (Duplicates != TDuplicates::Accept) low = mid;
        }
    }
    index = static_cast<size_t>(low);
    return found;
}

void TWStringList::SetSorted(bool sorted) {
    if (sorted && !sorted_) {
        sorted_ = true;
        Sort();
    }
    sorted_ = sorted;
}

void TWStringList::SetCaseSensitive(bool caseSensitive) {
    if (caseSensitive == caseSensitive_) return;
    caseSensitive_ = caseSensitive;
    if (sorted_) Sort();
}

void TWStringList::Sort() {
    std::stable_sort(items_.begin(), items_.end(), [this](const TItem& a, const TItem& b) {
        return Compare(a.Text, b.Text) < 0;
    });
}

}  // namespace palvex
