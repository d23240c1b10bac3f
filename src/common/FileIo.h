#pragma once
// Whole reads and writes on file descriptors and whole-file reads, retrying
// short and interrupted calls; the one copy of these loops in the program.
// Reads open without blocking, so a named pipe never stalls a thread.

#include <cstdint>
#include <string>
#include <string_view>

namespace palvex {

// Writes all of data to fd; false on any error.
bool WriteAll(int fd, std::string_view data);
// Reads exactly bytes.size() bytes from fd into bytes; false on error or early end.
bool ReadExactly(int fd, std::string& bytes);
// True for errors that say the process ran out of descriptors or memory (the
// same call may succeed a moment later), as opposed to a missing or
// unreadable file.
bool IsResourceShortage(int error);

// Reads a whole regular file (path as file-system bytes) of at most maxBytes,
// also when it grows or shrinks meanwhile. False, with out empty, when it does
// not exist, is not a regular file, cannot be read or is bigger; an empty
// file gives true. errno then says why: 0 for a file that is there but not
// to be read, ENOENT for a missing one even when descriptors ran out.
bool ReadWholeFile(std::string_view path, uint64_t maxBytes, std::string& out);

// Files of this size or more are never read whole.
inline constexpr uint64_t kMaxReadFileBytes = uint64_t{1} << 32;

// Reads a whole regular file into bytes. False, with bytes empty, when the file
// is missing, empty, not a regular file, maxBytes or larger, or unreadable, or
// when the path holds a NUL; errno as for ReadWholeFile (0 for an empty file).
bool ReadFileBytes(std::u16string_view path, std::string& bytes,
                   uint64_t maxBytes = kMaxReadFileBytes);

// Size in bytes of whatever the path names, or -1 when it does not exist.
int64_t FileSizeOf(std::u16string_view path);

}  // namespace palvex
