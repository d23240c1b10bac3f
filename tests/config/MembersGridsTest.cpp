// Filling the protected-folder editor's grids from the two setting texts.

#include "config/MembersGrids.h"

#include <gtest/gtest.h>

#include <string>

namespace palvex {
namespace {

// The non-empty rows of a grid as "a/b/c" lines joined by "|".
std::string Users(const TMembersGrids& grids) {
    std::string out;
    for (const TUserRow& row : grids.Users) {
        if (row == TUserRow{}) continue;
        out += (out.empty() ? "" : "|") + row.Name + "/" + row.Password + "/" + row.Groups;
    }
    return out;
}

std::string Folders(const TMembersGrids& grids) {
    std::string out;
    for (const TFolderRow& row : grids.Folders) {
        if (row == TFolderRow{}) continue;
        out += (out.empty() ? "" : "|") + row.Folder + "/" + row.Groups;
    }
    return out;
}

std::string Groups(const TMembersGrids& grids) {
    std::string out;
    for (const std::string& name : grids.Groups)
        if (!name.empty()) out += (out.empty() ? "" : ",") + name;
    return out;
}

TEST(LoadMembersGrids, EmptySettingsOfferThreeGroupsInFixedRows) {
    const TMembersGrids grids = LoadMembersGrids("", "");
    EXPECT_EQ(Groups(grids), "Freunde,Hobby,Firma");
    EXPECT_EQ(grids.Users.size(), kUserRows);
    EXPECT_EQ(grids.Groups.size(), kGroupRows);
    EXPECT_EQ(grids.Folders.size(), kFolderRows);
    EXPECT_EQ(Users(grids), "");
}

TEST(LoadMembersGrids, PiecesAreTrimmedAndSplitAtTheFirstTwoColons) {
    const struct {
        const char* authUser;
        const char* users;
    } cases[] = {
        {" anna : geheim : Freunde+Firma |bert:pw:", "anna/geheim/Freunde+Firma|bert/pw/standard"},
        {"|:|::||carl:pw", "carl/pw/standard"},  // stray separators of cleared rows
        {"dora", "dora//standard"},              // no colon: the name alone
        {"eva:a b:c:d", "eva/a b/c:d"},          // the rest after the second colon
        {":pw:x", "/pw/x"},                      // kept, so the save reports it
        {"fritz:pw:*", "fritz/pw/*"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Users(LoadMembersGrids(c.authUser, "")), c.users) << c.authUser;
}

TEST(LoadMembersGrids, FoldersTakeTheRestAfterTheFirstColonAsGroups) {
    const TMembersGrids grids = LoadMembersGrids("", " fotos/2009 : Hobby |:| / | privat:a:b");
    EXPECT_EQ(Folders(grids), "fotos/2009/Hobby|//standard|privat/a:b");
}

TEST(LoadMembersGrids, GroupsNamedOnceIgnoringCaseSortedSpeltAsFirstSeen) {
    const TMembersGrids grids =
        LoadMembersGrids("a:1:firma, Hobby|b:2:FIRMA+zoo|c:3:*", "x:Ärger+_intern|y:ärger");
    EXPECT_EQ(Groups(grids), "*,firma,Hobby,zoo,_intern,Ärger");
    EXPECT_EQ(grids.Groups.size(), 6 + kSpareRows);
}

TEST(LoadMembersGrids, GridsGrowSoThatNoEntryIsLeftOut) {
    std::string users, dirs;
    for (int i = 0; i < 60; ++i)
        users += "u" + std::to_string(i) + ":p:g|";
    for (int i = 0; i < 9; ++i)
        dirs += "d" + std::to_string(i) + ":g|";
    const TMembersGrids grids = LoadMembersGrids(users, dirs);
    EXPECT_EQ(grids.Users.size(), 60 + kSpareRows);
    EXPECT_EQ(grids.Users[59].Name, "u59");
    EXPECT_EQ(grids.Folders.size(), 9 + kSpareRows);
    EXPECT_EQ(grids.Folders[8].Folder, "d8");
    // Exactly as many as the fixed rows still leaves room for one more.
    EXPECT_EQ(LoadMembersGrids("", "a|b|c|d").Folders.size(), kFolderRows + kSpareRows);
}

TEST(SplitGroupCell, SeparatorsAndBlanks) {
    EXPECT_EQ(SplitGroupCell(" a + b,c ,, +"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(SplitGroupCell(" , + ").empty());
}

}  // namespace
}  // namespace palvex
