#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

namespace tarvolen {

class WordStore;

// The single words of a stop list.
using ListedWords = std::unordered_set<std::string>;

// Removes every entry of words in a row (words joined by one space) that holds one of
// the listed words as one of its words: a stop word takes its n-grams with it.
// Returns how many were removed.
std::int32_t RemoveRowsHolding(WordStore& store, const ListedWords& words);

}  // namespace tarvolen
