// The alphabets' words under the word rules.
#include "core/words/byte_word_cutter.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "support/word_model.h"

namespace tarvolen {
namespace {

using Counts = std::map<std::string, std::uint32_t>;

class CollectingSink : public WordSink {
  public:
    void Take(const char* word, std::size_t bytes) override {
        EXPECT_EQ(word[bytes], '\0');
        ++words[std::string(word, bytes)];
    }
    Counts words;
};

Counts Cut(std::int32_t language, const std::string& text, WordRules rules, std::size_t chunk,
           int minLength = 1, bool toUtf8 = false) {
    CharMap map;
    BuildCharMap(language, map);
    CutterSetup setup;
    setup.language = language;
    setup.rules = rules;
    setup.map = &map;
    setup.codePage = CodePageOf(language);
    setup.minWordLength = minLength;
    setup.toUtf8 = toUtf8;
    CollectingSink sink;
    ByteWordCutter cutter(setup, sink);
    std::string copy = text;
    for (std::size_t at = 0; at < copy.size(); at += chunk) {
        const std::size_t n = std::min(chunk, copy.size() - at);
        cutter.Cut({reinterpret_cast<unsigned char*>(copy.data() + at), n});
    }
    cutter.EndText();
    return sink.words;
}

TEST(ByteWordCutter, WithEveryRuleOffEachAlphabetCutsAsTheTokenizer) {
    std::mt19937 rng(23);
    const std::string pool = "abcXYZ\xE4\xDF\xF1\xD1\xE0\xC0\xB8\xA8 '\x92-0129.,\n";
    std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
    for (std::int32_t language = 0; language < kAlphabetCount; ++language) {
        CharMap map;
        BuildCharMap(language, map);
        for (int trial = 0; trial < 20; ++trial) {
            std::string text;
            for (int i = 0; i < 300; ++i)
                text.push_back(pool[pick(rng)]);
            const int minLength = trial % 2 == 0 ? 1 : 4;
            testing::ModelWords model;
            testing::ModelScan(text, map, minLength, model);
            for (std::size_t chunk : {1, 3, 64, 1000})
                EXPECT_EQ(Cut(language, text, {}, chunk, minLength), model.words)
                    << "language " << language << " chunk " << chunk;
        }
    }
}

TEST(ByteWordCutter, RulesJoinBetweenLettersInEveryAlphabet) {
    struct Row {
        std::int32_t language;
        WordRules rules;
        std::string text;
        Counts words;
    };
    const WordRules apostrophes{true, false, false};
    const WordRules hyphens{false, true, false};
    const WordRules digits{false, false, true};
    const std::vector<Row> rows = {
        {kEnglishLatin,
         apostrophes,
         "Don't don\x92t 'tis o' rock'n'roll",
         {{"don't", 2}, {"o", 1}, {"rock'n'roll", 1}, {"tis", 1}}},
        {kFrench, apostrophes, "L'homme", {{"l'homme", 1}}},
        {kGerman,
         hyphens,
         "Stra\xDF"
         "en-Bahn well--known",
         {{"known", 1},
          {"stra\xDF"
           "en-bahn",
           1},
          {"well", 1}}},
        {kItalian, hyphens, "a-b-c -l m- x-y", {{"a-b-c", 1}, {"l", 1}, {"m", 1}}},
        {kRussian, hyphens, "\xCA\xF2\xEE-\xF2\xEE", {{"\xEA\xF2\xEE-\xF2\xEE", 1}}},
        {kSpanish,
         digits,
         "MP3 2024 r2d2 \xD1"
         "1",
         {{"2024", 1},
          {"mp3", 1},
          {"r2d2", 1},
          {"\xF1"
           "1",
           1}}},
        {kEnglishLatin,
         {true, true, true},
         "abcdefghij-klmnopqrs abcdefghij-klmnopqrst 3's",
         {{"3's", 1}, {"abcdefghij-klmnopqrs", 1}}},
    };
    for (const Row& row : rows) {
        for (std::size_t chunk : {1, 2, 100})
            EXPECT_EQ(Cut(row.language, row.text, row.rules, chunk), row.words)
                << row.text << " chunk " << chunk;
    }
}

TEST(ByteWordCutter, WordsForAUtf8ListAreConvertedFromTheCodePage) {
    EXPECT_EQ(Cut(kRussian, "\xCA\xE8\xE5\xE2", {}, 2, 1, true),
              (Counts{{"\xD0\xBA\xD0\xB8\xD0\xB5\xD0\xB2", 1}}));
    EXPECT_EQ(Cut(kGerman,
                  "Stra\xDF"
                  "e",
                  {}, 100, 1, true),
              (Counts{{"stra\xC3\x9F"
                       "e",
                       1}}));
}

}  // namespace
}  // namespace tarvolen
