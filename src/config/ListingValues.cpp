#include "config/ListingValues.h"

#include "common/TextConv.h"
#include "config/IndexName.h"
#include "config/PathOps.h"
#include "config/RootRelative.h"

namespace palvex {

TListingValues ListingFormValues(const TServerSettings& settings) {
    TListingValues values = ListingSettingValues(settings);
    if (values.Index.empty()) values.Index = kDefaultIndexName;
    if (values.Title.empty()) values.Title = kDefaultListingTitle;
    return values;
}

TListingValues TrimListingValues(const TListingValues& typed) {
    return {std::string(TrimBlanks(typed.Index)), std::string(TrimBlanks(typed.Title)),
            std::string(TrimBlanks(typed.Info)), BackgroundForm(typed.Background)};
}

TListingValues ListingSettingValues(const TServerSettings& settings) {
    return {settings.Index, settings.ListingTitle, settings.ListingInfo,
            BackgroundForm(settings.ListingBg)};
}

void StoreListingValues(TServerSettings& settings, const TListingValues& trimmed) {
    settings.Index = trimmed.Index;
    settings.ListingTitle = trimmed.Title;
    settings.ListingInfo = trimmed.Info;
    settings.ListingBg = trimmed.Background;
}

std::string BackgroundForm(std::string_view text) {
    return PathToUrl(TrimBlanks(text));
}

bool IsPlainIndexName(std::string_view name) {
    bool unsafe = false;
    SafeIndexName(name, &unsafe);
    return !unsafe;
}

std::optional<std::string> BackgroundOfFile(std::string_view root, std::string_view file) {
    const std::optional<std::string> rest = PathBelowRoot(root, file);
    if (!rest || rest->empty()) return std::nullopt;
    return PathToUrl(*rest);
}

}  // namespace palvex
