#pragma once
// The four rule rows of the IP filter editor without any widget: reading the
// rule text into rows and building the text back from what the user typed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "server/AccessControl.h"

namespace palvex {

inline constexpr size_t kFilterRows = 4;

// Shown before the editor when the rules cannot all be edited.
inline constexpr std::string_view kFilterUnreadable =
    "Die Filter-Einstellungen sind fehlerhaft oder zu umfangreich.\rSie können sie zwar "
    "(teilweise) ansehen, aber nicht ändern/speichern.";
// Heads the list of rows with bad addresses.
inline constexpr std::string_view kFilterBadAddresses =
    "Folgende Einträge enthalten ungültige IP-Nummern:\r";

// One row: the drop-down (kRangeRem for "-", kRangeBlock, kRangePermit; the
// same order as its items) and the two address fields as typed.
struct TFilterRow {
    uint8_t Kind = kRangeRem;
    std::string From;
    std::string To;
    bool operator==(const TFilterRow&) const = default;
};
using TFilterRows = std::array<TFilterRow, kFilterRows>;

struct TFilterRowsRead {
    TFilterRows Rows;
    // An entry was invalid or did not fit into the rows: the editor may show
    // the rows but not save them.
    bool Error = false;
};

// The rows for the rule text: valid entries in order, From and To in dotted
// order, To empty when it equals From.
TFilterRowsRead ReadFilterRows(std::string_view ipFilter);

struct TFilterText {
    bool Ok = false;
    // "kind:from-to" entries joined by ","; empty when no row is used.
    std::string Text;
    // kFilterBadAddresses and one line per bad row; empty when Ok.
    std::string Error;
};

// The rule text for the rows: a row with both fields empty is left out, an
// empty field takes the other's text, and both must be addresses.
TFilterText BuildFilterText(const TFilterRows& rows);

}  // namespace palvex
