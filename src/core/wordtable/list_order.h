#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/text/code_page.h"

namespace tarvolen {

class Collation;
class ListSnapshot;

// What the Word List window sorts by. Percentages and occurrences per million sort
// as the counts they are made of, the range's share as the range.
enum class ListSortKey : std::uint8_t {
    Rank,           // FrequencyOrder
    Word,           // WordOrder
    WordBackwards,  // the word read from its end (BackwardsOrder)
    Count,
    Length,
    Range,
    // Against a reference list:
    ReferenceCount,
    Keyness,  // G2, descending as the keyword list orders its records
    LogRatio,
};

struct ListSort {
    ListSortKey key = ListSortKey::Rank;
    bool descending = false;

    bool operator==(const ListSort&) const = default;
};

// The snapshot's row indexes in a sorted order. The snapshot is in FrequencyOrder
// already, so that order and its reverse need no array: for millions of words the
// window then holds 4 bytes a word less in the order it opens with.
class RowOrder {
  public:
    RowOrder() = default;
    // Every row by rank, or from the last rank to the first.
    RowOrder(std::size_t size, bool reversed) : size_(size), reversed_(reversed) {}
    explicit RowOrder(std::vector<std::uint32_t> rows)
        : size_(rows.size()), rows_(std::move(rows)) {}

    std::size_t size() const { return size_; }
    std::uint32_t operator[](std::size_t i) const {
        if (!rows_.empty())
            return rows_[i];
        return static_cast<std::uint32_t>(reversed_ ? size_ - 1 - i : i);
    }
    std::vector<std::uint32_t> ToVector() const;
    std::size_t BytesHeld() const { return rows_.capacity() * sizeof(std::uint32_t); }

  private:
    std::size_t size_ = 0;
    bool reversed_ = false;
    std::vector<std::uint32_t> rows_;  // empty: by rank
};

// The snapshot's rows in the order asked for. Rows the key does not tell apart (equal
// counts, lengths or ranges) stay in rank order, whichever the direction; words are
// never equal, so a word order read descending is the ascending one reversed, and so
// is the keyword order, whose ties go by the word. With a collation, words go in its
// order (read forwards; backwards they stay in byte order, which rhymes), byte order
// between the words it finds equal.
RowOrder SortRows(const ListSnapshot& snapshot, ListSort sort, CodePage encoding,
                  const Collation* collation = nullptr);

}  // namespace tarvolen
