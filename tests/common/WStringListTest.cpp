// Sorting, finding and duplicates of the wide string list.

#include "common/WStringList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace palvex {
namespace {

std::vector<std::u16string> Texts(const TWStringList& list) {
    std::vector<std::u16string> out;
    for (size_t i = 0; i < list.Count(); ++i)
        out.push_back(list.Get(i));
    return out;
}

TWStringList SortedList(bool caseSensitive) {
    TWStringList list;
    list.SetCaseSensitive(caseSensitive);
    list.SetSorted(true);
    return list;
}

TEST(WStringList, SortsAsPeopleReadNamesWhateverTheInsertionOrder) {
    const std::vector<std::u16string> expected = {
        u" leading blank", u"-dash",   u"..",     u"_under",  u"1.txt",     u"10.txt",
        u"2.txt",          u"a&b.jpg", u"apfel",  u"Äpfel",   u"Apfelbaum", u"Ärger",
        u"bach",           u"Strasse", u"Straße", u"Straßen", u"zebra",     u"Ωmega"};
    std::vector<std::u16string> shuffled = expected;
    std::mt19937 random(7);
    for (int round = 0; round < 5; ++round) {
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        TWStringList list = SortedList(false);
        for (const auto& text : shuffled)
            list.AddObject(text, 1);
        EXPECT_EQ(Texts(list), expected);
    }
}

TEST(WStringList, CaseInsensitiveListIgnoresCaseTwins) {
    TWStringList list = SortedList(false);
    EXPECT_EQ(list.AddObject(u"readme", 1), 0u);
    EXPECT_EQ(list.AddObject(u"zz", 2), 1u);
    EXPECT_EQ(list.AddObject(u"README", 3), 0u);  // the existing index, nothing added
    EXPECT_EQ(list.AddObject(u"ÄRGER", 4), 0u);
    EXPECT_EQ(Texts(list), (std::vector<std::u16string>{u"ÄRGER", u"readme", u"zz"}));
    EXPECT_EQ(list.GetObject(1), 1);
    size_t index = 9;
    EXPECT_TRUE(list.Find(u"ärger", index));
    EXPECT_EQ(index, 0u);
    EXPECT_FALSE(list.Find(u"c", index));
    EXPECT_EQ(index, 1u);
}

TEST(WStringList, CaseSensitiveListKeepsCaseTwinsNextToEachOther) {
    TWStringList list = SortedList(true);
    for (const char16_t* text : {u"README", u"b", u"readme", u"Readme", u"a", u"readme"})
        list.Add(text);
    EXPECT_EQ(Texts(list),
              (std::vector<std::u16string>{u"a", u"b", u"readme", u"Readme", u"README"}));
}

TEST(WStringList, AcceptedDuplicatesAreFoundAtTheLowestIndex) {
    TWStringList list = SortedList(false);
    list.Duplicates = TDuplicates::Accept;
    for (int i = 0; i < 6; ++i)
        list.AddObject(i % 2 ? u"x" : u"X", i);
    list.Add(u"a");
    size_t index = 0;
    EXPECT_TRUE(list.Find(u"x", index));
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(list.Count(), 7u);
}

TEST(WStringList, UnsortedListKeepsOrderUntilSortingIsSwitchedOn) {
    TWStringList list;
    for (const char16_t* text : {u"c", u"a", u"b", u"a"})
        list.Add(text);
    EXPECT_EQ(Texts(list), (std::vector<std::u16string>{u"c", u"a", u"b", u"a"}));
    list.SetSorted(true);
    EXPECT_EQ(Texts(list), (std::vector<std::u16string>{u"a", u"a", u"b", u"c"}));
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
}

}  // namespace
}  // namespace palvex
