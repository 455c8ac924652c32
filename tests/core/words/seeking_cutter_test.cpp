#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/words/char_map.h"
#include "core/words/plain_row_cutter.h"
#include "core/words/row_assembler.h"
#include "core/words/tokenizer.h"
#include "core/words/word_cutter.h"

namespace tarvolen {
namespace {

using Span = std::pair<std::uint64_t, std::uint64_t>;

// The places of the words handed on, and how far the cutter said it had searched when
// each was handed.
struct Handed final : WordSink {
    std::vector<Span> places;
    std::vector<std::uint64_t> searchedBefore;
    std::uint64_t searched = 0;
    Span place{};
    void Place(std::uint64_t begin, std::uint64_t end) override { place = {begin, end}; }
    void Take(const char*, std::size_t) override {
        places.push_back(place);
        searchedBefore.push_back(searched);
    }
};

// The model: every maximal run of ASCII letters, folded to lower case, that is the word
// sought and long enough to be counted.
std::vector<Span> ModelPlaces(const std::string& text, const std::string& sought, int minLength) {
    std::vector<Span> places;
    for (std::size_t i = 0; i < text.size();) {
        if (std::isalpha(static_cast<unsigned char>(text[i])) == 0) {
            ++i;
            continue;
        }
        std::size_t end = i;
        std::string word;
        while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end])) != 0)
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(text[end++])));
        if (word == sought && word.size() >= static_cast<std::size_t>(minLength) &&
            word.size() <= static_cast<std::size_t>(MaxWordLength))
            places.emplace_back(i, end);
        i = end;
    }
    return places;
}

// Texts of the word sought in mixed case, words that begin or end like it, other
// words and runs of letters too long to count, between separators of one or more
// bytes, handed over in chunks cut anywhere: the words the seeking cutter hands on are
// the model's, in order, and none begins before where it said it had searched.
TEST(SeekingCutter, HandsOnTheWordSoughtAloneWhereverChunksEnd) {
    std::mt19937 random(1211);
    CharMap map;
    BuildCharMap(kEnglishLatin, map);
    const auto letters = [&](std::size_t n) {
        std::string word;
        for (std::size_t i = 0; i < n; ++i)
            word += static_cast<char>((random() % 4 == 0 ? 'A' : 'a') + random() % 26);
        return word;
    };
    for (int trial = 0; trial < 300; ++trial) {
        std::string sought = letters(trial % 7 == 0 ? 15 + random() % 6 : 1 + random() % 5);
        for (char& c : sought)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string text;
        for (int piece = 0, pieces = 5 + static_cast<int>(random() % 90); piece < pieces; ++piece) {
            std::string word;
            switch (random() % 6) {
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
                default:
                    word = letters(sought.size());
            }
            text += word;
            for (std::size_t gap = 1 + random() % 3; gap > 0; --gap)
                text += " .\n1-"[random() % 5];
        }
        const int minLength = trial % 5 == 0 ? 3 : 1;

        CutterSetup setup;
        setup.language = kEnglishLatin;
        setup.map = &map;
        setup.minWordLength = minLength;
        Handed handed;
        RowAssembler rows(setup.inARow, handed);
        const std::unique_ptr<PlainRowCutter> cutter = MakeSeekingCutter(setup, rows, sought);
        ASSERT_NE(cutter, nullptr);
        std::vector<std::size_t> cuts;
        for (int n = static_cast<int>(random() % 8); n > 0; --n)
            cuts.push_back(random() % (text.size() + 1));
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
            << "sought " << sought << " in " << text;
        for (std::size_t i = 0; i < handed.places.size(); ++i)
            EXPECT_GE(handed.places[i].first, handed.searchedBefore[i]) << text;
    }
}

TEST(SeekingCutter, OnlyForThePlainAlphabetsSingleWords) {
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
    CutterSetup unicode = setup;
    unicode.language = kUnicode;
    for (const CutterSetup& other : {rules, inARow, unicode})
        EXPECT_EQ(MakeSeekingCutter(other, rows, "the"), nullptr);
    EXPECT_NE(MakeSeekingCutter(setup, rows, "the"), nullptr);
}

}  // namespace
}  // namespace tarvolen
