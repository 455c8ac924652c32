// The Unicode rule against a model that asks ICU about every character as it goes
// (no tables, no fast paths), over text of many scripts read in chunks of every size.
#include "core/words/unicode_word_cutter.h"

#include <gtest/gtest.h>
#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>

#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/decode/text_decoder.h"
#include "core/ingest/store_reports.h"
#include "core/store/word_store.h"
#include "support/fakes.h"
#include "support/store_contents.h"

namespace tarvolen {
namespace {

using CutCounts = std::map<std::string, int>;

// ---- The model ----

bool IsLetter(char32_t c) {
    return (U_GET_GC_MASK(static_cast<UChar32>(c)) & U_GC_L_MASK) != 0;
}
bool IsMark(char32_t c) {
    return (U_GET_GC_MASK(static_cast<UChar32>(c)) & U_GC_M_MASK) != 0;
}
bool IsDigit(char32_t c) {
    return u_charType(static_cast<UChar32>(c)) == U_DECIMAL_DIGIT_NUMBER;
}

struct Model {
    WordRules rules;
    int minLength = 1;

    bool Starts(char32_t c) const { return IsLetter(c) || (rules.Digits && IsDigit(c)); }
    bool Continues(char32_t c) const { return Starts(c) || IsMark(c); }
    bool Joins(char32_t c) const {
        return c == 0xAD || c == 0x200C || c == 0x200D ||
               (rules.Apostrophes && (c == 0x27 || c == 0x2019)) ||
               (rules.Hyphens && (c == 0x2D || c == 0x2010 || c == 0x2011));
    }
    static bool Segmented(char32_t c) {
        UErrorCode status = U_ZERO_ERROR;
        const UScriptCode script = uscript_getScript(static_cast<UChar32>(c), &status);
        return script == USCRIPT_HAN || script == USCRIPT_HIRAGANA || script == USCRIPT_KATAKANA ||
               script == USCRIPT_THAI || script == USCRIPT_LAO || script == USCRIPT_KHMER ||
               script == USCRIPT_MYANMAR;
    }
    static char32_t Stored(char32_t c) {
        if (c == 0x2019)
            return U'\'';
        if (c == 0x2010 || c == 0x2011)
            return U'-';
        return c;
    }

    void Fold(const icu::UnicodeString& piece, CutCounts& out) const {
        icu::UnicodeString kept;
        for (int32_t i = 0; i < piece.length(); i = piece.moveIndex32(i, 1)) {
            if (piece.char32At(i) != 0xAD)
                kept.append(piece.char32At(i));
        }
        UErrorCode status = U_ZERO_ERROR;
        const icu::UnicodeString nfkc =
            icu::Normalizer2::getNFKCInstance(status)->normalize(kept, status);
        icu::UnicodeString lower;
        for (int32_t i = 0; i < nfkc.length(); i = nfkc.moveIndex32(i, 1))
            lower.append(u_tolower(nfkc.char32At(i)));
        const int32_t length = lower.countChar32();
        if (length >= minLength && length <= 20) {
            std::string word;
            ++out[lower.toUTF8String(word)];
        }
    }

    // A letter whose compatibility form holds a character that is no letter or mark
    // (U+FDFA, three spaces) stands for that form.
    static std::u32string Expanded(const std::u32string& written) {
        std::u32string text;
        for (char32_t c : written) {
            UErrorCode status = U_ZERO_ERROR;
            const icu::UnicodeString form = icu::Normalizer2::getNFKCInstance(status)->normalize(
                icu::UnicodeString(static_cast<UChar32>(c)), status);
            bool spaced = false;
            for (int32_t i = 0; i < form.length(); i = form.moveIndex32(i, 1))
                spaced = spaced || !(IsLetter(form.char32At(i)) || IsMark(form.char32At(i)));
            if (!(IsLetter(c) || IsMark(c)) || !spaced) {
                text.push_back(c);
                continue;
            }
            for (int32_t i = 0; i < form.length(); i = form.moveIndex32(i, 1))
                text.push_back(static_cast<char32_t>(form.char32At(i)));
        }
        return text;
    }

    CutCounts Words(const std::u32string& written) const {
        const std::u32string text = Expanded(written);
        CutCounts out;
        std::size_t i = 0;
        while (i < text.size()) {
            if (!Starts(text[i])) {
                ++i;
                continue;
            }
            icu::UnicodeString run;
            bool segmented = false;
            std::size_t j = i;
            while (j < text.size()) {
                if (Continues(text[j])) {
                    run.append(static_cast<UChar32>(Stored(text[j])));
                    segmented = segmented || Segmented(text[j]);
                    ++j;
                } else if (Joins(text[j]) && j + 1 < text.size() && Continues(text[j + 1])) {
                    run.append(static_cast<UChar32>(Stored(text[j])));
                    ++j;
                } else {
                    break;
                }
            }
            i = j;
            if (!segmented) {
                Fold(run, out);
                continue;
            }
            UErrorCode status = U_ZERO_ERROR;
            std::unique_ptr<icu::BreakIterator> words(
                icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
            words->setText(run);
            for (int32_t start = words->first(), end = words->next();
                 end != icu::BreakIterator::DONE; start = end, end = words->next()) {
                const icu::UnicodeString piece(run, start, end - start);
                bool letter = false;
                for (int32_t k = 0; k < piece.length(); k = piece.moveIndex32(k, 1))
                    letter = letter || Starts(piece.char32At(k));
                if (letter)
                    Fold(piece, out);
            }
        }
        return out;
    }
};

// ---- The rule as the reading loop runs it ----

class Utf8CollectingSink : public WordSink {
  public:
    void Take(const char* word, std::size_t bytes) override {
        EXPECT_EQ(word[bytes], '\0');
        EXPECT_EQ(std::strlen(word), bytes);
        ++words[std::string(word, bytes)];
    }
    CutCounts words;
};

// Decodes file (Automatic) chunk by chunk into UTF-8 and cuts it.
CutCounts Cut(const std::string& file, std::size_t chunkSize, const WordRules& rules,
              int minLength = 1) {
    CutterSetup setup;
    setup.language = kUnicode;
    setup.rules = rules;
    setup.codePage = CodePage::Utf8;
    setup.minWordLength = minLength;
    Utf8CollectingSink sink;
    UnicodeWordCutter cutter(setup, sink);
    TextDecoder decoder(TextEncoding{}, CodePage::Utf8);
    decoder.StartFile();
    std::vector<unsigned char> buffer(kDecodeFrontRoom + chunkSize + 1);
    unsigned char* chunkAt = buffer.data() + kDecodeFrontRoom;
    std::size_t at = 0;
    do {
        const std::size_t n = std::min(chunkSize, file.size() - at);
        std::memcpy(chunkAt, file.data() + at, n);
        at += n;
        const std::span<unsigned char> text = decoder.Decode(chunkAt, n, at == file.size());
        if (!text.empty())
            cutter.Cut(text);
    } while (at < file.size());
    cutter.EndText();
    return sink.words;
}

std::string Utf8(const std::u32string& text) {
    std::string out;
    icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32*>(text.data()),
                                  static_cast<int32_t>(text.size()))
        .toUTF8String(out);
    return out;
}

std::string Utf16LeWithMark(const std::u32string& text) {
    const icu::UnicodeString units = icu::UnicodeString::fromUTF32(
        reinterpret_cast<const UChar32*>(text.data()), static_cast<int32_t>(text.size()));
    std::string out = "\xFF\xFE";
    for (int32_t i = 0; i < units.length(); ++i) {
        out.push_back(static_cast<char>(units[i] & 0xFF));
        out.push_back(static_cast<char>(units[i] >> 8));
    }
    return out;
}

// Pieces of many scripts in both cases, decomposed accents, compatibility forms,
// apostrophes, hyphens, joiners, digits, marks with nothing before them, letters
// beyond the Basic Multilingual Plane, and separators.
const std::vector<std::u32string>& Pieces() {
    static const std::vector<std::u32string> pieces = {
        U"Word",
        U"word",
        U"WORD",
        U"caf\u00E9",
        U"cafe\u0301",
        U"\u00C9L\u00C8VE",
        U"\uFB01nal",
        U"\uFF26\uFF55\uFF4C\uFF4C",
        U"\u2460",
        U"\u1E9E",
        U"stra\u00DFe",
        U"\u03A3\u039F\u03A6\u038A\u0391",
        U"\u03BB\u03CC\u03B3\u03BF\u03C2",
        U"\u0130stanbul",
        U"\u041A\u0438\u0457\u0432",
        U"\u0141\u00F3d\u017A",
        U"\u0401\u043B\u043A\u0430",
        U"\u0438\u0306",
        U"\u00D7",
        U"\u0391\u03B8\u03AE\u03BD\u03B1",
        U"\u0531\u0562",
        U"\u0928\u092E\u0938\u094D\u0924\u0947",
        U"\u0645\u0631\u062D\u0628\u0627",
        U"\u05E9\u05B8\u05C1\u05DC\u05D5\u05B9\u05DD",
        U"\uD55C\uAD6D\uC5B4",
        U"\u1100\u1161",
        U"\u6211\u4EEC\u662F\u5B66\u751F",
        U"\u65E5\u672C\u8A9E\u306E\u30C6\u30AD\u30B9\u30C8",
        U"\u0E20\u0E32\u0E29\u0E32\u0E44\u0E17\u0E22",
        U"\u0645\u06CC\u200C\u062E\u0648\u0627\u0647\u0645",
        U"soft\u00ADhyphen",
        U"\u200D",
        U"\u0301",
        U"'",
        U"\u2019",
        U"-",
        U"\u2010",
        U"\u2011",
        U"--",
        U"0",
        U"42",
        U"\u0663",
        U"mp3",
        U"\U0001D400\U0001D401",
        U"\uFDFA",
        U"\uFDFB\u037A",
        U"\u0140",
        U"\U00020000",
        U"\U0001F600",
        U" ",
        U" ",
        U"  ",
        U"\n",
        U".",
        U",",
        U"\u00A0",
        U"\u3000",
        U"abcdefghijklmnopqrst",
        U"abcdefghijklmnopqrstu",
        U"\u0414\u043E\u0441\u0442\u043E\u043F\u0440\u0438\u043C\u0435\u0447\u0430\u0442\u0435"
        U"\u043B"
        U"\u044C\u043D\u043E\u0441\u0442\u0438",
    };
    return pieces;
}

std::u32string RandomText(std::mt19937& rng) {
    std::uniform_int_distribution<std::size_t> pick(0, Pieces().size() - 1);
    std::uniform_int_distribution<int> count(0, 40);
    std::u32string text;
    for (int n = count(rng); n > 0; --n)
        text += Pieces()[pick(rng)];
    return text;
}

TEST(UnicodeWordCutterProperty, EveryChunkSizeEncodingAndRuleGivesTheModelsWords) {
    std::mt19937 rng(2300);
    const WordRules rulesToTry[] = {
        {}, {true, false, false}, {false, true, false}, {false, false, true}, {true, true, true}};
    for (int trial = 0; trial < 40; ++trial) {
        const std::u32string text = RandomText(rng);
        for (const WordRules& rules : rulesToTry) {
            const int minLength = trial % 4 == 0 ? 4 : 1;
            const CutCounts expected = Model{rules, minLength}.Words(text);
            for (const std::string& file : {Utf8(text), Utf16LeWithMark(text)}) {
                for (std::size_t chunk = 1; chunk <= file.size() + 1;
                     chunk += chunk < 24 ? 1 : 17) {
                    SCOPED_TRACE("trial " + std::to_string(trial) + ", chunks of " +
                                 std::to_string(chunk) + ", rules " +
                                 std::to_string(rules.Apostrophes) + std::to_string(rules.Hyphens) +
                                 std::to_string(rules.Digits) + ", text " + Utf8(text));
                    ASSERT_EQ(Cut(file, chunk, rules, minLength), expected);
                }
            }
        }
    }
}

// The document run hands long stretches of ASCII, and of Russian, to the alphabets'
// tokenizer: the words where a stretch meets other text must come out as the
// model's all the same, and a word met both ways in one text has a range of 1.
TEST(UnicodeWordCutterProperty, LongStretchesGiveTheModelsWordsAndRangesInTheStore) {
    std::mt19937 rng(2301);
    const std::vector<std::vector<std::u32string>> fillers = {
        {U"Word ", U"text, ", U"ab", U"Z", U"\n", U"x1 "},
        {U"\u0421\u043B\u043E\u0432\u043E ", U"\u0442\u0435\u043A\u0441\u0442, ", U"\u0401\u0436",
         U"\u044F", U"\u00AB\u0434\u0430\u00BB ", U"\u2014", U"ab", U"\u0419", U" 7 ", U"\u2019",
         U"\u0414\u041E\u041C"}};
    std::uniform_int_distribution<std::size_t> pick(0, Pieces().size() - 1);
    for (int trial = 0; trial < 12; ++trial) {
        const std::vector<std::u32string>& filler = fillers[trial % 2];
        std::uniform_int_distribution<std::size_t> pickFiller(0, filler.size() - 1);
        const int minLength = trial % 3 == 0 ? 4 : 1;
        std::u32string texts[2];
        std::map<std::string, std::pair<int, std::uint32_t>> model;  // count, range
        std::int64_t modelTotal = 0;
        for (std::u32string& text : texts) {
            for (int i = 0; i < 1200; ++i)
                text += i % 120 == 119 ? Pieces()[pick(rng)] : filler[pickFiller(rng)];
            for (const auto& [word, count] : Model{{}, minLength}.Words(text)) {
                model[word].first += count;
                ++model[word].second;
                modelTotal += count;
            }
        }
        for (std::size_t chunkSize : {1u, 5u, 300u, 1000u, 100000u}) {
            SCOPED_TRACE("trial " + std::to_string(trial) + ", chunks of " +
                         std::to_string(chunkSize));
            testing::FakeMessages messages;
            WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions()));
            std::int64_t qualified = 0;
            CharMap map;
            BuildCharMap(kUnicode, map);
            const TokenizerContext context{map, minLength, qualified, store};
            CutterSetup setup;
            setup.language = kUnicode;
            setup.map = &map;
            setup.codePage = CodePage::Utf8;
            setup.minWordLength = minLength;
            std::string carry;
            const std::unique_ptr<WordCutter> cutter = MakeDocumentCutter(setup, context, carry);
            std::vector<unsigned char> buffer(kDecodeFrontRoom + chunkSize + 1);
            unsigned char* chunkAt = buffer.data() + kDecodeFrontRoom;
            for (const std::u32string& text : texts) {
                const std::string file = Utf8(text);
                store.BeginDocument();
                TextDecoder decoder(TextEncoding{}, CodePage::Utf8);
                decoder.StartFile();
                for (std::size_t at = 0; at < file.size();) {
                    const std::size_t n = std::min(chunkSize, file.size() - at);
                    std::memcpy(chunkAt, file.data() + at, n);
                    at += n;
                    const std::span<unsigned char> decoded =
                        decoder.Decode(chunkAt, n, at == file.size());
                    if (!decoded.empty())
                        cutter->Cut(decoded);
                }
                cutter->EndText();
            }
            std::map<std::string, std::pair<int, std::uint32_t>> stored;
            for (const auto& [word, count] : testing::StoreWords(store))
                stored[word] = {static_cast<int>(count), store.RangeOf(word.data(), word.size())};
            EXPECT_EQ(stored, model);
            EXPECT_EQ(qualified, modelTotal);
        }
    }
}

// ---- Examples ----

struct Example {
    const char* name;
    const char* text;  // UTF-8
    std::vector<std::string> words;
    WordRules rules = {};
};

TEST(UnicodeWordCutterExamples, EachLanguageKeepsItsLetters) {
    const WordRules all{true, true, true};
    const std::vector<Example> examples = {
        {"French",
         "Caf\u00E9 \u00E9l\u00E8ve c\u0153ur",
         {"caf\u00E9", "c\u0153ur", "\u00E9l\u00E8ve"}},
        {"Italian", "citt\u00E0", {"citt\u00E0"}},
        {"Spanish", "Canci\u00F3n \u00D1and\u00FA", {"canci\u00F3n", "\u00F1and\u00FA"}},
        {"Portuguese", "a\u00E7\u00E3o", {"a\u00E7\u00E3o"}},
        {"Polish", "\u0141\u00F3d\u017A", {"\u0142\u00F3d\u017A"}},
        {"Czech", "\u0158\u00ED\u010Dn\u00FD", {"\u0159\u00ED\u010Dn\u00FD"}},
        {"Ukrainian", "\u041A\u0438\u0457\u0432", {"\u043A\u0438\u0457\u0432"}},
        {"Greek, final sigma kept",
         "\u03A3\u039F\u03A6\u038A\u0391 \u03BB\u03CC\u03B3\u03BF\u03C2",
         {"\u03BB\u03CC\u03B3\u03BF\u03C2", "\u03C3\u03BF\u03C6\u03AF\u03B1"}},
        {"Turkish dotted capital I", "\u0130stanbul", {"istanbul"}},
        {"German sharp s", "Stra\u00DFe \u00DF", {"stra\u00DFe", "\u00DF"}},
        {"Hindi, marks in the word",
         "\u0928\u092E\u0938\u094D\u0924\u0947",
         {"\u0928\u092E\u0938\u094D\u0924\u0947"}},
        {"Arabic", "\u0645\u0631\u062D\u0628\u0627", {"\u0645\u0631\u062D\u0628\u0627"}},
        {"Hebrew with points",
         "\u05E9\u05B8\u05DC\u05D5\u05B9\u05DD",
         {"\u05E9\u05B8\u05DC\u05D5\u05B9\u05DD"}},
        {"Korean", "\uD55C\uAD6D\uC5B4 \uC0AC\uB791", {"\uC0AC\uB791", "\uD55C\uAD6D\uC5B4"}},
        {"Chinese", "\u6211\u4EEC\u662F\u5B66\u751F", {"\u5B66\u751F", "\u6211\u4EEC", "\u662F"}},
        {"Japanese",
         "\u65E5\u672C\u8A9E\u306E\u30C6\u30AD\u30B9\u30C8",
         {"\u306E", "\u30C6\u30AD\u30B9\u30C8", "\u65E5\u672C\u8A9E"}},
        {"Thai",
         "\u0E20\u0E32\u0E29\u0E32\u0E44\u0E17\u0E22",
         {"\u0E20\u0E32\u0E29\u0E32", "\u0E44\u0E17\u0E22"}},
        {"Persian with ZWNJ",
         "\u0645\u06CC\u200C\u062E\u0648\u0627\u0647\u0645",
         {"\u0645\u06CC\u200C\u062E\u0648\u0627\u0647\u0645"}},
        {"Soft hyphen removed", "Soft\u00ADware soft\u00AD", {"soft", "software"}},
        {"A mark after no letter separates", "\u0301a", {"a"}},
        {"NFKC: decomposed accent", "cafe\u0301 caf\u00E9", {"caf\u00E9", "caf\u00E9"}},
        {"NFKC: ligature", "\uFB01nal", {"final"}},
        {"NFKC: full width", "\uFF26\uFF55\uFF4C\uFF4C", {"full"}},
        {"NFKC beyond the plane", "\U0001D400\U0001D401", {"ab"}},
        {"NFKC with spaces cuts as the normalised text would",
         "\uFDFA ab\uFDFB \uFC5E x\u037Ay \u0140a",
         {"\u0635\u0644\u0649", "\u0627\u0644\u0644\u0647", "\u0639\u0644\u064A\u0647",
          "\u0648\u0633\u0644\u0645", "ab\u062C\u0644", "\u062C\u0644\u0627\u0644\u0647", "x", "y",
          "l", "a"}},
        {"20 letters kept, 21 not",
         "\u0414\u0414\u0414\u0414\u0414\u0414\u0414\u0414\u0414\u0414\u0414\u0414\u0414\u0414"
         "\u0414\u0414\u0414\u0414\u0414\u0414 "
         "\u03B1\u03B1\u03B1\u03B1\u03B1\u03B1\u03B1\u03B1\u03B1\u03B1\u03B1\u03B1\u03B1\u03B1"
         "\u03B1\u03B1\u03B1\u03B1\u03B1\u03B1\u03B1",
         {"\u0434\u0434\u0434\u0434\u0434\u0434\u0434\u0434\u0434\u0434\u0434\u0434\u0434\u0434"
          "\u0434\u0434\u0434\u0434\u0434\u0434"}},
        {"Rules off", "don't well-known mp3", {"don", "known", "mp", "t", "well"}},
        {"Apostrophes",
         "don\u2019t don't l'homme rock'n'roll 'tis o' ''",
         {"don't", "don't", "l'homme", "o", "rock'n'roll", "tis"},
         {true, false, false}},
        {"Hyphens",
         "well-known \u043A\u0442\u043E\u2010\u0442\u043E a-b-c well--known -x y-",
         {"a-b-c", "known", "well", "well-known", "x", "y", "\u043A\u0442\u043E-\u0442\u043E"},
         {false, true, false}},
        {"Digits",
         "mp3 2024 r2d2 \uFF12\u0663",
         {"2024", "2\u0663", "mp3", "r2d2"},
         {false, false, true}},
        {"Length counts apostrophes, hyphens and digits",
         "abcdefghij-klmnopqrs abcdefghij-klmnopqrst",
         {"abcdefghij-klmnopqrs"},
         all},
    };
    for (const Example& example : examples) {
        SCOPED_TRACE(example.name);
        CutCounts expected;
        for (const std::string& word : example.words)
            ++expected[word];
        const std::string text = example.text;
        EXPECT_EQ(Cut(text, text.size() + 1, example.rules), expected);
        for (std::size_t chunk = 1; chunk <= 7; ++chunk)
            EXPECT_EQ(Cut(text, chunk, example.rules), expected) << "chunks of " << chunk;
    }
}

TEST(UnicodeWordCutterExamples, AChunkBoundaryCutsNeitherALetterNorASegmentedRun) {
    // "é" split between its two bytes, and the Chinese run split in its middle.
    const std::string text = "caf\u00E9 \u6211\u4EEC\u662F\u5B66\u751F";
    const std::size_t inE = std::strlen("caf") + 1;
    const std::size_t inRun = std::strlen("caf\u00E9 \u6211\u4EEC") + 1;
    const CutCounts expected = {
        {"caf\u00E9", 1}, {"\u5B66\u751F", 1}, {"\u6211\u4EEC", 1}, {"\u662F", 1}};
    EXPECT_EQ(Cut(text, inE, {}), expected);
    EXPECT_EQ(Cut(text, inRun, {}), expected);
}

// A run of letters too long for a word is dropped, and what follows it directly in a
// script written without spaces is cut into words all the same.
TEST(UnicodeWordCutterExamples, ChineseAfterARunTooLongForAWordIsStillCut) {
    std::string chinese;
    for (int i = 0; i < 1200; ++i)
        chinese += "\u6211\u4EEC\u662F\u5B66\u751F";
    const CutCounts words = Cut(chinese, 262144, {});
    ASSERT_FALSE(words.empty());
    for (const std::size_t letters : {kSegmentLimit - 1, kSegmentLimit, kSegmentLimit + 900}) {
        for (const std::string& run : {std::string(letters, 'a'), [&letters] {
                                           std::string greek;
                                           for (std::size_t i = 0; i < letters; ++i)
                                               greek += "\u03B1";
                                           return greek;
                                       }()})
            EXPECT_EQ(Cut(run + chinese, 262144, {}), words) << letters;
    }
}

TEST(UnicodeWordCutterExamples, SkipShortWordsCountsCharacters) {
    EXPECT_EQ(Cut("\u043A\u0438\u0457\u0432 \u043A\u0438\u0457 abc abcd", 100, {}, 4),
              (CutCounts{{"abcd", 1}, {"\u043A\u0438\u0457\u0432", 1}}));
}

}  // namespace
}  // namespace tarvolen
