#pragma once
// Generated directory listings: the per-folder cache of entries and
// descriptions (KnownDirs) and the page generator the server calls for folders
// without an index document.
//
// Set up once at server start:
//     auto listing = std::make_shared<TDirectoryListing>();
//     listing->Title = ...; listing->Info = ...; listing->Background = ...;
//     server.DirectoryListing = listing;

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/WStringList.h"
#include "server/DirectoryListingBase.h"
#include "webapps/FileInfoXml.h"

namespace palvex {

// 1 while a folder scan or a thumbnail image load runs; both wait a little for
// the other before they start (advisory only).
extern std::atomic<int> BusyFlag;
// Waits up to rounds x 200 ms for the flag to clear, then sets it anyway.
void ClaimBusyFlag(int rounds);

// Limits of the folder scan and its cache.
inline constexpr size_t kMaxListedEntries = 10000;
inline constexpr size_t kMaxListedNameChars = 250;
inline constexpr double kEntriesFreshDays = 30.0 / 86400.0;
inline constexpr int kBusyWaitRounds = 10;
// Bounds of the folder cache. Symbolic link loops make endless distinct
// folder paths, so the cache keeps the most recently listed folders only;
// a folder pushed out is scanned again on its next request.
inline constexpr size_t kMaxKnownDirs = 256;
inline constexpr size_t kMaxKnownDirEntries = 100000;
inline constexpr int kBusyWaitMillis = 200;

// One folder that has been listed: its description document, read once, and
// its entries, rescanned when older than kEntriesFreshDays.
class TKnownDir {
  public:
    TKnownDir(std::u16string rootFolder, std::u16string relativePath);
    TKnownDir(const TKnownDir&) = delete;
    TKnownDir& operator=(const TKnownDir&) = delete;

    std::u16string Key;           // RootFolder + RelativePath, compared exactly
    std::u16string RootFolder;    // ends with "/"
    std::u16string RelativePath;  // backslash form, ends with "\", empty for the root
    TMorviXmlFile FileInfo;       // empty when the folder has no ".FileInfo"
    // Name and size of every listed entry (0 for folders); created on the first scan.
    std::unique_ptr<TWStringList> Entries;
    double ScanTime = 0;  // date-time (UTC, so clock shifts of DST do not matter) of the last scan
};

// The cached folder for root + relativePath, created (and its ".FileInfo" read)
// when not cached; nullptr when that folder does not exist, or when its
// ".FileInfo" could not be read for lack of descriptors or memory (then
// shortage is set, and nothing is cached). Marks it as the
// most recently used; the pointer stays valid until the next FindKnownDir or
// RefreshEntries call, which may push other folders out of the cache.
TKnownDir* FindKnownDir(const std::u16string& rootFolder, const std::u16string& relativePath,
                        bool* shortage = nullptr);
// Rescans the folder unless its entries are younger than kEntriesFreshDays,
// then trims the cache to its bounds (never dropping d). False when the scan
// failed (errno tells why).
bool RefreshEntries(TKnownDir& d);
// Folders and entries held by the cache.
size_t KnownDirCount();
size_t KnownDirEntryCount();
// Reads the folder's listable entries into Entries: no hidden names, no
// description or access files, no empty files, at most kMaxListedEntries.
// False (entries empty, ScanTime unchanged, errno set) when the folder cannot
// be read.
bool ScanDirectory(TKnownDir& d);

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
