// Ranges: in how many documents each word was counted, against a model that scans each
// file on its own; and ranges carried through saved lists.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/ingest/ingest.h"
#include "core/listfile/list_merge.h"
#include "core/ports/ticks.h"
#include "core/words/char_map.h"
#include "core/workspace.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/temp_dir.h"
#include "support/word_model.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;
using testing::FakeProgress;
using testing::TempDir;
using testing::ZeroTicks;
// word -> {count, range}
using Figures = std::map<std::string, std::pair<std::uint32_t, std::uint32_t>>;

Figures StoreFigures(const WordStore& store) {
    Figures figures;
    store.ForEachEntry([&](const WordStore::HeldWord& held) {
        const std::string_view word = store.WordText(held.id);
        const std::uint32_t count = held.count;
        const std::uint32_t range = held.range;
        figures[std::string(word)] = {count, range};
    });
    return figures;
}

struct Session {
    FakeMessages storeMessages;
    // A small arena, so that growths move the entries in the middle of a run.
    Workspace workspace{storeMessages, testing::SmallStoreOptions(4096)};
    FakeProgress progress;
    FakeMessages messages;
    ZeroTicks ticks;

    Session() {
        BuildCharMap(kEnglishLatin, workspace.Map);
        workspace.MinWordLength = 1;
    }
    IngestHooks Hooks() { return IngestHooks{progress, messages, {}, ticks}; }
    void Ingest(std::vector<std::string> files) {
        IngestState state;
        state.InputFiles = std::move(files);
        IngestFiles(workspace, state, Hooks());
    }
};

std::string RandomText(std::mt19937& random, std::size_t words) {
    static const char* kWords[] = {"alpha", "beta",           "gamma", "delta", "Alpha",
                                   "x",     "longerwordhere", "omega", "pi"};
    std::string text;
    for (std::size_t i = 0; i < words; ++i) {
        text += kWords[random() % 9];
        text += random() % 5 == 0 ? "\n" : " ";
    }
    return text;
}

// Random runs of several files, empty ones, one-word ones and ones of several chunks:
// a word's range is the number of files whose own text holds it.
TEST(WordRange, RandomRunsMatchTheModel) {
    std::mt19937 random(26);
    for (int round = 0; round < 12; ++round) {
        TempDir dir;
        Session session;
        Figures expected;
        std::vector<std::string> files;
        const int fileCount = 1 + static_cast<int>(random() % 6);
        for (int f = 0; f < fileCount; ++f) {
            const std::size_t sizes[] = {0, 1, 7, 300, 60'000};
            const std::string text = RandomText(random, sizes[random() % 5]);
            files.push_back(dir.Write("f" + std::to_string(f) + ".txt", text));
            testing::ModelWords words;
            testing::ModelScan(text, session.workspace.Map, 1, words);
            for (const auto& [word, count] : words.words) {
                expected[word].first += count;
                expected[word].second += 1;
            }
        }
        session.Ingest(files);
        EXPECT_EQ(StoreFigures(session.workspace.Store), expected) << "round " << round;
        EXPECT_EQ(session.workspace.Store.DocumentCount(), static_cast<std::uint64_t>(fileCount));
    }
}

// A saved range list merged twice counts each record's count and range twice; a list
// with a bad range adds nothing at all.
TEST(WordRange, MergedListsAddTheirRangesAndARefusedOneNothing) {
    TempDir dir;
    Session session;
    const std::string list = dir.Write("list.txt", "the,12,3\nand,7,7\nword\nbare,4\n");
    ASSERT_TRUE(MergeLists(session.workspace, {list, list}, session.Hooks()));
    const Figures twice{{"the", {24, 6}}, {"and", {14, 14}}, {"word", {2, 2}}, {"bare", {8, 2}}};
    EXPECT_EQ(StoreFigures(session.workspace.Store), twice);

    for (const char* bad : {"new,2,1\nthe,5,6\n", "new,2,1\nthe,5,0\n", "new,2,1\nthe,5,x\n"}) {
        const std::string refused = dir.Write("bad.txt", bad);
        EXPECT_FALSE(MergeLists(session.workspace, {refused}, session.Hooks())) << bad;
        EXPECT_EQ(StoreFigures(session.workspace.Store), twice) << bad;
    }
}

}  // namespace
}  // namespace tarvolen
