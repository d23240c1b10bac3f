#pragma once
// The texts of one request line of the log: time, client, status and path,
// shared by the log screen and the headless program's standard output.

#include <cstdint>
#include <string>
#include <string_view>

#include "server/ServerThread.h"

namespace palvex {

constexpr size_t kLogClientChars = 15;
constexpr size_t kLogStatusChars = 9;
constexpr size_t kLogPathChars = 223;
constexpr size_t kLogRequestBodyChars = 200;

struct TLogStatus {
    std::string_view Text;
    char Colour = '0';  // '0' black, 'B' blue, 'G' grey, 'R' dark red
};

// Status column for an answer; progress: the line shows a running percentage.
TLogStatus LogStatusOf(const THttpServerThread& conn, bool progress);
// User name (15 characters at most, the 15th a "." when cut) or client address.
std::string LogClientText(const THttpServerThread& conn);
// Decoded path, or the raw target with control characters as dots; 223 bytes
// at most, cut between characters.
std::string LogPathText(const THttpServerThread& conn);
// Head lines with CR LF, a blank line and the start of the body.
std::string LogRequestText(const THttpServerThread& conn);
// Sets LogTime/LogTimeText when unset and returns "MM-DD hh:mm:ss".
std::string StampLogTime(THttpServerThread& conn);
// "MM-DD hh:mm:ss" of the local time now.
std::string LogTimeNow();
// Progress display threshold of the limit in force when the line is made.
uint32_t ProgressThreshold(uint8_t speedLimit);
// One line in columns: time, client, status, path.
std::string FormatLogColumns(std::string_view time, std::string_view client,
                             std::string_view status, std::string_view path);

}  // namespace palvex
