#include "core/output/upper_case.h"

#include <gtest/gtest.h>

#include "core/words/char_map.h"

namespace tarvolen {
namespace {

struct UpperRow {
    const char* why;
    std::int32_t language;
    unsigned char in;
    unsigned char out;
};

class UpperCaseTableTest : public ::testing::TestWithParam<UpperRow> {};

TEST_P(UpperCaseTableTest, MapsByteToItsCapital) {
    const UpperRow& row = GetParam();
    EXPECT_EQ(UpperCaseTableOf(row.language)[row.in], row.out) << row.why;
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, UpperCaseTableTest,
    ::testing::Values(
        UpperRow{"ascii first", kEnglishLatin, 'a', 'A'},
        UpperRow{"ascii last", kEnglishLatin, 'z', 'Z'},
        UpperRow{"capital stays", kEnglishLatin, 'Q', 'Q'},
        UpperRow{"digit stays", kEnglishLatin, '7', '7'},
        UpperRow{"a grave", kEnglishLatin, 0xE0, 0xC0}, UpperRow{"thorn", kFrench, 0xFE, 0xDE},
        UpperRow{"division sign has no capital", kGerman, 0xF7, 0xF7},
        UpperRow{"sharp s has no single-byte capital", kGerman, 0xDF, 0xDF},
        UpperRow{"micro sign stays", kEnglishLatin, 0xB5, 0xB5},
        UpperRow{"y diaeresis", kFrench, 0xFF, 0x9F}, UpperRow{"s caron", kItalian, 0x9A, 0x8A},
        UpperRow{"oe ligature", kFrench, 0x9C, 0x8C}, UpperRow{"z caron", kSpanish, 0x9E, 0x8E},
        UpperRow{"cedilla is no letter in 1252", kEnglishLatin, 0xB8, 0xB8},
        UpperRow{"cyrillic a", kRussian, 0xE0, 0xC0}, UpperRow{"cyrillic ya", kRussian, 0xFF, 0xDF},
        UpperRow{"cyrillic yo", kRussian, 0xB8, 0xA8}, UpperRow{"short u", kRussian, 0xA2, 0xA1},
        UpperRow{"ukrainian i", kRussian, 0xB3, 0xB2},
        UpperRow{"ghe with upturn", kRussian, 0xB4, 0xA5},
        UpperRow{"ukrainian ie", kRussian, 0xBA, 0xAA}, UpperRow{"yi", kRussian, 0xBF, 0xAF},
        UpperRow{"je", kRussian, 0xBC, 0xA3}, UpperRow{"dze", kRussian, 0xBE, 0xBD},
        UpperRow{"dje", kRussian, 0x90, 0x80}, UpperRow{"gje", kRussian, 0x83, 0x81},
        UpperRow{"lje", kRussian, 0x9A, 0x8A}, UpperRow{"nje", kRussian, 0x9C, 0x8C},
        UpperRow{"kje", kRussian, 0x9D, 0x8D}, UpperRow{"tshe", kRussian, 0x9E, 0x8E},
        UpperRow{"dzhe", kRussian, 0x9F, 0x8F},
        UpperRow{"ascii under 1251 too", kRussian, 'q', 'Q'},
        UpperRow{"no partner under 1251", kRussian, 0xB5, 0xB5},
        UpperRow{"unknown language is 1252", 99, 0xFF, 0x9F}));

TEST(UpperCaseTable, CapitalsAreTheirOwnCapitals) {
    // Upper-casing twice must change nothing: no table sends a byte to another
    // lower-case byte.
    for (std::int32_t language = 0; language < kAlphabetCount; ++language) {
        const UpperCaseTable& table = UpperCaseTableOf(language);
        for (int byte = 0; byte < 256; ++byte) {
            EXPECT_EQ(table[table[byte]], table[byte]) << language << " " << byte;
        }
    }
}

TEST(UpperCaseTable, EveryLetterOfTheAlphabetMeetsItsCapital) {
    for (std::int32_t language = 0; language < kAlphabetCount; ++language) {
        const Alphabet alphabet = AlphabetOf(language);
        ASSERT_EQ(alphabet.lower.size(), alphabet.capitals.size());
        const UpperCaseTable& table = UpperCaseTableOf(language);
        for (std::size_t i = 0; i < alphabet.lower.size(); ++i) {
            const auto lower = static_cast<unsigned char>(alphabet.lower[i]);
            const auto capital = static_cast<unsigned char>(alphabet.capitals[i]);
            if (lower == capital)
                continue;  // a letter without a capital, like sharp s
            EXPECT_EQ(table[lower], capital) << "language " << language << " byte " << int(lower);
        }
    }
}

// A list that mixes both code pages (the user said Yes to the question) is upper-cased
// with one table. The Windows-1251 one gives every stored letter of every alphabet its
// capital in the letter's own code page: the Latin letters above ASCII (ä ö ü ñ) sit
// 0x20 above their capitals there too, and sharp s stays.
TEST(UpperCaseTable, Windows1251ServesTheLettersOfEveryAlphabet) {
    const UpperCaseTable& cyrillic = UpperCaseTableOf(CodePage::Windows1251);
    for (std::int32_t language = 0; language < kAlphabetCount; ++language) {
        const Alphabet alphabet = AlphabetOf(language);
        for (std::size_t i = 0; i < alphabet.lower.size(); ++i) {
            const auto lower = static_cast<unsigned char>(alphabet.lower[i]);
            EXPECT_EQ(cyrillic[lower], static_cast<unsigned char>(alphabet.capitals[i]))
                << "language " << language << " byte " << int(lower);
        }
    }
}

}  // namespace
}  // namespace tarvolen
