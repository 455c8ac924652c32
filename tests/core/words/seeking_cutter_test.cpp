#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/words/char_map.h"
#include "core/words/row_assembler.h"
#include "core/words/tokenizer.h"
#include "core/words/word_cutter.h"

namespace tarvolen {
namespace {

using Span = std::pair<std::uint64_t, std::uint64_t>;

// The places of the words handed on that are the word sought (a cutter may hand others,
// which its taker tells apart), and how far the cutter said it had searched before.
struct Handed final : WordSink {
    std::string sought;
    std::vector<Span> places;
    std::vector<std::uint64_t> searchedBefore;
    std::uint64_t searched = 0;
    Span place{};
    void Place(std::uint64_t begin, std::uint64_t end) override { place = {begin, end}; }
    void Take(const char* word, std::size_t bytes) override {
        EXPECT_GE(place.first, searched);
        if (std::string(word, bytes) == sought)
            places.push_back(place);
    }
};

// Fullwidth letters, which the Unicode rule brings to ASCII (NFKC), and é.
std::string Fullwidth(char lower) {
    const auto c = static_cast<char32_t>(0xFF41 + (lower - 'a'));
    return {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
            static_cast<char>(0x80 | (c & 0x3F))};
}
const std::string kEAcute = "\xC3\xA9";

// The model: every maximal run of letters (ASCII, and under the Unicode rule fullwidth
// ones and é), folded, that is the word sought and long enough to be counted.
std::vector<Span> ModelPlaces(const std::string& text, const std::string& sought, int minLength) {
    std::vector<Span> places;
    std::size_t begin = 0;
    std::string word;
    std::size_t letters = 0;
    const auto end = [&](std::size_t at) {
        if (word == sought && letters >= static_cast<std::size_t>(minLength) &&
            letters <= static_cast<std::size_t>(MaxWordLength))
            places.emplace_back(begin, at);
        word.clear();
        letters = 0;
    };
    for (std::size_t i = 0; i < text.size();) {
        std::string folded;
        std::size_t bytes = 1;
        if (std::isalpha(static_cast<unsigned char>(text[i])) != 0) {
            folded = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
        } else if (text.compare(i, 2, kEAcute) == 0) {
            folded = kEAcute;
            bytes = 2;
        } else if (static_cast<unsigned char>(text[i]) == 0xEF) {
            for (char c = 'a'; c <= 'z' && folded.empty(); ++c)
                if (text.compare(i, 3, Fullwidth(c)) == 0)
                    folded = c;
            bytes = 3;
        }
        if (folded.empty()) {
            end(i);
        } else {
            if (word.empty())
                begin = i;
            word += folded;
            ++letters;
        }
        i += bytes;
    }
    end(text.size());
    return places;
}

// Texts of the word sought in mixed case (and fullwidth under the Unicode rule), words
// that begin or end like it, other words, runs of letters too long to count, between
// separators of one or more bytes, handed over in chunks cut anywhere (on characters):
// the occurrences the seeking cutter hands on are the model's, in order, and none
// begins before where it said it had searched.
TEST(SeekingCutter, HandsOnEveryOccurrenceWhereverChunksEnd) {
    std::mt19937 random(1211);
    CharMap map;
    BuildCharMap(kEnglishLatin, map);
    const auto letters = [&](std::size_t n) {
        std::string word;
        for (std::size_t i = 0; i < n; ++i)
            word += static_cast<char>((random() % 4 == 0 ? 'A' : 'a') + random() % 26);
        return word;
    };
    for (const bool unicode : {false, true}) {
        for (int trial = 0; trial < 200; ++trial) {
            std::string sought = letters(trial % 7 == 0 ? 15 + random() % 6 : 1 + random() % 5);
            for (char& c : sought)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            std::string text;
            for (int piece = 0, pieces = 5 + static_cast<int>(random() % 200); piece < pieces;
                 ++piece) {
                std::string word;
                // Under the Unicode rule, long stretches of ASCII between the others.
                switch (random() % (unicode && random() % 8 == 0 ? 8 : 6)) {
                    case 0:
                    case 1:
                        word = sought;
                        for (char& c : word)
                            if (random() % 3 == 0)
                                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                        break;
                    case 2:
                        word = random() % 2 == 0 ? sought + letters(1 + random() % 3)
                                                 : letters(1 + random() % 3) + sought;
                        break;
                    case 3:
                        word = letters(random() % 8 == 0 ? 21 + random() % 130 : 1 + random() % 20);
                        break;
                    case 6:
                        for (const char c : sought)
                            word += random() % 2 == 0 ? Fullwidth(c) : std::string(1, c);
                        break;
                    case 7:
                        word = random() % 2 == 0 ? sought + kEAcute : kEAcute + letters(2);
                        break;
                    default:
                        word = letters(sought.size());
                }
                text += word;
                for (std::size_t gap = 1 + random() % 3; gap > 0; --gap)
                    text += " .\n1-"[random() % 5];
            }
            const int minLength = trial % 5 == 0 ? 3 : 1;

            CutterSetup setup;
            setup.language = unicode ? kUnicode : kEnglishLatin;
            setup.codePage = unicode ? CodePage::Utf8 : CodePage::Windows1252;
            setup.map = &map;
            setup.minWordLength = minLength;
            Handed handed;
            handed.sought = sought;
            RowAssembler rows(setup.inARow, handed);
            const std::unique_ptr<SeekingCutter> cutter = MakeSeekingCutter(setup, rows, sought);
            ASSERT_NE(cutter, nullptr);
            std::vector<std::size_t> cuts;
            for (int n = static_cast<int>(random() % 8); n > 0; --n) {
                std::size_t cut = random() % (text.size() + 1);
                while (cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
                    ++cut;
                cuts.push_back(cut);
            }
            std::sort(cuts.begin(), cuts.end());
            cuts.push_back(text.size());
            std::size_t from = 0;
            for (const std::size_t to : cuts) {
                std::vector<unsigned char> chunk(text.begin() + static_cast<std::ptrdiff_t>(from),
                                                 text.begin() + static_cast<std::ptrdiff_t>(to));
                chunk.push_back(0);  // the writable byte after the chunk
                cutter->Cut({chunk.data(), to - from});
                handed.searched = cutter->Searched();
                from = to;
            }
            cutter->EndText();
            ASSERT_EQ(handed.places, ModelPlaces(text, sought, minLength))
                << (unicode ? "unicode" : "alphabet") << " sought " << sought << " in " << text;
        }
    }
}

TEST(SeekingCutter, OnlyWhereAWordCanBeSoughtAlone) {
    CharMap map;
    BuildCharMap(kEnglishLatin, map);
    Handed handed;
    CutterSetup setup;
    setup.map = &map;
    RowAssembler rows(setup.inARow, handed);
    CutterSetup rules = setup;
    rules.rules = {true, false, false};
    CutterSetup inARow = setup;
    inARow.inARow = {1, 2, false};
    CutterSetup unicodeRules = rules;
    unicodeRules.language = kUnicode;
    for (const CutterSetup& other : {rules, inARow, unicodeRules})
        EXPECT_EQ(MakeSeekingCutter(other, rows, "the"), nullptr);
    CutterSetup unicode = setup;
    unicode.language = kUnicode;
    for (const CutterSetup& one : {setup, unicode})
        EXPECT_NE(MakeSeekingCutter(one, rows, "the"), nullptr);
}

}  // namespace
}  // namespace tarvolen
