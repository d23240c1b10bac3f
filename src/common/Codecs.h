#pragma once
// Small stateless text conversions shared by the server, access control, the
// built-in pages and the settings: percent decoding, URL encoding, query
// parameters, Basic credentials, hex bytes, IPv4 text, timestamps and header
// lookup. All are pure and may run on any thread.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/SystemTime.h"

namespace palvex {

// "%XX" is one Latin-1 character, "%uXXXX" one UTF-16 unit, "+" a space;
// an invalid escape keeps its "%". Other bytes go through the system code page.
std::u16string PercentDecodeW(std::string_view text);
// Byte twin of PercentDecodeW without the "%u" form.
std::string PercentDecode(std::string_view text);

// Units above 255 as "%uXXXX", space as "+", kept characters as they are,
// everything else up to 255 as "%XX" (uppercase hex).
std::string UrlEncodeValue(std::u16string_view text);
std::string UrlEncodePath(std::u16string_view text);

// Value of the parameter name in an already decoded query ("?a=1&b=2");
// names compare without regard to case; empty when absent.
std::u16string GetQueryParam(std::string_view name, std::u16string_view query);
// Removes the first occurrence of the parameter from the byte query.
void RemoveQueryParam(std::string_view name, std::string& query);
// The query with the parameter replaced (or removed for an empty value);
// a non-empty result begins with "?".
std::string SetQueryParam(std::string_view name, std::string_view value, std::string query);

// Standard Base64 alphabet; every other byte is skipped. Writes to out (room
// for count * 3 / 4 + 3 bytes) and returns the number of bytes written.
size_t Base64Decode(const char* data, size_t count, unsigned char* out);
// The six characters "Basic " are skipped unseen; the rest is Base64 of
// "user:password" (the password may hold colons).
void DecodeBasicCredentials(std::string_view value, std::string& user, std::string& password);

// Value of a hex digit of either case; -1 for any other character.
int HexDigitValue(char32_t c);
// Appends "%XX" for a byte (uppercase hex).
void AppendPercentByte(std::string& out, unsigned char byte);
// Pairs of hex digits to bytes; a bad pair gives 0, an odd last digit is ignored.
std::string HexToBytes(std::string_view text);

// Packed address: first octet in the lowest byte.
std::string FormatIPv4(uint32_t address);
// Decimal digits of value, zero-padded to at least minDigits (answers and
// log lines are built often enough for printf to show in profiles).
void AppendDecimal(std::string& out, uint64_t value, unsigned minDigits = 1);
// Dotted text to packed address; 0 when invalid (so "0.0.0.0" also gives 0).
uint32_t ParseIPv4(std::string_view text);
// The address as a number with the first octet most significant (dotted order).
inline uint32_t AddressOrder(uint32_t packed) {
    return ((packed & 0xFF) << 24) | ((packed & 0xFF00) << 8) | ((packed >> 8) & 0xFF00) |
           (packed >> 24);
}

std::string FormatDate(const TSystemTime& t);       // YYYY-MM-DD
std::string FormatTime(const TSystemTime& t);       // HH:MM:SS
std::string FormatTimestamp(const TSystemTime& t);  // YYYY-MM-DD HH:MM:SS

// Value of the first head line after the request line that begins with
// "NAME: " (case-insensitive), trimmed; empty when absent.
std::string FindHeaderValue(const std::vector<std::string>& lines, std::string_view name);

}  // namespace palvex
