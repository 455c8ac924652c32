#include "core/words/char_map.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvolen {
namespace {

struct AlphabetCase {
    std::int32_t language;
    std::string lower;
    std::string capitals;
};

std::string Range(unsigned char first, unsigned char last) {
    std::string bytes;
    for (int c = first; c <= last; ++c)
        bytes.push_back(static_cast<char>(c));
    return bytes;
}

// The alphabets spelled out independently of the implementation's literals.
std::vector<AlphabetCase> Alphabets() {
    const std::string latin = Range('a', 'z');
    const std::string latinCaps = Range('A', 'Z');
    return {
        {kEnglishLatin, latin, latinCaps},
        {kFrench, latin, latinCaps},
        {kGerman, latin + "\xE4\xF6\xFC\xDF", latinCaps + "\xC4\xD6\xDC\xDF"},
        {kItalian, "abcdefghilmnopqrstuvz", "ABCDEFGHILMNOPQRSTUVZ"},
        {kRussian, Range(0xE0, 0xE5) + "\xB8" + Range(0xE6, 0xFF),
         Range(0xC0, 0xC5) + "\xA8" + Range(0xC6, 0xDF)},
        {kSpanish, latin + "\xF1", latinCaps + "\xD1"},
    };
}

TEST(CharMapTest, EveryAlphabetIsByteExact) {
    for (const AlphabetCase& expected : Alphabets()) {
        SCOPED_TRACE(expected.language);
        const Alphabet alphabet = AlphabetOf(expected.language);
        EXPECT_EQ(alphabet.lower, expected.lower);
        EXPECT_EQ(alphabet.capitals, expected.capitals);
    }
}

TEST(CharMapTest, MapsExactlyTheAlphabetAndFoldsCapitals) {
    for (const AlphabetCase& expected : Alphabets()) {
        SCOPED_TRACE(expected.language);
        CharMap map;
        map.fill(0x55);  // stale content must not survive
        BuildCharMap(expected.language, map);
        CharMap want{};
        for (std::size_t i = 0; i < expected.lower.size(); ++i) {
            const auto lower = static_cast<unsigned char>(expected.lower[i]);
            want[lower] = lower;
            want[static_cast<unsigned char>(expected.capitals[i])] = lower;
        }
        for (int byte = 0; byte < 256; ++byte) {
            EXPECT_EQ(map[byte], want[byte]) << "byte " << byte;
        }
        EXPECT_EQ(map[0], 0);
    }
}

TEST(CharMapTest, LanguageSpecificBytes) {
    struct Case {
        std::int32_t language;
        unsigned char byte;
        unsigned char mapsTo;
    };
    const Case cases[] = {
        {kGerman, 0xC4, 0xE4},    {kGerman, 0xD6, 0xF6},
        {kGerman, 0xDC, 0xFC},    {kGerman, 0xDF, 0xDF},
        {kGerman, 0xE9, 0},       {kRussian, 0xA8, 0xB8},
        {kRussian, 0xC0, 0xE0},   {kRussian, 0xDF, 0xFF},
        {kRussian, 'a', 0},       {kRussian, 'A', 0},
        {kSpanish, 0xD1, 0xF1},   {kSpanish, 0xF3, 0},
        {kSpanish, 0xE1, 0},      {kItalian, 'j', 0},
        {kItalian, 'K', 0},       {kItalian, 'w', 0},
        {kItalian, 'x', 0},       {kItalian, 'Y', 0},
        {kItalian, 'Z', 'z'},     {kEnglishLatin, 0xE9, 0},
        {kEnglishLatin, '0', 0},  {kEnglishLatin, '\'', 0},
        {kFrench, 0xE9, 0},       {kFrench, 'Q', 'q'},
        {-1, 'Q', 'q'},           {6, 0xE4, 0},
        {kEnglishLatin, 0xFF, 0},
    };
    for (const Case& c : cases) {
        CharMap map;
        BuildCharMap(c.language, map);
        EXPECT_EQ(map[c.byte], c.mapsTo)
            << "language " << c.language << " byte " << static_cast<int>(c.byte);
    }
}

TEST(CharMapTest, OutOfRangeIndexesUseEnglishLatin) {
    CharMap latin;
    BuildCharMap(kEnglishLatin, latin);
    for (std::int32_t language : {-1, 6, 100}) {
        CharMap map;
        BuildCharMap(language, map);
        EXPECT_EQ(map, latin) << language;
    }
}

}  // namespace
}  // namespace tarvolen
