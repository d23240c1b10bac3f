// Micro benchmarks of the generated listing: one page of 1000 rows from a
// cached folder of 10,000 files, and a rescan of that folder.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/SystemTime.h"
#include "common/TextConv.h"
#include "server/RequestParser.h"
#include "server/ServerThread.h"
#include "webapps/DirListing.h"

namespace palvex {
namespace {

constexpr int kBigFolderFiles = 10000;
constexpr char kPageHead[] = "GET /big/?fpp=1000 HTTP/1.0";

// A root folder holding "big/" with kBigFolderFiles small files, made once per
// run and removed at exit; every other file name is an image so that the page
// carries thumbnail cells too.
class TBigFolder {
  public:
    TBigFolder() {
        char pattern[] = "/tmp/palvex-listing-XXXXXX";
        if (!mkdtemp(pattern)) return;
        root_ = pattern;
        const std::filesystem::path big = root_ / "big";
        std::filesystem::create_directory(big);
        for (int i = 0; i < kBigFolderFiles; ++i) {
            const char* ext = i % 2 == 0 ? ".jpg" : ".txt";
            std::ofstream(big / ("file " + std::to_string(i) + ext)) << "data " << i;
        }
    }
    ~TBigFolder() {
        std::error_code ignored;
        if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
    }
    // The root as the server holds it: wide, ending with "/".
    std::u16string Root() const { return Utf8ToWide(root_.string() + "/"); }

  private:
    std::filesystem::path root_;
};

const TBigFolder& BigFolder() {
    static const TBigFolder folder;
    return folder;
}

void BM_ListDirectoryPageOf1000(benchmark::State& state) {
    THttpServer server;
    THttpServerThread conn{server, -1, 0};
    ParseHead(conn, kPageHead);
    TDirectoryListing listing;
    const std::u16string root = BigFolder().Root();
    listing.ListDirectory(conn, root, u"big\\", true);  // the first call scans
    for (auto _ : state) {
        // Keeps the cached entries fresh whatever the benchmark's duration.
        FindKnownDir(root, u"big\\")->ScanTime = NowDateTime();
        if (!listing.ListDirectory(conn, root, u"big\\", true)) state.SkipWithError("no listing");
        benchmark::DoNotOptimize(conn.ResponseBody);
    }
    state.counters["bytes"] = static_cast<double>(conn.ResponseBody.size());
}
BENCHMARK(BM_ListDirectoryPageOf1000)->Unit(benchmark::kMillisecond);

void BM_ScanDirectory10000Files(benchmark::State& state) {
    TKnownDir* d = FindKnownDir(BigFolder().Root(), u"big\\");
    if (!d) {
        state.SkipWithError("no folder");
        return;
    }
    for (auto _ : state) {
        if (!ScanDirectory(*d)) state.SkipWithError("scan failed");
        benchmark::DoNotOptimize(d->Entries->Count());
    }
    state.counters["entries"] = static_cast<double>(d->Entries->Count());
}
BENCHMARK(BM_ScanDirectory10000Files)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace palvex
