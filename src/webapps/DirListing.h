#pragma once
// Generated directory listings: the page generator the server calls for
// folders without an index document, over the folder cache of KnownDirs.h.
//
// Set up once at server start:
//     auto listing = std::make_shared<TDirectoryListing>();
//     listing->Title = ...; listing->Info = ...; listing->Background = ...;
//     server.DirectoryListing = listing;

#include <cstdint>
#include <string>
#include <string_view>

#include "server/DirectoryListingBase.h"
#include "webapps/KnownDirs.h"

namespace palvex {

// Text as pure ASCII for an ISO-8859-1 page: code units 32..127 stay, all
// others become "&#n;" (a surrogate pair becomes one reference). Markup in the
// text stays markup.
std::string EncodeCharRefs(std::u16string_view text);
// As EncodeCharRefs, but "<", ">" and the double quote become "&lt;", "&gt;" and
// "&quot;", so that a file name cannot bring markup into the page.
std::string EncodeNameRefs(std::u16string_view text);

// Size text of the size column: kilobytes rounded half up, at least 1, thousands
// separated by single spaces ("1 234 567").
std::string KbText(uint32_t size);

// Rows shown by one page: entries first..last of count, fpp rows a page.
struct TListingPage {
    int First = 0;
    int Last = 0;
    int PerPage = 0;
    int Pages = 0;
    int Page = 0;  // 1-based
};
inline constexpr int kDefaultRowsPerPage = 25;
inline constexpr int kMinRowsPerPage = 10;
inline constexpr int kMaxRowsPerPage = 1000;
// The page for the requested first entry and rows per page (0 when absent).
TListingPage ComputeListingPage(int count, long long first, long long perPage);

class TDirectoryListing : public TDirectoryListing_Base {
  public:
    // Builds the listing page of root + relativePath ("\" for the root) into
    // the connection; false with rsNotFound when there is nothing to list.
    bool ListDirectory(THttpServerThread& conn, const std::u16string& rootFolder,
                       const std::u16string& relativePath, bool slashed) override;
};

}  // namespace palvex
