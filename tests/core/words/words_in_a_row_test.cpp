// Words in a row (n-grams): random texts with every kind of gap, cut into chunks
// anywhere, against a model built from the pieces each text was made of.
#include <gtest/gtest.h>
#include <unicode/ubrk.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/ingest/store_reports.h"
#include "core/store/word_store.h"
#include "core/text/code_page.h"
#include "core/words/char_map.h"
#include "core/words/tokenizer.h"
#include "core/words/word_cutter.h"
#include "support/fakes.h"
#include "support/store_contents.h"

namespace tarvolen {
namespace {

using testing::WordCounts;

// ---- The model: a text is made of items, each a word or one character between words.
// A gap character's class: 's' white space, 'r' CR, 'n' LF, 'p' punctuation, symbol
// or digit, 'x' what ends every row.
struct Item {
    std::string word;  // folded; empty for a gap
    bool counted = false;
    char gap = 0;
};

struct Text {
    std::string bytes;
    std::vector<Item> items;
};

// Whether two counted words with these gap characters between them are in a row.
bool InARow(const std::string& gap, bool across) {
    if (gap.find('x') != std::string::npos)
        return false;
    std::string lines;  // CR LF, CR and LF each as one 'n'
    for (std::size_t i = 0; i < gap.size(); ++i) {
        const bool crLf = gap[i] == 'r' && i + 1 < gap.size() && gap[i + 1] == 'n';
        lines.push_back(gap[i] == 'r' ? 'n' : gap[i]);
        i += crLf ? 1 : 0;
    }
    if (!across)
        return lines.find('p') == std::string::npos && std::ranges::count(lines, 'n') <= 1;
    // A blank line: two line ends with only white space between them.
    const std::size_t first = lines.find('n');
    for (std::size_t i = first; i != std::string::npos; i = lines.find('n', i + 1)) {
        const std::size_t next = lines.find('n', i + 1);
        if (next != std::string::npos &&
            lines.find_first_not_of('s', i + 1) == static_cast<std::size_t>(next))
            return false;
    }
    return true;
}

struct Expected {
    WordCounts entries;
    std::int64_t total = 0;
};

Expected Model(const std::vector<Item>& items, const WordsInARow& inARow) {
    Expected expected;
    std::vector<std::string> row;
    std::string gap;
    for (const Item& item : items) {
        if (item.word.empty()) {
            gap.push_back(item.gap);
            continue;
        }
        if (!item.counted || !InARow(gap, inARow.AcrossPunctuation))
            row.clear();
        gap.clear();
        if (!item.counted)
            continue;
        row.push_back(item.word);
        for (std::size_t n = static_cast<std::size_t>(inARow.From);
             n <= static_cast<std::size_t>(inARow.To) && n <= row.size(); ++n) {
            std::string entry;
            for (std::size_t k = row.size() - n; k < row.size(); ++k)
                entry += (entry.empty() ? "" : " ") + row[k];
            ++expected.entries[entry];
            ++expected.total;
        }
    }
    return expected;
}

// ---- Random texts ----

struct Gap {
    const char* bytes;
    const char* classes;  // one per character
};

// Between words, under a code page (Windows-1252) and in UTF-8.
const std::vector<Gap> kCodePageGaps = {
    {" ", "s"}, {"\t", "s"}, {"\xA0", "s"}, {"\n", "n"}, {"\r", "r"}, {"\r\n", "rn"},
    {",", "p"}, {".", "p"},  {"(", "p"},    {"7", "p"},  {"\f", "x"}, {"\x01", "x"},
};
const std::vector<Gap> kUnicodeGaps = {
    {" ", "s"},  {"\t", "s"},     {"\u00A0", "s"}, {"\u3000", "s"}, {"\n", "n"},
    {"\r", "r"}, {"\r\n", "rn"},  {",", "p"},      {"\u3002", "p"}, {"\u2014", "p"},
    {"5", "p"},  {"\u2028", "x"}, {"\u2029", "x"}, {"\f", "x"},
};

class TextMaker {
  public:
    TextMaker(bool unicode, int minLength, std::uint32_t seed)
        : unicode_(unicode), minLength_(minLength), rng_(seed) {}

    Text Make() {
        Text text;
        const int pieces = Pick(10, 60);
        for (int i = 0; i < pieces; ++i) {
            if (unicode_ && Pick(0, 9) == 0)
                AddCjkRun(text);
            else
                AddWord(text);
            for (int gaps = Pick(0, 2) == 0 ? Pick(2, 4) : 1; gaps > 0; --gaps) {
                // Mostly single spaces, as in prose; now and then a longer gap.
                const auto& table = unicode_ ? kUnicodeGaps : kCodePageGaps;
                const Gap& gap = Pick(0, 2) == 0 ? table[0] : table[Pick(0, table.size() - 1)];
                text.bytes += gap.bytes;
                for (const char* c = gap.classes; *c != 0; ++c)
                    text.items.push_back({"", false, *c});
            }
        }
        return text;
    }

    std::mt19937& Rng() { return rng_; }

  private:
    int Pick(std::size_t low, std::size_t high) {
        return static_cast<int>(std::uniform_int_distribution<std::size_t>(low, high)(rng_));
    }

    // Letters of one case or the other, of a length about the limit now and then.
    void AddWord(Text& text) {
        const int length = Pick(0, 7) == 0 ? Pick(15, 25) : Pick(1, 8);
        std::string written, folded;
        for (int i = 0; i < length; ++i) {
            const bool capital = Pick(0, 3) == 0;
            const int script = unicode_ ? Pick(0, 2) : 0;
            if (script == 0) {
                const char c = static_cast<char>('a' + Pick(0, 25));
                written.push_back(capital ? static_cast<char>(c - 32) : c);
                folded.push_back(c);
            } else {
                // Cyrillic а..я or Greek α..ω (not the final sigma), and their capitals.
                const char32_t lower = script == 1 ? U'а' + Pick(0, 31) : U'α' + Pick(0, 24);
                const char32_t c = lower == U'ς' ? U'σ' : lower;
                AppendUtf8(written, capital ? c - 0x20 : c);
                AppendUtf8(folded, c);
            }
        }
        text.bytes += written;
        text.items.push_back({folded, length >= minLength_ && length <= MaxWordLength, 0});
    }

    // Han characters with nothing between them: ICU's dictionary decides the words.
    void AddCjkRun(Text& text) {
        static const char32_t kHan[] = {U'中', U'文', U'字', U'词', U'语', U'日', U'本', U'人'};
        icu::UnicodeString run;
        for (int n = Pick(1, 6); n > 0; --n)
            run.append(static_cast<UChar32>(kHan[Pick(0, std::size(kHan) - 1)]));
        UErrorCode status = U_ZERO_ERROR;
        UBreakIterator* words = ubrk_open(UBRK_WORD, "", run.getBuffer(), run.length(), &status);
        ASSERT_TRUE(U_SUCCESS(status));
        for (std::int32_t from = ubrk_first(words), to = ubrk_next(words); to != UBRK_DONE;
             from = to, to = ubrk_next(words)) {
            std::string word;
            run.tempSubStringBetween(from, to).toUTF8String(word);
            const int length = run.countChar32(from, to - from);
            text.items.push_back({word, length >= minLength_ && length <= MaxWordLength, 0});
        }
        ubrk_close(words);
        std::string bytes;
        run.toUTF8String(bytes);
        text.bytes += bytes;
    }

    bool unicode_;
    int minLength_;
    std::mt19937 rng_;
};

// ---- The run under test ----

struct Counted {
    WordCounts entries;
    std::int64_t qualified = 0;
};

// A run's store, alphabet and cutter setup, as the run under test counts with them.
// The texts hold no apostrophe or hyphen, so that the word rules (another cutter) find
// the same words.
struct CountingRun {
    testing::FakeMessages messages;
    WordStore store{ReportingStoreOptions(messages, testing::SmallStoreOptions())};
    CharMap map;
    CutterSetup setup;
    Counted counted;
    TokenizerContext context{map, 1, counted.qualified, store};

    CountingRun(bool unicode, int minLength, const WordsInARow& inARow, bool rules) {
        BuildCharMap(unicode ? kUnicode : kEnglishLatin, map);
        setup.language = unicode ? kUnicode : kEnglishLatin;
        setup.map = &map;
        setup.codePage = unicode ? CodePage::Utf8 : CodePage::Windows1252;
        setup.minWordLength = minLength;
        setup.rules = {rules, rules, false};
        setup.inARow = inARow;
        context.minWordLength = minLength;
    }
    std::unique_ptr<WordCutter> Cutter(std::string& carry) {
        return MakeDocumentCutter(setup, context, carry);
    }
    // The bytes of text from from to to, as one chunk.
    static void Cut(WordCutter& cutter, const std::string& text, std::size_t from, std::size_t to) {
        std::vector<unsigned char> chunk(text.begin() + static_cast<std::ptrdiff_t>(from),
                                         text.begin() + static_cast<std::ptrdiff_t>(to));
        chunk.push_back(0);  // the writable byte after the chunk
        cutter.Cut({chunk.data(), to - from});
    }
    Counted Result() {
        counted.entries = testing::StoreWords(store);
        return counted;
    }
};

// Cuts text at the offsets given (ascending; in UTF-8 on character boundaries, as the
// decoder hands it over) and counts it through the run's own cutter.
Counted CountInChunks(const std::string& text, const std::vector<std::size_t>& cuts, bool unicode,
                      int minLength, const WordsInARow& inARow, bool rules = false) {
    CountingRun run(unicode, minLength, inARow, rules);
    std::string carry;
    const std::unique_ptr<WordCutter> cutter = run.Cutter(carry);
    std::size_t from = 0;
    for (std::size_t i = 0; i <= cuts.size(); ++i) {
        const std::size_t to = i < cuts.size() ? cuts[i] : text.size();
        if (to == from)
            continue;
        CountingRun::Cut(*cutter, text, from, to);
        from = to;
    }
    cutter->EndText();
    return run.Result();
}

bool CharacterStart(const std::string& text, std::size_t at) {
    return at == text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80;
}

// Counts text as readers of its parts do (IngestFile): each part, from one cut to the
// next, by a cutter of its own, which then reads on past the part's end, a few bytes at
// a time, for as long as it carries rows. Every part counts into the one store.
Counted CountInParts(const std::string& text, const std::vector<std::size_t>& cuts, bool unicode,
                     int minLength, const WordsInARow& inARow, bool rules) {
    CountingRun run(unicode, minLength, inARow, rules);
    for (std::size_t i = 0; i <= cuts.size(); ++i) {
        const std::size_t begin = i == 0 ? 0 : cuts[i - 1];
        const std::size_t end = i < cuts.size() ? cuts[i] : text.size();
        std::string carry;
        const std::unique_ptr<WordCutter> cutter = run.Cutter(carry);
        if (end > begin)
            CountingRun::Cut(*cutter, text, begin, end);
        EXPECT_FALSE(cutter->InWord());
        cutter->CarryPastCut();
        for (std::size_t at = end; at < text.size() && cutter->CarriesRows();) {
            std::size_t to = std::min(text.size(), at + 3);
            while (!CharacterStart(text, to))
                ++to;
            CountingRun::Cut(*cutter, text, at, to);
            at = to;
        }
        cutter->EndText();
    }
    return run.Result();
}

const WordsInARow kRanges[] = {
    {1, 1, false}, {2, 2, false}, {3, 3, false}, {4, 4, false},
    {1, 3, false}, {2, 4, false}, {1, 8, false},
};

// Chunks end anywhere. A file read in parts (threads, processes) is cut where a word
// surely ends, after an ASCII blank or line end, and the rows that cross a cut are
// carried on by the part before it.
TEST(WordsInARowProperty, EveryRangeMatchesTheModelWhereverTheChunksAndPartsEnd) {
    for (const bool unicode : {false, true}) {
        for (int trial = 0; trial < 16; ++trial) {
            const int minLength = trial % 3 == 0 ? 4 : 1;
            const bool rules = trial % 2 == 1;
            TextMaker maker(unicode, minLength, static_cast<std::uint32_t>(trial * 2 + unicode));
            const Text text = maker.Make();
            std::vector<std::size_t> separators;
            for (std::size_t at = 1; at < text.bytes.size(); ++at)
                if (std::string_view(" \t\r\n").find(text.bytes[at - 1]) != std::string_view::npos)
                    separators.push_back(at);
            for (WordsInARow inARow : kRanges) {
                for (const bool across : {false, true}) {
                    inARow.AcrossPunctuation = across;
                    const Expected expected = Model(text.items, inARow);
                    std::vector<std::size_t> cuts;
                    for (int n = std::uniform_int_distribution<int>(0, 8)(maker.Rng()); n > 0;
                         --n) {
                        std::size_t at = std::uniform_int_distribution<std::size_t>(
                            1, text.bytes.size() - 1)(maker.Rng());
                        while (!CharacterStart(text.bytes, at))
                            ++at;
                        cuts.push_back(at);
                    }
                    std::ranges::sort(cuts);
                    SCOPED_TRACE(::testing::PrintToString(text.bytes) + " from " +
                                 std::to_string(inARow.From) + " to " + std::to_string(inARow.To) +
                                 (across ? " across" : "") + " min " + std::to_string(minLength) +
                                 (rules ? " rules" : ""));
                    const Counted got =
                        CountInChunks(text.bytes, cuts, unicode, minLength, inARow, rules);
                    EXPECT_EQ(got.entries, expected.entries);
                    // The run's total counts entries, as a single-word run's counts words.
                    EXPECT_EQ(got.qualified, expected.total);
                    // Parts of a few words and of none: a row may run over several.
                    std::vector<std::size_t> parts;
                    for (std::size_t k = 0; k < separators.size();
                         k += std::uniform_int_distribution<std::size_t>(1, 6)(maker.Rng()))
                        parts.push_back(separators[k]);
                    const Counted inParts =
                        CountInParts(text.bytes, parts, unicode, minLength, inARow, rules);
                    EXPECT_EQ(inParts.entries, expected.entries) << "in parts";
                    EXPECT_EQ(inParts.qualified, expected.total) << "in parts";
                }
            }
        }
    }
}

// One five-word row with a gap of every kind that joins, cut in two at every offset.
TEST(WordsInARowProperty, AChunkEndAnywhereInARowOfFiveLosesNothing) {
    struct Case {
        bool unicode;
        std::string text;
        std::string row;
    };
    const Case cases[] = {
        {false,
         "Start. Alpha\tbeta\r\ngamma\xA0"
         "delta  EPSILON, end",
         "alpha beta gamma delta epsilon"},
        {true, "Start. Alpha\tБета\r\nγάμμα\u3000delta\u00A0epsilon\u3002",
         "alpha бета γάμμα delta epsilon"},
    };
    for (const Case& c : cases) {
        const WordsInARow inARow{5, 5, false};
        for (std::size_t at = 0; at <= c.text.size(); ++at) {
            if (!CharacterStart(c.text, at))
                continue;
            SCOPED_TRACE(at);
            const Counted got = CountInChunks(c.text, {at}, c.unicode, 1, inARow);
            EXPECT_EQ(got.entries, (WordCounts{{c.row, 1}}));
        }
    }
}

// Eight words of twenty characters of four bytes each: the longest entry there can be,
// many of them, whole in the store.
TEST(WordsInARowProperty, TheLongestEntriesAreCountedWhole) {
    std::vector<Item> items;
    std::string text;
    for (int repeat = 0; repeat < 50; ++repeat) {
        for (char32_t k = 0; k < 8; ++k) {
            std::string word;
            for (int i = 0; i < MaxWordLength; ++i)
                AppendUtf8(word, U'\U00010428' + k);  // Deseret small letters
            text += word + " ";
            items.push_back({word, true, 0});
            items.push_back({"", false, 's'});
        }
    }
    const WordsInARow inARow{8, 8, false};
    const Expected expected = Model(items, inARow);
    std::size_t cut = text.size() / 3;
    while (!CharacterStart(text, cut))
        ++cut;
    const Counted got = CountInChunks(text, {cut}, true, 1, inARow);
    EXPECT_EQ(got.entries, expected.entries);
    ASSERT_EQ(got.entries.size(), 8u);
    EXPECT_EQ(got.entries.begin()->first.size(), MaxEntryBytes);
}

}  // namespace
}  // namespace tarvolen
