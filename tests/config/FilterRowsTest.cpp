// The IP filter editor's rows: reading the rule text and building it back.

#include "config/FilterRows.h"

#include <gtest/gtest.h>

#include <string>

#include "config/IpFilter.h"

namespace palvex {
namespace {

// The used rows as "kind from to" lines joined by "|", "!" first on an error.
std::string Read(std::string_view text) {
    const TFilterRowsRead read = ReadFilterRows(text);
    std::string out = read.Error ? "!" : "";
    for (const TFilterRow& row : read.Rows) {
        if (row == TFilterRow{}) continue;
        out += (out.empty() || out == "!" ? "" : "|") + std::to_string(row.Kind) + " " + row.From +
               " " + row.To;
    }
    return out;
}

TEST(ReadFilterRows, RulesFillTheRowsInOrder) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"block:10.0.0.0-10.255.255.255", "1 10.0.0.0 10.255.255.255"},
        {"block:10.0.1.0-10.0.0.9", "1 10.0.0.9 10.0.1.0"},
        {"rem:1.2.3.4", "0 1.2.3.4 "},
        {"permit:5.6.7.8-5.6.7.8", "2 5.6.7.8 "},
        {"BLOCK : 1.2.3.4", "1 1.2.3.4 "},
        {"block:1.2.3.4,,permit:5.6.7.8", "1 1.2.3.4 |2 5.6.7.8 "},
        // Only empty entries are no fault.
        {",", ""},
        {" , ,, ", ""},
        {"block:1.1.1.1,block:2.2.2.2,block:3.3.3.3,block:4.4.4.4,,",
         "1 1.1.1.1 |1 2.2.2.2 |"
         "1 3.3.3.3 |1 4.4.4.4 "},
    };
    for (const auto& [text, rows] : cases)
        EXPECT_EQ(Read(text), rows) << text;
}

TEST(ReadFilterRows, InvalidOrSurplusEntriesSetTheError) {
    const std::pair<const char*, const char*> cases[] = {
        {"blocked:1.2.3.4", "!"},
        {"bl:1.2.3.4,block:5.6.7.8", "!1 5.6.7.8 "},
        {"block 1.2.3.4", "!"},
        {"permit:1.2.3.4-", "!"},
        {"block:1.1.1.1,block:2.2.2.2,block:3.3.3.3,block:4.4.4.4,block:5.5.5.5",
         "!1 1.1.1.1 |1 2.2.2.2 |1 3.3.3.3 |1 4.4.4.4 "},
        {"block:1.1.1.1,block:2.2.2.2,block:3.3.3.3,block:4.4.4.4, junk",
         "!1 1.1.1.1 |"
         "1 2.2.2.2 |"
         "1 3.3.3.3 |"
         "1 4.4.4.4 "},
    };
    for (const auto& [text, rows] : cases)
        EXPECT_EQ(Read(text), rows) << text;
}

TFilterRows Rows(std::initializer_list<TFilterRow> used) {
    TFilterRows rows;
    std::copy(used.begin(), used.end(), rows.begin());
    return rows;
}

TEST(BuildFilterText, RowsBecomeEntriesWithBothAddresses) {
    const struct {
        TFilterRows rows;
        const char* text;
    } cases[] = {
        {Rows({}), ""},
        {Rows({{kRangeBlock, "192.168.0.1", ""}}), "block:192.168.0.1-192.168.0.1"},
        {Rows({{kRangeBlock, "", " 10.0.0.1 "}}), "block:10.0.0.1-10.0.0.1"},
        {Rows({{kRangePermit, "10.0.1.0", "10.0.0.9"}}), "permit:10.0.1.0-10.0.0.9"},
        {Rows({{kRangeRem, "1.2.3.4", ""}}), "rem:1.2.3.4-1.2.3.4"},
        {Rows({{kRangeBlock, "", ""}, {kRangePermit, "0.0.0.0", ""}}), "permit:0.0.0.0-0.0.0.0"},
        {Rows({{kRangeBlock, "1.1.1.1", ""}, {}, {}, {kRangePermit, "001.002.003.004", ""}}),
         "block:1.1.1.1-1.1.1.1,permit:1.2.3.4-1.2.3.4"},
    };
    for (const auto& c : cases) {
        const TFilterText built = BuildFilterText(c.rows);
        EXPECT_TRUE(built.Ok);
        EXPECT_EQ(built.Text, c.text);
    }
}

TEST(BuildFilterText, BadAddressesAreListedWithTheirRows) {
    const TFilterText built = BuildFilterText(Rows({{kRangeBlock, "1.2.3.4", ""},
                                                    {kRangeBlock, "1.2.3", "1.2.3.9"},
                                                    {kRangePermit, "", "x"},
                                                    {kRangeRem, "1.2.3.4", "256.1.1.1"}}));
    EXPECT_FALSE(built.Ok);
    EXPECT_EQ(built.Text, "");
    EXPECT_EQ(built.Error,
              "Folgende Einträge enthalten ungültige IP-Nummern:\r"
              "1.2.3 - 1.2.3.9 (Zeile 2)\nx - x (Zeile 3)\n1.2.3.4 - 256.1.1.1 (Zeile 4)\n");
}

TEST(BuildFilterText, TheBuiltTextReadsBackIntoTheSameRows) {
    const TFilterRows typed = Rows({{kRangeBlock, "10.0.0.0", "10.255.255.255"},
                                    {kRangePermit, "10.1.2.3", ""},
                                    {kRangeRem, "9.9.9.9", "9.9.9.1"}});
    const TFilterText built = BuildFilterText(typed);
    ASSERT_TRUE(built.Ok);
    const TFilterRowsRead read = ReadFilterRows(built.Text);
    EXPECT_FALSE(read.Error);
    EXPECT_EQ(read.Rows[0], typed[0]);
    EXPECT_EQ(read.Rows[1], typed[1]);
    EXPECT_EQ(read.Rows[2], (TFilterRow{kRangeRem, "9.9.9.1", "9.9.9.9"}));
}

TEST(HasFilterEntry, OnlyBlanksAndCommasAreNothing) {
    EXPECT_FALSE(HasFilterEntry(""));
    EXPECT_FALSE(HasFilterEntry(" ,\t, "));
    EXPECT_TRUE(HasFilterEntry(", x ,"));
}

}  // namespace
}  // namespace palvex
