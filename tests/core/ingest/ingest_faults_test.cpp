// Faults injected at every point of an ingestion run: each read, each growth of the
// arena, and files that change between the size pass and the reading pass.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/ingest/ingest.h"
#include "core/ingest/store_reports.h"
#include "core/input/input_file.h"
#include "core/words/char_map.h"
#include "core/workspace.h"
#include "support/fake_arena_memory.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/temp_dir.h"
#include "support/word_store_probe.h"

namespace tarvolen {
namespace {

using testing::FakeArenaMemory;
using testing::FakeMessages;
using testing::FakeProgress;
using testing::TempDir;
using testing::WordCounts;
using testing::ZeroTicks;

// The words in text order, as the tokenizer must find them: lower-case ASCII letters
// (the texts hold no others), lengths 1..20, the end of the text ending a word.
std::vector<std::string> WordsInOrder(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    auto finish = [&] {
        if (!word.empty() && word.size() <= 20)
            words.push_back(word);
        word.clear();
    };
    for (char c : text) {
        if (c >= 'a' && c <= 'z')
            word += c;
        else
            finish();
    }
    finish();
    return words;
}

WordCounts Counted(const std::string& text) {
    WordCounts counts;
    for (const std::string& word : WordsInOrder(text))
        ++counts[word];
    return counts;
}

void AddAll(WordCounts& into, const WordCounts& from) {
    for (const auto& [word, count] : from)
        into[word] += count;
}

// Words of 1 to 24 letters (some too long to count) between runs of separators, so
// that chunk boundaries fall inside words and between them.
std::string RandomText(std::size_t bytes, std::uint32_t seed, int vocabulary) {
    std::mt19937 random(seed);
    std::vector<std::string> words;
    std::uniform_int_distribution<int> length(1, 24), letter('a', 'z');
    for (int i = 0; i < vocabulary; ++i) {
        std::string word;
        for (int n = length(random); n > 0; --n)
            word += static_cast<char>(letter(random));
        words.push_back(word);
    }
    const std::string separators = " \n\t.,;0123456789";
    std::uniform_int_distribution<std::size_t> pickWord(0, words.size() - 1);
    std::uniform_int_distribution<std::size_t> pickSeparator(0, separators.size() - 1);
    std::string text;
    while (text.size() < bytes) {
        text += words[pickWord(random)];
        text += separators[pickSeparator(random)];
    }
    text.resize(bytes);
    return text;
}

class FaultRun {
  public:
    explicit FaultRun(const WordStore::Options& store = testing::SmallStoreOptions(1 << 22))
        : workspace(storeMessages, store) {
        BuildCharMap(kEnglishLatin, workspace.Map);
        workspace.MinWordLength = 1;
    }
    IngestResult Run(const std::vector<std::string>& paths, ReadSeam* seam = nullptr) {
        state.InputFiles = paths;
        IngestHooks hooks{progress, messages, {}, ticks};
        hooks.readSeam = seam;
        return IngestFiles(workspace, state, hooks);
    }
    WordCounts Words() const { return testing::StoreWords(workspace.Store); }

    FakeMessages storeMessages;
    Workspace workspace;
    FakeProgress progress;
    FakeMessages messages;
    ZeroTicks ticks;
    IngestState state;
};

std::string SummaryOf(std::int64_t bytes, const WordCounts& words, std::int64_t files) {
    IngestSummary summary;
    summary.BytesRead = bytes;
    summary.QualifiedWords = testing::TotalCount(words);
    summary.WordsAdded = static_cast<std::int32_t>(words.size());
    summary.FilesRead = files;
    return DescribeIngestRun(summary, {});
}

// ---- a read that fails or yields nothing, at every chunk ---------------------------

enum class ReadFault { Fails, YieldsNothing };

// Passes every read on to the system but the faulty one.
class FaultyReads : public ReadSeam {
  public:
    FaultyReads(int faultyCall, ReadFault fault) : faultyCall_(faultyCall), fault_(fault) {}
    ssize_t Read(int fd, unsigned char* into, std::size_t size) override {
        if (++calls != faultyCall_)
            return ::read(fd, into, size);
        if (fault_ == ReadFault::YieldsNothing)
            return 0;
        errno = EIO;
        return -1;
    }
    int calls = 0;

  private:
    int faultyCall_;
    ReadFault fault_;
};

TEST(IngestFaultsTest, AReadFaultAtEveryChunkOfAThreeFileRunKeepsWhatWasRead) {
    TempDir dir;
    // Read last first: the small file, then 1.2 chunks, then 2.5 chunks.
    const std::vector<std::string> texts = {RandomText(kChunkSize * 5 / 2, 1, 400),
                                            RandomText(kChunkSize * 6 / 5, 2, 300),
                                            RandomText(1'000, 3, 50)};
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < texts.size(); ++i)
        paths.push_back(dir.Write("doc" + std::to_string(i) + ".txt", texts[i]));

    // Which file and which of its chunks every read of the run takes.
    struct Read {
        std::size_t file;
        std::size_t chunk;
    };
    std::vector<Read> reads;
    for (std::size_t f = texts.size(); f-- > 0;) {
        for (std::size_t c = 0; c * kChunkSize < texts[f].size(); ++c)
            reads.push_back({f, c});
    }
    ASSERT_EQ(reads.size(), 3u + 2u + 1u);

    int injected = 0;
    for (ReadFault fault : {ReadFault::Fails, ReadFault::YieldsNothing}) {
        for (std::size_t k = 0; k < reads.size(); ++k) {
            SCOPED_TRACE((fault == ReadFault::Fails ? "failing read " : "empty read ") +
                         std::to_string(k + 1));
            ++injected;
            WordCounts expected;
            std::int64_t bytes = 0;
            for (std::size_t f = 0; f < texts.size(); ++f) {
                const std::string kept =
                    f == reads[k].file ? texts[f].substr(0, reads[k].chunk * kChunkSize) : texts[f];
                AddAll(expected, Counted(kept));
                bytes += static_cast<std::int64_t>(kept.size());
            }

            FaultRun run;
            FaultyReads seam(static_cast<int>(k + 1), fault);
            const IngestResult result = run.Run(paths, &seam);
            EXPECT_EQ(result.Outcome, IngestOutcome::Completed);
            EXPECT_EQ(run.Words(), expected);
            EXPECT_EQ(run.workspace.BytesRead, bytes);
            // The rest of the faulty file is not asked for; every other file is.
            const auto later = reads.begin() + static_cast<std::ptrdiff_t>(k) + 1;
            const auto others = std::count_if(
                later, reads.end(), [&](const Read& r) { return r.file != reads[k].file; });
            EXPECT_EQ(seam.calls, static_cast<int>(k + 1 + others));
            // A failed read and one that falls short of the file's size alike leave
            // part of the file unread, and say so once.
            const std::vector<std::string> shown = {
                kUnableToReadText,
                SummaryOf(bytes, expected, static_cast<std::int64_t>(texts.size()))};
            EXPECT_EQ(run.messages.Texts(), shown);
            EXPECT_TRUE(run.workspace.ListUnsaved);
            EXPECT_TRUE(run.state.carry.empty());
        }
    }
    std::printf("[ points   ] %d injected read faults\n", injected);
}

// ---- the store's growth refused at every growth ------------------------------------

// The store's rule for a run of AddWord without removals, as plainly as it can be
// said: once the memory has refused a growth, only the words held by then are
// counted. So the store holds the first `held` distinct words in the order they came,
// each with every occurrence.
WordCounts FirstWords(const std::vector<std::string>& inOrder, std::size_t held) {
    WordCounts words;
    for (const std::string& word : inOrder) {
        auto known = words.find(word);
        if (known != words.end())
            ++known->second;
        else if (words.size() < held)
            words.emplace(word, 1);
    }
    return words;
}

TEST(IngestFaultsTest, GrowthRefusedAtEveryGrowthKeepsTheStoreWhole) {
    TempDir dir;
    constexpr std::uint32_t kArena = 5120;
    const std::vector<std::string> paths = {dir.Write("a.txt", RandomText(300'000, 7, 3000)),
                                            dir.Write("b.txt", RandomText(60'000, 8, 3000))};
    std::vector<std::string> inOrder;
    for (auto path = paths.rbegin(); path != paths.rend(); ++path) {
        for (std::string& word : WordsInOrder(TempDir::Read(*path)))
            inOrder.push_back(std::move(word));
    }

    auto optionsWith = [&](FakeArenaMemory& memory) {
        WordStore::Options options = testing::SmallStoreOptions(kArena);
        options.initialBuckets = 64;
        options.memory = &memory;
        return options;
    };
    int growths = 0;
    std::size_t distinct = 0;
    {
        FakeArenaMemory memory;
        FaultRun run(optionsWith(memory));
        run.Run(paths);
        growths = static_cast<int>(memory.requests.size()) - 1;
        distinct = run.Words().size();
        EXPECT_EQ(run.Words(), FirstWords(inOrder, distinct))
            << "the model must agree with a run that never fails";
        EXPECT_GE(memory.textRequests.size(), 5u);
    }
    ASSERT_GE(growths, 10) << "the run must grow its text and its heads several times";

    for (int refused = 1; refused <= growths; ++refused) {
        SCOPED_TRACE("growth " + std::to_string(refused) + " refused");
        FakeArenaMemory memory;
        memory.refuseFrom = refused;  // the first text block and refused - 1 growths
        {
            FaultRun run(optionsWith(memory));
            run.Run(paths);
            WordStore& store = run.workspace.Store;
            WordCounts model = FirstWords(inOrder, static_cast<std::size_t>(store.Count()));
            EXPECT_LT(model.size(), distinct) << "the refusal must cost words";
            EXPECT_EQ(run.Words(), model);
            EXPECT_EQ(run.workspace.QualifiedWords, static_cast<std::int64_t>(inOrder.size()));
            EXPECT_LT(WordStoreProbe::BytesUsed(store), WordStoreProbe::Capacity(store));
            EXPECT_EQ(run.storeMessages.Texts(), std::vector<std::string>(1, kGrowthFailedText));
            ASSERT_EQ(memory.requests.size(), static_cast<std::size_t>(refused) + 1);

            // Still usable: a removal works, and Clear asks for memory again.
            if (!model.empty()) {
                const std::string some = model.begin()->first;
                store.RemoveWord(some.c_str());
                model.erase(some);
                EXPECT_EQ(run.Words(), model);
            }
            memory.refuseFrom = -1;
            store.Clear();
            EXPECT_EQ(store.Count(), 0);
            store.AddWord("again");
            store.AddWord("again");
            EXPECT_EQ(run.Words(), (WordCounts{{"again", 2}}));
        }
        EXPECT_TRUE(memory.live.empty()) << "every arena released, guard bytes checked";
    }
    std::printf("[ points   ] %d refused growths\n", growths);
}

// ---- files that change between the size pass and the reading pass -----------------

TEST(IngestFaultsTest, FilesChangedAfterTheSizePassAreReadAsTheyAreThen) {
    TempDir dir;
    const std::string shrinking = RandomText(kChunkSize * 2, 11, 200);
    const std::string growing = RandomText(kChunkSize / 2, 12, 200);
    const std::string grown = growing + " " + RandomText(kChunkSize * 2, 13, 200);
    const std::string replacement = RandomText(5'000, 14, 100);
    const std::vector<std::string> paths = {
        dir.Write("shrinks.txt", shrinking), dir.Write("grows.txt", growing),
        dir.Write("replaced.txt", RandomText(kChunkSize, 15, 100)),
        dir.Write("removed.txt", "lost words"), dir.Write("becomes_folder.txt", "lost too")};
    const std::string fresh = dir.Write("fresh.txt", replacement);

    FaultRun run;
    run.progress.onPoll = [&](int poll) {
        // Before the first file is opened: every size has been taken.
        if (poll != 1)
            return;
        ASSERT_EQ(::truncate(paths[0].c_str(), kChunkSize / 3), 0);
        dir.Write("grows.txt", grown);
        std::filesystem::rename(fresh, paths[2]);
        std::filesystem::remove(paths[3]);
        std::filesystem::remove(paths[4]);
        std::filesystem::create_directory(paths[4]);
    };
    run.Run(paths);

    WordCounts expected = Counted(shrinking.substr(0, kChunkSize / 3));
    AddAll(expected, Counted(grown));
    AddAll(expected, Counted(replacement));
    const std::int64_t bytes =
        static_cast<std::int64_t>(kChunkSize / 3 + grown.size() + replacement.size());
    EXPECT_EQ(run.Words(), expected);
    EXPECT_EQ(run.workspace.BytesRead, bytes);
    EXPECT_EQ(run.messages.Texts(), (std::vector<std::string>{kUnableToOpenText, kUnableToOpenText,
                                                              SummaryOf(bytes, expected, 3)}));
    ASSERT_FALSE(run.progress.positions.empty());
    EXPECT_LE(*std::max_element(run.progress.positions.begin(), run.progress.positions.end()), 1000)
        << "a grown file must not carry the bar past its end";
}

TEST(IngestFaultsTest, AFileThatGrowsWhileItIsReadGivesWhatItHeldWhenOpened) {
    TempDir dir;
    const std::string text = RandomText(kChunkSize * 2 - 1, 21, 200) + " ";
    const std::string path = dir.Write("grows.txt", text);
    FaultRun run;
    run.progress.onPoll = [&](int poll) {
        // The second poll comes before the file's second read.
        if (poll == 3) {
            std::FILE* file = std::fopen(path.c_str(), "ab");
            ASSERT_NE(file, nullptr);
            std::fputs(" appended words", file);
            std::fclose(file);
        }
    };
    run.Run({path});
    EXPECT_EQ(run.Words(), Counted(text));
    for (int position : run.progress.positions)
        EXPECT_LE(position, 1000);
}

}  // namespace
}  // namespace tarvolen
