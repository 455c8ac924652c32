#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/ingest/cutter_setup.h"
#include "core/ingest/file_parts.h"
#include "core/ingest/ingest.h"
#include "core/words/tokenizer.h"
#include "core/words/word_cutter.h"
#include "core/workspace.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

// A document of several chunks: sometimes a first chunk of ASCII alone, so that a later
// chunk decides Automatic's reading, then words of ASCII, UTF-8 and Windows-1252,
// joined by the connectors of the word rules and cut by every kind of separator.
std::string Document(std::mt19937& random) {
    static const char* const kPieces[] = {
        "river",
        "don't",
        "hyphen-ated",
        "caf\xC3\xA9",
        "na\xC3\xAF"
        "ve",
        "\xD0\xBC\xD0\xB8\xD1\x80",
        "caf\xE9",
        "stra\xDF"
        "e",
        "x",
        "42nd",
        "\xE2\x80\x99quoted",
        "\xE6\x97\xA5\xE6\x9C\xAC",
    };
    static const char* const kSeparators[] = {" ", "\n", "\t", "\r\n", ", ", ". ", "  "};
    std::string text;
    if (random() % 2 == 0)
        while (text.size() < kChunkSize + random() % 4000)
            text += random() % 5 == 0 ? "lorem\n" : "ipsum ";
    const std::size_t size = text.size() + 300000 + random() % 300000;
    // Windows-1252 from here on: a part that meets it first must still read UTF-8
    // when the file's first chunk to decide was UTF-8.
    const std::size_t western = text.size() + random() % (2 * (size - text.size()));
    while (text.size() < size) {
        std::string piece = kPieces[random() % std::size(kPieces)];
        if (text.size() < western && (piece == "caf\xE9" || piece == "stra\xDF"
                                                                     "e"))
            piece = "plain";
        text += piece;
        text += kSeparators[random() % std::size(kSeparators)];
    }
    return text;
}

bool IsSeparator(char byte) {
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r';
}

// A file read in parts cut just after separators, each part decoded as the file's first
// chunk left the decoder, gives the words, the qualified words and the bytes of the
// whole file read at once: under each reading and word rule a large file is divided under.
TEST(FilePart, PartsCutAfterSeparatorsGiveWhatTheWholeFileGives) {
    struct Setup {
        std::int32_t language;
        const char* encoding;
        bool rules;
    };
    const Setup setups[] = {
        {kEnglishLatin, "auto", false},  {kEnglishLatin, "auto", true},
        {kUnicode, "auto", false},       {kUnicode, "auto", true},
        {kEnglishLatin, "utf-8", false}, {kUnicode, "iso-8859-5", true},
    };
    std::mt19937 random(2027);
    testing::TempDir dir;
    testing::FakeMessages messages;
    testing::FakeProgress progress;
    for (int round = 0; round < 18; ++round) {
        const std::string text = Document(random);
        const std::string path = dir.Write("document.txt", text);
        const Setup& setup = setups[static_cast<std::size_t>(round) % std::size(setups)];
        SCOPED_TRACE("round " + std::to_string(round));
        auto read = [&](const std::vector<std::int64_t>& cuts) {
            auto workspace = std::make_unique<Workspace>(messages, testing::SmallStoreOptions());
            workspace->Add.Language = setup.language;
            workspace->Add.Encoding = setup.encoding;
            workspace->Add.Rules = {setup.rules, setup.rules, setup.rules};
            ApplyAddOptions(*workspace);
            workspace->MinWordLength = 1;
            IngestState state;
            IngestHooks hooks{progress, messages, {}};
            ReadBuffer buffer(hooks.bufferMemory);
            TextDecoder decoder(workspace->RunEncoding, workspace->RunCodePage);
            const TokenizerContext context{workspace->Map, workspace->MinWordLength,
                                           workspace->QualifiedWords, workspace->Store};
            const std::unique_ptr<WordCutter> cutter =
                MakeDocumentCutter(CutterSetupOf(*workspace), context, state.carry);
            if (cuts.empty()) {
                IngestFile(*workspace, state, hooks, {buffer, decoder, *cutter}, path);
                return workspace;
            }
            // How the first chunk leaves the decoder, and Automatic's decision where
            // that chunk left it open: the first chunk of the whole file to decide.
            std::vector<unsigned char> head(kDecodeFrontRoom + kChunkSize + 1);
            std::copy_n(text.begin(), kChunkSize, head.begin() + kDecodeFrontRoom);
            decoder.StartFile();
            decoder.Decode(head.data() + kDecodeFrontRoom, kChunkSize, false);
            const PartStart start = decoder.Continuation();
            EXPECT_NE(start, PartStart::None);
            const auto decide = [&text] {
                for (std::size_t at = 0; at < text.size(); at += kChunkSize) {
                    const std::size_t size = std::min<std::size_t>(kChunkSize, text.size() - at);
                    if (std::optional<bool> utf8 =
                            DecidesUtf8(reinterpret_cast<const unsigned char*>(text.data() + at),
                                        size, at + size >= text.size()))
                        return *utf8;
                }
                return false;
            };
            for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
                const FilePart part{cuts[i], cuts[i + 1], start, decide};
                IngestFile(*workspace, state, hooks, {buffer, decoder, *cutter}, path, &part);
            }
            return workspace;
        };
        std::vector<std::int64_t> cuts = {0, static_cast<std::int64_t>(text.size())};
        for (int k = 0; k < 4; ++k) {
            std::size_t at = random() % text.size();
            while (at < text.size() && !IsSeparator(text[at]))
                ++at;
            if (at + 1 < text.size())
                cuts.push_back(static_cast<std::int64_t>(at + 1));
        }
        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
        const std::unique_ptr<Workspace> whole = read({});
        const std::unique_ptr<Workspace> parts = read(cuts);
        EXPECT_EQ(testing::StoreWords(parts->Store), testing::StoreWords(whole->Store));
        EXPECT_EQ(parts->QualifiedWords, whole->QualifiedWords);
        EXPECT_EQ(parts->BytesRead, static_cast<std::int64_t>(text.size()));
    }
    EXPECT_TRUE(messages.shown.empty());
}

// A file is divided only where its parts read on their own give what the whole file
// gives; the start decides how the later parts decode.
TEST(StartOfParts, OnlyStatelessTextWithoutMarkupIsDivided) {
    const std::string ascii(300000, 'a');
    const std::string latin = "caf\xE9 na\xEFve " + ascii;
    const std::string utf8 = "caf\xC3\xA9 na\xC3\xAFve " + ascii;
    std::string utf16;
    for (char c : std::string("mot deux trois quatre cinq six sept huit neuf dix onze"))
        utf16 += std::string{c, '\0'};
    const TextEncoding automatic{};
    struct Case {
        const char* name;
        std::string bytes;
        TextEncoding encoding;
        PartStart expected;
    };
    const std::vector<Case> cases = {
        {"utf8.txt", utf8, automatic, PartStart::Utf8},
        {"west.txt", latin, automatic, PartStart::Bytes},
        {"ascii.txt", ascii, automatic, PartStart::Undecided},
        {"late.txt", ascii + "caf\xC3\xA9", automatic, PartStart::Undecided},
        {"mark.txt", "\xEF\xBB\xBF" + ascii, automatic, PartStart::Utf8},
        {"utf16mark.txt", "\xFF\xFE" + utf16, automatic, PartStart::None},
        {"utf16bare.txt", utf16, automatic, PartStart::None},
        {"doc.pdf", "%PDF-1.4 " + ascii, automatic, PartStart::None},
        {"page.html", "<p>" + ascii, automatic, PartStart::None},
        {"explicit.txt", ascii, {EncodingKind::Utf8, ""}, PartStart::Utf8},
        {"codepage.txt", latin, {EncodingKind::CodePage, ""}, PartStart::Bytes},
        {"cyrillic.txt", latin, {EncodingKind::Iconv, "ISO-8859-5"}, PartStart::Bytes},
        {"utf16.txt", ascii, {EncodingKind::Utf16Le, ""}, PartStart::None},
        {"sjis.txt", ascii, {EncodingKind::Iconv, "SHIFT_JIS"}, PartStart::None},
        {"utf7.txt", ascii, {EncodingKind::Iconv, "UTF-7"}, PartStart::None},
        // EBCDIC: an ASCII space is no separator there.
        {"ebcdic.txt", ascii, {EncodingKind::Iconv, "IBM037"}, PartStart::None},
    };
    testing::TempDir dir;
    testing::FakeMessages messages;
    Workspace workspace(messages);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        workspace.RunEncoding = c.encoding;
        const std::string path = dir.Write(c.name, c.bytes);
        EXPECT_EQ(StartOfParts(workspace, path, static_cast<std::int64_t>(c.bytes.size())),
                  c.expected);
    }
}

TEST(FindSeparator, FindsTheFirstSeparatorBeforeTheLimitAcrossReads) {
    testing::TempDir dir;
    const std::string path = dir.Write("one.txt", std::string(70000, 'x') + "\nx x");
    EXPECT_EQ(FindSeparator(path, 0, 80000, false), 70000);
    EXPECT_EQ(FindSeparator(path, 70001, 80000, false), 70002);
    EXPECT_EQ(FindSeparator(path, 0, 70000, false), -1);
    EXPECT_EQ(FindSeparator(path, 70003, 80000, false), -1);
    // Not looked for beyond kSeparatorReach, whatever the limit.
    const std::string far = dir.Write("far.txt", std::string(kSeparatorReach, 'x') + " x");
    EXPECT_EQ(FindSeparator(far, 0, kSeparatorReach + 2, false), -1);
    EXPECT_EQ(FindSeparator(far, 1, kSeparatorReach + 2, false), kSeparatorReach);
}

}  // namespace
// Under words in a row a cut is made only inside a blank line, which no run crosses.
TEST(FindSeparator, UnderWordsInARowCutsOnlyInABlankLine) {
    struct Case {
        const char* text;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"a b\nc\n\nd", 6},   // the second line end
        {"a\r\n\r\nb", 3},    // CR LF counts once
        {"a\r\rb", 2},        // CR alone is a line end
        {"a\n \t\nb", 4},     // white space between the two
        {"a\n.\nb", -1},      // punctuation between them
        {"a\r\nb\r\nc", -1},  // one line end at a time
        {"a b c", -1},
    };
    testing::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string path = dir.Write("rows.txt", c.text);
        EXPECT_EQ(FindSeparator(path, 0, static_cast<std::int64_t>(std::strlen(c.text)), true),
                  c.expected);
    }
}

}  // namespace tarvolen
