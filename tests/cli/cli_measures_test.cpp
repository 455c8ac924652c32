// --measures as a user runs it: after the statistics, its segments those of a model of
// the documents, the same from any number of threads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "cli/cli_child.h"
#include "core/analysis/vocabulary_measures.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using ::testing::HasSubstr;
using testing::TempDir;

// Words of one space-separated document, as the model counts them.
struct ModelDocuments {
    std::map<std::string, std::uint64_t> counts;
    SegmentFigures segments;

    void Add(const std::vector<std::string>& words) {
        std::set<std::string> segment;
        for (std::size_t i = 0; i < words.size(); ++i) {
            ++counts[words[i]];
            segment.insert(words[i]);
            if ((i + 1) % kSegmentLength == 0) {
                ++segments.segments;
                segments.distinct += segment.size();
                segment.clear();
            }
        }
    }
    VocabularyMeasures Measures() const {
        VocabularyMeasures m;
        for (const auto& [word, count] : counts) {
            m.tokens += count;
            ++m.types;
            m.hapax += count == 1;
            m.dis += count == 2;
        }
        m.segments = segments;
        return m;
    }
};

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i)
        text += words[i] + (i % 11 == 10 ? "\n" : " ");
    return text;
}

// Under the Unicode rule long stretches of ASCII and of Cyrillic take faster ways to the
// store than the other words: the segments still go by the order of the text.
TEST(CliMeasuresTest, FollowTheStatisticsWithTheFiguresOfAModel) {
    TempDir dir;
    std::mt19937 random(7);
    const std::vector<std::string> accented = {"\xC3\xA9t\xC3\xA9", "caf\xC3\xA9", "na\xC3\xAFve"};
    const std::vector<std::string> cyrillic = {
        "\xD0\xBC\xD0\xB8\xD1\x80", "\xD0\xB4\xD0\xBE\xD0\xBC", "\xD0\xBA\xD1\x82\xD0\xBE"};
    ModelDocuments model;
    std::vector<std::string> args = {"-q", "-l", "unicode", "--statistics", "-o", "-"};
    for (int length : {3500, 999, 2001}) {
        std::vector<std::string> words;
        for (int i = 0; i < length; ++i) {
            // Runs of words long enough for the fast ways: ASCII, accented, Cyrillic.
            const int kind = (i / 150) % 3;
            const int pick = std::uniform_int_distribution<int>(0, 300)(random);
            words.push_back(kind == 1   ? accented[static_cast<std::size_t>(pick % 3)]
                            : kind == 2 ? cyrillic[static_cast<std::size_t>(pick % 3)]
                                        : "w" + std::string(1, char('a' + pick % 26)) +
                                              std::string(1, char('a' + pick / 26)));
        }
        model.Add(words);
        args.push_back(dir.Write("d" + std::to_string(length) + ".txt", Joined(words)));
    }
    const Outcome statistics = RunCli(dir, args);
    ASSERT_EQ(statistics.status, 0) << statistics.err;
    ASSERT_THAT(statistics.out, HasSubstr("Most common word"));

    args.push_back("--measures");
    const Outcome one = RunCli(dir, args);
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, statistics.out + FormatMeasures(model.Measures()));
    ASSERT_EQ(model.segments.segments, 5u);

    args.insert(args.end(), {"-j", "3"});
    const Outcome three = RunCli(dir, args);
    EXPECT_EQ(three.out, one.out);
}

TEST(CliMeasuresTest, AListMergedAloneHasNoSegments) {
    TempDir dir;
    const std::string list = dir.Write("list.txt", "alpha,3\nbeta,2\ngamma,1\n");
    const Outcome run = RunCli(dir, {"-q", "--measures", "-m", list});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Tokens: 6\n"
              "Types: 3\n"
              "Type/token ratio: 50.00%\n"
              "Standardised type/token ratio: n/a\n"
              "Hapax legomena: 1 (33.33% of types)\n"
              "Dis legomena: 1 (33.33% of types)\n");
}

}  // namespace
}  // namespace tarvolen
