#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/words/char_map.h"
#include "core/words/words_in_a_row.h"

namespace tarvolen {

class CBlob;
class WordStore;

inline constexpr std::int32_t MaxWordLength = 20;
// The most bytes a stored word takes: MaxWordLength characters of UTF-8.
inline constexpr std::size_t MaxWordBytes = 4 * MaxWordLength;
// The most bytes an entry of words in a row takes: its words and a space between each two.
inline constexpr std::size_t MaxEntryBytes = WordsInARow::kMost * (MaxWordBytes + 1) - 1;

// MinWordLength of an Add run: with the option set, words of three or fewer letters
// are not counted.
inline constexpr std::int32_t MinWordLengthOf(bool skipShortWords) {
    return skipShortWords ? 4 : 1;
}

// What one ingestion run cuts words with, and where they go.
struct TokenizerContext {
    const CharMap& charMap;
    std::int32_t minWordLength;    // MinWordLength, 1 or 4
    std::int64_t& qualifiedWords;  // QualifiedWords of the run
    WordStore& store;
};

// Cuts one chunk of a file into words, in place: capitals are folded and each word
// end gets a NUL. chunk.Data()[chunk.GetLength()] must be a NUL byte that the
// tokenizer may also overwrite. Every maximal run of letters whose length lies in
// minWordLength..MaxWordLength counts one qualified word and goes to AddWord.
//
// The carry holds the folded beginning of a word that ran up to the end of the
// previous chunk of the same file; the caller empties it before a file's first chunk
// and calls FinishFile after its last. It never holds more than MaxWordLength + 1
// bytes: a longer run can never be accepted, whatever follows.
void TokenizeChunk(CBlob& chunk, std::string& carry, const TokenizerContext& context);

// End of file ends the word in the carry: counts it when its length is accepted, and
// empties the carry.
void FinishFile(std::string& carry, const TokenizerContext& context);

// The words of one whole short text, cut, folded and measured as TokenizeChunk does a
// file's: each maximal run of letters of an accepted length, folded, NUL-terminated
// in a buffer of the caller's, goes to take(word, length). For the records of a
// merged list, which each carry a count of their own.
template <typename Take>
void ForEachWord(std::string_view text, const CharMap& charMap, std::int32_t minWordLength,
                 Take take) {
    char word[MaxWordLength + 1];
    std::size_t length = 0;
    bool tooLong = false;
    auto end = [&] {
        if (!tooLong && length > 0 && static_cast<std::int32_t>(length) >= minWordLength) {
            word[length] = 0;
            take(static_cast<const char*>(word), length);
        }
        length = 0;
        tooLong = false;
    };
    for (char c : text) {
        const unsigned char folded = charMap[static_cast<unsigned char>(c)];
        if (folded == 0) {
            end();
        } else if (length < static_cast<std::size_t>(MaxWordLength)) {
            word[length++] = static_cast<char>(folded);
        } else {
            tooLong = true;
        }
    }
    end();
}

}  // namespace tarvolen
