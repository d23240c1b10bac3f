// The IP filter rule text and the range lists built from it.

#include "config/IpFilter.h"

#include <gtest/gtest.h>

#include "common/Codecs.h"

namespace palvex {
namespace {

TEST(ParseFilterEntry, ValidEntries) {
    const struct {
        const char* text;
        const char* from;
        const char* to;
        uint8_t kind;
    } cases[] = {
        {"block:10.0.0.0-10.255.255.255", "10.0.0.0", "10.255.255.255", kRangeBlock},
        {"  BLOCK : 1.2.3.4 ", "1.2.3.4", "1.2.3.4", kRangeBlock},
        {"Permit:1.2.3.4 - 1.2.3.9", "1.2.3.4", "1.2.3.9", kRangePermit},
        {"rem:1.2.3.4", "1.2.3.4", "1.2.3.4", kRangeRem},
        {"block:10.0.1.0-10.0.0.9", "10.0.0.9", "10.0.1.0", kRangeBlock},  // put in order
        {"block:9.0.0.1-8.255.255.255", "8.255.255.255", "9.0.0.1", kRangeBlock},
        {"block:0.0.0.0", "0.0.0.0", "0.0.0.0", kRangeBlock},
        {"block:192.168.001.010", "192.168.1.10", "192.168.1.10", kRangeBlock},
    };
    for (const auto& c : cases) {
        std::string_view text = c.text;
        uint32_t from = 1, to = 1;
        uint8_t kind = 9;
        ASSERT_TRUE(ParseFilterEntry(text, from, to, kind)) << c.text;
        EXPECT_TRUE(text.empty()) << c.text;
        EXPECT_EQ(FormatIPv4(from), c.from) << c.text;
        EXPECT_EQ(FormatIPv4(to), c.to) << c.text;
        EXPECT_EQ(kind, c.kind) << c.text;
    }
}

TEST(ParseFilterEntry, InvalidEntriesAreConsumed) {
    for (const char* bad : {"blocked:1.2.3.4", "bl:1.2.3.4", "remark:1.2.3.4", "allow:1.2.3.4",
                            "block 1.2.3.4", "permit:1.2.3.4-", "permit:-1.2.3.4", "block:1.2.3",
                            "block:256.1.1.1", "block:", "", " , ,"}) {
        std::string_view text = bad;
        uint32_t from, to;
        uint8_t kind;
        EXPECT_FALSE(ParseFilterEntry(text, from, to, kind)) << bad;
        EXPECT_TRUE(text.empty()) << bad;
    }
}

TEST(ParseFilterEntry, TakesOneEntryAtATimeInvalidOnesIncluded) {
    std::string_view text = " , block:1.2.3.4 ,, bogus , permit:5.6.7.8,";
    uint32_t from, to;
    uint8_t kind;
    EXPECT_TRUE(ParseFilterEntry(text, from, to, kind));
    EXPECT_EQ(text, ", bogus , permit:5.6.7.8,");
    EXPECT_FALSE(ParseFilterEntry(text, from, to, kind));
    EXPECT_EQ(text, "permit:5.6.7.8,");
    EXPECT_TRUE(ParseFilterEntry(text, from, to, kind));
    EXPECT_EQ(kind, kRangePermit);
    EXPECT_TRUE(text.empty());
}

TEST(ParseFilterEntry, LongEntriesAreCut) {
    // An address padded beyond the entry length no longer parses.
    std::string text = "block:1.2.3.4-" + std::string(300, ' ') + "1.2.3.5";
    std::string_view view = text;
    uint32_t from, to;
    uint8_t kind;
    EXPECT_FALSE(ParseFilterEntry(view, from, to, kind));
    text = "block:1.2.3.4-" + std::string(23, ' ') + "10.20.30.40";  // cut to 10.20.30
    view = text;
    EXPECT_FALSE(ParseFilterEntry(view, from, to, kind));
}

TEST(ParseIPFilter, KeepsValidBlockAndPermitEntriesInOrder) {
    std::vector<TIPRange> block, permit = {{1, 1, kRangePermit}};
    ParseIPFilter("block:1.2.3.4,,permit:5.6.7.8,rem:9.9.9.9,bad,block:2.0.0.0-2.0.0.9", block,
                  permit);
    ASSERT_EQ(block.size(), 2u);
    EXPECT_EQ(block[0].FromAddr, ParseIPv4("1.2.3.4"));
    EXPECT_EQ(block[1].ToAddr, ParseIPv4("2.0.0.9"));
    ASSERT_EQ(permit.size(), 2u);  // appended
    EXPECT_EQ(permit[1].FromAddr, ParseIPv4("5.6.7.8"));
}

TEST(ReloadIPFilter, ReplacesTheListsWhichCompareInDottedOrder) {
    ReloadIPFilter("block:10.0.0.0-10.255.255.255,block:10.0.1.0-10.0.0.9,permit:1.1.1.1");
    ReloadIPFilter("block:10.0.0.0-10.255.255.255,block:77.0.1.0-77.0.0.9");
    std::lock_guard lock(HookLock);
    EXPECT_EQ(BlockRanges.size(), 2u);
    EXPECT_TRUE(PermitRanges.empty());
    const struct {
        const char* address;
        bool blocked;
    } cases[] = {
        {"10.1.2.3", true},   {"11.0.0.0", false}, {"9.255.255.255", false}, {"77.0.0.9", true},
        {"77.0.0.200", true}, {"77.0.1.0", true},  {"77.0.1.1", false},      {"77.0.0.8", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IPInRanges(ParseIPv4(c.address), BlockRanges), c.blocked) << c.address;
    const std::vector<TIPRange> disabled = {{0, 0xFFFFFFFF, kRangeRem}};
    EXPECT_FALSE(IPInRanges(ParseIPv4("1.2.3.4"), disabled));
    BlockRanges.clear();
}

}  // namespace
}  // namespace palvex
