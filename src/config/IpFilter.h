#pragma once
// The IP filter rule text: "block:10.0.0.0-10.255.255.255,permit:10.1.2.3"
// with the keywords block, permit and rem (a disabled rule), turned into the
// range lists that the request filter reads.

#include <cstdint>
#include <string_view>
#include <vector>

#include "server/AccessControl.h"

namespace palvex {

// Removes the first non-empty entry from the front of text and parses it into
// a range (ends put in dotted order) and its kind. False for an invalid entry
// (which is removed all the same) and when text held only empty entries.
bool ParseFilterEntry(std::string_view& text, uint32_t& from, uint32_t& to, uint8_t& kind);

// True when text still holds an entry, valid or not (something other than
// blanks and commas), so a reader can tell "invalid" from "nothing left".
bool HasFilterEntry(std::string_view text);

// A dotted address of a rule; "0.0.0.0" is valid although ParseIPv4 reports
// it as 0.
bool ParseFilterAddress(std::string_view text, uint32_t& address);

// Appends every valid block and permit entry of text to the lists; invalid
// and rem entries are dropped.
void ParseIPFilter(std::string_view text, std::vector<TIPRange>& block,
                   std::vector<TIPRange>& permit);

// Replaces BlockRanges and PermitRanges with the rules of ipFilter (the
// setting's text), swapped in as a whole under HookLock. For the server start
// and the filter editor.
void ReloadIPFilter(std::string_view ipFilter);

}  // namespace palvex
