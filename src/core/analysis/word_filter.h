#pragma once

#include <cstdint>

namespace tarvolen {

class WordStore;

// The rules of the Filter command, in the order of its radio buttons.
enum class FilterMode : std::int32_t {
    Rare = 0,   // seen fewer than N times
    Short = 1,  // shorter than N bytes
    Long = 2,   // longer than N bytes
    Listed = 3, // named by a word list (RemoveListedWords); N plays no part
};

inline constexpr std::int32_t kFilterMinValue = 1;
inline constexpr std::int32_t kFilterMaxValue = 10000;

inline constexpr const char* kNothingToFilterText = "The project is empty, nothing to filter!";
// printf format of the result, filled with the plain number of removed words.
inline constexpr const char* kWordsRemovedFormat = "%d words removed";

// Removes every word the rule picks; a word whose count or length equals value stays.
// Returns the number of words removed.
std::int32_t FilterWords(WordStore& store, FilterMode mode, std::int32_t value);

}  // namespace tarvolen
