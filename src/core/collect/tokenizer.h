#pragma once

#include <cstdint>
#include <string>

#include "core/collect/char_map.h"

namespace tarvolen {

class CBlob;
class WordStore;

inline constexpr std::int32_t MaxWordLength = 20;

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

}  // namespace tarvolen
