#include "run/thread_count.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/ingest/file_parts.h"
#include "core/ingest/run_state.h"
#include "core/input/input_file.h"
#include "core/ports/user_cancel.h"
#include "core/workspace.h"
#include "run/work_plan.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using CountedEntries =
    std::map<std::string, std::pair<std::uint32_t, std::uint32_t>>;  // count, range

CountedEntries ThreadRunEntries(const WordStore& store) {
    CountedEntries entries;
    store.ForEachEntry([&](const WordStore::HeldWord& held) {
        entries[std::string(store.WordText(held.id))] = {held.count, held.range};
    });
    return entries;
}

// Text of many kinds of word and separator: ASCII, UTF-8, Windows-1252 bytes, the word
// rules' connectors, long words, and the separators a file is cut at among others.
std::string MixedText(std::mt19937& random, std::size_t size) {
    static const char* const kPieces[] = {
        "river",
        "don't",
        "hyphen-ated",
        "caf\xC3\xA9",
        "\xD0\xBC\xD0\xB8\xD1\x80",
        "x",
        "42nd",
        "\xE6\x97\xA5\xE6\x9C\xAC",
        "extraordinarily",
        "internationalisation",
        "the",
        "a",
        "lorem",
        "ipsum",
    };
    static const char* const kSeparators[] = {" ", "\n", "\t", "\r\n", ", ", ". ", "  ", "-"};
    std::string text;
    while (text.size() < size) {
        text += kPieces[random() % std::size(kPieces)];
        if (random() % 50 == 0)
            text += std::to_string(random() % 1000);  // a word of its own that few share
        text += kSeparators[random() % std::size(kSeparators)];
    }
    return text;
}

// A tree of files as a run meets them: empty, small, middling and large ones to be cut
// into parts, a web page, ones that are no text, one in Windows-1252, one in UTF-16, one
// named twice.
std::vector<std::string> FileTree(std::mt19937& random, const testing::TempDir& dir) {
    std::vector<std::string> files;
    const int count = 2 + static_cast<int>(random() % 10);
    for (int i = 0; i < count; ++i) {
        const std::string name = "f" + std::to_string(i);
        switch (random() % 9) {
            case 0:
                files.push_back(dir.Write(name + ".txt", ""));
                break;
            case 1:
                files.push_back(dir.Write(name + ".html", "<p>caf&eacute; <b>bold</b>er " +
                                                              MixedText(random, 3000) + "</p>"));
                break;
            case 2:
                if (random() % 2 == 0) {
                    files.push_back(dir.Write(name + ".bin", std::string("\x7F"
                                                                         "ELF\0\0\0",
                                                                         7) +
                                                                 MixedText(random, 2000)));
                } else {
                    // A NUL deep in the first chunk: no text, though large enough to be
                    // cut into parts.
                    std::string text = MixedText(random, 300000);
                    text[70000 + random() % 180000] = '\0';
                    files.push_back(dir.Write(name + ".txt", text));
                }
                break;
            case 3:
                files.push_back(
                    dir.Write(name + ".txt", "caf\xE9 na\xEFve " + MixedText(random, 5000)));
                break;
            case 4:
                files.push_back(
                    dir.Write(name + ".txt", MixedText(random, 200000 + random() % 300000)));
                break;
            case 6: {
                // UTF-16 with its byte order mark: read whole, as its parts could not be.
                std::string utf16 = "\xFF\xFE";
                for (char byte : MixedText(random, 100000))
                    if (static_cast<unsigned char>(byte) < 0x80)
                        utf16 += {byte, '\0'};
                files.push_back(dir.Write(name + ".txt", utf16));
                break;
            }
            case 5:
                if (!files.empty()) {
                    files.push_back(files[random() % files.size()]);
                    break;
                }
                [[fallthrough]];
            default:
                files.push_back(dir.Write(name + ".txt", MixedText(random, random() % 40000)));
        }
    }
    return files;
}

struct Counted {
    CountedEntries entries;
    std::uint64_t documents = 0;
    IngestResult result;
    std::vector<std::string> messages;
    SkippedFiles skipped;
    SegmentFigures segments;
};

// A run over files as the window and tarvolen-cli -j 1 read them (threads == 0), or on
// threads.
Counted CountOn(const std::vector<std::string>& files, std::int32_t language, bool rules, bool held,
                int threads, std::int64_t leastPart, const WordsInARow& inARow = {},
                bool measures = false) {
    testing::FakeMessages messages;
    testing::FakeProgress progress;
    testing::ZeroTicks ticks;
    Workspace workspace(messages, testing::SmallStoreOptions());
    workspace.Add.Language = language;
    workspace.Add.Rules = {rules, rules, rules};
    workspace.Add.InARow = inARow;
    ApplyAddOptions(workspace);
    workspace.MinWordLength = 1;
    workspace.MeasureSegments = measures;
    if (held)
        workspace.Store.AddWord("river");
    IngestState state;
    state.InputFiles.assign(files.rbegin(), files.rend());
    IngestHooks hooks{progress, messages, {}, ticks};
    Counted counted;
    counted.result = threads == 0 ? IngestFiles(workspace, state, hooks)
                                  : IngestOverThreads(workspace, state, hooks, threads, leastPart);
    counted.entries = ThreadRunEntries(workspace.Store);
    counted.documents = workspace.Store.DocumentCount();
    counted.messages = messages.Texts();
    counted.skipped = state.skipped;
    counted.segments = workspace.Segments;
    return counted;
}

// Whatever the files and however many threads read them, in whatever parts: the words,
// counts, ranges, documents, messages and summary of one thread's run, and under the
// measures its segments, which run across the parts' cuts.
TEST(ThreadCount, AnyNumberOfThreadsCountsWhatOneThreadCounts) {
    std::mt19937 random(37);
    std::uint64_t measured = 0;  // the segments of the rounds that measure them
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        testing::TempDir dir;
        const std::vector<std::string> files = FileTree(random, dir);
        const std::int32_t language = round % 3 == 0 ? kUnicode : kEnglishLatin;
        const bool rules = round % 2 == 0;
        const bool held = round % 4 == 1;
        const bool measures = round % 4 >= 2;
        const Counted model = CountOn(files, language, rules, held, 0, 0, {}, measures);
        ASSERT_EQ(model.result.Outcome, IngestOutcome::Completed);
        for (const int threads : {1, 2, 3, 7}) {
            SCOPED_TRACE(std::to_string(threads) + " threads");
            const Counted counted =
                CountOn(files, language, rules, held, threads,
                        1024 + static_cast<std::int64_t>(random() % 60000), {}, measures);
            EXPECT_EQ(counted.result.Outcome, IngestOutcome::Completed);
            EXPECT_EQ(counted.entries, model.entries);
            EXPECT_EQ(counted.documents, model.documents);
            EXPECT_EQ(counted.messages, model.messages);
            EXPECT_EQ(counted.skipped.notText, model.skipped.notText);
            EXPECT_EQ(counted.result.Summary.FilesRead, model.result.Summary.FilesRead);
            EXPECT_EQ(counted.segments, model.segments);
        }
        measured += model.segments.segments;
    }
    EXPECT_GT(measured, 100u);
}

// Words in a row are cut from a file's parts as from the whole file: a part's reader
// carries the rows its end cuts on into the next part, so a file is cut wherever a
// word ends; under the measures, which go by the order of the entries, only at blank
// lines, and a file without one near a cut is not cut there.
TEST(ThreadCount, WordsInARowOnThreadsAreThoseOfOneThread) {
    std::mt19937 random(38);
    testing::TempDir dir;
    std::vector<std::string> files;
    for (int i = 0; i < 4; ++i) {
        std::string text;
        while (text.size() < 150000)
            text += MixedText(random, 2000) + (i == 3 ? " " : random() % 2 ? "\n\n" : "\r\n \r\n");
        files.push_back(dir.Write("f" + std::to_string(i) + ".txt", text));
    }
    struct Case {
        WordsInARow inARow;
        bool measures;
    };
    for (const Case c : {Case{{2, 2, false}, false}, Case{{1, 4, true}, false},
                         Case{{3, 8, false}, false}, Case{{2, 3, false}, true}}) {
        testing::FakeMessages messages;
        Workspace workspace(messages, testing::SmallStoreOptions());
        workspace.Add.InARow = c.inARow;
        workspace.MeasureSegments = c.measures;
        const WorkPlan plan = PlanWork(workspace, files, 3, 1024, CountCutsAtBlankLines(workspace));
        EXPECT_EQ(plan.divided[3], !c.measures);  // the file without a blank line
        EXPECT_TRUE(plan.divided[0]);
        const Counted model =
            CountOn(files, kEnglishLatin, false, false, 0, 0, c.inARow, c.measures);
        ASSERT_EQ(model.result.Outcome, IngestOutcome::Completed);
        EXPECT_GT(model.entries.size(), 100u);
        for (const int threads : {2, 3}) {
            SCOPED_TRACE(std::to_string(threads) + " threads, to " + std::to_string(c.inARow.To) +
                         (c.measures ? ", measures" : ""));
            const Counted counted =
                CountOn(files, kEnglishLatin, false, false, threads, 1024, c.inARow, c.measures);
            EXPECT_EQ(counted.entries, model.entries);
            EXPECT_EQ(counted.result.Summary.QualifiedWords, model.result.Summary.QualifiedWords);
            EXPECT_EQ(counted.segments, model.segments);
        }
    }
}

// What stops a run before anything is read stops it on threads too, with the same
// words: a file that cannot be opened, an encoding that is not known.
TEST(ThreadCount, WhatStopsARunBeforeReadingStopsItOnThreads) {
    testing::TempDir dir;
    const std::string present = dir.Write("present.txt", "words here");
    const std::vector<std::string> files = {present, (dir.path() / "absent.txt").string()};
    const Counted model = CountOn(files, kEnglishLatin, false, false, 0, 0);
    const Counted counted = CountOn(files, kEnglishLatin, false, false, 3, 1024);
    EXPECT_EQ(model.result.Outcome, IngestOutcome::Abandoned);
    EXPECT_EQ(counted.result.Outcome, IngestOutcome::Abandoned);
    EXPECT_EQ(counted.messages, model.messages);
    EXPECT_TRUE(counted.entries.empty());
}

// Reads that wait until they are let go: the readers cannot finish their files before
// the calling thread has seen a Cancel, however the threads are scheduled.
class HeldReads : public ReadSeam {
  public:
    ssize_t Read(int fd, unsigned char* into, std::size_t size) override {
        std::unique_lock lock(mutex_);
        let_.wait(lock, [this] { return go_; });
        lock.unlock();
        return ::read(fd, into, size);
    }
    void LetGo() {
        {
            const std::lock_guard lock(mutex_);
            go_ = true;
        }
        let_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable let_;
    bool go_ = false;
};

// A Cancel seen by the calling thread stops every reader, and the run throws as one
// thread's run does.
TEST(ThreadCount, ACancelStopsEveryThread) {
    testing::TempDir dir;
    std::mt19937 random(3);
    std::vector<std::string> files;
    for (int i = 0; i < 6; ++i)
        files.push_back(dir.Write("f" + std::to_string(i) + ".txt", MixedText(random, 400000)));
    testing::FakeMessages messages;
    testing::FakeProgress progress;
    progress.CancelOnPoll(1);
    // The reads go on once the Cancel of the first poll has been handed to the readers.
    HeldReads reads;
    progress.onPoll = [&reads](int poll) {
        if (poll == 2)
            reads.LetGo();
    };
    Workspace workspace(messages, testing::SmallStoreOptions());
    ApplyAddOptions(workspace);
    IngestState state;
    state.InputFiles = files;
    IngestHooks hooks{progress, messages, {}};
    hooks.readSeam = &reads;
    EXPECT_THROW(IngestOverThreads(workspace, state, hooks, 3, 1024), UserCancel);
    EXPECT_EQ(workspace.Store.Count(), 0);
    EXPECT_GT(progress.closeCalls, 0);
}

}  // namespace
}  // namespace tarvolen
