#include "common/Codecs.h"

#include "common/TextConv.h"

namespace palvex {

namespace {

// Value of count hex digits at text[pos], or -1 when they are missing or not hex.
template <typename Text>
long HexRun(const Text& text, size_t pos, size_t count) {
    if (pos + count > text.size()) return -1;
    long v = 0;
    for (size_t i = 0; i < count; ++i) {
        const int d = HexDigitValue(static_cast<unsigned char>(text[pos + i]));
        if (d < 0) return -1;
        v = v * 16 + d;
    }
    return v;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool KeptInValue(char16_t c) {
    return c == ',' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= '{');
}

bool KeptInPath(char16_t c) {
    return c == '-' || c == '.' || c == '/' || c == '?' || c == '_' || KeptInValue(c);
}

std::string UrlEncode(std::u16string_view text, bool (*kept)(char16_t)) {
    std::string out;
    out.reserve(text.size() * 3 / 2);
    for (char16_t c : text) {
        if (c > 255) {
            out += "%u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += kHexDigits[(c >> shift) & 0xF];
        } else if (c == ' ') {
            out += '+';
        } else if (kept(c)) {
            out += static_cast<char>(c);
        } else {
            AppendPercentByte(out, static_cast<unsigned char>(c));
        }
    }
    return out;
}

// "&NAME=" for a query parameter lookup.
std::string QueryKey(std::string_view name) {
    std::string key = "&" + AsciiUpper(name);
    if (key.back() != '=') key += '=';
    return key;
}

// Working copy of a query whose first character is "&".
template <typename Text>
Text NormaliseQueryStart(const Text& query) {
    if (!query.empty() && (query[0] == '?' || query[0] == '&')) {
        Text copy = query;
        copy[0] = '&';
        return copy;
    }
    Text copy(1, '&');
    copy += query;
    return copy;
}

}  // namespace

int HexDigitValue(char32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    return -1;
}

void AppendPercentByte(std::string& out, unsigned char byte) {
    out += '%';
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0xF];
}

std::u16string PercentDecodeW(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t plainStart = 0;  // start of the pending run of plain bytes
    auto flushPlain = [&](size_t end) {
        if (end > plainStart) out += AnsiToWide(text.substr(plainStart, end - plainStart));
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '%' && c != '+') continue;
        flushPlain(i);
        plainStart = i + 1;
        if (c == '+') {
            out += u' ';
            continue;
        }
        long v;
        if (i + 1 < text.size() && text[i + 1] == 'u' && (v = HexRun(text, i + 2, 4)) >= 0) {
            out += static_cast<char16_t>(v);
            i += 5;
        } else if ((v = HexRun(text, i + 1, 2)) >= 0) {
            out += static_cast<char16_t>(v);
            i += 2;
        } else {
            out += u'%';
        }
        plainStart = i + 1;
    }
    flushPlain(text.size());
    return out;
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        long v;
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && (v = HexRun(text, i + 1, 2)) >= 0) {
            out += static_cast<char>(v);
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string UrlEncodeValue(std::u16string_view text) {
    return UrlEncode(text, KeptInValue);
}
std::string UrlEncodePath(std::u16string_view text) {
    return UrlEncode(text, KeptInPath);
}

std::u16string GetQueryParam(std::string_view name, std::u16string_view query) {
    if (name.empty() || query.empty()) return {};
    const std::u16string work = NormaliseQueryStart(std::u16string(query));
    const std::u16string key = Widen(QueryKey(name));
    const size_t at = AsciiUpper(work).find(key);
    if (at == std::u16string::npos) return {};
    const size_t start = at + key.size();
    const size_t end = work.find(u'&', start);
    return work.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
}

void RemoveQueryParam(std::string_view name, std::string& query) {
    if (name.empty() || query.empty()) return;
    query = NormaliseQueryStart(query);
    const size_t at = AsciiUpper(query).find(QueryKey(name));
    if (at == std::string::npos) return;
    const size_t end = query.find('&', at + 1);
    query.erase(at, end == std::string::npos ? std::string::npos : end - at);
}

std::string SetQueryParam(std::string_view name, std::string_view value, std::string query) {
    if (name.empty()) return query;
    RemoveQueryParam(name, query);
    if (!value.empty()) {
        query += '&';
        query += name;
        query += '=';
        query += value;
    }
    if (!query.empty() && query[0] == '&') query[0] = '?';
    return query;
}

size_t Base64Decode(const char* data, size_t count, unsigned char* out) {
    size_t written = 0;
    uint32_t acc = 0;
    int held = 0;
    for (size_t i = 0; i < count; ++i) {
        const char c = data[i];
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else
            continue;
        acc = (acc << 6) | static_cast<uint32_t>(v);
        if (++held == 4) {
            out[written++] = static_cast<unsigned char>(acc >> 16);
            out[written++] = static_cast<unsigned char>(acc >> 8);
            out[written++] = static_cast<unsigned char>(acc);
            acc = 0;
            held = 0;
        }
    }
    if (held == 2) {
        out[written++] = static_cast<unsigned char>(acc >> 4);
    } else if (held == 3) {
        out[written++] = static_cast<unsigned char>(acc >> 10);
        out[written++] = static_cast<unsigned char>(acc >> 2);
    }
    return written;
}

void DecodeBasicCredentials(std::string_view value, std::string& user, std::string& password) {
    user.clear();
    password.clear();
    constexpr size_t kSchemeLength = 6;  // "Basic "
    if (value.size() < kSchemeLength + 1) return;
    const std::string_view encoded = value.substr(kSchemeLength);
    std::string decoded(encoded.size() * 3 / 4 + 3, '\0');
    decoded.resize(Base64Decode(encoded.data(), encoded.size(),
                                reinterpret_cast<unsigned char*>(decoded.data())));
    const size_t colon = decoded.find(':');
    user = decoded.substr(0, colon);
    if (colon != std::string::npos) password = decoded.substr(colon + 1);
}

std::string HexToBytes(std::string_view text) {
    std::string out(text.size() / 2, '\0');
    for (size_t k = 0; k < out.size(); ++k) {
        const long v = HexRun(text, 2 * k, 2);
        out[k] = static_cast<char>(v < 0 ? 0 : v);
    }
    return out;
}

void AppendDecimal(std::string& out, uint64_t value, unsigned minDigits) {
    char digits[20];
    unsigned n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (; minDigits > n; --minDigits)
        out += '0';
    while (n > 0)
        out += digits[--n];
}

std::string FormatIPv4(uint32_t address) {
    std::string out;
    for (int shift = 0; shift < 32; shift += 8) {
        if (shift != 0) out += '.';
        AppendDecimal(out, (address >> shift) & 0xFF);
    }
    return out;
}

uint32_t ParseIPv4(std::string_view text) {
    constexpr size_t kMaxText = 255;
    if (text.size() > kMaxText) return 0;
    uint32_t result = 0, octet = 0;
    int dots = 0;
    for (char c : text) {
        if (c == '.') {
            if (++dots > 3) return 0;
            result |= octet << (8 * (dots - 1));
            octet = 0;
        } else if (c >= '0' && c <= '9') {
            octet = octet * 10 + static_cast<uint32_t>(c - '0');
            if (octet > 255) return 0;
        } else {
            return 0;
        }
    }
    if (dots != 3) return 0;
    return result | (octet << 24);
}

namespace {

// Three numbers with a separator between them; the first zero-padded to
// firstDigits, the others to two digits.
std::string ThreeFields(unsigned first, unsigned firstDigits, char separator, unsigned second,
                        unsigned third) {
    std::string out;
    AppendDecimal(out, first, firstDigits);
    out += separator;
    AppendDecimal(out, second, 2);
    out += separator;
    AppendDecimal(out, third, 2);
    return out;
}

}  // namespace

std::string FormatDate(const TSystemTime& t) {
    return ThreeFields(t.Year, 4, '-', t.Month, t.Day);
}

std::string FormatTime(const TSystemTime& t) {
    return ThreeFields(t.Hour, 2, ':', t.Minute, t.Second);
}

std::string FormatTimestamp(const TSystemTime& t) {
    return FormatDate(t) + " " + FormatTime(t);
}

std::string FindHeaderValue(const std::vector<std::string>& lines, std::string_view name) {
    const std::string prefix = AsciiUpper(name) + ": ";
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.size() < prefix.size()) continue;
        if (!EqualsNoCase(std::string_view(line).substr(0, prefix.size()), prefix)) continue;
        return std::string(TrimBlanks(std::string_view(line).substr(prefix.size())));
    }
    return {};
}

}  // namespace palvex
