#include "common/TextConv.h"

#include <locale.h>
#include <wctype.h>

namespace palvex {

namespace {

// Length of the UTF-8 sequence starting at s[i] and its code point, or 0 when
// the sequence is invalid.
size_t DecodeUtf8At(std::string_view s, size_t i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    size_t len;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || IsSurrogate(cp)) return 0;
    return len;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

template <typename Char>
std::basic_string<Char> MapAscii(std::basic_string_view<Char> text, Char from, Char to) {
    std::basic_string<Char> out(text);
    for (auto& c : out)
        if (c >= from && c <= to) c = static_cast<Char>(c ^ 0x20);
    return out;
}

template <typename Char>
std::basic_string_view<Char> TrimView(std::basic_string_view<Char> text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned>(text[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned>(text[e - 1]) <= 32)
        --e;
    return text.substr(b, e - b);
}

}  // namespace

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (IsSurrogate(cp) || cp > 0x10FFFF) {
        out += kReplacementChar;
    } else if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

std::u16string Utf8ToWide(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        const size_t len = DecodeUtf8At(text, i, cp);
        if (len == 0) {
            out += kReplacementChar;
            ++i;
            continue;
        }
        i += len;
        AppendUtf16(out, cp);
    }
    return out;
}

std::string WideToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (IsHighSurrogate(cp) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            cp = CombineSurrogates(cp, text[i + 1]);
            ++i;
        } else if (IsSurrogate(cp)) {
            cp = kReplacementChar;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        const size_t len = DecodeUtf8At(text, i, cp);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

bool WideToLatin1(std::u16string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c > 0xFF) return false;
        out += static_cast<char>(c);
    }
    return true;
}

std::string AsciiUpper(std::string_view text) {
    return MapAscii<char>(text, 'a', 'z');
}
std::string AsciiLower(std::string_view text) {
    return MapAscii<char>(text, 'A', 'Z');
}
std::u16string AsciiUpper(std::u16string_view text) {
    return MapAscii<char16_t>(text, u'a', u'z');
}
std::u16string AsciiLower(std::u16string_view text) {
    return MapAscii<char16_t>(text, u'A', u'Z');
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x ^= 0x20;
        if (y >= 'a' && y <= 'z') y ^= 0x20;
        if (x != y) return false;
    }
    return true;
}

std::u16string WideLower(std::u16string_view text) {
    // A locale of its own: the process locale stays "C" for every other call.
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c < 0x80) {
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c | 0x20);
        } else if (utf8 && !IsSurrogate(c)) {
            const wint_t lower = towlower_l(c, utf8);
            if (lower <= 0xFFFF && !IsSurrogate(lower)) c = static_cast<char16_t>(lower);
        }
    }
    return out;
}

std::string Utf8Lower(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return WideToUtf8(WideLower(Utf8ToWide(text)));
    return AsciiLower(text);
}

std::string_view Utf8Prefix(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    size_t cut = maxBytes;
    // At most three continuation bytes follow a lead byte.
    for (int back = 0; back < 3 && cut > 0; ++back) {
        if ((static_cast<unsigned char>(text[cut]) & 0xC0) != 0x80) break;
        --cut;
    }
    return text.substr(0, cut);
}

std::string_view TrimBlanks(std::string_view text) {
    return TrimView<char>(text);
}
std::u16string_view TrimBlanks(std::u16string_view text) {
    return TrimView<char16_t>(text);
}

std::u16string Widen(std::string_view ascii) {
    std::u16string out;
    out.reserve(ascii.size());
    for (char c : ascii)
        out += static_cast<char16_t>(static_cast<unsigned char>(c));
    return out;
}

bool ParseInt(std::string_view text, long long& value) {
    text = TrimBlanks(text);
    bool negative = false;
    size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    unsigned long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (v > (~0ULL >> 1) / 10) return false;
        v = v * 10 + static_cast<unsigned>(text[i] - '0');
        if (v > static_cast<unsigned long long>(~0ULL >> 1)) return false;
    }
    if (i != text.size()) return false;
    value = negative ? -static_cast<long long>(v) : static_cast<long long>(v);
    return true;
}

}  // namespace palvex
