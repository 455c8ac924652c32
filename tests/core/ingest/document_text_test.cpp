// Documents as people have them: web pages, files that are no text, and a scanned run
// that goes past what it cannot read.
#include "core/ingest/document_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/decode/binary_sniff.h"
#include "core/ingest/ingest.h"
#include "core/workspace.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;
using testing::FakeProgress;
using testing::TempDir;
using testing::WordCounts;

bool Binary(const std::string& bytes, TextEncoding encoding = {}) {
    return LooksBinary(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                       encoding);
}

std::string Utf16Le(const std::string& ascii) {
    std::string wide;
    for (char c : ascii)
        wide += std::string{c, '\0'};
    return wide;
}

std::string Utf16Be(const std::string& ascii) {
    std::string wide;
    for (char c : ascii)
        wide += std::string{'\0', c};
    return wide;
}

TEST(BinarySniffTest, SignaturesAndNulsMarkFilesThatAreNoText) {
    using namespace std::string_literals;
    const std::string text = " some words of text\n";
    const struct {
        const char* why;
        std::string start;
        bool binary;
    } cases[] = {
        {"ELF", "\177ELF\x02\x01\x01"s, true},
        {"PDF", "%PDF-1.7\n"s, true},
        {"ZIP, docx, odt", "PK\x03\x04\x14"s, true},
        {"PNG", "\x89PNG\r\n\x1A\n"s, true},
        {"JPEG", "\xFF\xD8\xFF\xE0"s, true},
        {"GIF", "GIF89a"s, true},
        {"gzip", "\x1F\x8B\x08"s, true},
        {"bzip2", "BZh91AY&SY"s, true},
        {"xz", "\3757zXZ\0"s, true},
        {"a NUL in text", "text\0more"s, true},
        {"NULs on both sides", "\0\0\0\0ab\0\0"s, true},
        {"plain text", ""s, false},
        {"BZh alone starts a word", "BZh9 is no archive"s, false},
        {"UTF-16LE without a mark", Utf16Le("plain words"), false},
        {"UTF-16BE without a mark", Utf16Be("plain words"), false},
        {"UTF-16 with a mark", "\xFF\xFE"s + Utf16Le("x"), false},
        {"UTF-32 with a mark", "\0\0\xFE\xFF\0\0\0x"s, false},
        {"UTF-32LE with a mark", "\xFF\xFE\0\0x\0\0\0"s, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(Binary(c.start + text), c.binary);
    }
    // The encoding chosen may say NULs are its own.
    EXPECT_FALSE(Binary("\0\0\0\0ab\0\0"s, TextEncoding{EncodingKind::Utf16Le, {}}));
    EXPECT_FALSE(Binary("\0\0\0a"s, TextEncoding{EncodingKind::Iconv, "utf-32be"}));
    EXPECT_TRUE(Binary("\0\0\0a"s, TextEncoding{EncodingKind::Iconv, "koi8-r"}));
}

TEST(BinarySniffTest, Utf16ByTheSideOfItsNuls) {
    const auto pattern = [](const std::string& bytes) {
        return Utf16ByNulPattern(reinterpret_cast<const unsigned char*>(bytes.data()),
                                 bytes.size());
    };
    EXPECT_EQ(pattern(Utf16Le("word list")), EncodingKind::Utf16Le);
    EXPECT_EQ(pattern(Utf16Be("word list")), EncodingKind::Utf16Be);
    // Cyrillic has NULs only in its spaces and punctuation.
    std::string russian;
    for (int word = 0; word < 20; ++word) {
        for (int letter = 0; letter < 8; ++letter)
            russian += "\x30\x04";
        russian += std::string(" \0", 2);
    }
    EXPECT_EQ(pattern(russian), EncodingKind::Utf16Le);
    // A list of capitals, big-endian: the low byte of Er is a space, no NUL.
    EXPECT_EQ(pattern(std::string("\x04\x20\x04\x1E\x04\x21\x04\x10\x00\x0A"
                                  "\x04\x20\x04\x10\x00\x0D\x00\x0A",
                                  18)),
              EncodingKind::Utf16Be);
    EXPECT_EQ(pattern("no nuls"), std::nullopt);
    EXPECT_EQ(pattern(std::string(64, 'a') + '\0'), std::nullopt) << "one stray NUL";
    EXPECT_EQ(pattern(std::string("a\0\0b\0\0c\0\0", 9)), std::nullopt) << "both sides";
}

class DocumentRunTest : public ::testing::Test {
  protected:
    DocumentRunTest() {
        workspace.Add.Language = kGerman;
        ApplyAddOptions(workspace);
        workspace.MinWordLength = 1;
    }

    IngestResult Run(std::vector<std::string> files, bool scanned = false) {
        ApplyAddOptions(workspace);
        state.InputFiles = std::move(files);
        state.scanned = scanned;
        return IngestFiles(workspace, state, IngestHooks{progress, messages, {}});
    }
    WordCounts Words() const { return testing::StoreWords(workspace.Store); }
    std::string LastMessage() const { return messages.shown.back().text; }

    FakeMessages storeMessages;
    Workspace workspace{storeMessages, testing::SmallStoreOptions()};
    FakeProgress progress;
    FakeMessages messages;
    TempDir dir;
    IngestState state;
};

TEST_F(DocumentRunTest, WebPagesAreReadWithoutTheirMarkupUnlessToldNotTo) {
    const std::string page =
        dir.Write("Page.HTML", "<html><body><p class=x>F&Uuml;R <b>die</b> Katze</p></body>");
    const std::string text = dir.Write("page.txt", "<p>f&uuml;r</p>");
    Run({page, text});
    EXPECT_EQ(
        Words(),
        (WordCounts{
            {"die", 1}, {"f", 1}, {"f\xFCr", 1}, {"katze", 1}, {"p", 2}, {"r", 1}, {"uuml", 1}}));
    workspace.Store.Clear();
    workspace.Add.Documents.markup = MarkupMode::None;
    Run({page});
    EXPECT_EQ(Words().count("body"), 1u);
    EXPECT_EQ(Words().count("uuml"), 1u);
}

// Where a 262,144-byte chunk ends inside a reference or a tag, the page reads whole.
TEST_F(DocumentRunTest, AReferenceOrTagCutByAChunksEndReadsWhole) {
    const std::string tail = "&Uuml;ber<b class=\"x>y\">gr&#xFC;n</b> &#252;";
    for (std::size_t into = 0; into <= tail.size(); ++into) {
        SCOPED_TRACE(into);
        workspace.Store.Clear();
        Run({dir.Write("cut.html", std::string(kChunkSize - into, ' ') + tail)});
        // Octal escapes: "\xFCber" would read as one hexadecimal number.
        EXPECT_EQ(Words(), (WordCounts{{"\374", 1}, {"\374ber", 1}, {"gr\374n", 1}}));
    }
}

// The same where the decoded text lies in the decoder's own buffer rather than in the
// read buffer: a list of any language from UTF-16 or a code page, and any multi-byte
// encoding. The part of a reference held back by a chunk's end goes in front of it.
TEST_F(DocumentRunTest, AReferenceCutByAChunksEndReadsWholeInEveryDecoding) {
    const struct {
        const char* encoding;
        std::int32_t language;
        bool utf16;
    } cases[] = {
        {"auto", kUnicode, true},         {"auto", kUnicode, false},
        {"koi8-r", kUnicode, false},      {"shift_jis", kUnicode, false},
        {"iso-2022-jp", kUnicode, false}, {"gb18030", kGerman, false},
    };
    // "\xE9" keeps Automatic from reading the page as UTF-8.
    const std::string head = "caf\xE9 ";
    const std::string tail = "&Uuml;ber gr&#xFC;n &#252;";
    for (const auto& c : cases) {
        workspace.Add.Language = c.language;
        workspace.Add.Encoding = c.encoding;
        const bool utf8 = c.language == kUnicode;
        for (std::size_t into = 0; into <= tail.size(); into += 3) {
            SCOPED_TRACE(std::string(c.encoding) + " " + std::to_string(into));
            workspace.Store.Clear();
            const std::string page =
                c.utf16 ? "\xFF\xFE" + Utf16Le(std::string(kChunkSize / 2 - 1 - into, ' ') + tail)
                        : head + std::string(kChunkSize - head.size() - into, ' ') + tail;
            Run({dir.Write("cut.html", page)});
            const WordCounts words = Words();
            EXPECT_EQ(words.count(utf8 ? "\xC3\xBC"
                                         "ber"
                                       : "\374ber"),
                      1u);
            EXPECT_EQ(words.count(utf8 ? "gr\xC3\xBCn" : "gr\374n"), 1u);
            EXPECT_EQ(words.count(utf8 ? "\xC3\xBC" : "\374"), 1u);
        }
    }
}

// A page's own word on its encoding is taken when nothing stronger says otherwise.
TEST_F(DocumentRunTest, APageNamesItsEncodingForAutomatic) {
    workspace.Add.Language = kRussian;
    const std::string named =
        dir.Write("koi8.htm", "<meta charset=\"koi8-r\"><p>\xD3\xCC\xCF\xD7\xCF</p>");
    Run({named});
    EXPECT_EQ(Words(), (WordCounts{{"\xF1\xEB\xEE\xE2\xEE", 1}}));  // "слово" in Windows-1251

    // A byte order mark says more than the page.
    workspace.Store.Clear();
    Run({dir.Write("marked.htm", "\xEF\xBB\xBF<meta charset=koi8-r>\xD1\x8F")});
    EXPECT_EQ(Words(), (WordCounts{{"\xFF", 1}}));  // "я"
}

TEST_F(DocumentRunTest, FilesThatAreNoTextAreSkippedAndNamed) {
    using namespace std::string_literals;
    const std::string program = dir.Write("tool", "\177ELF\x02\x01 hello"s);
    const std::string data = dir.Write("data.txt", "abc\0def"s);
    const std::string words = dir.Write("words.txt", "fine words");
    const std::string wide = dir.Write("wide.txt", Utf16Le("wide words"));
    Run({program, data, words, wide});
    EXPECT_EQ(Words(), (WordCounts{{"fine", 1}, {"wide", 1}, {"words", 2}}));
    EXPECT_EQ(LastMessage().substr(LastMessage().find("\r\n2 files skipped")),
              "\r\n2 files skipped: not text\r\n" + data + "\r\n" + program);

    // A scan names them as well; "Read every file as text" reads them.
    workspace.Store.Clear();
    state.skipped = {};
    Run({program, data}, true);
    EXPECT_TRUE(Words().empty());
    EXPECT_TRUE(LastMessage().ends_with("\r\n0 files read\r\n2 files skipped: not text\r\n" + data +
                                        "\r\n" + program))
        << LastMessage();
    workspace.Add.Documents.everyFileAsText = true;
    state.skipped = {};
    Run({program, data});
    EXPECT_EQ(Words(), (WordCounts{{"abc", 1}, {"def", 1}, {"elf", 1}, {"hello", 1}}));
}

// A scanned file that cannot be opened is skipped with its reason; the others count.
TEST_F(DocumentRunTest, AScannedRunGoesPastAFileItCannotOpen) {
    const std::string gone = (dir.path() / "gone.txt").string();
    std::vector<std::string> files{dir.Write("a.txt", "alpha"), gone};
    for (int i = 0; i < 11; ++i)
        state.skipped.unreadable.push_back("/folder" + std::to_string(i) + ": Permission denied");
    const IngestResult result = Run(files, true);
    EXPECT_EQ(result.Outcome, IngestOutcome::Completed);
    EXPECT_EQ(Words(), (WordCounts{{"alpha", 1}}));
    const std::string listed = LastMessage().substr(LastMessage().find("\r\n12 files"));
    EXPECT_EQ(listed,
              "\r\n12 files or folders skipped: cannot be read\r\n/folder0: Permission "
              "denied\r\n/folder1: Permission denied\r\n/folder2: Permission "
              "denied\r\n/folder3: Permission denied\r\n/folder4: Permission "
              "denied\r\n/folder5: Permission denied\r\n/folder6: Permission "
              "denied\r\n/folder7: Permission denied\r\n/folder8: Permission "
              "denied\r\n/folder9: Permission denied\r\nand 2 more");
    EXPECT_EQ(state.skipped.unreadable.back(), gone + ": No such file or directory");

    // Chosen one by one, the same file stops the run before anything is read.
    workspace.Store.Clear();
    state.skipped = {};
    EXPECT_EQ(Run(files).Outcome, IngestOutcome::Abandoned);
    EXPECT_TRUE(Words().empty());
}

}  // namespace
}  // namespace tarvolen
