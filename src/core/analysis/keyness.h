#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvolen {

class WordStore;

// How much more (or less) often a word occurs in a list than in a reference list:
// with a its count in the list, b in the reference, c and d the two lists' totals,
// the log-likelihood G2 (negative when the word is rarer in the list than in the
// reference, a/c < b/d) and the Log Ratio, log2 of the ratio of the two relative
// frequencies with a zero count taken as 0.5.
struct Keyness {
    double g2;
    double logRatio;
};
Keyness KeynessOf(std::uint64_t a, std::uint64_t b, std::uint64_t c, std::uint64_t d);

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
// leading bytes first, which order two words as their bytes do when unequal).
bool KeywordBefore(double g2, std::uint64_t leadingBytes, std::string_view word, double otherG2,
                   std::uint64_t otherLeadingBytes, std::string_view otherWord);

// Every word of either store whose |G2| is at least minKeyness, ordered by signed G2
// descending, ties by the word's bytes. The views stay valid while neither store
// changes.
std::vector<KeywordRow> CompareWithReference(const WordStore& list, const WordStore& reference,
                                             double minKeyness);

// The figures of a record as the keyword list writes them: "%.2f", never "-0.00".
// Writes at most kKeynessChars characters at out; returns their end.
inline constexpr std::size_t kKeynessChars = 32;
char* FormatKeyness(double value, char* out);
std::string FormatKeyness(double value);

}  // namespace tarvolen
