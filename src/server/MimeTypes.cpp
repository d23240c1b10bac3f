#include "server/MimeTypes.h"

#include "common/Paths.h"
#include "common/TextConv.h"
#include "server/ServerThread.h"

namespace palvex {

namespace {

// How a rule of the built-in table looks at the extension (without its dot).
enum class TMatch {
    Exact,        // the whole extension
    Prefix,       // the first letters; longer extensions match too
    PrefixThird,  // two letters, then a third one out of a set
};

struct TMimeRule {
    TMatch Match;
    std::string_view Letters;
    std::string_view Third;  // allowed third letters of PrefixThird
    std::string_view Type;
};

// First match wins: the "m4" and "mp" catch-alls follow their specific rows.
constexpr TMimeRule kBuiltinRules[] = {
    {TMatch::Exact, "avi", "", "video/x-msvideo"},
    {TMatch::Exact, "bmp", "", "image/bmp"},
    {TMatch::Exact, "css", "", "text/css"},
    {TMatch::PrefixThird, "do", "ct", "application/msword"},
    {TMatch::Exact, "exe", "", "application/octet-stream"},
    {TMatch::Exact, "gif", "", "image/gif"},
    {TMatch::Prefix, "htm", "", "text/html"},
    {TMatch::Exact, "ico", "", "image/x-icon"},
    {TMatch::PrefixThird, "jp", "eg", "image/jpeg"},
    {TMatch::Exact, "js", "", "text/javascript"},
    {TMatch::PrefixThird, "m4", "abpr", "audio/mp4"},
    {TMatch::Prefix, "m4", "", "video/mp4"},
    {TMatch::PrefixThird, "mp", "23", "audio/x-mpeg"},
    {TMatch::Prefix, "mp", "", "video/mpeg"},
    {TMatch::Exact, "mov", "", "video/quicktime"},
    {TMatch::Prefix, "mid", "", "audio/x-midi"},
    {TMatch::Exact, "odt", "", "application/vnd.oasis.opendocument.text"},
    {TMatch::Exact, "ods", "", "application/vnd.oasis.opendocument.spreadsheet"},
    {TMatch::Exact, "odp", "", "application/vnd.oasis.opendocument.presentation"},
    {TMatch::PrefixThird, "og", "agvx", "application/ogg"},
    {TMatch::Exact, "png", "", "image/png"},
    {TMatch::Exact, "pdf", "", "application/pdf"},
    {TMatch::PrefixThird, "pp", "stz", "application/mspowerpoint"},
    {TMatch::Exact, "rar", "", "application/x-rar-compressed"},
    {TMatch::Exact, "rtf", "", "text/rtf"},
    {TMatch::Exact, "swf", "", "application/x-shockwave-flash"},
    {TMatch::Exact, "txt", "", "text/plain"},
    {TMatch::Prefix, "tif", "", "image/tiff"},
    {TMatch::Exact, "wma", "", "audio/x-ms-wma"},
    {TMatch::Exact, "wmv", "", "video/x-ms-wmv"},
    {TMatch::Exact, "wav", "", "audio/wav"},
    {TMatch::PrefixThird, "xl", "as", "application/msexcel"},
    {TMatch::Prefix, "xml", "", "application/xml"},
    {TMatch::Exact, "zip", "", "application/zip"},
};

// Extensions shorter than this never match the built-in table.
constexpr size_t kMinBuiltinLetters = 2;

bool RuleMatches(const TMimeRule& rule, std::string_view letters) {
    switch (rule.Match) {
        case TMatch::Exact:
            return letters == rule.Letters;
        case TMatch::Prefix:
            return letters.starts_with(rule.Letters);
        case TMatch::PrefixThird:
            return letters.size() > 2 && letters.starts_with(rule.Letters) &&
                   rule.Third.find(letters[2]) != std::string_view::npos;
    }
    return false;
}

}  // namespace

std::string NormalizeMimeTypes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (static_cast<unsigned char>(c) > 32) out += c;
    return AsciiLower(out);
}

std::string FileExtension(std::u16string_view fileName) {
    return AsciiLower(WideToUtf8(ExtensionOf(fileName)));
}

std::string ConfiguredMimeType(std::string_view text, std::string_view ext) {
    if (text.empty()) return {};
    if (ext.starts_with('.')) ext.remove_prefix(1);
    if (ext.empty()) return {};
    std::string haystack = ";";
    haystack += text;
    std::string needle = ";";
    needle += ext;
    needle += '=';
    const size_t found = haystack.find(needle);
    if (found == std::string::npos) return {};
    const size_t start = found + needle.size();
    const size_t end = haystack.find(';', start);
    const std::string_view type =
        std::string_view(haystack).substr(start, end == std::string::npos ? end : end - start);
    return std::string(TrimBlanks(type));
}

std::string BuiltinMimeType(std::string_view ext) {
    if (ext.starts_with('.')) ext.remove_prefix(1);
    if (ext.size() < kMinBuiltinLetters) return {};
    for (const TMimeRule& rule : kBuiltinRules)
        if (RuleMatches(rule, ext)) return std::string(rule.Type);
    return {};
}

std::string MimeTypeOf(std::string_view mimeTypes, std::u16string_view fileName) {
    const std::string ext = FileExtension(fileName);
    if (ext.empty()) return {};
    std::string type = ConfiguredMimeType(mimeTypes, ext);
    if (type.empty()) type = BuiltinMimeType(ext);
    if (type.empty()) type = kDefaultMimeType;
    if (type.size() > kMaxMimeTypeLength) type.resize(kMaxMimeTypeLength);
    return type;
}

std::string MimeTypeOf(const THttpServerThread& conn, std::u16string_view fileName) {
    return MimeTypeOf(conn.Server ? std::string_view(conn.Server->MimeTypes) : std::string_view(),
                      fileName);
}

}  // namespace palvex
