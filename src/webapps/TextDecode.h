#pragma once
// Text files: turning a file's bytes into wide text whatever its encoding
// (byte-order mark, declared charset, code page), and writing UTF-16 text
// files. Paths are wide text; they become UTF-8 bytes at the file-system
// call. Reading whole files is common/FileIo.h.
// Every function here is stateless and may run on any thread.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace palvex {

// What the first bytes of a text announce; the numbers are stable.
enum class TBomKind {
    None = 0,
    Utf8 = 1,     // EF BB BF
    Utf16LE = 2,  // FF FE
    Utf16BE = 3,  // FE FF
    Utf32LE = 4,  // FF FE 00 00
    Utf32BE = 5,  // 00 00 FE FF
};

// Code page numbers that the declared charset names map to.
inline constexpr int kCodePageAnsi = 0;  // the system code page (UTF-8 here)
inline constexpr int kCodePageUtf16LE = 1200;
inline constexpr int kCodePageUtf16BE = 1201;
inline constexpr int kCodePageUtf32LE = 12000;
inline constexpr int kCodePageUtf32BE = 12001;
inline constexpr int kCodePageIsoBase = 28590;  // ISO-8859-n is kCodePageIsoBase + n
inline constexpr int kCodePageUtf7 = 65000;
inline constexpr int kCodePageUtf8 = 65001;

// Only this many leading bytes are searched for a charset declaration.
inline constexpr size_t kCharsetScanBytes = 4000;

// Kind of byte-order mark at the start of bytes and its length in bomLength
// (0 when there is none); fewer than two bytes never carry one.
TBomKind DetectBom(std::string_view bytes, size_t& bomLength);

// Decodes bytes by their byte-order mark. UTF-8 keeps its mark as U+FEFF; the
// other marks are dropped; without a mark the bytes are read as UTF-16LE. An
// incomplete trailing code unit is ignored.
std::u16string BomDecode(std::string_view bytes);

// The charset declared in the first kCharsetScanBytes bytes ("charset=..." or
// "encoding=\"..."), upper-cased, when it begins with "ISO-", "WINDOWS-" or
// "UTF-"; empty otherwise. Blanks and control bytes are ignored while searching.
std::string FindCharsetName(std::string_view bytes);

// Code page of a charset name (any letter case, blanks around it ignored):
// ISO-8859-n, WINDOWS-n, UTF-7, UTF-8, UTF-16 (and UTF-16LE/BE); 0 when unknown.
int CharsetToCodePage(std::string_view name);

// Decodes a text file's bytes: by its byte-order mark when it has one, else by
// the charset it declares, else from the system code page.
std::u16string BytesToText(std::string_view bytes);

// Decodes bytes in the given code page; undecodable bytes become U+FFFD. A code
// page the platform converter does not know gives empty text.
std::u16string CodePageToWide(std::string_view bytes, int codePage);

// Creates or truncates path and writes text as UTF-16LE with the mark FF FE
// (not doubled when text already starts with U+FEFF); an empty text leaves an
// empty file. False when the file cannot be created; a failed write removes it.
bool WriteUtf16File(std::u16string_view path, std::u16string_view text);

// As WriteUtf16File, but only when path does not exist yet: an existing file is
// never touched, not even by a concurrent creator. False when path exists.
bool CreateUtf16File(std::u16string_view path, std::u16string_view text);

}  // namespace palvex
