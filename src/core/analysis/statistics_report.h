#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/store/word_order.h"
#include "core/text/code_page.h"

namespace tarvolen {

class WordStore;

// Shown instead of a report when the list holds no words: every figure would divide
// by zero.
inline constexpr const char* kNothingToAnalyseText = "The project is empty, nothing to analyse!";

// One letter of a UTF-8 list: how many words start with it, how often it occurs.
struct LetterFigures {
    char32_t letter;  // as stored (lower case)
    std::int32_t first = 0;
    std::int32_t all = 0;
};

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
    // A UTF-8 list: lengths are in characters, and the letter lines are these, one
    // for each letter that occurs, in code point order, instead of A..Z.
    bool utf8 = false;
    std::vector<LetterFigures> letters;

    // Takes the word as the most common one if it occurs more often than the word held,
    // or as often and comes first in byte order: among words tied at the top the first
    // in byte order is named, whatever order the words are met in (threads, processes).
    void OfferTop(std::uint32_t count, std::string_view word) {
        if (count > topCount || (count == topCount && count != 0 && WordOrder(word, topWord))) {
            topCount = count;
            topWord.assign(word);
        }
    }
};

// The letter lines of the report and the chart: A..Z, or a UTF-8 list's letters.
std::size_t LetterLineCount(const StatisticsFigures& figures);
// Each line's letter in capitals, as UTF-8 ("A", or the simple upper-case mapping).
// Letters of the list that share their capital (σ and ς, Turkish ı and i) would read
// as the same line: each of them shows the capital and then itself, "Σ (σ)" and
// "Σ (ς)", or in the Short form only itself, for the narrow labels of a chart.
enum class LabelForm { Report, Short };
std::vector<std::string> LetterLabels(const StatisticsFigures& figures,
                                      LabelForm form = LabelForm::Report);

// The letters chart: a bar for every letter line where they are few (A..Z), and of a
// UTF-8 list's letters, where there may be hundreds, for the most frequent (by their
// occurrences among all letters), most frequent first, and the rest summed apart: as
// one more bar it would dwarf the others and find no room for its label.
struct ChartLetter {
    std::string label;
    double firstPercent;
    double allPercent;
};
struct LetterChart {
    std::vector<ChartLetter> bars;
    std::size_t others = 0;  // letters without a bar
    double othersFirstPercent = 0.0;
    double othersAllPercent = 0.0;
};
inline constexpr std::size_t kChartedLetters = 26;
LetterChart ChartLetters(const StatisticsFigures& figures, std::size_t most = kChartedLetters);

// The shares the report prints, in percent, and the number of words of one length.
// The charts of the Info window draw these same numbers.
double FirstLetterPercent(const StatisticsFigures& figures, std::size_t letter);
double AllLettersPercent(const StatisticsFigures& figures, std::size_t letter);
std::int32_t WordsOfLength(const StatisticsFigures& figures, std::int32_t length);
double LengthPercent(const StatisticsFigures& figures, std::int32_t length);

// One pass over the store in its iteration order. Of several words sharing the highest
// count the first one met is kept. Words of a UTF-8 list are measured in characters.
StatisticsFigures GatherStatistics(const WordStore& store,
                                   CodePage listCodePage = CodePage::Windows1252);
// The UTF-8 list's letter lines and lengths (utf8_statistics.cpp).
void GatherUtf8Letters(const WordStore& store, StatisticsFigures& figures);

// Adds the figures of another part of the same list (no word in either part is in
// the other): the figures of both parts gathered as one. Of two parts with the same
// highest count, into's word is kept.
void AddStatistics(StatisticsFigures& into, const StatisticsFigures& part);

// The report text, lines ended by CR LF. Requires figures.wordCount > 0.
std::string FormatStatisticsReport(const StatisticsFigures& figures);

// The report of the store, or nothing when it is empty.
std::optional<std::string> BuildStatisticsReport(const WordStore& store,
                                                 CodePage listCodePage = CodePage::Windows1252);

}  // namespace tarvolen
