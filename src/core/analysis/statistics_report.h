#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tarvolen {

class WordStore;

// Shown instead of a report when the list holds no words: every figure would divide
// by zero.
inline constexpr const char* kNothingToAnalyseText = "The project is empty, nothing to analyse!";

// Figures about the distinct words of a store. Every figure counts each distinct word
// once; only the most common word looks at occurrence counts.
struct StatisticsFigures {
    std::uint32_t wordCount = 0;
    std::int32_t minLen = 1000;
    std::int32_t maxLen = 0;
    std::int32_t sumLen = 0;  // also the letter total the letter percentages divide by
    std::string topWord;
    std::uint32_t topCount = 0;
    std::array<std::int32_t, 26> firstLetter{};  // words starting with 'a' + k
    std::array<std::int32_t, 26> allLetters{};   // occurrences of 'a' + k in all words
    std::array<std::int32_t, 256> lengthCount{};
};

// The shares the report prints, in percent, and the number of words of one length.
// The charts of the Info window draw these same numbers.
double FirstLetterPercent(const StatisticsFigures& figures, std::size_t letter);
double AllLettersPercent(const StatisticsFigures& figures, std::size_t letter);
std::int32_t WordsOfLength(const StatisticsFigures& figures, std::int32_t length);
double LengthPercent(const StatisticsFigures& figures, std::int32_t length);

// One pass over the store in its iteration order. Of several words sharing the highest
// count the first one met is kept.
StatisticsFigures GatherStatistics(const WordStore& store);

// The report text, lines ended by CR LF. Requires figures.wordCount > 0.
std::string FormatStatisticsReport(const StatisticsFigures& figures);

// The report of the store, or nothing when it is empty.
std::optional<std::string> BuildStatisticsReport(const WordStore& store);

}  // namespace tarvolen
