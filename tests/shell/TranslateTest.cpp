#include "shell/logic/Translate.h"

#include <gtest/gtest.h>

#include "shell/logic/FolderTexts.h"
#include "shell/logic/StringTable.h"

namespace palvex {
namespace {

TEST(Translate, CatalogueIsInItsFixedOrder) {
    const auto catalogue = LanguageCatalogue();
    ASSERT_EQ(catalogue.size(), 17u);
    EXPECT_EQ(catalogue.front().Code, "DE");
    EXPECT_EQ(catalogue[7].NativeName, "Português brasileiro");
    EXPECT_EQ(catalogue[13].NativeName, "Türkçe");
    EXPECT_EQ(catalogue.back().Code, "ZH");
    EXPECT_EQ(catalogue.back().LanguageId, 4);
    EXPECT_EQ(catalogue.back().Group, 10);
    EXPECT_EQ(LanguageCode("DEU"), "DEU");
    EXPECT_EQ(LanguageCode("DEUTSCH"), "DEU");
}

TEST(Translate, WithoutRowsEveryTextComesBackAsWritten) {
    const TMLSystem& s = MLSystem();
    for (const char* text : {"&Port", "Konfiguration laden + starten  ...", "", "  :"}) {
        const TTranslation t = s.Translate(text, s.Source, s.Current);
        EXPECT_EQ(t.Text, text);
        EXPECT_EQ(t.Quality, kNotFound);
    }
    EXPECT_EQ(s.TranslateHint("kurz|lang", "DE", "EN"), "kurz|lang");
}

class TranslateRows : public ::testing::Test {
  protected:
    void SetUp() override {
        s.Languages = {{"DE", ""}, {"EN", ""}, {"BR", "ES"}, {"ES", ""}};
        s.Rows = {{"Datei", "File", "", "Archivo"},
                  {"Ordner wählen", "Choose folder", "Escolher pasta", ""},
                  {"Nur Deutsch", "", "", ""}};
    }
    TMLSystem s;
};

TEST_F(TranslateRows, QualitiesFollowWhereTheTextWasFound) {
    struct Case {
        const char* Text;
        const char* To;
        const char* Expected;
        int Quality;
    } cases[] = {
        {"Datei", "EN", "File", kSameOrDirectHit},
        {"Datei", "BR", "Archivo", kFromSubstitute},
        {"DATEI", "EN", "File", kIgnoringCase},
        {"ORDNER WÄHLEN", "BR", "Escolher pasta", kIgnoringCase},
        {"nur deutsch", "EN", "Nur Deutsch", kFromFallback},
        {"Unbekannt", "EN", "Unbekannt", kNotFound},
        {"Datei", "DE", "Datei", kSameOrDirectHit},
        {"Datei", "XX", "Datei", kNotFound},
    };
    s.Fallback = "DE";
    for (const Case& c : cases) {
        const TTranslation t = s.Translate(c.Text, "DE", c.To);
        EXPECT_EQ(t.Text, c.Expected) << c.Text << " -> " << c.To;
        EXPECT_EQ(t.Quality, c.Quality) << c.Text << " -> " << c.To;
    }
}

TEST_F(TranslateRows, BlanksDotsAndColonsAroundSurviveAndTheAcceleratorMoves) {
    EXPECT_EQ(s.Translate("  Datei ...", "DE", "EN").Text, "  File ...");
    EXPECT_EQ(s.Translate("Datei:", "DE", "EN").Text, "File:");
    EXPECT_EQ(s.Translate("&Datei", "DE", "EN").Text, "&File");
    EXPECT_EQ(s.Translate("&Unbekannt", "DE", "EN").Text, "&Unbekannt");
    EXPECT_EQ(s.Translate("   ", "DE", "EN").Text, "   ");
    EXPECT_EQ(s.Translate("   ", "DE", "EN").Quality, kSameOrDirectHit);
}

TEST_F(TranslateRows, HintsTranslateOnlyTheirShortPart) {
    EXPECT_EQ(s.TranslateHint("Datei", "DE", "EN"), "File");
    EXPECT_EQ(s.TranslateHint("Datei|lang bleibt", "DE", "EN"), "File|lang bleibt");
    EXPECT_EQ(s.TranslateHint("|Datei", "DE", "EN"), "|Datei");
}

TEST(StringTable, LineBreakMarksAndArgumentsAreReplaced) {
    const TMLStringList list{{{0, "Test"}, {1, "eins#13#zwei"}, {2, "%1 und %1"}}};
    EXPECT_EQ(StringListText(list, 1), "eins\rzwei");
    EXPECT_EQ(StringListTextWith(list, 2, "/x"), "/x und /x");
    EXPECT_EQ(StringListText(list, 9), "");
    EXPECT_EQ(FolderTextWith(kFolderPathMissing, "/x"), "Der Pfad /x existiert nicht.");
    EXPECT_EQ(FolderText(kFolderCaption), "Ordner auswählen");
    EXPECT_EQ(FolderText(kFolderTableName), "ChooseLocalFolder");
}

}  // namespace
}  // namespace palvex
