// The IP filter rule text and the range lists built from it.

#include "config/IpFilter.h"

#include <gtest/gtest.h>

#include "common/Codecs.h"

namespace palvex {
namespace {

// "from-to/kind" of the first entry of text, or "invalid"; text must be used up.
std::string ParseOne(std::string_view text) {
    uint32_t from, to;
    uint8_t kind;
    const bool valid = ParseFilterEntry(text, from, to, kind);
    if (!text.empty()) return "left over: " + std::string(text);
    if (!valid) return "invalid";
    return FormatIPv4(from) + "-" + FormatIPv4(to) + "/" + std::to_string(kind);
}

TEST(ParseFilterEntry, Entries) {
    const std::pair<const char*, const char*> cases[] = {
        {"block:10.0.0.0-10.255.255.255", "10.0.0.0-10.255.255.255/1"},
        {"  BLOCK : 1.2.3.4 ", "1.2.3.4-1.2.3.4/1"},
        {"Permit:1.2.3.4 - 1.2.3.9", "1.2.3.4-1.2.3.9/2"},
        {"block:10.0.1.0-10.0.0.9", "10.0.0.9-10.0.1.0/1"},  // put in dotted order
        {"block:0.0.0.0", "0.0.0.0-0.0.0.0/1"},
        {"block:192.168.001.010", "192.168.1.10-192.168.1.10/1"},
        {"rem:1.2.3.4", "1.2.3.4-1.2.3.4/0"},
        {"blocked:1.2.3.4", "invalid"},
        {"block 1.2.3.4", "invalid"},
        {"permit:1.2.3.4-", "invalid"},
        {"block:1.2.3", "invalid"},
        {" , ,", "invalid"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ParseOne(text), expected) << text;
}

TEST(ParseFilterEntry, TakesOneEntryAtATimeInvalidOnesIncluded) {
    std::string_view text = " , block:1.2.3.4 ,, bogus , permit:5.6.7.8,";
    uint32_t from, to;
    uint8_t kind;
    EXPECT_TRUE(ParseFilterEntry(text, from, to, kind));
    EXPECT_EQ(text, ", bogus , permit:5.6.7.8,");
    EXPECT_FALSE(ParseFilterEntry(text, from, to, kind));
    EXPECT_EQ(text, "permit:5.6.7.8,");
}

TEST(ReloadIPFilter, ReplacesTheListsWhichCompareInDottedOrder) {
    ReloadIPFilter("block:1.1.1.1,permit:1.1.1.1");
    ReloadIPFilter("block:10.0.0.0-10.255.255.255,,rem:1.2.3.4,bad,block:77.0.1.0-77.0.0.9");
    std::lock_guard lock(HookLock);
    EXPECT_EQ(BlockRanges().size(), 2u);
    EXPECT_TRUE(PermitRanges().empty());
    const std::pair<const char*, bool> cases[] = {
        {"10.1.2.3", true},   {"11.0.0.0", false}, {"9.255.255.255", false}, {"77.0.0.9", true},
        {"77.0.0.200", true}, {"77.0.1.0", true},  {"77.0.1.1", false},      {"1.2.3.4", false},
    };
    for (const auto& [address, blocked] : cases)
        EXPECT_EQ(IPInRanges(ParseIPv4(address), BlockRanges()), blocked) << address;
    BlockRanges().clear();
}

}  // namespace
}  // namespace palvex
