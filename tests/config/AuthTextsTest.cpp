// Checking the protected-folder editor's cells and building AuthUser and
// AuthDir from them, with the exact messages.

#include "config/AuthTexts.h"

#include <gtest/gtest.h>

#include <string>

#include "server/AccessControl.h"

namespace palvex {
namespace {

TMembersGrids Grids(std::vector<std::string> groups, std::vector<TUserRow> users,
                    std::vector<TFolderRow> folders = {}) {
    return {std::move(users), std::move(groups), std::move(folders)};
}

// "user text || dir text", or the error message.
std::string Build(const TMembersGrids& grids) {
    const TAuthTexts texts = BuildAuthTexts(grids);
    return texts.Ok ? texts.AuthUser + " || " + texts.AuthDir : texts.Error;
}

std::string Aborted(const std::string& message) {
    return message + "\nSpeichern abgebrochen.";
}

TEST(BuildAuthTexts, UserRowsAndTheirGroups) {
    const std::vector<std::string> groups = {"Freunde", " Hobby ", "", "*", "Firma"};
    const struct {
        TUserRow row;
        const char* built;
    } cases[] = {
        {{" anna ", " geheim ", "Freunde, Firma"}, "anna:geheim:Freunde+Firma || "},
        {{"anna", "pw", ""}, "anna:pw:standard || "},
        {{"anna", "pw", " STANDARD "}, "anna:pw:STANDARD || "},
        {{"anna", "pw", "*"}, "anna:pw:* || "},
        {{"anna", "pw", "hobby+FREUNDE"}, "anna:pw:hobby+FREUNDE || "},  // as written in the cell
        {{"anna", "pw", "Fr eun\tde,,+"}, "anna:pw:Freunde || "},        // blanks removed
        {{"anna", "pw", " , + "}, "anna:pw:standard || "},
        {{"anna", "a b c", "Hobby"}, "anna:a b c:Hobby || "},  // blank in a password
        {{"", "", "Hobby"}, " || "},                           // empty row skipped
        {{"Ännchen", "pässwort", ""}, "Ännchen:pässwort:standard || "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Build(Grids(groups, {c.row})), c.built) << c.row.Name << "/" << c.row.Groups;
}

TEST(BuildAuthTexts, UserFaultsInTheirOrder) {
    const struct {
        TUserRow row;
        const char* message;
    } cases[] = {
        {{"", "geheim", "x"}, "Benutzername fehlt beim Passwort geheim."},
        {{"anna", " ", "x"}, "Passwort fehlt beim Benutzer anna."},
        {{"an/na", "pw:x", "x"}, "Benutzername an/na enthält das nicht erlaubte Zeichen \"/\""},
        {{"a\\b", "pw", ""}, "Benutzername a\\b enthält das nicht erlaubte Zeichen \"\\\""},
        {{"a b", "pw", ""}, "Benutzername a b enthält das nicht erlaubte Zeichen \" \""},
        {{"a%b'c", "pw", ""}, "Benutzername a%b'c enthält das nicht erlaubte Zeichen \"%\""},
        {{"anna", "p:w", "x"},
         "beim User anna enhält das Passwort p:w das nicht erlaubte Zeichen \":\""},
        {{"anna", "p|w", ""},
         "beim User anna enhält das Passwort p|w das nicht erlaubte Zeichen \"|\""},
        {{"anna", "pw", "Freunde+Feinde"}, "User anna gehört zur nicht definierten Gruppe Feinde"},
        {{"anna", "pw", "a:b"}, "User anna gehört zur nicht definierten Gruppe a:b"},
        {{"anna", "pw", "x|y"}, "User anna gehört zur nicht definierten Gruppe x|y"},
        {{"anna", "pw", "*+Freunde"}, "User anna gehört zur nicht definierten Gruppe *"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Build(Grids({"Freunde"}, {c.row})), Aborted(c.message)) << c.row.Name;
}

TEST(BuildAuthTexts, EveryForbiddenCharacterOfEachCellIsReported) {
    for (char c : std::string(kUserForbidden)) {
        const std::string name = std::string("a") + c + "b";
        const std::string shown(1, c);
        EXPECT_EQ(Build(Grids({}, {{name, "pw", ""}})),
                  Aborted("Benutzername " + name + " enthält das nicht erlaubte Zeichen \"" +
                          shown + "\""));
        if (kGroupForbidden.find(c) == std::string_view::npos) continue;
        EXPECT_EQ(
            Build(Grids({name}, {})),
            Aborted("Gruppe " + name + " enthält das nicht erlaubte Zeichen \"" + shown + "\""));
    }
}

TEST(BuildAuthTexts, ControlCharactersAreRefusedWhereTheyWouldBreakTheSettingsFile) {
    EXPECT_EQ(Build(Grids({}, {{"an\nna", "pw", ""}})),
              Aborted("Benutzername an\nna enthält das nicht erlaubte Zeichen \"^J\""));
    EXPECT_EQ(Build(Grids({}, {{"anna", "p\rw", ""}})),
              Aborted("beim User anna enhält das Passwort p\rw das nicht erlaubte Zeichen \"^M\""));
    EXPECT_EQ(Build(Grids({"a\x7f"}, {})),
              Aborted("Gruppe a\x7f enthält das nicht erlaubte Zeichen \"^?\""));
    EXPECT_EQ(Build(Grids({}, {}, {{"fo\tto", ""}})),
              Aborted("Ordner fo\tto enthält das nicht erlaubte Zeichen \"^I\""));
}

TEST(BuildAuthTexts, FolderRows) {
    const struct {
        TFolderRow row;
        const char* built;
    } cases[] = {
        {{" fotos/2009 ", "hobby"}, " || fotos/2009:hobby"},
        {{"fotos/", ""}, " || fotos:standard"},
        {{"fotos\\", ""}, " || fotos:standard"},
        {{"fotos/\\/", ""}, " || fotos:standard"},
        {{"//", ""}, " || /:standard"},
        {{"fotos  /", ""}, " || fotos:standard"},
        {{"///   ////", ""}, " || /:standard"},
        {{"/", "*"}, " || /:*"},
        {{"", "Hobby"}, " || "},  // no folder: row ignored
        {{"Bilder und Töne", "Hobby"}, " || Bilder und Töne:Hobby"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Build(Grids({"Hobby"}, {}, {c.row})), c.built) << c.row.Folder;
}

TEST(BuildAuthTexts, FolderFaults) {
    const struct {
        TFolderRow row;
        const char* message;
    } cases[] = {
        {{"privat", "Firma"}, "Ordner privat gehört zur nicht definierten Gruppe Firma"},
        {{"a|b", ""}, "Ordner a|b enthält das nicht erlaubte Zeichen \"|\""},
        {{"c:/x", ""}, "Ordner c:/x enthält das nicht erlaubte Zeichen \":\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Build(Grids({"Hobby"}, {}, {c.row})), Aborted(c.message)) << c.row.Folder;
}

TEST(BuildAuthTexts, StopsAtTheFirstFaultCountingTheUsersBeforeIt) {
    const TAuthTexts texts = BuildAuthTexts(Grids(
        {"Hobby"}, {{"a", "1", ""}, {"", "", ""}, {"b", "2", ""}, {"c", "", ""}}, {{"x", "Nope"}}));
    EXPECT_FALSE(texts.Ok);
    EXPECT_EQ(texts.Users, 2u);
    EXPECT_EQ(texts.Error, Aborted("Passwort fehlt beim Benutzer c."));
    // A bad group stops before any user is counted.
    EXPECT_EQ(BuildAuthTexts(Grids({"a=b"}, {{"a", "1", ""}})).Users, 0u);
}

TEST(BuildAuthTexts, LoadedTextsBuildBackUnchanged) {
    const char* authUser = "anna:geheim:Freunde+Firma|bert:x y:*|carl:pw:standard";
    const char* authDir = "fotos/2009:Freunde|/:*|privat:standard";
    const TAuthTexts texts = BuildAuthTexts(LoadMembersGrids(authUser, authDir));
    ASSERT_TRUE(texts.Ok) << texts.Error;
    EXPECT_EQ(texts.AuthUser, authUser);
    EXPECT_EQ(texts.AuthDir, authDir);
}

TEST(BuildAuthTexts, FiveHundredUsersAndFiftyFoldersSurviveSaveAndReload) {
    std::string authUser, authDir;
    for (int i = 0; i < 500; ++i)
        authUser += (i ? "|u" : "u") + std::to_string(i) + ":p" + std::to_string(i) + ":g" +
                    std::to_string(i % 7);
    for (int i = 0; i < 50; ++i)
        authDir += (i ? "|d" : "d") + std::to_string(i) + ":g" + std::to_string(i % 7);
    const TMembersGrids grids = LoadMembersGrids(authUser, authDir);
    const TAuthTexts texts = BuildAuthTexts(grids);
    ASSERT_TRUE(texts.Ok) << texts.Error;
    EXPECT_EQ(texts.AuthUser, authUser);
    EXPECT_EQ(texts.AuthDir, authDir);
    EXPECT_EQ(texts.Users, 500u);
    TProtectedFolders tables;
    LoadProtectedFolders(texts.AuthDir, texts.AuthUser, tables);
    EXPECT_EQ(tables.Users.size(), 500u);
    EXPECT_EQ(tables.Folders.size(), 50u);
}

TEST(MembersChanged, ComparesBuiltTextsOrCellsWhenABuildFails) {
    TMembersGrids grids = LoadMembersGrids("anna:pw:Hobby", "");
    const TMembersSnapshot snapshot = TakeMembersSnapshot(grids);
    EXPECT_FALSE(MembersChanged(snapshot, grids));
    grids.Users[0].Groups = " Hobby ";  // builds the same text
    EXPECT_FALSE(MembersChanged(snapshot, grids));
    grids.Users[1] = {"bert", "", ""};  // a fault now: counts as a change
    EXPECT_TRUE(MembersChanged(snapshot, grids));

    // Opened with a fault in the settings: unchanged cells are no change.
    TMembersGrids broken = LoadMembersGrids("anna", "");
    const TMembersSnapshot brokenSnapshot = TakeMembersSnapshot(broken);
    EXPECT_FALSE(brokenSnapshot.Texts.Ok);
    EXPECT_FALSE(MembersChanged(brokenSnapshot, broken));
    broken.Users[0].Password = "pw";
    EXPECT_TRUE(MembersChanged(brokenSnapshot, broken));
}

}  // namespace
}  // namespace palvex
