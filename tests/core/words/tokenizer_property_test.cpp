// Chunking must be invisible: a file cut into chunks anywhere yields the same words,
// counts and qualified-word total as a plain scan over its maximal letter runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/ingest/store_reports.h"
#include "core/store/word_store.h"
#include "core/words/blob.h"
#include "core/words/char_map.h"
#include "core/words/tokenizer.h"
#include "support/exact_chunk.h"
#include "support/fakes.h"
#include "support/word_model.h"

namespace tarvolen {
namespace {

using testing::ModelScan;
using testing::ModelWords;
using testing::WordCounts;

std::string RandomFile(std::mt19937& rng) {
    std::string letters;
    for (int language = 0; language < kAlphabetCount; ++language) {
        const Alphabet alphabet = AlphabetOf(language);
        letters.append(alphabet.lower);
        letters.append(alphabet.capitals);
    }
    const std::string separators = std::string(" ,.'-_\n\t0123456789\x7F") + '\0';
    std::uniform_int_distribution<int> kind(0, 99);
    std::uniform_int_distribution<std::size_t> letter(0, letters.size() - 1);
    std::uniform_int_distribution<std::size_t> separator(0, separators.size() - 1);
    std::uniform_int_distribution<int> high(0x80, 0xFF);
    std::uniform_int_distribution<int> fileSize(0, 1500);
    std::uniform_int_distribution<int> longRun(21, 400);

    std::string file;
    const int size = fileSize(rng);
    while (static_cast<int>(file.size()) < size) {
        const int k = kind(rng);
        if (k < 62) {
            file.push_back(letters[letter(rng)]);
        } else if (k < 82) {
            file.push_back(separators[separator(rng)]);
        } else if (k < 98) {
            file.push_back(static_cast<char>(high(rng)));
        } else {
            // Runs far longer than any word and than most chunks.
            const int n = longRun(rng);
            const char c = letters[letter(rng)];
            file.append(static_cast<std::size_t>(n), c);
        }
    }
    return file;
}

struct Tokenized {
    WordCounts words;
    std::int64_t qualified = 0;
};

// Feeds the files chunk by chunk. Empty chunks go only where no word is open: an
// empty chunk ends the carried word without counting it.
Tokenized TokenizeInChunks(const std::vector<std::string>& files, const CharMap& map,
                           std::int32_t minWordLength, int maxChunk, std::mt19937& rng) {
    testing::FakeMessages messages;
    WordStore::Options options;
    options.initialCapacity = 512;  // grows now and then on the way
    options.growthStep = 512;
    WordStore store(ReportingStoreOptions(messages, options));
    Tokenized result;
    TokenizerContext context{map, minWordLength, result.qualified, store};
    std::uniform_int_distribution<int> chunkSize(1, maxChunk);
    std::bernoulli_distribution emptyChunk(0.1);

    std::string carry = "stale";
    for (const std::string& file : files) {
        carry.clear();
        std::size_t at = 0;
        while (at < file.size()) {
            if (carry.empty() && emptyChunk(rng)) {
                CBlob empty;
                TokenizeChunk(empty, carry, context);
            }
            const std::size_t n = std::min<std::size_t>(chunkSize(rng), file.size() - at);
            testing::TokenizeExactChunk(std::string_view(file).substr(at, n), carry, context);
            EXPECT_LE(carry.size(), static_cast<std::size_t>(MaxWordLength + 1));
            at += n;
        }
        FinishFile(carry, context);
        EXPECT_TRUE(carry.empty());
    }

    WordStore::Position pos = store.GetStartPosition();
    while (!(pos == WordStore::EndPosition())) {
        std::string word;
        std::uint32_t count = 0;
        store.GetNextWord(pos, word, count);
        EXPECT_TRUE(result.words.emplace(word, count).second) << "listed twice: " << word;
    }
    EXPECT_EQ(store.Count(), static_cast<std::int32_t>(result.words.size()));
    return result;
}

TEST(TokenizerPropertyTest, ChunkingIsInvisible) {
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> languageOf(0, kAlphabetCount - 1);
    std::uniform_int_distribution<int> fileCount(1, 4);
    for (int trial = 0; trial < 40; ++trial) {
        const std::int32_t language = languageOf(rng);
        const std::int32_t minWordLength = trial % 3 == 0 ? 4 : 1;
        std::vector<std::string> files(static_cast<std::size_t>(fileCount(rng)));
        for (std::string& file : files)
            file = RandomFile(rng);

        CharMap map;
        BuildCharMap(language, map);
        ModelWords reference;
        for (const std::string& file : files)
            ModelScan(file, map, minWordLength, reference);

        for (int maxChunk : {1, 7, 64, 2000}) {
            SCOPED_TRACE("trial " + std::to_string(trial) + " language " +
                         std::to_string(language) + " chunks up to " + std::to_string(maxChunk));
            const Tokenized got = TokenizeInChunks(files, map, minWordLength, maxChunk, rng);
            EXPECT_EQ(got.words, reference.words);
            EXPECT_EQ(got.qualified, reference.qualified);
        }
    }
}

// The scan may take shortcuts for the usual alphabets, but the CharMap stays the
// authority: maps of unusual shapes must cut exactly as the reference does.
TEST(TokenizerPropertyTest, AnyCharMapIsHonoured) {
    std::vector<CharMap> maps;
    CharMap uneven;
    BuildCharMap(kEnglishLatin, uneven);
    uneven['b'] = 'q';  // folds that differ within one row of 16 bytes
    uneven['Q'] = 'b';
    maps.push_back(uneven);
    CharMap high;
    BuildCharMap(kGerman, high);
    high[0x80] = 'a';  // a high byte that folds to ASCII
    high['e'] = 0;     // a hole in the middle of the letters
    maps.push_back(high);

    std::mt19937 rng(977);
    for (std::size_t m = 0; m < maps.size(); ++m) {
        for (int trial = 0; trial < 10; ++trial) {
            std::vector<std::string> files{RandomFile(rng), RandomFile(rng)};
            ModelWords reference;
            for (const std::string& file : files)
                ModelScan(file, maps[m], 1, reference);
            for (int maxChunk : {7, 2000}) {
                SCOPED_TRACE("map " + std::to_string(m) + " trial " + std::to_string(trial));
                const Tokenized got = TokenizeInChunks(files, maps[m], 1, maxChunk, rng);
                EXPECT_EQ(got.words, reference.words);
                EXPECT_EQ(got.qualified, reference.qualified);
            }
        }
    }
}

}  // namespace
}  // namespace tarvolen
