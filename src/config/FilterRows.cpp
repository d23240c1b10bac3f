#include "config/FilterRows.h"

#include "common/Codecs.h"
#include "common/TextConv.h"
#include "config/IpFilter.h"

namespace palvex {

namespace {

constexpr std::string_view kLineBreak = "\n";
// Written for each drop-down item, in its order.
constexpr std::string_view kKeywords[] = {"rem:", "block:", "permit:"};

// "from - to (Zeile n)" and a line break.
std::string BadRowLine(std::string_view from, std::string_view to, size_t row) {
    return std::string(from) + " - " + std::string(to) + " (Zeile " + std::to_string(row) + ")" +
           std::string(kLineBreak);
}

}  // namespace

TFilterRowsRead ReadFilterRows(std::string_view ipFilter) {
    TFilterRowsRead read;
    size_t used = 0;
    while (HasFilterEntry(ipFilter)) {
        if (used == kFilterRows) {
            read.Error = true;  // more rules than rows
            break;
        }
        uint32_t from, to;
        uint8_t kind;
        if (!ParseFilterEntry(ipFilter, from, to, kind)) {
            read.Error = true;
            continue;
        }
        TFilterRow& row = read.Rows[used++];
        row.Kind = kind;
        row.From = FormatIPv4(from);
        if (to != from) row.To = FormatIPv4(to);
    }
    return read;
}

TFilterText BuildFilterText(const TFilterRows& rows) {
    TFilterText out;
    std::string badLines;
    for (size_t i = 0; i < rows.size(); ++i) {
        std::string_view from = TrimBlanks(rows[i].From);
        std::string_view to = TrimBlanks(rows[i].To);
        if (from.empty() && to.empty()) continue;
        if (from.empty()) from = to;
        if (to.empty()) to = from;
        uint32_t first, last;
        if (!ParseFilterAddress(from, first) || !ParseFilterAddress(to, last)) {
            badLines += BadRowLine(from, to, i + 1);
            continue;
        }
        const size_t kind = rows[i].Kind < std::size(kKeywords) ? rows[i].Kind : size_t{kRangeRem};
        if (!out.Text.empty()) out.Text += ',';
        out.Text += std::string(kKeywords[kind]) + FormatIPv4(first) + "-" + FormatIPv4(last);
    }
    if (!badLines.empty()) {
        out.Error = std::string(kFilterBadAddresses) + badLines;
        out.Text.clear();
        return out;
    }
    out.Ok = true;
    return out;
}

}  // namespace palvex
