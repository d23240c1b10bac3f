// libFuzzer target: the settings editors' cells and rule rows. Whatever the
// user types, a text that passes the checks reads back into cells that build
// the same text again (nothing is lost or changed by a save and a reload),
// and it never holds a line break that would split the settings file.

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "config/AuthTexts.h"
#include "config/FilterRows.h"

using namespace palvex;

namespace {

constexpr char kCellSeparator = '\xff';

std::vector<std::string> Cells(std::string_view input) {
    std::vector<std::string> cells;
    while (!input.empty()) {
        const size_t end = input.find(kCellSeparator);
        cells.emplace_back(input.substr(0, end));
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    }
    return cells;
}

// Groups take the first five cells, then users three and folders two each.
TMembersGrids GridsOf(const std::vector<std::string>& cells) {
    TMembersGrids grids;
    size_t i = 0;
    auto next = [&] { return i < cells.size() ? cells[i++] : std::string(); };
    for (size_t g = 0; g < kGroupRows; ++g)
        grids.Groups.push_back(next());
    while (i < cells.size()) {
        grids.Users.push_back({next(), next(), next()});
        grids.Folders.push_back({next(), next()});
    }
    return grids;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

void CheckMembers(std::string_view input) {
    const TAuthTexts texts = BuildAuthTexts(GridsOf(Cells(input)));
    if (!texts.Ok) return;
    if (HasLineBreak(texts.AuthUser) || HasLineBreak(texts.AuthDir)) abort();
    const TAuthTexts again = BuildAuthTexts(LoadMembersGrids(texts.AuthUser, texts.AuthDir));
    if (!again.Ok || again.AuthUser != texts.AuthUser || again.AuthDir != texts.AuthDir) abort();
}

void CheckFilter(std::string_view input) {
    const TFilterRowsRead read = ReadFilterRows(input);
    if (read.Error) return;
    const TFilterText built = BuildFilterText(read.Rows);
    if (!built.Ok) abort();
    const TFilterRowsRead again = ReadFilterRows(built.Text);
    if (again.Error || again.Rows != read.Rows) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckMembers(input);
    CheckFilter(input);
    return 0;
}
