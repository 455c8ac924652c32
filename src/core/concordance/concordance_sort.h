#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/concordance/occurrences.h"

namespace tarvolen {

// A key of the concordance's sort: the word |n| places to the left (n < 0, L1..L3)
// or to the right (n > 0, R1..R3) of the match.
using ConcordanceKey = std::int8_t;

// "R1,R2,L1": one to three keys; nothing when the text is no such list.
std::optional<std::vector<ConcordanceKey>> ParseConcordanceKeys(std::string_view text);

// The occurrences' indices sorted by the keys: the neighbouring words (folded) in
// byte order, a missing word first, ties in document order.
std::vector<std::uint32_t> SortedOccurrences(const Concordance& concordance,
                                             const std::vector<ConcordanceKey>& keys);

}  // namespace tarvolen
