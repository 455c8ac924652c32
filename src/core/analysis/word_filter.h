#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/text/code_page.h"

namespace tarvolen {

class WordStore;

// The rules of the Filter command, in the order of its radio buttons.
enum class FilterMode : std::int32_t {
    Rare = 0,    // seen fewer than N times
    Short = 1,   // shorter than N letters (bytes; characters in a UTF-8 list)
    Long = 2,    // longer than N letters
    Listed = 3,  // named by a word list (RemoveListedWords); N plays no part
    Range = 4,   // found in fewer than N documents (FilterByRange)
};

inline constexpr std::int32_t kFilterMinValue = 1;
inline constexpr std::int32_t kFilterMaxValue = 10000;
// Shown when the typed N is a number outside the range, and when it is no number.
inline constexpr const char* kFilterRangeText = "Please enter an integer between 1 and 10000.";
inline constexpr const char* kFilterIntegerText = "Please enter an integer.";

// The typed text as a signed decimal number, blanks around it ignored; nothing when
// it is anything else or does not fit 32 bits.
std::optional<std::int32_t> ParseInteger(std::string_view text);
// The typed text as an N of the Filter rules: ParseInteger within kFilterMinValue to
// kFilterMaxValue.
std::optional<std::int32_t> ParseFilterValue(std::string_view text);
// Why ParseFilterValue refuses the text: kFilterIntegerText when it is no decimal
// number at all, kFilterRangeText when it is one outside the range (however many
// digits it has); nullptr when it is accepted.
const char* FilterValueRefusal(std::string_view text);

inline constexpr const char* kNothingToFilterText = "The project is empty, nothing to filter!";
// printf format of the result, filled with the plain number of removed words.
inline constexpr const char* kWordsRemovedFormat = "%d words removed";

// The N of the range rule: a plain decimal number from 1 to 4,294,967,295, blanks
// around it ignored.
std::optional<std::uint32_t> ParseRangeValue(std::string_view text);

// Removes every word counted in fewer than minRange documents; returns how many.
std::int32_t FilterByRange(WordStore& store, std::uint32_t minRange);

// Removes every word the rule picks; a word whose count or length equals value stays.
// Returns the number of words removed. The words of a UTF-8 list are measured in
// characters.
std::int32_t FilterWords(WordStore& store, FilterMode mode, std::int32_t value,
                         CodePage listCodePage = CodePage::Windows1252);

}  // namespace tarvolen
