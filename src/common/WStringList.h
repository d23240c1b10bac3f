#pragma once
// A list of wide strings, each with a 32-bit companion value, optionally kept
// sorted by a fixed, locale-independent collation (see CollateCompare).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace palvex {

// Compares two wide texts for sorting as people read names, the same on every
// machine whatever its locale:
//  1. primary level: blanks and punctuation come first (by code), then digits,
//     then Latin letters in alphabet order with case and accents ignored
//     ("Äpfel" sorts with "Apfel", "ß" reads "ss", "æ" reads "ae"), then every
//     other character by its code, upper and lower case of Greek and Cyrillic
//     folded together;
//  2. accents: on equal primaries the plain letter precedes its accented forms;
//  3. only with caseSensitive: lower case precedes upper case, and texts that are
//     still equal are ordered by their code units, so only identical texts tie.
// Returns < 0, 0 or > 0.
int CollateCompare(std::u16string_view a, std::u16string_view b, bool caseSensitive);

enum class TDuplicates { Ignore, Accept, Error };

class TWStringList {
  public:
    struct TItem {
        std::u16string Text;
        int32_t Object = 0;
    };

    // Adds text with its value: at its sorted place when Sorted, else at the end.
    // A sorted list that already holds an equal text and does not accept
    // duplicates adds nothing and returns the existing index.
    size_t AddObject(std::u16string text, int32_t object);
    size_t Add(std::u16string text) { return AddObject(std::move(text), 0); }

    // Bisection search in a sorted list: true when an equal text exists, with its
    // index (the lowest equal one when duplicates are accepted); otherwise the
    // index where text would be inserted.
    bool Find(std::u16string_view text, size_t& index) const;

    size_t Count() const { return items_.size(); }
    const std::u16string& Get(size_t index) const { return items_.at(index).Text; }
    int32_t GetObject(size_t index) const { return items_.at(index).Object; }
    void Clear() { items_.clear(); }

    bool Sorted() const { return sorted_; }
    // Turning sorting on sorts the present items (equal ones keep their order).
    void SetSorted(bool sorted);
    bool CaseSensitive() const { return caseSensitive_; }
    // Changing it re-sorts a sorted list.
    void SetCaseSensitive(bool caseSensitive);
    TDuplicates Duplicates = TDuplicates::Ignore;

  private:
    int Compare(std::u16string_view a, std::u16string_view b) const {
        return CollateCompare(a, b, caseSensitive_);
    }
    void Sort();

    std::vector<TItem> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
};

}  // namespace palvex
