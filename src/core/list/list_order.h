#pragma once

#include <cstdint>
#include <vector>

#include "core/util/code_page.h"

namespace tarvolen {

class ListSnapshot;

// What the Word List window sorts by. Percentages and occurrences per million sort
// as the counts they are made of.
enum class ListSortKey : std::uint8_t {
    Rank,           // FrequencyOrder
    Word,           // WordOrder
    WordBackwards,  // the word read from its end (BackwardsOrder)
    Count,
    Length,
};

struct ListSort {
    ListSortKey key = ListSortKey::Rank;
    bool descending = false;

    bool operator==(const ListSort&) const = default;
};

// The snapshot's row indexes in the order asked for. Rows the key does not tell apart
// (equal counts or lengths) stay in rank order, whichever the direction; words are
// never equal, so a word order read descending is the ascending one reversed.
std::vector<std::uint32_t> SortRows(const ListSnapshot& snapshot, ListSort sort, CodePage encoding);

}  // namespace tarvolen
