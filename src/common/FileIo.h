#pragma once
// Whole reads and writes on file descriptors, retrying short and interrupted
// calls; the one copy of these loops in the program.

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

}  // namespace palvex
