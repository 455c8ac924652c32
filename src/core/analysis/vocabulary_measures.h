#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/store/segment_figures.h"

namespace tarvolen {

class WordStore;

// The standard measures of a vocabulary: from the list as it stands (after filters),
// and the segments of the documents read into it.
struct VocabularyMeasures {
    std::uint64_t tokens = 0;  // the sum of the counts
    std::uint64_t types = 0;   // the entries
    std::uint64_t hapax = 0;   // entries counted once
    std::uint64_t dis = 0;     // and twice
    SegmentFigures segments;

    // Adds the figures of another part of the same list (no entry in both).
    void AddList(const VocabularyMeasures& part) {
        tokens += part.tokens;
        types += part.types;
        hapax += part.hapax;
        dis += part.dis;
    }
    // In percent; nothing where there is nothing to divide by.
    std::optional<double> TypeTokenRatio() const;
    std::optional<double> StandardisedRatio() const;
    std::optional<double> HapaxShare() const;
    std::optional<double> DisShare() const;
};

// The list's figures; segments are the caller's to add.
VocabularyMeasures MeasureList(const WordStore& store);

// The lines "Tokens: 1,234,567" and so on, in UTF-8 with LF line ends, each figure as
// the report shows it.
struct MeasureLine {
    std::string label;  // "Tokens", ...
    std::string value;  // "1,234,567", "45.23% (1,234 segments of 1,000 tokens)", "n/a"
};
std::vector<MeasureLine> MeasureLines(const VocabularyMeasures& measures);
std::string FormatMeasures(const VocabularyMeasures& measures);

// The counts of the list's entries, the highest first: the frequency of each rank, which
// the Zipf plot draws.
std::vector<std::uint32_t> RankedCounts(const WordStore& store);

// The least-squares slope of log10 frequency over log10 rank, over the first ranks
// (ranked as RankedCounts gives them); nothing with fewer than two ranks.
inline constexpr std::size_t kZipfFitRanks = 10'000;
std::optional<double> ZipfSlope(const std::vector<std::uint32_t>& ranked,
                                std::size_t ranks = kZipfFitRanks);

}  // namespace tarvolen
