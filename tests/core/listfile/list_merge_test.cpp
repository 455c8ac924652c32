// Saved lists read back: merged into the store with their counts, or used to take
// words out of it; a refused list never enters in part.
#include "core/listfile/list_merge.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/analysis/keyness.h"
#include "core/ingest/ingest.h"
#include "core/ingest/store_reports.h"
#include "core/listfile/reference_list.h"
#include "core/output/word_list_writer.h"
#include "core/words/blob.h"
#include "core/words/char_map.h"
#include "core/words/tokenizer.h"
#include "core/words/words_in_a_row.h"
#include "core/workspace.h"
#include "support/fakes.h"
#include "support/standard_input.h"
#include "support/store_contents.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;
using testing::FakeProgress;
using testing::StoreWords;
using testing::TempDir;
using testing::WordCounts;
using testing::ZeroTicks;

class ListMergeTest : public ::testing::Test {
  protected:
    // A fresh workspace for each list, as a new session would have.
    struct Session {
        FakeMessages storeMessages;
        Workspace workspace{storeMessages, testing::SmallStoreOptions()};
        FakeProgress progress;
        FakeMessages messages;
        ZeroTicks ticks;

        explicit Session(std::int32_t language, const char* encoding = "auto") {
            workspace.Add.Language = language;
            workspace.Add.Encoding = encoding;
            ApplyAddOptions(workspace);
            workspace.MinWordLength = 1;
        }
        IngestHooks Hooks() { return IngestHooks{progress, messages, {}, ticks}; }
        bool Merge(const std::vector<std::string>& paths) {
            return MergeLists(workspace, paths, Hooks());
        }
        std::string Save(const TempDir& dir, const std::string& name, WriterOptions options,
                         bool frequency) {
            return Save(dir, name, options, frequency ? ListKind::Frequency : ListKind::Words);
        }
        std::string Save(const TempDir& dir, const std::string& name, WriterOptions options,
                         ListKind kind) {
            const std::string path = (dir.path() / name).string();
            options.ListCodePage = workspace.ListCodePage;
            FakeMessages quiet;
            WriterHooks hooks{quiet, ticks, nullptr, {}};
            switch (kind) {
                case ListKind::Words:
                    WriteWordList(workspace.Store, options, path, hooks);
                    break;
                case ListKind::Frequency:
                    WriteFrequencyList(workspace.Store, options, path, hooks);
                    break;
                case ListKind::Range:
                    WriteRangeList(workspace.Store, options, path, hooks);
                    break;
            }
            return TempDir::Read(path);
        }
    };

    TempDir dir;
};

// Random words of the alphabet with random counts, as a collection would give.
void FillRandom(Workspace& workspace, std::int32_t language, std::mt19937& rng) {
    const Alphabet alphabet = AlphabetOf(language);
    std::uniform_int_distribution<std::size_t> letter(0, alphabet.lower.size() - 1);
    std::uniform_int_distribution<int> length(1, 20);
    std::uniform_int_distribution<std::uint32_t> count(1, 50);
    for (int i = 0; i < 300; ++i) {
        std::string word;
        const int n = length(rng);
        for (int k = 0; k < n; ++k)
            word.push_back(alphabet.lower[letter(rng)]);
        workspace.Store.AddOccurrences(word.c_str(), word.size(), count(rng));
    }
    workspace.ListCodePage = CodePageOf(language);
}

// Save, merge into an empty list, save again: the same bytes, for every format the
// writers have and every alphabet.
TEST_F(ListMergeTest, EveryFormatRoundTrips) {
    std::mt19937 rng(1414);
    for (std::int32_t language = 0; language < kAlphabetCount; ++language) {
        Session original(language);
        FillRandom(original.workspace, language, rng);
        for (int delimiter = 0; delimiter < 3; ++delimiter) {
            for (int caseMode = 0; caseMode < 2; ++caseMode) {
                for (int encoding = 0; encoding < 3; ++encoding) {
                    for (bool frequency : {false, true}) {
                        SCOPED_TRACE("language " + std::to_string(language) + " delimiter " +
                                     std::to_string(delimiter) + " case " +
                                     std::to_string(caseMode) + " encoding " +
                                     std::to_string(encoding) + (frequency ? " counts" : ""));
                        WriterOptions options{static_cast<Delimiter>(delimiter),
                                              caseMode,
                                              encoding == 1,
                                              0,
                                              CodePage::Windows1252,
                                              encoding == 2};
                        const std::string saved = original.Save(dir, "a.txt", options, frequency);
                        Session merged(language);
                        ASSERT_TRUE(merged.Merge({(dir.path() / "a.txt").string()}))
                            << merged.messages.Texts().front();
                        EXPECT_EQ(merged.Save(dir, "b.txt", options, frequency), saved);
                        if (frequency) {
                            EXPECT_EQ(StoreWords(merged.workspace.Store),
                                      StoreWords(original.workspace.Store));
                        }
                    }
                }
            }
        }
    }
}

// Entries of one word and of words in a row (joined by one space), each word of the
// alphabet's letters, as an n-gram run would give them.
void FillWordsInARow(Workspace& workspace, const std::vector<std::string>& letters,
                     std::mt19937& rng) {
    std::uniform_int_distribution<std::size_t> letter(0, letters.size() - 1);
    std::uniform_int_distribution<int> length(1, 20);
    std::uniform_int_distribution<int> words(1, WordsInARow::kMost);
    std::uniform_int_distribution<std::uint32_t> count(1, 50);
    for (int i = 0; i < 200; ++i) {
        std::string entry;
        for (int w = words(rng); w > 0; --w) {
            if (!entry.empty())
                entry += ' ';
            for (int n = length(rng); n > 0; --n)
                entry += letters[letter(rng)];
        }
        const std::uint32_t n = count(rng);
        workspace.Store.AddOccurrences(entry.c_str(), entry.size(), n,
                                       std::uniform_int_distribution<std::uint32_t>(1, n)(rng));
    }
}

// Words in a row survive every writer, case and encoding of a list delimited by line
// ends: saved, merged and saved again, the same bytes.
TEST_F(ListMergeTest, WordsInARowRoundTrip) {
    struct Case {
        std::int32_t language;
        std::vector<std::string> letters;
    };
    const std::vector<Case> cases = {
        {kGerman, {"a", "b", "z", "\xE4", "\xDF"}},
        {kRussian, {"\xE0", "\xFF", "\xB8"}},
        {kUnicode, {"a", "\xC3\xA9", "\xD0\xB6", "\xCF\x89"}},  // a é ж ω
    };
    std::mt19937 rng(38);
    for (const Case& c : cases) {
        Session original(c.language);
        FillWordsInARow(original.workspace, c.letters, rng);
        original.workspace.ListCodePage = CodePageOf(c.language);
        for (const Delimiter delimiter : {Delimiter::LF, Delimiter::CRLF}) {
            for (int caseMode = 0; caseMode < 2; ++caseMode) {
                for (int encoding = 0; encoding < 3; ++encoding) {
                    for (const ListKind kind :
                         {ListKind::Words, ListKind::Frequency, ListKind::Range}) {
                        SCOPED_TRACE("language " + std::to_string(c.language) + " delimiter " +
                                     std::to_string(static_cast<int>(delimiter)) + " case " +
                                     std::to_string(caseMode) + " encoding " +
                                     std::to_string(encoding) + " kind " +
                                     std::to_string(static_cast<int>(kind)));
                        WriterOptions options{
                            delimiter,    caseMode, encoding == 1, 0, CodePage::Windows1252,
                            encoding == 2};
                        const std::string saved = original.Save(dir, "a.txt", options, kind);
                        Session merged(c.language);
                        ASSERT_TRUE(merged.Merge({(dir.path() / "a.txt").string()}))
                            << merged.messages.Texts().front();
                        EXPECT_EQ(merged.workspace.Store.Count(), original.workspace.Store.Count());
                        EXPECT_EQ(merged.Save(dir, "b.txt", options, kind), saved);
                    }
                }
            }
        }
    }
}

// Each word of a record of words in a row is cut as the run counts it alone; one that
// it would not count breaks the row, and the record gives nothing.
TEST_F(ListMergeTest, WordsInARowAreCutAsWordsAre) {
    struct Case {
        const char* list;
        std::int32_t minWordLength;
        WordCounts words;
    };
    const std::vector<Case> cases = {
        {"The  CAT,5\n\tDon't stop\nDon't\n", 1, {{"the cat", 5}, {"don", 1}, {"t", 1}}},
        {"house cat,3\nhouse,2\n", 4, {{"house", 2}}},
        {"big 123 dog,2\nabcdefghijklmnopqrstu cat,4\nred dog,1\n", 1, {{"red dog", 1}}},
    };
    // The rows of a list are its lines, whatever rows the Add options count.
    for (const WordsInARow inARow : {WordsInARow{}, WordsInARow{1, 3, true}}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.list);
            Session session(kEnglishLatin);
            session.workspace.Add.InARow = inARow;
            session.workspace.MinWordLength = c.minWordLength;
            ASSERT_TRUE(session.Merge({dir.Write("l.txt", c.list)}));
            EXPECT_EQ(StoreWords(session.workspace.Store), c.words);
        }
    }
}

// A list of words in a row merges with one of words, and into a list holding both.
TEST_F(ListMergeTest, ListsOfWordsAndOfWordsInARowMerge) {
    Session session(kEnglishLatin);
    session.workspace.Store.AddOccurrences("the cat", 7, 2);
    const std::string rows = dir.Write("rows.txt", "the cat,3\nbig cat,1\n");
    const std::string words = dir.Write("words.txt", "cat,4\nthe\n");
    ASSERT_TRUE(session.Merge({rows, words}));
    EXPECT_EQ(StoreWords(session.workspace.Store),
              (WordCounts{{"the cat", 5}, {"big cat", 1}, {"cat", 4}, {"the", 1}}));
}

// Keywords against a reference list of words in a row compare entry with entry.
TEST_F(ListMergeTest, AReferenceListOfWordsInARowComparesEntryByEntry) {
    Session session(kEnglishLatin);
    session.workspace.Store.AddOccurrences("the cat", 7, 10);
    session.workspace.Store.AddOccurrences("big dog", 7, 2);
    const std::string path = dir.Write("ref.txt", "The cat,3\nsmall dog,5\nthe\n");
    const std::unique_ptr<RunState> reference =
        ReadReferenceList(session.workspace, path, session.Hooks());
    ASSERT_NE(reference, nullptr);
    EXPECT_EQ(StoreWords(reference->Store),
              (WordCounts{{"the cat", 3}, {"small dog", 5}, {"the", 1}}));
    std::map<std::string, std::uint32_t> referenceCounts;
    for (const KeywordRow& row :
         CompareWithReference(session.workspace.Store, reference->Store, 0.0))
        referenceCounts[std::string(row.word)] = row.refCount;
    EXPECT_EQ(referenceCounts, (std::map<std::string, std::uint32_t>{
                                   {"big dog", 0}, {"small dog", 5}, {"the", 1}, {"the cat", 3}}));
}

// A stop list takes out the words in a row it names, and those holding a word it names
// alone.
TEST_F(ListMergeTest, RemoveListedTakesOutWordsInARow) {
    Session session(kEnglishLatin);
    for (const char* entry : {"the cat", "big cat", "the", "dog", "red dog", "a the b", "theme"})
        session.workspace.Store.AddWord(entry);
    const std::string stop = dir.Write("stop.txt", "The\nred dog\nbig\tcat x\n");
    EXPECT_EQ(RemoveListedWords(session.workspace, stop, session.messages), 4);
    EXPECT_EQ(StoreWords(session.workspace.Store),
              (WordCounts{{"big cat", 1}, {"dog", 1}, {"theme", 1}}));
}

TEST_F(ListMergeTest, MergingTwiceDoublesAndCountsSaturate) {
    Session session(kEnglishLatin);
    const std::string list = dir.Write("l.txt", "the,12\nand,7\nbig,4294967290\n");
    ASSERT_TRUE(session.Merge({list, list}));
    EXPECT_EQ(StoreWords(session.workspace.Store),
              (WordCounts{{"the", 24}, {"and", 14}, {"big", 4294967295u}}));
    // The summary: occurrences, not records, are the qualified words.
    EXPECT_EQ(session.messages.Texts().back(),
              "1 Kb processed\r\n8,589,934,618 total qualified words\r\n3 words added\r\n"
              "0 milliseconds spent");
    EXPECT_TRUE(session.workspace.ListUnsaved);
}

TEST_F(ListMergeTest, RecordsAreCutAsDocumentsAre) {
    Session session(kEnglishLatin);
    session.workspace.MinWordLength = 4;
    const std::string list =
        dir.Write("l.txt", "Don't,5 abcdefghijklmnopqrstu,3 WORDS,2 alpha-beta,1 ab\n");
    ASSERT_TRUE(session.Merge({list}));
    // "don" and "t" are short; 21 letters are too long; capitals fold.
    EXPECT_EQ(StoreWords(session.workspace.Store),
              (WordCounts{{"words", 2}, {"alpha", 1}, {"beta", 1}}));
}

TEST_F(ListMergeTest, ARefusedRecordKeepsTheWholeFileOut) {
    struct Case {
        std::string text;
        const char* why;
    };
    const std::vector<Case> cases = {
        {"good,3\nword,\n", "line 2: no count after the comma"},
        {"good,3\nword,x\n", "line 2: the count is not a number"},
        {"good\r\nmore\r\nword,0\r\n", "line 3: the count is 0"},
        {"good word,4294967296", "line 1: the count is above 4,294,967,295"},
        {",5", "line 1: a count without a word"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Session session(kEnglishLatin);
        session.workspace.Store.AddWord("kept");
        const std::string bad = dir.Write("bad.txt", c.text);
        const std::string good = dir.Write("good.txt", "fine,2\n");
        EXPECT_FALSE(session.Merge({bad, good}));
        EXPECT_EQ(StoreWords(session.workspace.Store), (WordCounts{{"fine", 2}, {"kept", 1}}));
        ASSERT_EQ(session.messages.shown.size(), 2u);
        EXPECT_EQ(session.messages.shown[0].text, "The word list " + bad + " was not merged: " +
                                                      c.why + ".\r\n\r\nNothing of it was added.");
        EXPECT_EQ(session.messages.shown[0].icon, MessageIcon::Stop);
    }
}

TEST_F(ListMergeTest, EmptyListsAndRecordsAcrossChunks) {
    Session session(kEnglishLatin);
    EXPECT_TRUE(session.Merge({dir.Write("empty.txt", "")}));
    EXPECT_EQ(session.workspace.Store.Count(), 0);
    EXPECT_FALSE(session.workspace.ListUnsaved);

    // Records over several read chunks, one cut at every chunk's end.
    std::string text;
    WordCounts expected;
    for (int i = 0; text.size() < 3 * kChunkSize; ++i) {
        std::string word;
        for (int n = i; n > 0 || word.empty(); n /= 26)
            word.push_back(static_cast<char>('a' + n % 26));
        text += word + "," + std::to_string(i % 9 + 1) + "\r\n";
        expected[word] += static_cast<std::uint32_t>(i % 9 + 1);
    }
    ASSERT_TRUE(session.Merge({dir.Write("big.txt", text)}));
    EXPECT_EQ(StoreWords(session.workspace.Store), expected);
}

TEST_F(ListMergeTest, AMissingListAbandonsTheRunBeforeAnything) {
    Session session(kEnglishLatin);
    const std::string good = dir.Write("good.txt", "fine\n");
    EXPECT_FALSE(session.Merge({good, (dir.path() / "missing.txt").string()}));
    EXPECT_EQ(session.workspace.Store.Count(), 0);
    EXPECT_EQ(session.progress.closeCalls, 1);
}

TEST_F(ListMergeTest, RemoveListedTakesOutTheWordsOfAStopListInAnyEncoding) {
    Session session(kRussian);
    for (const char* word : {"\xEC\xE8\xF0", "\xE4\xEE\xEC", "\xEA\xEE\xF2"})  // мир дом кот
        session.workspace.Store.AddWord(word);
    session.workspace.ListCodePage = CodePage::Windows1251;
    // UTF-8: "Мир" capitalised, "дом" with a count, and a word the list lacks.
    const std::string stop =
        dir.Write("stop.txt", "\xD0\x9C\xD0\xB8\xD1\x80\n\xD0\xB4\xD0\xBE\xD0\xBC,9\nnope\n");
    EXPECT_EQ(RemoveListedWords(session.workspace, stop, session.messages), 2);
    EXPECT_EQ(StoreWords(session.workspace.Store), (WordCounts{{"\xEA\xEE\xF2", 1}}));

    const std::string bad = dir.Write("bad.txt", "\xEA\xEE\xF2\nx,\n");
    EXPECT_EQ(RemoveListedWords(session.workspace, bad, session.messages), -1);
    EXPECT_EQ(session.workspace.Store.Count(), 1);
}

// On the command line a list may be a pipe, named "-" or by its path: it is read once
// to its end, and both readings (the check, then the count) go over what it gave.
TEST_F(ListMergeTest, ListsFromPipesAreReadToTheirEnd) {
    std::string list;
    WordCounts words;
    for (int i = 0; i < 40'000; ++i) {
        std::string word = "w";
        for (int n = i; n > 0; n /= 26)
            word += static_cast<char>('a' + n % 26);
        list += word + ",2\n";
        words[word] += 2;
    }
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "by its path" : "as standard input");
        Session session(kEnglishLatin);
        testing::Pipe pipe(list, 4093);
        std::optional<testing::StandardInputFrom> in;
        if (!named)
            in.emplace(pipe.ReadEnd());
        IngestHooks hooks = session.Hooks();
        hooks.streams = Streams::ReadToEnd;
        const std::string path =
            named ? "/dev/fd/" + std::to_string(pipe.ReadEnd()) : kStandardInputPath;
        EXPECT_TRUE(MergeLists(session.workspace, {path}, hooks));
        EXPECT_EQ(StoreWords(session.workspace.Store), words);
    }

    Session session(kEnglishLatin);
    for (const char* word : {"alpha", "beta", "gamma"})
        session.workspace.Store.AddWord(word);
    testing::Pipe stop("alpha\ngamma,4\n", 3);
    EXPECT_EQ(RemoveListedWords(session.workspace, "/dev/fd/" + std::to_string(stop.ReadEnd()),
                                session.messages, SystemReadBufferMemory(), Streams::ReadToEnd),
              2);
    EXPECT_EQ(StoreWords(session.workspace.Store), (WordCounts{{"beta", 1}}));
}

// A stream is checked while it is copied for its second reading: one refused at its
// start stops the copy there, or an endless one (/dev/zero) would fill the disk.
TEST_F(ListMergeTest, ARefusedStreamStopsItsCopyAtOnce) {
    std::signal(SIGPIPE, SIG_IGN);
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    std::size_t written = 0;
    std::thread writer([&written, end = ends[1]] {
        const std::string zeros(1 << 16, '\0');
        while (written < (std::size_t{64} << 20) &&
               ::write(end, zeros.data(), zeros.size()) == static_cast<ssize_t>(zeros.size()))
            written += zeros.size();
        ::close(end);
    });
    Session session(kEnglishLatin);
    IngestHooks hooks = session.Hooks();
    hooks.streams = Streams::ReadToEnd;
    EXPECT_FALSE(MergeLists(session.workspace, {"/dev/fd/" + std::to_string(ends[0])}, hooks));
    ::close(ends[0]);
    writer.join();
    EXPECT_LT(written, std::size_t{1} << 20);
    EXPECT_NE(session.messages.Texts().front().find("longer than 1,024 bytes"), std::string::npos)
        << session.messages.Texts().front();
}

// The copy of a stream goes to the folder for temporary files: where that fails, the
// message names the folder and why, rather than blaming the list.
TEST_F(ListMergeTest, ACopyThatCannotBeMadeNamesItsFolder) {
    const std::string missing = (dir.path() / "no-such-folder").string();
    const char* saved = std::getenv("TMPDIR");
    const std::string before = saved != nullptr ? saved : "";
    ::setenv("TMPDIR", missing.c_str(), 1);
    Session session(kEnglishLatin);
    testing::Pipe pipe("alpha beta\n", 4);
    IngestHooks hooks = session.Hooks();
    hooks.streams = Streams::ReadToEnd;
    const bool merged =
        MergeLists(session.workspace, {"/dev/fd/" + std::to_string(pipe.ReadEnd())}, hooks);
    if (saved != nullptr)
        ::setenv("TMPDIR", before.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    EXPECT_FALSE(merged);
    EXPECT_EQ(session.messages.Texts().front(),
              "The word list /dev/fd/" + std::to_string(pipe.ReadEnd()) +
                  " was not merged: Unable to copy it into the folder for temporary files " +
                  missing + ": No such file or directory.\r\n\r\nNothing of it was added.");
}

// A NUL in a list of a code page is a separator, as in a document, and no more.
TEST_F(ListMergeTest, AStrayNulDoesNotMakeAListUtf16) {
    Session session(kEnglishLatin);
    EXPECT_TRUE(session.Merge({dir.Write("nul.txt", std::string("ab\0cd,3\n", 8))}));
    EXPECT_EQ(StoreWords(session.workspace.Store), (WordCounts{{"ab", 3}, {"cd", 3}}));
}

// The short form of the cut agrees with the tokenizer's over whole texts.
TEST(ForEachWordTest, AgreesWithTheTokenizer) {
    std::mt19937 rng(7);
    const std::string bytes = std::string("aZ\xE4\xC4\xDF\xE0\xC0 ,.-'0\n") + std::string(1, '\0');
    std::uniform_int_distribution<std::size_t> pick(0, bytes.size() - 1);
    for (int trial = 0; trial < 200; ++trial) {
        std::string text;
        for (int i = 0; i < 80; ++i)
            text.push_back(trial % 10 == 0 ? 'a' : bytes[pick(rng)]);
        const std::int32_t language = trial % kAlphabetCount;
        const std::int32_t minimum = trial % 2 == 0 ? 1 : 4;
        CharMap map;
        BuildCharMap(language, map);

        FakeMessages messages;
        WordStore tokenized(ReportingStoreOptions(messages, testing::SmallStoreOptions()));
        std::int64_t qualified = 0;
        TokenizerContext context{map, minimum, qualified, tokenized};
        std::vector<unsigned char> chunk(text.begin(), text.end());
        chunk.push_back(0);
        CBlob blob;
        blob.Attach(chunk.data(), static_cast<std::uint32_t>(text.size()));
        std::string carry;
        TokenizeChunk(blob, carry, context);
        FinishFile(carry, context);

        WordStore cut(ReportingStoreOptions(messages, testing::SmallStoreOptions()));
        ForEachWord(text, map, minimum,
                    [&](const char* word, std::size_t length) { cut.AddWord(word, length); });
        EXPECT_EQ(StoreWords(cut), StoreWords(tokenized)) << trial;
    }
}

}  // namespace
}  // namespace tarvolen
