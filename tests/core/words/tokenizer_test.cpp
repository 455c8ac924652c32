#include "core/words/tokenizer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/ingest/store_reports.h"
#include "core/store/word_store.h"
#include "core/words/blob.h"
#include "core/words/char_map.h"
#include "support/fakes.h"
#include "support/store_contents.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;
using testing::WordCounts;

// One ingestion run, chunk by chunk, as the reading loop drives the tokenizer.
class TokenizeRun {
  public:
    explicit TokenizeRun(std::int32_t language = kEnglishLatin, std::int32_t minWordLength = 1)
        : store(ReportingStoreOptions(messages, testing::SmallStoreOptions(4096))),
          context{map, minWordLength, qualified, store} {
        BuildCharMap(language, map);
    }

    // Tokenizes a copy of the bytes followed by the NUL the contract asks for;
    // returns the chunk as the tokenizer left it.
    std::string Chunk(std::string_view bytes) {
        std::vector<unsigned char> buffer(bytes.begin(), bytes.end());
        buffer.push_back(0);
        CBlob blob;
        blob.Attach(buffer.data(), static_cast<std::uint32_t>(bytes.size()));
        TokenizeChunk(blob, carry, context);
        EXPECT_LE(carry.size(), static_cast<std::size_t>(MaxWordLength + 1));
        return std::string(buffer.begin(), buffer.end() - 1);
    }

    void File(std::string_view bytes) {
        carry.clear();
        Chunk(bytes);
        FinishFile(carry, context);
    }

    WordCounts Words() const { return testing::StoreWords(store); }

    FakeMessages messages;
    CharMap map{};
    std::int64_t qualified = 0;
    WordStore store;
    std::string carry;
    TokenizerContext context;
};

struct WordCase {
    const char* name;
    std::int32_t language;
    std::int32_t minWordLength;
    std::string text;
    WordCounts words;
};

class WordsOfOneFile : public ::testing::TestWithParam<WordCase> {};

TEST_P(WordsOfOneFile, YieldsTheseWords) {
    const WordCase& c = GetParam();
    TokenizeRun run(c.language, c.minWordLength);
    run.File(c.text);
    EXPECT_EQ(run.Words(), c.words);
    EXPECT_EQ(run.qualified, testing::TotalCount(c.words));
    EXPECT_EQ(run.store.Count(), static_cast<std::int32_t>(c.words.size()));
    EXPECT_TRUE(run.carry.empty());
}

const std::string k20(20, 'q');
const std::string k21(21, 'q');

INSTANTIATE_TEST_SUITE_P(
    Separators, WordsOfOneFile,
    ::testing::Values(
        WordCase{"HelloWorld", kEnglishLatin, 1, "Hello, World", {{"hello", 1}, {"world", 1}}},
        WordCase{"Apostrophe", kEnglishLatin, 1, "don't", {{"don", 1}, {"t", 1}}},
        WordCase{"Hyphen", kEnglishLatin, 1, "e-mail", {{"e", 1}, {"mail", 1}}},
        WordCase{"Digits", kEnglishLatin, 1, "abc123def", {{"abc", 1}, {"def", 1}}},
        WordCase{"Underscore", kEnglishLatin, 1, "snake_case", {{"snake", 1}, {"case", 1}}},
        WordCase{"ControlAndNul",
                 kEnglishLatin,
                 1,
                 std::string("a\tb\nc\rd\x01"
                             "e\0f\x7Fg",
                             13),
                 {{"a", 1}, {"b", 1}, {"c", 1}, {"d", 1}, {"e", 1}, {"f", 1}, {"g", 1}}},
        WordCase{"CaseFoldsToOneWord", kEnglishLatin, 1, "Apple APPLE apple aPPle", {{"apple", 4}}},
        WordCase{"OnlySeparators", kEnglishLatin, 1, " ,.;123\x80\xFF", {}},
        WordCase{"Empty", kEnglishLatin, 1, "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Lengths, WordsOfOneFile,
    ::testing::Values(
        WordCase{"TwentyAccepted", kEnglishLatin, 1, k20 + " x", {{k20, 1}, {"x", 1}}},
        WordCase{"TwentyOneDroppedWhole", kEnglishLatin, 1, k21 + " x", {{"x", 1}}},
        WordCase{"LongRunNotCut", kEnglishLatin, 1, std::string(500, 'a'), {}},
        WordCase{"MinFourDropsThe", kEnglishLatin, 4, "the that", {{"that", 1}}},
        WordCase{"MinOneKeepsLetters", kEnglishLatin, 1, "a b a", {{"a", 2}, {"b", 1}}},
        WordCase{"MinFourLastWord", kEnglishLatin, 4, "that the", {{"that", 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Alphabets, WordsOfOneFile,
    ::testing::Values(
        WordCase{"LatinCafe", kEnglishLatin, 1, "caf\xE9", {{"caf", 1}}},
        WordCase{"FrenchCafe", kFrench, 1, "Caf\xC9 cr\xE8me", {{"caf", 1}, {"cr", 1}, {"me", 1}}},
        WordCase{"ItalianJazz", kItalian, 1, "Jazz", {{"azz", 1}}},
        WordCase{"ItalianNoWxyk", kItalian, 1, "wax kyoto", {{"a", 1}, {"oto", 1}}},
        WordCase{"ItalianCafe", kItalian, 1, "caf\xE9", {{"caf", 1}}},
        WordCase{"SpanishCancion", kSpanish, 1, "canci\xF3n", {{"canci", 1}, {"n", 1}}},
        WordCase{"SpanishEnye", kSpanish, 1, "A\xD1O a\xF1o", {{"a\xF1o", 2}}},
        WordCase{"SpanishAccentedCapital", kSpanish, 1, "\xC1rbol", {{"rbol", 1}}},
        WordCase{"GermanSharpS",
                 kGerman,
                 1,
                 "STRASSE Stra\xDF"
                 "e",
                 {{"strasse", 1},
                  {"stra\xDF"
                   "e",
                   1}}},
        WordCase{"GermanUmlauts",
                 kGerman,
                 1,
                 "\xC4RGER \xD6L \xDC"
                 "BER \xE4rger",
                 {{"\xE4rger", 2},
                  {"\xF6l", 1},
                  {"\xFC"
                   "ber",
                   1}}},
        WordCase{"GermanAccentIsSeparator", kGerman, 1, "caf\xE9", {{"caf", 1}}},
        WordCase{"RussianFolds", kRussian, 1, "\xCC\xC8\xD0 \xEC\xE8\xF0", {{"\xEC\xE8\xF0", 2}}},
        WordCase{"RussianYo",
                 kRussian,
                 1,
                 "\xA8\xEB\xEA\xE0 \xB8\xEB\xEA\xE0",
                 {{"\xB8\xEB\xEA\xE0", 2}}},
        WordCase{"RussianThenLatin",
                 kRussian,
                 1,
                 "\xE4\xEE\xEC"
                 "abc1\xE4\xE0",
                 {{"\xE4\xEE\xEC", 1}, {"\xE4\xE0", 1}}},
        WordCase{"LatinIgnoresCyrillic", kEnglishLatin, 1, "\xE4\xEE\xECxyz", {{"xyz", 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TokenizerTest, FoldsAndTerminatesInPlace) {
    TokenizeRun run;
    EXPECT_EQ(run.Chunk("Hello, World!x"), std::string("hello\0 world\0x", 14));
    EXPECT_EQ(run.carry, "x");
}

TEST(TokenizerTest, WordCutByBoundaryIsAddedOnce) {
    TokenizeRun run;
    run.Chunk("hello wor");
    EXPECT_EQ(run.carry, "wor");
    run.Chunk("ld again");
    FinishFile(run.carry, run.context);
    EXPECT_EQ(run.Words(), (WordCounts{{"again", 1}, {"hello", 1}, {"world", 1}}));
    EXPECT_EQ(run.qualified, 3);
}

TEST(TokenizerTest, SeparatorFirstCompletesCarryBeforeAnythingElse) {
    TokenizeRun run;
    run.Chunk("Wor");
    EXPECT_EQ(run.carry, "wor");  // carried already folded
    run.Chunk(" next");
    EXPECT_EQ(run.Words(), (WordCounts{{"wor", 1}}));
    EXPECT_EQ(run.qualified, 1);
    EXPECT_EQ(run.carry, "next");
}

TEST(TokenizerTest, WordEndingExactlyAtBoundary) {
    TokenizeRun run(kEnglishLatin, 4);
    run.Chunk("some words");
    run.Chunk("\nmore");
    FinishFile(run.carry, run.context);
    EXPECT_EQ(run.Words(), (WordCounts{{"more", 1}, {"some", 1}, {"words", 1}}));
    EXPECT_EQ(run.qualified, 3);
}

TEST(TokenizerTest, LettersOnlyChunksLengthenTheCarriedWord) {
    TokenizeRun run;
    run.Chunk("x Ab");
    run.Chunk("CD");
    run.Chunk("e");
    EXPECT_EQ(run.carry, "abcde");
    run.Chunk("F.");
    EXPECT_EQ(run.Words(), (WordCounts{{"abcdef", 1}, {"x", 1}}));
    EXPECT_TRUE(run.carry.empty());
}

TEST(TokenizerTest, EndOfFileCompletesTheCarry) {
    TokenizeRun run;
    run.Chunk("last");
    FinishFile(run.carry, run.context);
    EXPECT_EQ(run.Words(), (WordCounts{{"last", 1}}));
    EXPECT_TRUE(run.carry.empty());
    // The next file starts afresh: nothing joins the previous file's last word.
    run.Chunk("word");
    FinishFile(run.carry, run.context);
    EXPECT_EQ(run.Words(), (WordCounts{{"last", 1}, {"word", 1}}));
}

TEST(TokenizerTest, CarriedWordOfUnacceptedLengthIsDropped) {
    struct Case {
        std::int32_t minWordLength;
        std::string first, second;
        WordCounts words;
    };
    const Case cases[] = {
        {1, std::string(15, 'a'), std::string(6, 'a') + " ok", {{"ok", 1}}},  // 21 in all
        {4, "ab", "c okay", {{"okay", 1}}},                                   // 3 < 4
        {4, "abc", " okay", {{"okay", 1}}},  // ended by the next chunk's first byte
    };
    for (const Case& c : cases) {
        TokenizeRun run(kEnglishLatin, c.minWordLength);
        run.Chunk(c.first);
        run.Chunk(c.second);
        FinishFile(run.carry, run.context);
        EXPECT_EQ(run.Words(), c.words) << c.first;
        EXPECT_EQ(run.qualified, 1) << c.first;
        EXPECT_TRUE(run.carry.empty());
    }
}

TEST(TokenizerTest, CarriedTwentyLettersAcceptedTwentyOneNot) {
    TokenizeRun run;
    run.Chunk(std::string(12, 'b'));
    run.Chunk(std::string(8, 'b') + " " + std::string(12, 'c'));
    run.Chunk(std::string(9, 'c') + " ");
    EXPECT_EQ(run.Words(), (WordCounts{{std::string(20, 'b'), 1}}));
    EXPECT_EQ(run.qualified, 1);
}

TEST(TokenizerTest, RunLongerThanChunksIsOneOverlongWordAndCarryStaysBounded) {
    TokenizeRun run;
    run.Chunk("start ");
    for (int i = 0; i < 50; ++i) {
        run.Chunk(std::string(7, 'z'));
        EXPECT_LE(run.carry.size(), 21u);
    }
    run.Chunk("zz end");
    FinishFile(run.carry, run.context);
    EXPECT_EQ(run.Words(), (WordCounts{{"end", 1}, {"start", 1}}));
    EXPECT_EQ(run.qualified, 2);
}

TEST(TokenizerTest, EmptyChunkEmptiesTheCarryAndAddsNothing) {
    TokenizeRun run;
    run.Chunk("abc");
    ASSERT_EQ(run.carry, "abc");
    CBlob empty;  // no bytes at all
    TokenizeChunk(empty, run.carry, run.context);
    EXPECT_TRUE(run.carry.empty());
    EXPECT_EQ(run.store.Count(), 0);
    EXPECT_EQ(run.qualified, 0);
}

TEST(TokenizerTest, QualifiedWordsAccumulatesAcrossChunks) {
    TokenizeRun run(kEnglishLatin, 4);
    run.qualified = 10;  // the run's counter is only ever added to
    run.Chunk("this word is here twice twice ");
    EXPECT_EQ(run.qualified, 15);
    EXPECT_EQ(run.store.Count(), 4);
}

TEST(TokenizerTest, MinimumAboveMaximumAcceptsNothing) {
    TokenizeRun run(kEnglishLatin, 25);
    run.File(k20 + " " + k21 + " a");
    EXPECT_EQ(run.store.Count(), 0);
    EXPECT_EQ(run.qualified, 0);
}

TEST(TokenizerTest, HashMatchesTheStoreHashOfTheFoldedWord) {
    // The tokenizer hashes while it folds; the store must find the same word by its
    // own hash, or RemoveWord of a tokenized word would miss.
    TokenizeRun run;
    run.File("MiXeD cAsE WoRdS");
    for (const char* word : {"mixed", "case", "words"})
        run.store.RemoveWord(word);
    EXPECT_EQ(run.store.Count(), 0);
}

}  // namespace
}  // namespace tarvolen
