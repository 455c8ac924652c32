#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct UCollator;
struct UCharIterator;

namespace tarvolen {

// ICU's partial sort key of the text: its first 8 bytes (in the whole key's order) as
// one big-endian number, zero-padded; false when ICU fails.
bool IcuLeadingKey(const UCollator* collator, UCharIterator& text, std::uint64_t& key);

// The leading 8 bytes of a collator's sort keys for words of the letters a to z alone,
// made from a table instead of by the collator. Sorting millions of words, making each
// key with ICU costs more than the sort itself; most words of most lists are plain
// ASCII letters, and where a collator gives each of them one primary byte, common
// secondary and tertiary weights, such a word's key is its letters' bytes followed by
// level bytes that depend only on its length. A contraction of such letters ("ch" in
// Czech, "cs" and "dzs" in Hungarian) that ICU weighs as one letter of its own (primary
// bytes, then common levels) is one more letter of the table; a word with another kind
// ("aa" in Danish, whose levels differ) is the collator's to key. Whether a collator is
// such a one is asked of ICU itself, and checked against its own keys.
class AsciiSortKeys {
  public:
    // Null for a collator whose keys of such words do not follow the pattern.
    static std::shared_ptr<const AsciiSortKeys> For(const UCollator* collator);

    // The word's leading key as ICU would give it (big-endian, zero-padded); false for a
    // word of other characters, whose key only the collator can make.
    bool LeadingKey(std::string_view word, std::uint64_t& key) const {
        if (word.empty())
            return false;
        std::uint64_t bytes = 0;
        const std::size_t letters = word.size() < 8 ? word.size() : 8;
        std::uint32_t joins = 0;  // the letters that would join the one before them
        for (std::size_t i = 0; i < word.size(); ++i) {
            const auto letter = static_cast<unsigned char>(word[i]);
            const std::uint8_t primary = primary_[letter];
            if (primary == 0)
                return false;
            if ((joins >> (letter & 31) & 1) != 0) [[unlikely]]
                return ContractedKey(word, key);
            joins = joins_[letter];
            if (i < letters)
                bytes = bytes << 8 | primary;
        }
        if (letters < 8)
            bytes = bytes << (8 * (8 - letters)) | tails_[letters];
        key = bytes;
        return true;
    }

  private:
    // A contraction of the letters a to z, as ICU weighs it alone.
    struct Contraction {
        std::string letters;
        std::uint32_t primary = 0;  // its primary bytes, big-endian, in the low bytes
        std::uint8_t primaryBytes = 0;
        bool keyed = false;  // one element with common levels: the table keys its words
    };

    // LeadingKey of a word with two letters that begin a contraction: each letter or
    // contraction, longest first as the collator takes them, is one element.
    bool ContractedKey(std::string_view word, std::uint64_t& key) const;
    // The contraction the word holds at i, if any (the longest).
    const Contraction* ContractionAt(std::string_view word, std::size_t i) const;
    bool FindContractions(const UCollator* collator);
    // Whether the contractions' words are keyed as ICU keys them; when not, the words of
    // every contraction go to the collator.
    bool ContractionsAgree(const UCollator* collator, bool& failed);

    // By byte: the letter's primary weight, 0 for every byte but a to z.
    std::array<std::uint8_t, 256> primary_{};
    // By letter: the letters (bit letter & 31) that begin a contraction after it, whose
    // words are keyed an element at a time.
    std::array<std::uint32_t, 256> joins_{};
    // By length under 8: the key's bytes after the letters, as the low bytes of a number.
    // Those are the levels of as many elements, whatever their primary bytes.
    std::array<std::uint64_t, 8> tails_{};
    // The contractions of the letters a to z by their first letter, longest first, and
    // where each letter's begin.
    std::vector<Contraction> contractions_;
    std::array<std::size_t, 256> firsts_{};
};

}  // namespace tarvolen
