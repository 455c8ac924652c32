// Decoding must be invisible to the word list: a text saved in any encoding, read in
// chunks of any size, yields exactly the words of the same text in the code page.
#include "core/decode/text_decoder.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <unicode/utf8.h>

#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/ingest/store_reports.h"
#include "core/store/word_store.h"
#include "core/words/blob.h"
#include "core/words/char_map.h"
#include "core/words/tokenizer.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/word_model.h"

namespace tarvolen {
namespace {

using testing::WordCounts;

const char* IconvName(CodePage codePage) {
    return codePage == CodePage::Windows1251 ? "CP1251" : "CP1252";
}

// The independent encoder: the C library's, never ours. Nothing when a character of
// the text has no form in the target encoding.
std::optional<std::string> Convert(const std::string& text, const char* from, const char* to) {
    iconv_t cd = iconv_open(to, from);
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << from << " -> " << to;
    std::string out(text.size() * 4 + 8, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* at = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(cd, &in, &inLeft, &at, &outLeft);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1))
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

// The words of code-page text, by the shared model.
WordCounts ModelWords(const std::string& text, const CharMap& map) {
    testing::ModelWords model;
    testing::ModelScan(text, map, 1, model);
    return model.words;
}

// The ingestion's road for one file: chunks of chunkSize read into a buffer with room
// in front, decoded, then tokenized into a store.
WordCounts ReadWords(const std::string& file, const TextEncoding& encoding, std::int32_t language,
                     std::size_t chunkSize) {
    testing::FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions()));
    CharMap map;
    BuildCharMap(language, map);
    std::int64_t qualified = 0;
    TokenizerContext context{map, 1, qualified, store};
    TextDecoder decoder(encoding, CodePageOf(language));
    EXPECT_TRUE(decoder.Valid());
    decoder.StartFile();
    std::vector<unsigned char> buffer(kDecodeFrontRoom + chunkSize + 1);
    unsigned char* chunkAt = buffer.data() + kDecodeFrontRoom;
    std::string carry;
    std::size_t at = 0;
    do {
        const std::size_t n = std::min(chunkSize, file.size() - at);
        std::memcpy(chunkAt, file.data() + at, n);
        at += n;
        std::span<unsigned char> text = decoder.Decode(chunkAt, n, at == file.size());
        // Text decoded in place stays in the room it was given; an encoding that may
        // expand is decoded into the decoder's own buffer.
        if (text.data() >= buffer.data() && text.data() < buffer.data() + buffer.size()) {
            EXPECT_LE(text.data() + text.size(), chunkAt + n);
        }
        // An empty chunk would end the carried word: the ingestion never hands one on.
        if (text.empty())
            continue;
        text.data()[text.size()] = 0;
        CBlob chunk;
        chunk.Attach(text.data(), static_cast<std::uint32_t>(text.size()));
        TokenizeChunk(chunk, carry, context);
    } while (at < file.size());
    FinishFile(carry, context);
    return testing::StoreWords(store);
}

TextEncoding Named(const char* name) {
    std::optional<TextEncoding> encoding = ParseEncoding(name);
    EXPECT_TRUE(encoding.has_value()) << name;
    return encoding.value_or(TextEncoding{});
}

// Letters of the alphabet in both cases, ASCII separators, and a few non-ASCII
// characters that are not letters (quotes, dashes, the no-break space).
std::string RandomCodePageText(std::int32_t language, std::mt19937& rng, int maxSize = 400,
                               int separatorPercent = 25) {
    const Alphabet alphabet = AlphabetOf(language);
    std::string letters = std::string(alphabet.lower) + std::string(alphabet.capitals);
    const std::string separators = " \n\t,.;!?-'0123456789\xAB\xBB\xA0\x96\x97";
    std::uniform_int_distribution<int> kind(0, 99);
    std::uniform_int_distribution<std::size_t> letter(0, letters.size() - 1);
    std::uniform_int_distribution<std::size_t> separator(0, separators.size() - 1);
    std::uniform_int_distribution<int> size(0, maxSize);
    std::string text;
    const int n = size(rng);
    while (static_cast<int>(text.size()) < n)
        text.push_back(kind(rng) >= separatorPercent ? letters[letter(rng)]
                                                     : separators[separator(rng)]);
    return text;
}

// A character that the target encoding cannot hold becomes a space on both sides.
std::string Representable(const std::string& text, const char* codePage, const char* target) {
    std::string kept;
    for (char c : text)
        kept.push_back(Convert(std::string(1, c), codePage, target) ? c : ' ');
    return kept;
}

struct Form {
    const char* encodingName;  // what the reader is told
    const char* iconvTarget;   // how the test writes the file
    std::string_view mark;     // written in front
};

TEST(TextDecoderProperty, EveryEncodingAndChunkSizeGivesTheCodePageWords) {
    using namespace std::string_view_literals;
    const std::vector<Form> common = {
        {"auto", "UTF-32LE", "\xFF\xFE\0\0"sv},
        {"auto", "UTF-32BE", "\0\0\xFE\xFF"sv},
        {"codepage", nullptr, ""},
        {"auto", "UTF-8", ""},
        {"auto", "UTF-8", "\xEF\xBB\xBF"},
        {"auto", "UTF-16LE", "\xFF\xFE"},
        {"auto", "UTF-16BE", "\xFE\xFF"},
        {"utf-8", "UTF-8", ""},
        {"utf-8", "UTF-8", "\xEF\xBB\xBF"},
        {"utf-16", "UTF-16LE", ""},
        {"utf-16", "UTF-16LE", "\xFF\xFE"},
        {"utf-16", "UTF-16BE", "\xFE\xFF"},
        {"utf-16le", "UTF-16LE", ""},
        {"utf-16le", "UTF-16LE", "\xFF\xFE"},
        {"utf-16be", "UTF-16BE", ""},
        {"utf-16be", "UTF-16BE", "\xFE\xFF"},
    };
    const std::vector<Form> cyrillic = {
        {"koi8-r", "KOI8-R", ""},
        {"ibm866", "IBM866", ""},
        {"iso-8859-5", "ISO-8859-5", ""},
        {"utf-32", "UTF-32", ""}};  // multi-byte: through iconv itself
    const std::vector<Form> latin = {{"iso-8859-1", "ISO-8859-1", ""},
                                     {"iso-8859-15", "ISO-8859-15", ""},
                                     {"cp850", "CP850", ""},
                                     {"utf-32", "UTF-32", ""}};

    std::mt19937 rng(1302);
    for (int trial = 0; trial < 24; ++trial) {
        const std::int32_t language = trial % kAlphabetCount;
        const CodePage codePage = CodePageOf(language);
        CharMap map;
        BuildCharMap(language, map);
        const std::string text = RandomCodePageText(language, rng);
        std::vector<Form> forms = common;
        const auto& legacy = codePage == CodePage::Windows1251 ? cyrillic : latin;
        forms.insert(forms.end(), legacy.begin(), legacy.end());
        for (const Form& form : forms) {
            std::string source = text;
            std::string file = text;
            if (form.iconvTarget != nullptr) {
                source = Representable(text, IconvName(codePage), form.iconvTarget);
                file = std::string(form.mark) +
                       Convert(source, IconvName(codePage), form.iconvTarget).value();
            }
            const WordCounts expected = ModelWords(source, map);
            for (std::size_t chunk : {1, 2, 3, 4, 5, 7, 13, 64, 1000, 262144}) {
                SCOPED_TRACE(std::string(form.encodingName) + " as " +
                             (form.iconvTarget ? form.iconvTarget : "code page") + " mark " +
                             std::to_string(form.mark.size()) + ", trial " + std::to_string(trial) +
                             ", chunks of " + std::to_string(chunk));
                // Automatic decides on the first chunk with a high byte; with chunks
                // of a few bytes a code-page letter can look like a cut sequence.
                if (std::string(form.encodingName) == "auto" && chunk < 64 && form.mark.empty())
                    continue;
                EXPECT_EQ(ReadWords(file, Named(form.encodingName), language, chunk), expected);
            }
        }
    }
}

// Long texts where most letters lie above ASCII go sixteen bytes at a time, and every
// character the blocks cannot take (a quote, an em dash, a letter outside the block)
// drops back to one sequence at a time and on again.
TEST(TextDecoderProperty, LongTextsDecodeInBlocksAndBack) {
    std::mt19937 rng(4096);
    for (int trial = 0; trial < 30; ++trial) {
        const std::int32_t language = trial % 2 == 0 ? kRussian : kGerman;
        const CodePage codePage = CodePageOf(language);
        CharMap map;
        BuildCharMap(language, map);
        const std::string text = RandomCodePageText(language, rng, 20000, trial % 3 == 0 ? 2 : 15);
        const std::string file = Convert(text, IconvName(codePage), "UTF-8").value();
        const WordCounts expected = ModelWords(text, map);
        for (std::size_t chunk : {17, 100, 4099, 262144}) {
            SCOPED_TRACE("trial " + std::to_string(trial) + ", chunks of " + std::to_string(chunk));
            EXPECT_EQ(ReadWords(file, Named("utf-8"), language, chunk), expected);
            EXPECT_EQ(ReadWords(file, Named("auto"), language, chunk), expected);
        }
    }
}

TEST(TextDecoderTest, UtfSequencesCutAtEveryPointDecodeOnce) {
    struct Case {
        const char* what;
        std::string utf8;
        std::int32_t language;
        WordCounts words;
    };
    const std::vector<Case> cases = {
        {"two bytes", "k\xC3\xA4se k\xC3\xA4se", kGerman, {{"k\xE4se", 2}}},
        {"two bytes, Cyrillic", "\xD0\xBC\xD0\xB8\xD1\x80", kRussian, {{"\xEC\xE8\xF0", 1}}},
        {"three bytes, a separator",
         "a\xE2\x80\x94"
         "b",
         kEnglishLatin,
         {{"a", 1}, {"b", 1}}},
        {"four bytes, a separator",
         "a\xF0\x9F\x98\x80"
         "b",
         kEnglishLatin,
         {{"a", 1}, {"b", 1}}},
    };
    for (const Case& c : cases) {
        for (std::size_t chunk = 1; chunk <= c.utf8.size(); ++chunk) {
            SCOPED_TRACE(std::string(c.what) + ", chunks of " + std::to_string(chunk));
            EXPECT_EQ(ReadWords(c.utf8, Named("utf-8"), c.language, chunk), c.words);
        }
    }
}

// Neither code page has the Unicode hyphens: they are the code page's own '-', which
// "Hyphens inside words" joins by, rather than separators.
TEST(TextDecoderTest, UnicodeHyphensBecomeTheCodePagesHyphen) {
    const std::string text = "well\u2010known \u043D\u0435\u2011\u0442\u043E";
    for (const std::int32_t language : {kEnglishLatin, kRussian}) {
        CharMap map;
        BuildCharMap(language, map);
        const std::string expected =
            language == kRussian ? "well-known \xED\xE5-\xF2\xEE" : "well-known \x1A\x1A-\x1A\x1A";
        for (const char* target : {"UTF-8", "UTF-16LE"}) {
            std::string file = Convert(text, "UTF-8", target).value();
            TextDecoder decoder(Named(target), CodePageOf(language));
            decoder.StartFile();
            std::vector<unsigned char> buffer(kDecodeFrontRoom + file.size() + 1);
            std::copy(file.begin(), file.end(), buffer.begin() + kDecodeFrontRoom);
            const std::span<unsigned char> decoded =
                decoder.Decode(buffer.data() + kDecodeFrontRoom, file.size(), true);
            EXPECT_EQ(std::string(decoded.begin(), decoded.end()), expected) << target;
        }
    }
}

TEST(TextDecoderTest, IllFormedInputIsASeparator) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* encoding;
        WordCounts words;
    };
    const std::vector<Case> cases = {
        {"stray continuation",
         "ab\x80"
         "cd",
         "utf-8",
         {{"ab", 1}, {"cd", 1}}},
        {"overlong e acute", "caf\xC1\xA9", "utf-8", {{"caf", 1}}},
        {"overlong three-byte",
         "a\xE0\x83\xA9"
         "b",
         "utf-8",
         {{"a", 1}, {"b", 1}}},
        {"encoded surrogate",
         "a\xED\xA0\x80"
         "b",
         "utf-8",
         {{"a", 1}, {"b", 1}}},
        {"past U+10FFFF",
         "a\xF4\x90\x80\x80"
         "b",
         "utf-8",
         {{"a", 1}, {"b", 1}}},
        {"lead then ASCII resumes at the ASCII",
         "\xC3"
         "ab",
         "utf-8",
         {{"ab", 1}}},
        {"cut at the end of the file", "ab\xC3", "utf-8", {{"ab", 1}}},
        {"F5..FF never lead",
         "a\xF5\xFF"
         "b",
         "utf-8",
         {{"a", 1}, {"b", 1}}},
        {"lone low surrogate",
         std::string("a\0\x00\xDC"
                     "b\0",
                     6),
         "utf-16le",
         {{"a", 1}, {"b", 1}}},
        {"surrogate pair",
         std::string("a\0\x3D\xD8\x00\xDE"
                     "b\0",
                     8),
         "utf-16le",
         {{"a", 1}, {"b", 1}}},
        {"odd byte at the end", std::string("a\0b\0c", 5), "utf-16le", {{"ab", 1}}},
        {"a mark alone", "\xEF\xBB\xBF", "auto", {}},
        {"a UTF-16 mark alone", "\xFF\xFE", "auto", {}},
        {"empty", "", "auto", {}},
        {"the start of a mark only", "\xEF\xBB", "auto", {}},
        // iconv passes the shift-out before it reports it
        {"shift-out with no set, last", "ab\x0E", "ISO-2022-CN-EXT", {{"ab", 1}}},
    };
    for (const Case& c : cases) {
        for (std::size_t chunk : {1, 2, 3, 100}) {
            SCOPED_TRACE(std::string(c.what) + ", chunks of " + std::to_string(chunk));
            EXPECT_EQ(ReadWords(c.bytes, Named(c.encoding), kEnglishLatin, chunk), c.words);
        }
    }
}

// A list of any language keeps UTF-8 as it is, checked in blocks where it can be:
// against ICU's reading, each ill-formed piece one space and the rest byte for byte,
// however the chunks fall.
TEST(TextDecoderProperty, Utf8KeptForAnyLanguageIsIcusReading) {
    const std::vector<std::string> pieces = {"word ",
                                             "\xD0\x9C\xD0\xB8\xD1\x80",
                                             "\xC3\xA9",
                                             "\xE2\x80\x94",
                                             "\xF0\x9F\x98\x80",
                                             "\x80",
                                             "\xC0\xAF",
                                             "\xC1\xBF",
                                             "\xC3",
                                             "\xE0\x83\xA9",
                                             "\xED\xA0\x80",
                                             "\xF5",
                                             "\xDF\xBF",
                                             "\xC2\x80",
                                             "0123456789abcdef"};
    std::mt19937 rng(1717);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    for (int trial = 0; trial < 200; ++trial) {
        std::string file;
        // Long runs of Cyrillic and ASCII, so that the blocks are taken, with odd pieces.
        while (file.size() < 200)
            file += rng() % 4 == 0 ? pieces[pick(rng)] : pieces[rng() % 2 == 0 ? 0 : 1];
        std::string expected;
        for (std::int32_t i = 0, size = static_cast<std::int32_t>(file.size()); i < size;) {
            const std::int32_t start = i;
            UChar32 c;
            U8_NEXT(file.data(), i, size, c);
            expected += c < 0 ? std::string(" ") : file.substr(start, i - start);
        }
        for (std::size_t chunk : {1, 7, 17, 33, 1000}) {
            SCOPED_TRACE("trial " + std::to_string(trial) + ", chunks of " + std::to_string(chunk));
            TextDecoder decoder(Named("utf-8"), CodePage::Utf8);
            decoder.StartFile();
            std::vector<unsigned char> buffer(kDecodeFrontRoom + chunk + 1);
            unsigned char* const chunkAt = buffer.data() + kDecodeFrontRoom;
            std::string decoded;
            for (std::size_t at = 0; at < file.size();) {
                const std::size_t n = std::min(chunk, file.size() - at);
                std::memcpy(chunkAt, file.data() + at, n);
                at += n;
                const std::span<unsigned char> text = decoder.Decode(chunkAt, n, at == file.size());
                decoded.append(reinterpret_cast<const char*>(text.data()), text.size());
            }
            ASSERT_EQ(decoded, expected);
        }
    }
}

// One TSCII byte gives up to four characters, and CP1258 and TCVN5712-1 hold a letter
// back in case a combining mark follows: neither may cost a word or a letter.
TEST(TextDecoderTest, ExpandingAndWaitingEncodingsKeepEveryLetter) {
    const std::string tamil(1500, '\x82');
    // The Unicode rule's runs decode to UTF-8 by the same way through iconv.
    const struct {
        const char* encoding;
        std::int32_t language;
        std::string file;
        WordCounts words;
    } cases[] = {
        {"tscii",
         kGerman,
         tamil + " hello world again",
         {{"again", 1}, {"hello", 1}, {"world", 1}}},
        {"tscii", kUnicode, tamil + " hello world", {{"hello", 1}, {"world", 1}}},
        {"tscii", kGerman, std::string(300'000, '\x82'), {}},
        {"cp1258", kGerman, "abc", {{"abc", 1}}},
        {"cp1258", kUnicode, "abc", {{"abc", 1}}},
        {"cp1258", kGerman, "d\xE4 abc", {{"abc", 1}, {"d\xE4", 1}}},
        {"tcvn5712-1", kGerman, "abc", {{"abc", 1}}},
        {"tcvn5712-1", kUnicode, "abc", {{"abc", 1}}},
    };
    for (const auto& row : cases) {
        for (std::size_t chunk : {1, 2, 5, 4096, 262144}) {
            SCOPED_TRACE(std::string(row.encoding) + ", language " + std::to_string(row.language) +
                         ", chunks of " + std::to_string(chunk));
            EXPECT_EQ(ReadWords(row.file, Named(row.encoding), row.language, chunk), row.words);
        }
    }
}

TEST(TextDecoderTest, AutomaticDecidesOnTheFirstChunkWithAHighByte) {
    struct Case {
        const char* what;
        std::string bytes;
        std::int32_t language;
        std::size_t chunk;
        WordCounts words;
    };
    const std::string ascii(100, 'x');
    const std::vector<Case> cases = {
        {"UTF-8 in the second chunk",
         ascii + " k\xC3\xA4se",
         kGerman,
         100,
         {{ascii.substr(0, 20), 0}, {"k\xE4se", 1}}},
        // Windows-1251: "СССР»" is D1 D1 D1 D0 BB: D1 D1 is no UTF-8 sequence.
        {"Windows-1251 pairs",
         "\xD1\xD1\xD1\xD0\xBB \xEC\xE8\xF0",
         kRussian,
         262144,
         {{"\xF1\xF1\xF1\xF0", 1}, {"\xEC\xE8\xF0", 1}}},
        {"Windows-1252 German",
         "M\xE4"
         "dchen \xFC"
         "ber",
         kGerman,
         262144,
         {{"m\xE4"
           "dchen",
           1},
          {"\xFC"
           "ber",
           1}}},
        // A sequence cut by the end of a chunk that is not the last still counts.
        {"cut by a chunk's end",
         "ab\xC3\xA4"
         "cd",
         kGerman,
         3,
         {{"ab\xE4"
           "cd",
           1}}},
        // Cut by the end of the file: ill-formed, so the file is in the code page.
        {"cut by the file's end",
         "ab\xC3\xA4"
         "cd\xC3",
         kGerman,
         262144,
         {{"ab", 1}, {"cd", 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WordCounts expected = c.words;
        std::erase_if(expected, [](const auto& entry) { return entry.second == 0; });
        WordCounts got = ReadWords(c.bytes, Named("auto"), c.language, c.chunk);
        std::erase_if(got, [](const auto& entry) { return entry.first.size() == 20; });
        EXPECT_EQ(got, expected);
    }
}

TEST(TextEncodingTest, NamesAreCaseInsensitiveAndUnknownOnesRefused) {
    EXPECT_EQ(ParseEncoding("UTF-8")->kind, EncodingKind::Utf8);
    EXPECT_EQ(ParseEncoding("Auto")->kind, EncodingKind::Automatic);
    EXPECT_EQ(ParseEncoding("KOI8-R")->kind, EncodingKind::Iconv);
    EXPECT_EQ(ParseEncoding("windows-1250")->kind, EncodingKind::Iconv);
    EXPECT_FALSE(ParseEncoding("no-such-encoding").has_value());
    EXPECT_FALSE(ParseEncoding("").has_value());
    for (const EncodingChoice& choice : EncodingChoices())
        EXPECT_TRUE(ParseEncoding(choice.name).has_value()) << choice.name;
}

}  // namespace
}  // namespace tarvolen
