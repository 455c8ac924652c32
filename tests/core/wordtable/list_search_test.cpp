// The plain search of the Word List window: substrings, anchors and case.
#include <gtest/gtest.h>

#include <string>

#include "core/wordtable/list_search.h"
#include "core/wordtable/list_text.h"

namespace tarvolen {
namespace {

TEST(WordSearchTest, MatchesAsTheAnchorsAndTheCaseTableSay) {
    struct Row {
        const char* why;
        CodePage encoding;
        std::u32string typed;
        std::string word;
        bool matches;
    };
    const Row rows[] = {
        {"a substring anywhere", CodePage::Windows1252, U"ell", "hello", true},
        {"not there", CodePage::Windows1252, U"elo", "hello", false},
        {"^ at the start", CodePage::Windows1252, U"^he", "hello", true},
        {"^ not in the middle", CodePage::Windows1252, U"^ll", "hello", false},
        {"$ at the end", CodePage::Windows1252, U"lo$", "hello", true},
        {"$ not in the middle", CodePage::Windows1252, U"ll$", "hello", false},
        {"^ and $: the whole word", CodePage::Windows1252, U"^hello$", "hello", true},
        {"^ and $: no more, no less", CodePage::Windows1252, U"^hell$", "hello", false},
        {"longer than the word", CodePage::Windows1252, U"helloo", "hello", false},
        {"capitals typed match the folded word", CodePage::Windows1252, U"HeLL", "hello", true},
        {"a Latin-1 capital", CodePage::Windows1252, U"\u00C9t\u00C9", "\xE9t\xE9", true},
        {"a capital of the word's bytes", CodePage::Windows1252, U"\u00E9", "\xC9t\xC9", true},
        {"Cyrillic through Windows-1251", CodePage::Windows1251, U"\u041C\u0418\u0420",
         "\xEC\xE8\xF0", true},
        {"a character the code page lacks", CodePage::Windows1252, U"\u0436", "hello", false},
        {"a caret inside is a caret", CodePage::Windows1252, U"a^b", "a^b", true},
        {"across the space of words in a row", CodePage::Windows1252, U"E C", "the cat", true},
        {"^ and $: the whole row", CodePage::Windows1252, U"^the cat$", "the cat", true},
        {"a word of the row is not the row", CodePage::Windows1252, U"^the$", "the cat", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        const WordSearch search(row.encoding, row.typed);
        EXPECT_FALSE(search.MatchesEverything());
        EXPECT_EQ(search.Matches(row.word), row.matches);
    }
}

TEST(WordSearchTest, NothingTypedOrAnAnchorAloneMatchesEverything) {
    for (const std::u32string typed : {U"", U"^", U"$"}) {
        const WordSearch search(CodePage::Windows1252, typed);
        EXPECT_TRUE(search.MatchesEverything());
        EXPECT_TRUE(search.Matches("word"));
    }
    EXPECT_FALSE(WordSearch(CodePage::Windows1252, U"^$").MatchesEverything());
}

}  // namespace
}  // namespace tarvolen

namespace tarvolen {
namespace {

// A UTF-8 list: its words are in lower case, the typed text is brought there, lengths
// are characters and backwards is character by character.
TEST(Utf8ListText, SearchLengthAndBackwardsByCharacters) {
    EXPECT_TRUE(WordSearch(CodePage::Utf8, U"CAFÉ").Matches("caf\xC3\xA9"));
    EXPECT_TRUE(WordSearch(CodePage::Utf8, U"É$").Matches("caf\xC3\xA9"));
    EXPECT_FALSE(WordSearch(CodePage::Utf8, U"e").Matches("caf\xC3\xA9"));
    EXPECT_TRUE(
        WordSearch(CodePage::Utf8, U"^ΣΟΦ").Matches("\xCF\x83\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1"));
    EXPECT_EQ(ListWordLength(CodePage::Utf8, "\xCF\x83\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1"), 5u);
    EXPECT_EQ(ListWordLength(CodePage::Windows1252, "caf\xE9"), 4u);
    // é (U+00E9) comes before Ā (U+0100), though its last byte (A9) is above Ā's (80).
    EXPECT_TRUE(BackwardsOrder(CodePage::Utf8, "a\xC3\xA9", "a\xC4\x80"));
    EXPECT_FALSE(BackwardsOrder(CodePage::Utf8, "a\xC4\x80", "a\xC3\xA9"));
    EXPECT_TRUE(BackwardsOrder(CodePage::Utf8, "ing", "sing"));
    EXPECT_FALSE(BackwardsOrder(CodePage::Utf8, "sing", "ing"));
}

}  // namespace
}  // namespace tarvolen
