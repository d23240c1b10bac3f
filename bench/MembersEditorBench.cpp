// Saving from the protected-folder editor: checking 500 users and 50 folders,
// building the setting texts and swapping the running server's tables.
// Target: well under 50 ms per save.

#include <benchmark/benchmark.h>

#include <string>

#include "config/AuthTexts.h"
#include "config/MembersGrids.h"
#include "server/AccessControl.h"

namespace palvex {
namespace {

constexpr int kUsers = 500;
constexpr int kFolders = 50;
constexpr int kGroups = 10;

// The grids as the editor holds them after loading users uN and folders
// dirN/sub, each in group gN%10.
TMembersGrids FilledGrids() {
    std::string users, dirs;
    for (int i = 0; i < kUsers; ++i)
        users += (i ? "|user" : "user") + std::to_string(i) + ":pw" + std::to_string(i) + ":g" +
                 std::to_string(i % kGroups);
    for (int i = 0; i < kFolders; ++i)
        dirs += (i ? "|dir" : "dir") + std::to_string(i) + "/sub:g" + std::to_string(i % kGroups);
    return LoadMembersGrids(users, dirs);
}

void BM_SaveMembers500Users50Folders(benchmark::State& state) {
    const TMembersGrids grids = FilledGrids();
    for (auto _ : state) {
        const TAuthTexts texts = BuildAuthTexts(grids);
        ApplyProtectedFolders(texts.AuthDir, texts.AuthUser);
        benchmark::DoNotOptimize(texts.Users);
    }
    state.SetLabel("check + build + apply");
}
BENCHMARK(BM_SaveMembers500Users50Folders)->Unit(benchmark::kMillisecond);

void BM_LoadMembersGrids500Users50Folders(benchmark::State& state) {
    for (auto _ : state) {
        TMembersGrids grids = FilledGrids();
        benchmark::DoNotOptimize(grids);
    }
}
BENCHMARK(BM_LoadMembersGrids500Users50Folders)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace palvex
