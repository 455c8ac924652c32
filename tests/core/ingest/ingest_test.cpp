#include "core/ingest/ingest.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <future>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/decode/text_encoding.h"
#include "core/ports/user_cancel.h"
#include "core/workspace.h"
#include "support/fakes.h"
#include "support/standard_input.h"
#include "support/store_contents.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;
using testing::FakeProgress;
using testing::TempDir;

// Answers scripted ticks in turn, then keeps answering the last one.
class FakeTicks : public TickSource {
  public:
    std::uint32_t Now() override {
        if (script.size() > 1) {
            std::uint32_t tick = script.front();
            script.pop_front();
            return tick;
        }
        return script.empty() ? 0 : script.front();
    }
    std::deque<std::uint32_t> script;
};

std::string Summary(const char* kb, const char* qualified, const char* added, const char* ms) {
    return std::string(kb) + " Kb processed\r\n" + qualified + " total qualified words\r\n" +
           added + " words added\r\n" + ms + " milliseconds spent";
}

// The line after it in the summary of a run over files.
std::string Read(int files) {
    return "\r\n" + std::to_string(files) + (files == 1 ? " file" : " files") + " read";
}

using testing::WordCounts;

// The words a text yields as one piece, ASCII letters only, lengths 1..20.
WordCounts ReferenceWords(const std::string& text) {
    WordCounts words;
    std::string word;
    auto finish = [&] {
        if (!word.empty() && word.size() <= 20)
            ++words[word];
        word.clear();
    };
    for (char c : text) {
        if (c >= 'a' && c <= 'z')
            word += c;
        else if (c >= 'A' && c <= 'Z')
            word += static_cast<char>(c - 'A' + 'a');
        else
            finish();
    }
    finish();
    return words;
}

// "alpha alpha ...": chunk boundaries fall inside words (262,144 = 6 * 43,690 + 4).
std::string Alphas(std::size_t bytes) {
    std::string text;
    while (text.size() < bytes)
        text += "alpha ";
    text.resize(bytes);
    return text;
}

class IngestTest : public ::testing::Test {
  protected:
    IngestTest() {
        BuildCharMap(kEnglishLatin, workspace.Map);
        workspace.MinWordLength = 1;
    }

    IngestHooks Hooks() {
        return IngestHooks{progress, messages, [this] { OnRefresh(); }, ticks};
    }
    IngestResult Run() { return IngestFiles(workspace, state, Hooks()); }

    void OnRefresh() {
        ++refreshes;
        closedBeforeRefresh = progress.closeCalls > 0;
        messagesBeforeRefresh = messages.shown.size();
    }

    WordCounts Words() const { return testing::StoreWords(workspace.Store); }

    // Stops a read loop that would never end instead of hanging the test.
    void GuardAgainstEndlessLoop() {
        progress.onPoll = [this](int poll) {
            if (poll > 1000) {
                ADD_FAILURE() << "the reading loop does not end";
                progress.CancelOnPoll(poll);
            }
        };
    }

    FakeMessages storeMessages;
    Workspace workspace{storeMessages, testing::SmallStoreOptions()};
    FakeProgress progress;
    FakeMessages messages;
    FakeTicks ticks;
    TempDir dir;
    IngestState state;
    int refreshes = 0;
    bool closedBeforeRefresh = false;
    std::size_t messagesBeforeRefresh = 0;
};

// ---- chunking is invisible -------------------------------------------------------

struct BoundaryCase {
    const char* name;
    std::string text;
};

class ChunkBoundaryTest : public IngestTest, public ::testing::WithParamInterface<BoundaryCase> {};

TEST_P(ChunkBoundaryTest, FileYieldsTheWordsOfItsWholeText) {
    const std::string& text = GetParam().text;
    state.InputFiles = {dir.Write("doc.txt", text)};
    Run();
    WordCounts expected = ReferenceWords(text);
    EXPECT_EQ(Words(), expected);
    EXPECT_EQ(workspace.QualifiedWords, testing::TotalCount(expected));
    EXPECT_EQ(workspace.BytesRead, static_cast<std::int64_t>(text.size()));
    EXPECT_TRUE(state.carry.empty());
}

std::string Spaces(std::size_t n) {
    return std::string(n, ' ');
}

INSTANTIATE_TEST_SUITE_P(
    Ingest, ChunkBoundaryTest,
    ::testing::Values(
        // "straddle" sits on bytes 262,141..262,148.
        BoundaryCase{"WordStraddlesBoundary", Spaces(kChunkSize - 3) + "StRaddle end"},
        BoundaryCase{"WordEndsAtBoundary", Spaces(kChunkSize - 5) + "ended next"},
        BoundaryCase{"WordStartsAtBoundary", Spaces(kChunkSize) + "begins "},
        BoundaryCase{"FileEndsInLetter", "first second last"},
        BoundaryCase{"FileEndsInLetterAtBoundary", Spaces(kChunkSize - 4) + "tail"},
        BoundaryCase{"WordsAcrossTwoBoundaries", Alphas(2 * kChunkSize + 1000)},
        // One run of letters longer than a chunk is one over-long word, not words.
        BoundaryCase{"LettersLongerThanAChunk", std::string(kChunkSize + 7, 'q') + " ok"}),
    [](const auto& info) { return info.param.name; });

TEST_F(IngestTest, NoWordJoinsTheEndOfOneFileToTheStartOfTheNext) {
    state.InputFiles = {dir.Write("a.txt", "start"), dir.Write("b.txt", "end")};
    Run();
    EXPECT_EQ(Words(), (WordCounts{{"end", 1}, {"start", 1}}));
    EXPECT_EQ(workspace.QualifiedWords, 2);
}

// ---- order and bookkeeping -------------------------------------------------------

TEST_F(IngestTest, ReadsFilesLastPathFirst) {
    std::string a = dir.Write("a.txt", "one");
    std::string b = dir.Write("b.txt", "two");
    std::string c = dir.Write("c.txt", "three");
    state.InputFiles = {a, b, c};
    std::vector<std::string> openedBefore;
    progress.onPoll = [&](int) { openedBefore.push_back(state.LastInputPath); };
    Run();
    EXPECT_EQ(progress.fileLines, (std::vector<std::string>{c, b, a}));
    // Polls: before c, in c, before b, in b, before a, in a.
    EXPECT_EQ(openedBefore, (std::vector<std::string>{"", c, c, b, b, a}));
    EXPECT_EQ(state.LastInputPath, a);
}

TEST_F(IngestTest, EmptyListOpensAndClosesAndReportsNothingRead) {
    ticks.script = {500};
    Run();
    EXPECT_EQ(progress.lower, 0);
    EXPECT_EQ(progress.upper, 1000);
    EXPECT_EQ(progress.closeCalls, 1);
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{Summary("0", "0", "0", "0") + Read(0)}));
    EXPECT_FALSE(workspace.ListUnsaved);
}

TEST_F(IngestTest, FinishesInOrderUnsavedCloseRefreshSummary) {
    state.InputFiles = {dir.Write("a.txt", "new words here")};
    Run();
    EXPECT_TRUE(workspace.ListUnsaved);
    EXPECT_EQ(refreshes, 1);
    EXPECT_TRUE(closedBeforeRefresh);
    EXPECT_EQ(messagesBeforeRefresh, 0u);
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{Summary("1", "3", "3", "0") + Read(1)}));
}

TEST_F(IngestTest, EmptyFileIsListedButYieldsNothing) {
    std::string empty = dir.Write("empty.txt", "");
    state.InputFiles = {empty};
    Run();
    EXPECT_EQ(progress.fileLines, (std::vector<std::string>{empty}));
    EXPECT_TRUE(progress.positions.empty());
    EXPECT_EQ(state.LastInputPath, empty);
    EXPECT_EQ(workspace.Store.Count(), 0);
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{Summary("0", "0", "0", "0") + Read(1)}));
}

struct KilobyteCase {
    std::int64_t bytes;
    const char* kilobytes;
};

class KilobyteRoundingTest : public IngestTest,
                             public ::testing::WithParamInterface<KilobyteCase> {};

TEST_P(KilobyteRoundingTest, PartialKilobyteCountsAsWhole) {
    state.InputFiles = {dir.Write("blank.txt", Spaces(GetParam().bytes))};
    Run();
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{Summary(GetParam().kilobytes, "0", "0", "0") + Read(1)}));
}

INSTANTIATE_TEST_SUITE_P(Ingest, KilobyteRoundingTest,
                         ::testing::Values(KilobyteCase{1, "1"}, KilobyteCase{1024, "1"},
                                           KilobyteCase{1025, "2"},
                                           KilobyteCase{kChunkSize + 1, "257"}));

TEST(FormatIngestSummaryTest, GroupsLargeFigures) {
    IngestSummary summary;
    summary.BytesRead = std::int64_t{1} << 40;
    summary.QualifiedWords = 1'234'567'890'123;
    summary.WordsAdded = 1'000'005;
    summary.Milliseconds = 65'432;
    EXPECT_EQ(FormatIngestSummary(summary),
              Summary("1,073,741,824", "1,234,567,890,123", "1,000,005", "65,432"));
}

TEST_F(IngestTest, WordsAlreadyKnownAddNothingAndLeaveTheMarkAlone) {
    state.InputFiles = {dir.Write("a.txt", "known words known")};
    Run();
    workspace.ListUnsaved = false;  // as after a save
    messages.shown.clear();
    Run();
    EXPECT_FALSE(workspace.ListUnsaved);
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{Summary("1", "3", "0", "0") + Read(1)}));
    EXPECT_EQ(Words(), (WordCounts{{"known", 4}, {"words", 2}}));
}

TEST_F(IngestTest, PositionsReflectBytesReadBeforeEachChunk) {
    std::string big = dir.Write("big.txt", Alphas(2 * kChunkSize));
    std::string small = dir.Write("small.txt", Alphas(kChunkSize));
    state.InputFiles = {big, small};
    Run();
    // TotalBytes 786,432: 0 before small, then 262,144 and 524,288 read before big's chunks.
    EXPECT_EQ(workspace.TotalBytes, 3 * std::int64_t{kChunkSize});
    EXPECT_EQ(progress.positions, (std::vector<int>{0, 333, 666}));
}

// On the command line a pipe is read to its end wherever it stands, named "-" or by
// its path; having no size, it moves the bar not at all, so the files after it still
// end at the bar's end. Elsewhere a pipe has the size 0 and gives nothing.
TEST_F(IngestTest, StreamsAreReadToTheirEndOnlyWhereTheRunReadsStreams) {
    const std::string before = dir.Write("before.txt", Alphas(kChunkSize));
    const std::string after = dir.Write("after.txt", Alphas(kChunkSize));
    const std::string piped = "piped words " + Alphas(kChunkSize + 100);
    const std::string fifo = (dir.path() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    struct Row {
        const char* what;
        bool named;  // the pipe by its path rather than as "-"
    };
    for (const Row row : {Row{"standard input", false}, Row{"a named pipe", true}}) {
        SCOPED_TRACE(row.what);
        workspace.Store.Clear();
        progress.positions.clear();
        testing::Pipe pipe(piped, 4093);
        std::optional<testing::StandardInputFrom> in;
        std::thread feeder;
        if (row.named) {
            // The writer is there before the reader, as a producer started first waits in
            // its open; opened for reading too, its end never waits for ours.
            const int out = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
            ASSERT_GE(out, 0);
            feeder = std::thread([out, &pipe] {
                char bytes[4096];
                for (ssize_t n; (n = ::read(pipe.ReadEnd(), bytes, sizeof bytes)) > 0;)
                    (void)::write(out, bytes, static_cast<std::size_t>(n));
                ::close(out);
            });
        } else {
            in.emplace(pipe.ReadEnd());
        }
        state.InputFiles = {after, row.named ? fifo : kStandardInputPath, before};
        IngestHooks hooks = Hooks();
        hooks.streams = Streams::ReadToEnd;
        IngestFiles(workspace, state, hooks);
        if (feeder.joinable())
            feeder.join();

        EXPECT_EQ(workspace.TotalBytes, 2 * std::int64_t{kChunkSize});
        EXPECT_EQ(workspace.StreamBytesRead, static_cast<std::int64_t>(piped.size()));
        EXPECT_EQ(workspace.BytesRead, workspace.TotalBytes + workspace.StreamBytesRead);
        // Half the bar for the file before, none for the pipe's two chunks.
        EXPECT_EQ(progress.positions, (std::vector<int>{0, 500, 500, 500}));
        const WordCounts words = Words();
        EXPECT_EQ(words.at("piped"), 1);
        EXPECT_EQ(words.at("words"), 1);
    }

    // A window's run reads neither; nothing waits for the pipe, nothing comes of it.
    workspace.Store.Clear();
    state.InputFiles = {fifo};
    const IngestResult result = Run();
    EXPECT_EQ(result.Outcome, IngestOutcome::Completed);
    EXPECT_EQ(workspace.Store.Count(), 0);
}

// The walk found a regular file; by the time it is read it is a pipe. Its open would
// wait for a writer forever: it is opened without waiting, listed as not read, and the
// run goes on. A pipe named beside the scan is still read to its end.
TEST_F(IngestTest, AScannedFileThatBecameAPipeIsNotWaitedFor) {
    const std::string changed = (dir.path() / "changed.txt").string();
    const std::string named = (dir.path() / "named").string();
    ASSERT_EQ(::mkfifo(changed.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(named.c_str(), 0600), 0);
    std::thread writer([&named] {
        const int out = ::open(named.c_str(), O_WRONLY | O_CLOEXEC);
        (void)::write(out, "piped", 5);
        ::close(out);
    });
    state.InputFiles = {changed, dir.Write("a.txt", "alpha"), named};
    state.scanned = true;
    state.named = {named};
    IngestHooks hooks = Hooks();
    hooks.streams = Streams::ReadToEnd;
    auto run = std::async(std::launch::async, [&] { return IngestFiles(workspace, state, hooks); });
    if (run.wait_for(std::chrono::seconds(20)) == std::future_status::timeout) {
        ::close(::open(changed.c_str(), O_WRONLY | O_CLOEXEC));  // lets the run end
        ADD_FAILURE() << "the run waits for the pipe's writer";
    }
    EXPECT_EQ(run.get().Outcome, IngestOutcome::Completed);
    writer.join();
    EXPECT_EQ(Words(), (WordCounts{{"alpha", 1}, {"piped", 1}}));
    EXPECT_EQ(state.skipped.unreadable, std::vector<std::string>{changed + ": not a regular file"});
}

// A stream that ends exactly on a whole chunk learns of its end from an empty read:
// a letter its encoding held back, waiting for a combining mark, is still counted.
TEST_F(IngestTest, AStreamThatEndsOnAWholeChunkKeepsItsHeldBackLetter) {
    for (const std::int32_t language : {kEnglishLatin, kUnicode}) {
        SCOPED_TRACE(language);
        workspace.Add.Language = language;
        workspace.Add.Encoding = "cp1258";
        ApplyAddOptions(workspace);
        workspace.Store.Clear();
        const std::string text = Spaces(kChunkSize - 3) + "abc";
        testing::Pipe pipe(text, 4096);
        testing::StandardInputFrom in(pipe.ReadEnd());
        state.InputFiles = {kStandardInputPath};
        IngestHooks hooks = Hooks();
        hooks.streams = Streams::ReadToEnd;
        IngestFiles(workspace, state, hooks);
        EXPECT_EQ(Words(), (WordCounts{{"abc", 1}}));
    }
}

// ---- the running word count ------------------------------------------------------

TEST_F(IngestTest, WorkingCountRefreshedAtMostEvery600Milliseconds) {
    state.InputFiles = {dir.Write("a.txt", Alphas(4 * kChunkSize))};
    // Start tick, one tick per chunk, end tick.
    ticks.script = {1000, 1000, 1600, 1601, 1700, 2000};
    Run();
    EXPECT_EQ(progress.detailLines, (std::vector<std::string>{"0 words in the list; Working...",
                                                              "1 words in the list; Working..."}));
    EXPECT_EQ(workspace.LastWorkingTick, 1601u);
    // The file ends in "alph", a second word.
    EXPECT_EQ(messages.Texts().back(), Summary("1,024", "174,763", "2", "1,000") + Read(1));

    // The tick of the last refresh carries over into the next run.
    progress.detailLines.clear();
    ticks.script = {1900, 1900, 2000, 2202, 2210, 2300};
    Run();
    EXPECT_EQ(progress.detailLines, (std::vector<std::string>{"2 words in the list; Working..."}));
    EXPECT_EQ(workspace.LastWorkingTick, 2202u);
}

TEST_F(IngestTest, WorkingCountSurvivesTheTickWrap) {
    state.InputFiles = {dir.Write("a.txt", Alphas(3 * kChunkSize))};
    workspace.LastWorkingTick = 0xFFFF'FF00u;
    ticks.script = {0x100, 0x100, 0x200, 0x300, 0x300};
    Run();
    // 512 ms after the last refresh: not yet; 768 ms: refreshed.
    EXPECT_EQ(progress.detailLines.size(), 1u);
    EXPECT_EQ(workspace.LastWorkingTick, 0x200u);
}

// ---- failures --------------------------------------------------------------------

TEST_F(IngestTest, SizePassFailureAbandonsBeforeReadingAndKeepsTheStore) {
    workspace.Store.AddWord("kept");
    std::string missing = (dir.path() / "missing.txt").string();
    state.InputFiles = {missing, dir.Write("present.txt", "present words")};
    Run();
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{missing + ": No such file or directory"}));
    EXPECT_EQ(Words(), (WordCounts{{"kept", 1}}));
    EXPECT_TRUE(progress.fileLines.empty());
    EXPECT_EQ(progress.closeCalls, 1);
    EXPECT_EQ(refreshes, 0);
    EXPECT_FALSE(workspace.ListUnsaved);
    EXPECT_EQ(state.LastInputPath, "");
}

class RefusingMemory : public ReadBufferMemory {
  public:
    void* Obtain(std::size_t) override { return nullptr; }
    void Release(void*) override { ADD_FAILURE() << "released memory never obtained"; }
};

TEST_F(IngestTest, NoReadBufferAbandonsTheRunWithAMessage) {
    RefusingMemory refusing;
    state.InputFiles = {dir.Write("a.txt", "words")};
    IngestHooks hooks{progress, messages, [this] { OnRefresh(); }, ticks, refusing};
    IngestFiles(workspace, state, hooks);
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{kNoReadBufferText}));
    EXPECT_EQ(workspace.Store.Count(), 0);
    EXPECT_TRUE(progress.fileLines.empty());
    EXPECT_EQ(progress.closeCalls, 1);
}

// Hands out blocks that start one byte past an alignment boundary, the worst case.
class MisalignedMemory : public ReadBufferMemory {
  public:
    void* Obtain(std::size_t bytes) override {
        obtained = bytes;
        storage.resize(bytes + 2 * kReadAlignment);
        auto base = reinterpret_cast<std::uintptr_t>(storage.data());
        auto aligned = (base + kReadAlignment - 1) & ~std::uintptr_t{kReadAlignment - 1};
        block = storage.data() + (aligned - base) + 1;
        return block;
    }
    void Release(void* released) override { releasedBlock = released; }
    std::vector<unsigned char> storage;
    unsigned char* block = nullptr;
    std::size_t obtained = 0;
    void* releasedBlock = nullptr;
};

TEST(ReadBufferTest, RoundsItsStartUpAndStillHoldsAChunkAndItsNul) {
    MisalignedMemory memory;
    {
        ReadBuffer buffer(memory);
        ASSERT_TRUE(buffer.Valid());
        EXPECT_EQ(memory.obtained, 263'217u);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.Data()) % kReadAlignment, 0u);
        // Room in front for the decoder, then rounded up.
        EXPECT_GE(buffer.Data(), memory.block + ReadBuffer::kFrontRoom);
        EXPECT_LT(buffer.Data(), memory.block + ReadBuffer::kFrontRoom + kReadAlignment);
        // Even with the most padding, the NUL after a full chunk lies inside the block.
        EXPECT_LT(buffer.Data() + kChunkSize, memory.block + memory.obtained);
    }
    EXPECT_EQ(memory.releasedBlock, memory.block);
}

TEST_F(IngestTest, FileThatCannotBeOpenedIsReportedAndTheRunGoesOn) {
    std::string first = dir.Write("first.txt", "first");
    std::string vanishing = dir.Write("vanishing.txt", "vanishing");
    std::filesystem::create_directory(dir.path() / "folder");
    std::string folder = (dir.path() / "folder").string();
    std::string last = dir.Write("last.txt", "last");
    state.InputFiles = {first, folder, vanishing, last};
    // Gone between the size pass and its turn to be read.
    progress.onPoll = [&](int) {
        if (progress.fileLines.back() == vanishing)
            std::filesystem::remove(vanishing);
    };
    Run();
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{kUnableToOpenText, kUnableToOpenText,
                                                          Summary("1", "2", "2", "0") + Read(2)}));
    EXPECT_EQ(Words(), (WordCounts{{"first", 1}, {"last", 1}}));
    EXPECT_EQ(progress.fileLines, (std::vector<std::string>{last, vanishing, folder, first}));
}

// ---- cancel ----------------------------------------------------------------------

TEST_F(IngestTest, CancelBetweenFilesStopsReadingAndShowsTheSummary) {
    std::string a = dir.Write("a.txt", "never read");
    std::string b = dir.Write("b.txt", "read once");
    state.InputFiles = {a, b};
    progress.CancelOnPoll(3);  // before b, in b, before a
    Run();
    EXPECT_EQ(progress.fileLines, (std::vector<std::string>{b, a}));
    EXPECT_EQ(Words(), (WordCounts{{"once", 1}, {"read", 1}}));
    EXPECT_EQ(state.LastInputPath, b);
    EXPECT_TRUE(workspace.ListUnsaved);
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{
                  Summary("1", "2", "2", "0") + Read(1) +
                  "\r\nStopped: the list keeps the words of the 1 file read before the stop "
                  "(2 words added)"}));
}

// The run tells its caller how it ended and the figures it reported, so that no
// caller has to guess it from the messages.
TEST_F(IngestTest, ResultTellsHowTheRunEndedWithTheSummaryFigures) {
    struct Row {
        const char* why;
        bool missingFile;
        int cancelOnPoll;  // 0: never
        IngestOutcome outcome;
        IngestSummary summary;
    };
    const Row rows[] = {
        {"every file read", false, 0, IngestOutcome::Completed, {18, 4, 3, 40, 2}},
        {"Cancel before the second file", false, 3, IngestOutcome::Stopped, {4, 1, 1, 40, 1}},
        {"a file missing when the sizes are taken", true, 0, IngestOutcome::Abandoned, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        workspace.Store.Clear();
        messages.shown.clear();
        FakeProgress rowProgress;
        if (row.cancelOnPoll != 0)
            rowProgress.CancelOnPoll(row.cancelOnPoll);
        FakeTicks rowTicks;
        rowTicks.script = {1000, 1040};
        IngestState rowState;
        rowState.InputFiles = {dir.Write("a.txt", "new words here"), dir.Write("b.txt", "here")};
        if (row.missingFile)
            rowState.InputFiles.push_back((dir.path() / "missing.txt").string());
        const IngestResult result =
            IngestFiles(workspace, rowState, IngestHooks{rowProgress, messages, {}, rowTicks});
        EXPECT_EQ(result.Outcome, row.outcome);
        EXPECT_EQ(result.Summary.BytesRead, row.summary.BytesRead);
        EXPECT_EQ(result.Summary.QualifiedWords, row.summary.QualifiedWords);
        EXPECT_EQ(result.Summary.WordsAdded, row.summary.WordsAdded);
        EXPECT_EQ(result.Summary.Milliseconds, row.summary.Milliseconds);
        EXPECT_EQ(result.Summary.FilesRead, row.summary.FilesRead);
        if (row.outcome != IngestOutcome::Abandoned) {
            const std::string stopped =
                row.outcome == IngestOutcome::Stopped ? "\r\n" + FormatStoppedLine(1, 1) : "";
            EXPECT_EQ(messages.Texts(),
                      (std::vector<std::string>{DescribeIngestRun(result.Summary, {}) + stopped}));
        }
    }
}

TEST_F(IngestTest, NoReadBufferIsAnAbandonedRun) {
    RefusingMemory refusing;
    state.InputFiles = {dir.Write("a.txt", "words")};
    const IngestResult result =
        IngestFiles(workspace, state, IngestHooks{progress, messages, {}, ticks, refusing});
    EXPECT_EQ(result.Outcome, IngestOutcome::Abandoned);
    EXPECT_EQ(result.Summary.QualifiedWords, 0);
}

TEST_F(IngestTest, CancelInsideAFileAbandonsTheRunButKeepsItsWords) {
    state.InputFiles = {dir.Write("big.txt", Alphas(3 * kChunkSize))};
    progress.CancelOnPoll(3);  // before the file, before chunk 1, before chunk 2
    EXPECT_THROW(Run(), UserCancel);
    // Only the words are kept: no summary, but the person is told that much.
    EXPECT_EQ(messages.Texts(),
              std::vector<std::string>{"Stopped: the list keeps the words of the 0 files read "
                                       "before the stop (1 words added)"});
    // Chunk 1 holds 43,690 whole words; the cut "alph" was never completed.
    EXPECT_EQ(Words(), (WordCounts{{"alpha", 43'690}}));
    EXPECT_EQ(workspace.QualifiedWords, 43'690);
    EXPECT_TRUE(workspace.ListUnsaved);
    EXPECT_EQ(refreshes, 1);
    EXPECT_TRUE(closedBeforeRefresh);
    EXPECT_TRUE(state.carry.empty());
}

TEST_F(IngestTest, CancelInsideAFileWithNothingNewLeavesTheMarkAlone) {
    workspace.Store.AddWord("alpha");
    state.InputFiles = {dir.Write("big.txt", Alphas(2 * kChunkSize))};
    progress.CancelOnPoll(3);
    EXPECT_THROW(Run(), UserCancel);
    EXPECT_FALSE(workspace.ListUnsaved);
    EXPECT_EQ(refreshes, 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(IngestTest, FailureInsideAFileStillMarksTheWordsItAdded) {
    state.InputFiles = {dir.Write("big.txt", Alphas(2 * kChunkSize))};
    progress.onPoll = [](int poll) {
        if (poll == 3)
            throw std::runtime_error("failed");
    };
    EXPECT_THROW(Run(), std::runtime_error);
    EXPECT_EQ(Words(), (WordCounts{{"alpha", 43'690}}));
    EXPECT_TRUE(workspace.ListUnsaved);
    EXPECT_EQ(refreshes, 1);
    EXPECT_TRUE(messages.shown.empty());
}

// ---- a file that changes under the reader ------------------------------------------

struct ShrinkCase {
    const char* name;
    std::int64_t newSize;
};

class ShrinkingFileTest : public IngestTest, public ::testing::WithParamInterface<ShrinkCase> {};

TEST_P(ShrinkingFileTest, ReadingEndsWithWhatTheFileStillHeld) {
    const std::string text = Alphas(3 * kChunkSize);
    std::string shrinking = dir.Write("shrinking.txt", text);
    std::string next = dir.Write("next.txt", "omega");
    state.InputFiles = {next, shrinking};
    GuardAgainstEndlessLoop();
    auto guard = progress.onPoll;
    progress.onPoll = [&](int poll) {
        guard(poll);
        if (poll == 3) {
            ASSERT_EQ(::truncate(shrinking.c_str(), GetParam().newSize), 0);
        }
    };
    Run();
    // The first chunk was read before the file shrank.
    std::size_t kept = std::max<std::size_t>(kChunkSize, GetParam().newSize);
    WordCounts expected = ReferenceWords(text.substr(0, kept));
    expected["omega"] += 1;
    EXPECT_EQ(Words(), expected);
    EXPECT_EQ(workspace.BytesRead, static_cast<std::int64_t>(kept) + 5);
    EXPECT_EQ(state.LastInputPath, next);
    // The rest of it could not be read, which is said once, before the summary.
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, kUnableToReadText);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);
}

// A file that grows while it is read is read up to the size it had when it was
// opened; a word that runs on over that size is read to its own end and counted
// whole, and the person is told that the file was not read whole.
TEST_F(IngestTest, AGrowingFileIsReadUpToItsSizeAndAWordThatRunsOnWhole) {
    const std::string cut = Spaces(kChunkSize - 2) + "alp";  // the size cuts "alp" off
    const struct {
        const char* what;
        std::string text;
        std::string growth;
        WordCounts words;
        bool warned;
    } rows[] = {
        {"a word runs on", cut, "ha beta", {{"alpha", 1}}, true},
        {"over a whole chunk", cut, std::string(kChunkSize, 'h') + " beta", {}, true},
        {"a separator ends the size", cut + " ", "beta gamma", {{"alp", 1}}, false},
        {"a separator follows the size", "alpha", " beta gamma", {{"alpha", 1}}, false},
        {"nothing grows", cut, "", {{"alp", 1}}, false},
    };
    for (const std::int32_t language : {kEnglishLatin, kUnicode})
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(row.what) + ", language " + std::to_string(language));
            workspace.Add.Language = language;
            ApplyAddOptions(workspace);
            workspace.MinWordLength = 1;
            workspace.Store.Clear();
            messages.shown.clear();
            const std::string path = dir.Write("growing.txt", row.text);
            state.InputFiles = {path};
            progress.polls = 0;
            progress.onPoll = [&](int poll) {
                if (poll != 2)
                    return;
                // The file is open and measured; nothing is read yet.
                const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
                ASSERT_GE(fd, 0);
                ASSERT_EQ(::write(fd, row.growth.data(), row.growth.size()),
                          static_cast<ssize_t>(row.growth.size()));
                ::close(fd);
            };
            Run();
            EXPECT_EQ(Words(), row.words);
            ASSERT_EQ(messages.shown.size(), row.warned ? 2u : 1u);
            EXPECT_EQ(messages.shown[0].text == kUnableToReadText, row.warned);
        }
}

// Files of the kernel's own file systems say nothing true of their size: /proc's
// say 0 and sysfs's 4,096. They are read to their end, and only an empty file that is
// truly empty gives nothing.
TEST_F(IngestTest, FilesWhoseSizeSaysNothingAreReadToTheirEnd) {
    const struct {
        std::string path;
        const char* word;
    } rows[] = {
        {"/proc/cpuinfo", "processor"},
        {"/proc/self/status", "name"},
        {"/sys/kernel/mm/transparent_hugepage/enabled", "never"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        if (::access(row.path.c_str(), R_OK) != 0)
            continue;
        workspace.Store.Clear();
        messages.shown.clear();
        state.InputFiles = {row.path};
        Run();
        EXPECT_EQ(Words().count(row.word), 1u);
        EXPECT_EQ(messages.shown.size(), 1u) << "only the summary";
    }
}

INSTANTIATE_TEST_SUITE_P(Ingest, ShrinkingFileTest,
                         ::testing::Values(ShrinkCase{"ToNothing", 0},
                                           ShrinkCase{"ToItsFirstChunk", kChunkSize},
                                           ShrinkCase{"IntoItsSecondChunk", kChunkSize + 3}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tarvolen
