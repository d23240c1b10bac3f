#pragma once
// Lines of small text files (the configuration) and replacing such a file
// safely against interrupted writes; reading a whole file is ReadWholeFile
// of common/FileIo.h, included here for the files that read and split.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/FileIo.h"

namespace palvex {

// Splits text into lines at CR, LF or CR LF; a leading UTF-8 byte-order mark
// is dropped, and a last line without line end still counts.
std::vector<std::string> SplitLines(std::string_view text);

// Replaces the file's content by text without ever leaving a half-written
// file: the text goes to a new file in the same folder, which is then renamed
// over the old one (a symbolic link is followed, so the link stays). False
// when anything fails; the old file is then untouched. The file keeps the old
// file's mode (0600 for a new one); ownerOnly takes the rights of group and
// others away, for text that holds passwords.
bool WriteFileReplacing(std::string_view path, std::string_view text, bool ownerOnly = false);

}  // namespace palvex
