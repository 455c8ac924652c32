#include "core/analysis/vocabulary_measures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>

#include "core/store/word_store.h"
#include "core/text/format_count.h"

namespace tarvolen {

namespace {

std::optional<double> Percent(std::uint64_t part, std::uint64_t whole) {
    if (whole == 0)
        return std::nullopt;
    return 100.0 * static_cast<double>(part) / static_cast<double>(whole);
}

std::string Count(std::uint64_t value) {
    return FormatCount64(static_cast<std::int64_t>(value), ',');
}

// Rounded as printf's "%.2f" rounds, whatever the locale (the window's may write a
// decimal comma).
std::string PercentText(std::optional<double> percent) {
    if (!percent)
        return "n/a";
    char text[32];
    char* end = std::to_chars(text, text + sizeof text, *percent, std::chars_format::fixed, 2).ptr;
    *end++ = '%';
    return std::string(text, end);
}

}  // namespace

std::optional<double> VocabularyMeasures::TypeTokenRatio() const {
    return Percent(types, tokens);
}

std::optional<double> VocabularyMeasures::StandardisedRatio() const {
    return Percent(segments.distinct, segments.segments * kSegmentLength);
}

std::optional<double> VocabularyMeasures::HapaxShare() const {
    return Percent(hapax, types);
}

std::optional<double> VocabularyMeasures::DisShare() const {
    return Percent(dis, types);
}

VocabularyMeasures MeasureList(const WordStore& store) {
    VocabularyMeasures measures;
    store.ForEachEntry([&measures](const WordStore::HeldWord& word) {
        measures.tokens += word.count;
        ++measures.types;
        measures.hapax += word.count == 1;
        measures.dis += word.count == 2;
    });
    return measures;
}

std::vector<MeasureLine> MeasureLines(const VocabularyMeasures& m) {
    std::string standardised = PercentText(m.StandardisedRatio());
    if (m.segments.segments > 0)
        standardised += " (" + Count(m.segments.segments) + " segments of " +
                        Count(kSegmentLength) + " tokens)";
    const auto ofTypes = [](std::uint64_t count, std::optional<double> share) {
        return share ? Count(count) + " (" + PercentText(share) + " of types)" : Count(count);
    };
    return {
        {"Tokens", Count(m.tokens)},
        {"Types", Count(m.types)},
        {"Type/token ratio", PercentText(m.TypeTokenRatio())},
        {"Standardised type/token ratio", standardised},
        {"Hapax legomena", ofTypes(m.hapax, m.HapaxShare())},
        {"Dis legomena", ofTypes(m.dis, m.DisShare())},
    };
}

std::vector<std::uint32_t> RankedCounts(const WordStore& store) {
    std::vector<std::uint32_t> counts;
    counts.reserve(static_cast<std::size_t>(store.Count()));
    store.ForEachEntry(
        [&counts](const WordStore::HeldWord& word) { counts.push_back(word.count); });
    std::sort(counts.begin(), counts.end(), std::greater<>());
    return counts;
}

std::optional<double> ZipfSlope(const std::vector<std::uint32_t>& ranked, std::size_t ranks) {
    const std::size_t n = std::min(ranks, ranked.size());
    if (n < 2)
        return std::nullopt;
    double sumX = 0, sumY = 0, sumXX = 0, sumXY = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = std::log10(static_cast<double>(i + 1));
        const double y = std::log10(static_cast<double>(ranked[i]));
        sumX += x;
        sumY += y;
        sumXX += x * x;
        sumXY += x * y;
    }
    const double count = static_cast<double>(n);
    return (count * sumXY - sumX * sumY) / (count * sumXX - sumX * sumX);
}

std::string FormatMeasures(const VocabularyMeasures& measures) {
    std::string text;
    for (const MeasureLine& line : MeasureLines(measures))
        text += line.label + ": " + line.value + "\n";
    return text;
}

}  // namespace tarvolen
