#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/store/word_store.h"
#include "core/text/code_page.h"

namespace tarvolen {

class Collation;

// How much more (or less) often a word occurs in a list than in a reference list:
// with a its count in the list, b in the reference, c and d the two lists' totals,
// the log-likelihood G2 (negative when the word is rarer in the list than in the
// reference, a/c < b/d) and the Log Ratio, log2 of the ratio of the two relative
// frequencies with a zero count taken as 0.5; 0 where that 0.5 would point it against
// the direction of a/c against b/d.
struct Keyness {
    double g2;
    double logRatio;
};
Keyness KeynessOf(std::uint64_t a, std::uint64_t b, std::uint64_t c, std::uint64_t d);

// KeynessOf for many words against the same two totals. Most words share their two
// counts with many others (the ones and twos of a long tail): their figures are
// worked out once, in a small direct-mapped memo.
class KeynessMemo {
  public:
    KeynessMemo(std::uint64_t c, std::uint64_t d);
    const Keyness& Of(std::uint32_t a, std::uint32_t b);

  private:
    static constexpr std::size_t kSlots = 4096;
    struct Slot {
        std::uint32_t a = UINT32_MAX;
        std::uint32_t b = UINT32_MAX;
        Keyness keyness{};
    };
    std::uint64_t c_;
    std::uint64_t d_;
    std::vector<Slot> slots_;
};

struct KeywordRow {
    std::string_view word;  // a view of the text in whichever store holds the word
    std::uint32_t count;
    std::uint32_t refCount;
    Keyness keyness;
    // The word's first 8 bytes as one big-endian number, NUL-padded, as the store
    // gives it: ties of G2 (thousands of words of the same two counts) are mostly
    // ordered by it without reading the scattered texts.
    std::uint64_t leadingBytes;
};

// The keyword list's order: signed G2 descending, ties by the word's bytes (by the
// leading bytes first, which order two words as their bytes do when unequal). The
// words are views got by word() and otherWord(), asked for only when all else is
// equal: for millions of words, reading their scattered texts on every comparison
// would cost more than the rest of the sort.
template <typename Word, typename OtherWord>
bool KeywordBefore(double g2, std::uint64_t leadingBytes, Word word, double otherG2,
                   std::uint64_t otherLeadingBytes, OtherWord otherWord) {
    if (g2 != otherG2)
        return g2 > otherG2;
    if (leadingBytes != otherLeadingBytes)
        return leadingBytes < otherLeadingBytes;
    return WordOrder(word(), otherWord());
}

// KeywordBefore for two rows.
inline bool KeywordRowBefore(const KeywordRow& x, const KeywordRow& y) {
    return KeywordBefore(
        x.keyness.g2, x.leadingBytes, [&] { return x.word; }, y.keyness.g2, y.leadingBytes,
        [&] { return y.word; });
}

// The same under a language's order: ties of G2 by the collation (null: by bytes), then
// by bytes.
bool CollatedKeywordRowBefore(const KeywordRow& x, const KeywordRow& y, const Collation* collation,
                              CodePage codePage);
// Rows in KeywordRowBefore's order put in that order: only the runs of equal G2 move.
void OrderTiesBy(std::vector<KeywordRow>& rows, const Collation& collation, CodePage codePage);

// Every word of either store whose |G2| is at least minKeyness, ordered by signed G2
// descending, ties by the word's bytes. The views stay valid while neither store
// changes.
std::vector<KeywordRow> CompareWithReference(const WordStore& list, const WordStore& reference,
                                             double minKeyness);
// The same for a part of each list (the words of one hash share), against the totals
// c and d of the whole lists: the rows of all parts, merged, are the whole lists' rows.
std::vector<KeywordRow> CompareWithReference(const WordStore& list, const WordStore& reference,
                                             double minKeyness, std::uint64_t c, std::uint64_t d);

// The sum of the store's counts.
std::uint64_t TotalCount(const WordStore& store);

// The figures of a record as the keyword list writes them: "%.2f", never "-0.00".
// Writes at most kKeynessChars characters at out; returns their end.
inline constexpr std::size_t kKeynessChars = 32;
char* FormatKeyness(double value, char* out);
std::string FormatKeyness(double value);

}  // namespace tarvolen
