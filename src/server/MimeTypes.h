#pragma once
// Content types of served files: the configured override list first, then the
// built-in extension table, then the type for raw bytes.

#include <cstddef>
#include <string>
#include <string_view>

namespace palvex {

class THttpServerThread;

// Longest content type MimeTypeOf answers.
inline constexpr size_t kMaxMimeTypeLength = 255;
inline constexpr std::string_view kDefaultMimeType = "application/octet-stream";

// The override list as the server keeps it: every character with a code of
// 32 or less removed, letters A-Z lower-cased.
std::string NormalizeMimeTypes(std::string_view text);

// Extension of a file name, dot included and lower-cased; empty when the last
// element (after the last "/" or "\") has no dot.
std::string FileExtension(std::u16string_view fileName);

// Type that the override text (ext=type pairs separated by ";", already
// normalised) gives the extension (with or without its dot), or empty.
std::string ConfiguredMimeType(std::string_view text, std::string_view ext);

// Type of the built-in table for a lower-case extension with its dot, or empty.
std::string BuiltinMimeType(std::string_view ext);

// Content type of a file: empty when the name has no extension, otherwise the
// override, the built-in type or application/octet-stream.
std::string MimeTypeOf(std::string_view mimeTypes, std::u16string_view fileName);
// The same with the override list of the connection's server.
std::string MimeTypeOf(const THttpServerThread& conn, std::u16string_view fileName);

}  // namespace palvex
