// The listing editor's values and the background form.

#include "config/ListingValues.h"

#include <gtest/gtest.h>

namespace palvex {
namespace {

TEST(ListingValues, EmptySettingsShowTheDefaultsAndStoreEmpty) {
    TServerSettings settings;
    settings.ListingBg = "img\\bg.jpg";
    EXPECT_EQ(ListingFormValues(settings),
              (TListingValues{"index.html", "Directory Listing", "", "/img/bg.jpg"}));
    StoreListingValues(settings, TrimListingValues({" ", " Fotos ", " Info ", " img\\a b.png "}));
    EXPECT_EQ(settings.Index, "");
    EXPECT_EQ(settings.ListingTitle, "Fotos");
    EXPECT_EQ(settings.ListingInfo, "Info");
    EXPECT_EQ(settings.ListingBg, "/img/a b.png");
    settings.ListingTitle.clear();
    EXPECT_EQ(ListingFormValues(settings).Title, "Directory Listing");
}

TEST(ListingValues, BackgroundForm) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"  ", ""},
        {"img\\bg.jpg", "/img/bg.jpg"},
        {"/bg.png", "/bg.png"},
        {"\\a\\b.gif", "/a/b.gif"},
    };
    for (const auto& [typed, stored] : cases)
        EXPECT_EQ(BackgroundForm(typed), stored) << typed;
}

TEST(ListingValues, BackgroundOfAChosenFile) {
    EXPECT_EQ(BackgroundOfFile("/srv/www/", "/srv/www/img/bg.jpg").value_or("-"), "/img/bg.jpg");
    EXPECT_FALSE(BackgroundOfFile("/srv/www/", "/srv/WWW/img/bg.jpg"));
    EXPECT_FALSE(BackgroundOfFile("/srv/www/", "/srv/www/"));
}

}  // namespace
}  // namespace palvex
