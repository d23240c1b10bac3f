#pragma once
// The per-folder cache of the directory listings: each listed folder's
// entries and its description document, bounded in folders and entries.

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

#include "common/WStringList.h"
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

}  // namespace palvex
