// The per-folder cache behind the listing: description documents, entry
// lists and the folder scan.

#include "webapps/KnownDirs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <list>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "common/FileIo.h"
#include "common/Paths.h"
#include "common/SystemTime.h"
#include "common/TextConv.h"
#include "server/StaticFiles.h"

namespace palvex {

std::atomic<int> BusyFlag{0};

void ClaimBusyFlag(int rounds) {
    for (int round = 0; round < rounds && BusyFlag.load() != 0; ++round)
        std::this_thread::sleep_for(std::chrono::milliseconds(kBusyWaitMillis));
    BusyFlag.store(1);
}

namespace {

// Closes the enumeration on every way out.
struct TDirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using TDirHandle = std::unique_ptr<DIR, TDirCloser>;

// Linux has no hidden attribute: a leading dot hides a name ("." and ".." aside).
bool IsHiddenName(std::u16string_view name) {
    return name.starts_with(u'.') && name != u"." && name != u"..";
}

// True for entries that never appear in a listing.
bool IsUnlistedName(std::u16string_view name, bool atRoot) {
    if (name.empty() || name.size() > kMaxListedNameChars || name == u".") return true;
    if (name == u"..") return atRoot;
    return IsHiddenName(name) || IsFolderConfigFile(name);
}

// The listed size of an entry: 0 for a folder, the byte size for a file;
// false when the entry is not listed (unreadable, empty, 2 GiB or more, or
// neither file nor folder).
bool ListedSize(int dirFd, const char* name, int32_t& size) {
    struct stat st {};
    if (fstatat(dirFd, name, &st, 0) != 0) return false;
    const uint64_t bytes = static_cast<uint64_t>(st.st_size);
    if ((bytes >> 32) != 0) return false;
    if (S_ISDIR(st.st_mode)) {
        size = 0;
        return true;
    }
    size = static_cast<int32_t>(static_cast<uint32_t>(bytes));
    return S_ISREG(st.st_mode) && size >= 1;
}

// True when no other byte name can decode to this text: only names with
// invalid UTF-8 (shown as U+FFFD) can share one.
bool DecodedUniquely(std::u16string_view name) {
    return name.find(u'\uFFFD') == std::u16string_view::npos;
}

// Reads the entries of an open folder into the sorted list, up to
// kMaxListedEntries. The names are appended and sorted once at the end:
// inserting each at its place would move half the list every time. Two byte
// names may decode to the same text; only the first read is kept.
void ReadEntries(DIR* dir, bool atRoot, TWStringList& list) {
    list.SetSorted(false);
    std::unordered_set<std::u16string> undecodable;
    size_t added = 0;
    while (added < kMaxListedEntries) {
        const dirent* entry = readdir(dir);
        if (!entry) break;
        std::u16string name = Utf8ToWide(entry->d_name);
        int32_t size = 0;
        if (IsUnlistedName(name, atRoot) || !ListedSize(dirfd(dir), entry->d_name, size)) continue;
        ++added;
        if (DecodedUniquely(name) || undecodable.insert(name).second)
            list.AddObject(std::move(name), size);
    }
    list.SetSorted(true);
}

}  // namespace

TKnownDir::TKnownDir(std::u16string rootFolder, std::u16string relativePath)
    : Key(rootFolder + relativePath),
      RootFolder(std::move(rootFolder)),
      RelativePath(std::move(relativePath)) {}

namespace {

// The folders listed lately, most recently used first, with an index by key.
// Touched inside HookLock only; never freed, so a connection thread that
// outlives the program's end still finds it intact.
struct TKnownDirCache {
    std::list<std::unique_ptr<TKnownDir>> Order;
    std::unordered_map<std::u16string, std::list<std::unique_ptr<TKnownDir>>::iterator> Index;
};

TKnownDirCache& Cache() {
    static auto* cache = new TKnownDirCache;
    return *cache;
}

size_t EntriesOf(const TKnownDir& d) {
    return d.Entries ? d.Entries->Count() : 0;
}

// Drops the least recently used folders (never keep) until both bounds hold.
void TrimCache(const TKnownDir* keep) {
    TKnownDirCache& cache = Cache();
    size_t entries = KnownDirEntryCount();
    auto victim = cache.Order.end();
    while (cache.Order.size() > kMaxKnownDirs || entries > kMaxKnownDirEntries) {
        if (victim == cache.Order.begin()) return;
        --victim;
        if (victim->get() == keep) continue;
        entries -= EntriesOf(**victim);
        cache.Index.erase((*victim)->Key);
        victim = cache.Order.erase(victim);
    }
}

}  // namespace

size_t KnownDirCount() {
    return Cache().Order.size();
}

size_t KnownDirEntryCount() {
    size_t entries = 0;
    for (const auto& d : Cache().Order)
        entries += EntriesOf(*d);
    return entries;
}

TKnownDir* FindKnownDir(const std::u16string& rootFolder, const std::u16string& relativePath,
                        bool* shortage) {
    TKnownDirCache& cache = Cache();
    if (auto found = cache.Index.find(rootFolder + relativePath); found != cache.Index.end()) {
        cache.Order.splice(cache.Order.begin(), cache.Order, found->second);
        return found->second->get();
    }
    const std::u16string folder = JoinRootPath(rootFolder, relativePath);
    if (!FolderExists(folder)) return nullptr;
    auto d = std::make_unique<TKnownDir>(rootFolder, relativePath);
    // Read once for the folder's time in the cache: a read that failed for
    // lack of resources must not leave it without its description.
    if (!d->FileInfo.LoadFromFile(folder + std::u16string(kFileInfoName)) &&
        IsResourceShortage(errno)) {
        if (shortage) *shortage = true;
        return nullptr;
    }
    TKnownDir* result = d.get();
    cache.Order.push_front(std::move(d));
    cache.Index.emplace(result->Key, cache.Order.begin());
    TrimCache(result);
    return result;
}

bool RefreshEntries(TKnownDir& d) {
    const double age = NowDateTime() - d.ScanTime;
    if (d.Entries && age >= 0 && age <= kEntriesFreshDays) return true;
    const bool scanned = ScanDirectory(d);
    TrimCache(&d);
    return scanned;
}

bool ScanDirectory(TKnownDir& d) {
    if (d.Entries) {
        d.Entries->Clear();
    } else {
        // Case only breaks ties: two names that differ in case alone are both
        // listed, which a Linux folder can hold.
        d.Entries = std::make_unique<TWStringList>();
        d.Entries->SetCaseSensitive(true);
        d.Entries->SetSorted(true);
    }
    ClaimBusyFlag(kBusyWaitRounds);
    TDirHandle dir(opendir(FsPath(JoinRootPath(d.RootFolder, d.RelativePath)).c_str()));
    if (!dir) {
        BusyFlag.store(0);
        return false;
    }
    ReadEntries(dir.get(), d.RelativePath.empty(), *d.Entries);
    dir.reset();
    BusyFlag.store(0);
    d.ScanTime = NowDateTime();
    return true;
}

}  // namespace palvex
