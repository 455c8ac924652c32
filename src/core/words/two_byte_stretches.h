#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/decode/utf8_blocks.h"
#include "core/words/char_map.h"
#include "core/words/tokenizer.h"
#include "core/words/unicode_tables.h"

namespace tarvolen {

class WordStore;

// Long stretches of UTF-8 that hold only ASCII, the Cyrillic letters of Russian
// (А..я, Ё, ё) and characters that separate words, cut by the alphabets' tokenizer
// for the Unicode rule with every word rule off.
//
// A Cyrillic letter takes two bytes of UTF-8 and a lookup of its lower case in the
// Unicode rule's tables; its words are twice as long to hash and to store. Here a
// stretch is narrowed to one byte a character (these letters where Windows-1251 has
// them, all in NFKC with their lower case among them; separators as spaces), its
// words are counted in a scratch store by the tokenizer, and at the end of the text
// each distinct word goes to the run's store once, as UTF-8. The scratch store's counts
// move into the text's document, so ranges stay those of single words.
class TwoByteStretches {
  public:
    explicit TwoByteStretches(const TokenizerContext& run);
    ~TwoByteStretches();
    TwoByteStretches(const TwoByteStretches&) = delete;
    TwoByteStretches& operator=(const TwoByteStretches&) = delete;

    // From p, outside any word: counts the words of the stretch that begins there and
    // returns where the caller goes on, which is p when the stretch is too short to be
    // worth it. A stretch ends before the first character of any other kind, the
    // chunk's end or a fixed size; the letters that end it are left to the caller,
    // since what follows may continue their word. Returns p at once while p lies
    // below the end of the last stretch found too short in this chunk.
    unsigned char* Cut(unsigned char* p, unsigned char* end);
    // A new chunk: positions of the previous one mean nothing.
    void NewChunk() { tooShortBefore_ = nullptr; }
    // The end of a text: its words, as UTF-8, into the run's store.
    void EndText();

  private:
    // The character's byte in the narrow text when it is one of the stretch's
    // letters, else 0.
    unsigned char Narrow(char16_t c) const;

    std::int64_t& qualifiedWords_;
    WordStore& store_;
    std::int32_t minWordLength_;
    const detail::UnicodeTables& tables_;
    LinearRange range_;
    CharMap map_{};
    std::unique_ptr<WordStore> scratch_;  // made at the first stretch
    std::vector<unsigned char> narrow_;
    std::string carry_;  // always empty between stretches: none ends in a word
    const unsigned char* tooShortBefore_ = nullptr;
};

}  // namespace tarvolen
