#include "core/analysis/keyness.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "core/store/word_store.h"
#include "core/text/collation.h"

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

}  // namespace

std::uint64_t TotalCount(const WordStore& store) {
    std::uint64_t total = 0;
    store.ForEachEntry([&](const WordStore::HeldWord& held) { total += held.count; });
    return total;
}

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
    double logRatio =
        listSide == referenceSide
            ? 0.0
            : std::log2((aa * static_cast<double>(d)) / (bb * static_cast<double>(c)));
    // The 0.5 put in for a zero count can outweigh a much larger total on the other
    // side and turn the direction round (0 against 1 in a far larger reference): the
    // ratio then says nothing of which way the word leans, and is 0.
    if ((listSide > referenceSide && logRatio < 0) || (listSide < referenceSide && logRatio > 0))
        logRatio = 0.0;
    return {g2, logRatio};
}

KeynessMemo::KeynessMemo(std::uint64_t c, std::uint64_t d) : c_(c), d_(d), slots_(kSlots) {}

const Keyness& KeynessMemo::Of(std::uint32_t a, std::uint32_t b) {
    Slot& slot = slots_[(a * 2654435761u ^ b * 40503u) & (kSlots - 1)];
    if (slot.a != a || slot.b != b)
        slot = {a, b, KeynessOf(a, b, c_, d_)};
    return slot.keyness;
}

std::vector<KeywordRow> CompareWithReference(const WordStore& list, const WordStore& reference,
                                             double minKeyness) {
    return CompareWithReference(list, reference, minKeyness, TotalCount(list),
                                TotalCount(reference));
}

std::vector<KeywordRow> CompareWithReference(const WordStore& list, const WordStore& reference,
                                             double minKeyness, std::uint64_t c, std::uint64_t d) {
    std::vector<KeywordRow> rows;
    rows.reserve(static_cast<std::size_t>(list.Count()) +
                 static_cast<std::size_t>(reference.Count()));
    KeynessMemo memo(c, d);
    const auto keep = [&](std::string_view word, std::uint32_t a, std::uint32_t b,
                          std::uint64_t leading) {
        const Keyness keyness = memo.Of(a, b);
        if (std::fabs(keyness.g2) >= minKeyness)
            rows.push_back({word, a, b, keyness, leading});
    };
    // Stored texts end in their NUL, as the lookups want them.
    list.ForEachEntry([&](const WordStore::HeldWord& held) {
        const std::string_view word = list.WordText(held.id);
        keep(word, held.count, reference.Occurrences(word.data(), word.size()), held.leadingBytes);
    });
    reference.ForEachEntry([&](const WordStore::HeldWord& held) {
        const std::string_view word = reference.WordText(held.id);
        if (list.Occurrences(word.data(), word.size()) == 0)
            keep(word, 0, held.count, held.leadingBytes);
    });
    std::sort(rows.begin(), rows.end(), KeywordRowBefore);
    return rows;
}

char* FormatKeyness(double value, char* out) {
    // to_chars rounds as printf's "%.2f" does, without its cost per call.
    char* end = std::to_chars(out, out + kKeynessChars, value, std::chars_format::fixed, 2).ptr;
    // A figure that rounds to zero from below is still zero.
    if (std::string_view(out, static_cast<std::size_t>(end - out)) == "-0.00") {
        std::memmove(out, out + 1, 4);
        --end;
    }
    return end;
}

std::string FormatKeyness(double value) {
    char text[kKeynessChars];
    return std::string(text, FormatKeyness(value, text));
}

bool CollatedKeywordRowBefore(const KeywordRow& x, const KeywordRow& y, const Collation* collation,
                              CodePage codePage) {
    if (collation == nullptr || x.keyness.g2 != y.keyness.g2)
        return KeywordRowBefore(x, y);
    return collation->Before(x.word, y.word, codePage);
}

void OrderTiesBy(std::vector<KeywordRow>& rows, const Collation& collation, CodePage codePage) {
    for (auto tie = rows.begin(); tie != rows.end();) {
        const auto end = std::find_if(tie, rows.end(), [&](const KeywordRow& row) {
            return row.keyness.g2 != tie->keyness.g2;
        });
        if (end - tie > 1)
            std::sort(tie, end, [&](const KeywordRow& x, const KeywordRow& y) {
                return collation.Before(x.word, y.word, codePage);
            });
        tie = end;
    }
}

}  // namespace tarvolen
