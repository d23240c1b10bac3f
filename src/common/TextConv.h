#pragma once
// Byte text <-> wide text. Byte text is in the system code page, which is
// UTF-8 here; wide text is UTF-16. Every conversion of the program goes
// through this module.

#include <string>
#include <string_view>

namespace palvex {

// What stands in for a character that cannot be decoded.
inline constexpr char16_t kReplacementChar = 0xFFFD;

// UTF-16 surrogates: a high one followed by a low one is one code point.
inline bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
inline bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
inline bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}
inline char32_t CombineSurrogates(char32_t high, char32_t low) {
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}
// Appends a code point as one or two UTF-16 units; a surrogate or a value
// beyond U+10FFFF becomes U+FFFD.
void AppendUtf16(std::u16string& out, char32_t cp);

// Decodes UTF-8; every invalid or truncated sequence becomes U+FFFD.
std::u16string Utf8ToWide(std::string_view text);
// Encodes UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(std::u16string_view text);

// The system code page is UTF-8, so "ANSI" conversions are the UTF-8 ones.
inline std::u16string AnsiToWide(std::string_view text) {
    return Utf8ToWide(text);
}
inline std::string WideToAnsi(std::u16string_view text) {
    return WideToUtf8(text);
}

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates).
bool IsValidUtf8(std::string_view text);
// Latin-1 reading of wide text back to bytes: true when every unit is <= 0xFF.
bool WideToLatin1(std::u16string_view text, std::string& out);

// ASCII-only case mapping (letters a-z / A-Z), as the protocol texts need.
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);
std::u16string AsciiUpper(std::u16string_view text);
std::u16string AsciiLower(std::u16string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Full lower-case mapping of the letters of every script (BMP code units), so
// that "Ärger" and "ärger" compare equal as they would under a Latin code page.
std::u16string WideLower(std::u16string_view text);
// The same on UTF-8 text; pure ASCII takes the fast path.
std::string Utf8Lower(std::string_view text);

// The longest start of UTF-8 text within maxBytes that does not end inside a
// character (a continuation byte never begins the cut-off rest).
std::string_view Utf8Prefix(std::string_view text, size_t maxBytes);

// Removes characters with a code of 32 or less from both ends.
std::string_view TrimBlanks(std::string_view text);
std::u16string_view TrimBlanks(std::u16string_view text);

// ASCII literal to wide text (for built-in names and keys).
std::u16string Widen(std::string_view ascii);

// Reads text (blanks around it ignored, optional sign) as one decimal integer;
// false when it is not a number or overflows 64 bits.
bool ParseInt(std::string_view text, long long& value);

}  // namespace palvex
