#include "core/analysis/keyness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/collect/word_store.h"

namespace tarvolen {

namespace {

// Products of a count and a total need 96 bits.
__extension__ using Wide = unsigned __int128;

// The term of one side; a zero count contributes nothing, as its limit does.
double Term(std::uint64_t observed, double expected) {
    if (observed == 0)
        return 0.0;
    const double o = static_cast<double>(observed);
    return o * std::log(o / expected);
}

std::uint64_t TotalCount(const WordStore& store) {
    std::uint64_t total = 0;
    store.ForEachEntry(
        [&](std::string_view, std::uint32_t count, std::uint64_t) { total += count; });
    return total;
}

}  // namespace

Keyness KeynessOf(std::uint64_t a, std::uint64_t b, std::uint64_t c, std::uint64_t d) {
    const double both = static_cast<double>(a) + static_cast<double>(b);
    const double all = static_cast<double>(c) + static_cast<double>(d);
    const double e1 = static_cast<double>(c) * both / all;
    const double e2 = static_cast<double>(d) * both / all;
    // Rounding can leave a hair below zero where the two rates are equal.
    double g2 = std::max(0.0, 2.0 * (Term(a, e1) + Term(b, e2)));
    // The comparison of the rates in integers, exact where the doubles may not be.
    const auto listSide = static_cast<Wide>(a) * d;
    const auto referenceSide = static_cast<Wide>(b) * c;
    if (listSide < referenceSide)
        g2 = -g2;

    const double aa = a == 0 ? 0.5 : static_cast<double>(a);
    const double bb = b == 0 ? 0.5 : static_cast<double>(b);
    const double logRatio =
        listSide == referenceSide
            ? 0.0
            : std::log2((aa * static_cast<double>(d)) / (bb * static_cast<double>(c)));
    return {g2, logRatio};
}

std::vector<KeywordRow> CompareWithReference(const WordStore& list, const WordStore& reference,
                                             double minKeyness) {
    const std::uint64_t c = TotalCount(list);
    const std::uint64_t d = TotalCount(reference);
    std::vector<KeywordRow> rows;
    const auto keep = [&](std::string_view word, std::uint32_t a, std::uint32_t b) {
        const Keyness keyness = KeynessOf(a, b, c, d);
        if (std::fabs(keyness.g2) >= minKeyness)
            rows.push_back({word, a, b, keyness});
    };
    // Stored texts end in their NUL, as the lookups want them.
    list.ForEachEntry([&](std::string_view word, std::uint32_t count, std::uint64_t) {
        keep(word, count, reference.Occurrences(word.data(), word.size()));
    });
    reference.ForEachEntry([&](std::string_view word, std::uint32_t count, std::uint64_t) {
        if (list.Occurrences(word.data(), word.size()) == 0)
            keep(word, 0, count);
    });
    std::sort(rows.begin(), rows.end(), [](const KeywordRow& x, const KeywordRow& y) {
        if (x.keyness.g2 != y.keyness.g2)
            return x.keyness.g2 > y.keyness.g2;
        return WordOrder(x.word, y.word);
    });
    return rows;
}

std::string FormatKeyness(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    // A figure that rounds to zero from below is still zero.
    if (std::string_view(text) == "-0.00")
        return "0.00";
    return text;
}

}  // namespace tarvolen
