// The statistics report: exact texts for small stores whose figures are known.
#include "core/analysis/statistics_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/ingest/store_reports.h"
#include "core/store/word_store.h"
#include "support/fakes.h"
#include "support/store_contents.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;

class StatisticsReportTest : public ::testing::Test {
  protected:
    StatisticsReportTest()
        : store(ReportingStoreOptions(messages, testing::SmallStoreOptions(1 << 16))) {}

    void Add(const std::string& word, int times) {
        for (int i = 0; i < times; ++i)
            store.AddWord(word.c_str());
    }

    std::string Report() {
        std::optional<std::string> report = BuildStatisticsReport(store);
        EXPECT_TRUE(report.has_value());
        return report.value_or("");
    }

    // Everything after the length table's title.
    static std::string LengthLines(const std::string& report) {
        const std::string title = "\r\nWordLen: counter / percent\r\n";
        std::size_t at = report.find(title);
        EXPECT_NE(at, std::string::npos);
        return at == std::string::npos ? "" : report.substr(at + title.size());
    }

    // The report line that starts with the letter, without its line end.
    static std::string LetterLine(const std::string& report, char letter) {
        std::size_t at = report.find(std::string("\r\n") + letter + ": ");
        EXPECT_NE(at, std::string::npos) << letter;
        if (at == std::string::npos)
            return "";
        std::size_t end = report.find("\r\n", at + 2);
        return report.substr(at + 2, end - at - 2);
    }

    FakeMessages messages;
    WordStore store;
};

TEST_F(StatisticsReportTest, WorkedExampleIsExact) {
    Add("abc", 5);
    Add("ab", 2);

    std::string expected =
        "2 words, 2 min length, 3 max length, 2.50 average length\r\n"
        "\r\n"
        "Most common word: abc (5 times)\r\n"
        "\r\n"
        "First char cnt/percent - total char counter (cnt/percent)\r\n"
        "A: 2 (100.0%)\t2 (40.0%)\r\n"
        "B: 0 (0.0%)\t2 (40.0%)\r\n"
        "C: 0 (0.0%)\t1 (20.0%)\r\n";
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
        expected += std::string(1, letter) + ": 0 (0.0%)\t0 (0.0%)\r\n";
    }
    expected +=
        "\r\n"
        "WordLen: counter / percent\r\n"
        "2: 1 (50.0%)\r\n"
        "3: 1 (50.0%)\r\n";

    EXPECT_EQ(Report(), expected);
}

TEST_F(StatisticsReportTest, WordsOfOneLengthGiveOneLengthLine) {
    Add("abcd", 1);
    Add("efgh", 3);
    Add("ijkl", 1);

    const std::string report = Report();
    EXPECT_EQ(report.substr(0, report.find("\r\n")),
              "3 words, 4 min length, 4 max length, 4.00 average length");
    EXPECT_EQ(LengthLines(report), "4: 3 (100.0%)\r\n");
}

TEST_F(StatisticsReportTest, GapsInTheLengthRangeShowAsZero) {
    Add("a", 1);
    Add("abcd", 1);
    Add("abcdef", 1);

    const std::string report = Report();
    EXPECT_EQ(report.substr(0, report.find("\r\n")),
              "3 words, 1 min length, 6 max length, 3.67 average length");
    EXPECT_EQ(LengthLines(report),
              "1: 1 (33.3%)\r\n"
              "2: 0 (0.0%)\r\n"
              "3: 0 (0.0%)\r\n"
              "4: 1 (33.3%)\r\n"
              "5: 0 (0.0%)\r\n"
              "6: 1 (33.3%)\r\n");
}

TEST_F(StatisticsReportTest, LettersBeyondAsciiCountInLengthsButInNoLetterLine) {
    // "\xE9t\xE9" is a French word in Windows-1252, "\xE4\xE0" a Russian one in
    // Windows-1251: 3 + 2 + 2 = 7 letters in all, of which only t, a and b have lines.
    Add("\xE9t\xE9", 1);
    Add("\xE4\xE0", 4);
    Add("ab", 1);

    const std::string report = Report();
    EXPECT_EQ(report.substr(0, report.find("\r\n")),
              "3 words, 2 min length, 3 max length, 2.33 average length");
    EXPECT_EQ(LetterLine(report, 'A'), "A: 1 (33.3%)\t1 (14.3%)");
    EXPECT_EQ(LetterLine(report, 'B'), "B: 0 (0.0%)\t1 (14.3%)");
    EXPECT_EQ(LetterLine(report, 'E'), "E: 0 (0.0%)\t0 (0.0%)");
    EXPECT_EQ(LetterLine(report, 'T'), "T: 0 (0.0%)\t1 (14.3%)");
    EXPECT_NE(report.find("Most common word: \xE4\xE0 (4 times)\r\n"), std::string::npos);
    EXPECT_EQ(LengthLines(report), "2: 2 (66.7%)\r\n3: 1 (33.3%)\r\n");
}

// A space is a character of an entry of words in a row, but no letter: it counts in
// the lengths and the total the letter shares divide by, and has no line.
TEST_F(StatisticsReportTest, SpacesOfWordsInARowCountInLengthsButAsNoLetter) {
    Add("ab cd", 2);
    Add("a b", 1);
    const std::string report = Report();
    EXPECT_EQ(report.substr(0, report.find("\r\n")),
              "2 words, 3 min length, 5 max length, 4.00 average length");
    EXPECT_NE(report.find("Most common word: ab cd (2 times)\r\n"), std::string::npos);
    EXPECT_EQ(LetterLine(report, 'A'), "A: 2 (100.0%)\t2 (25.0%)");
    EXPECT_EQ(LetterLine(report, 'C'), "C: 0 (0.0%)\t1 (12.5%)");
    EXPECT_EQ(LengthLines(report), "3: 1 (50.0%)\r\n4: 0 (0.0%)\r\n5: 1 (50.0%)\r\n");

    // The same in a UTF-8 list, whose letter lines are the letters met.
    const std::string utf8 = BuildStatisticsReport(store, CodePage::Utf8).value_or("");
    EXPECT_EQ(utf8.substr(0, utf8.find("\r\n")),
              "2 words, 3 min length, 5 max length, 4.00 average length");
    EXPECT_NE(utf8.find("\r\nA: 2 (100.0%)\t2 (25.0%)\r\nB: 0 (0.0%)\t2 (25.0%)\r\n"
                        "C: 0 (0.0%)\t1 (12.5%)\r\nD: 0 (0.0%)\t1 (12.5%)\r\n\r\nWordLen"),
              std::string::npos)
        << utf8;
}

// Of the words tied at the top count the first in byte order is named, whatever
// order they were counted in or the store keeps them in, in a list of either kind and
// in figures added up from parts (as threads and processes add them).
TEST_F(StatisticsReportTest, FirstInByteOrderOfEquallyCommonWordsIsNamed) {
    const std::vector<std::vector<std::string>> orders = {
        {"kiwi", "lime", "pear", "date", "fig"},
        {"fig", "date", "pear", "lime", "kiwi"},
        {"pear", "kiwi", "fig", "lime", "date"},
    };
    for (const std::vector<std::string>& order : orders) {
        store.Clear();
        for (const std::string& word : order)
            Add(word, 7);
        Add("apple", 3);
        Add("zebra", 5);
        EXPECT_NE(Report().find("Most common word: date (7 times)\r\n"), std::string::npos)
            << order.front();
        EXPECT_EQ(GatherStatistics(store, CodePage::Utf8).topWord, "date") << order.front();
    }

    StatisticsFigures lime;
    lime.OfferTop(7, "lime");
    StatisticsFigures date;
    date.OfferTop(7, "date");
    StatisticsFigures sum = lime;
    AddStatistics(sum, date);
    EXPECT_EQ(sum.topWord, "date");
    sum = date;
    AddStatistics(sum, lime);
    EXPECT_EQ(sum.topWord, "date");
    AddStatistics(sum, StatisticsFigures{});
    EXPECT_EQ(sum.topWord, "date");
}

TEST_F(StatisticsReportTest, OccurrencesWeightOnlyTheMostCommonWord) {
    Add("zz", 1000);
    Add("a", 1);

    const std::string report = Report();
    EXPECT_EQ(report.substr(0, report.find("\r\n")),
              "2 words, 1 min length, 2 max length, 1.50 average length");
    EXPECT_NE(report.find("Most common word: zz (1000 times)\r\n"), std::string::npos);
    EXPECT_EQ(LetterLine(report, 'Z'), "Z: 1 (50.0%)\t2 (66.7%)");
    EXPECT_EQ(LengthLines(report), "1: 1 (50.0%)\r\n2: 1 (50.0%)\r\n");
}

TEST_F(StatisticsReportTest, EmptyStoreHasNoReport) {
    EXPECT_FALSE(BuildStatisticsReport(store).has_value());

    // Emptied again after holding words: still nothing.
    Add("word", 2);
    store.Clear();
    EXPECT_FALSE(BuildStatisticsReport(store).has_value());
}

TEST(StatisticsFormatTest, HalfwayValuesRoundAsPrintfDoes) {
    // Synthetic figures chosen for exact binary halves: 2 / 16 = 0.125, 100 / 16 = 6.25,
    // 300 / 16 = 18.75.
    StatisticsFigures figures;
    figures.wordCount = 16;
    figures.minLen = 1;
    figures.maxLen = 1;
    figures.sumLen = 2;
    figures.topWord = "q";
    figures.topCount = 1;
    figures.lengthCount[1] = 1;
    figures.firstLetter[0] = 1;
    figures.firstLetter[1] = 3;

    const std::string report = FormatStatisticsReport(figures);
    char expected[96];
    std::snprintf(expected, sizeof expected, "16 words, 1 min length, 1 max length, %.2f average",
                  2 / 16.0);
    EXPECT_EQ(report.find(expected), 0u) << report;
    std::snprintf(expected, sizeof expected, "\r\nA: 1 (%.1f%%)\t0 (0.0%%)\r\n", 100 / 16.0);
    EXPECT_NE(report.find(expected), std::string::npos) << expected;
    std::snprintf(expected, sizeof expected, "\r\nB: 3 (%.1f%%)\t0 (0.0%%)\r\n", 300 / 16.0);
    EXPECT_NE(report.find(expected), std::string::npos) << expected;
    std::snprintf(expected, sizeof expected, "\r\n1: 1 (%.1f%%)\r\n", 100 / 16.0);
    EXPECT_NE(report.find(expected), std::string::npos) << expected;
}

}  // namespace
}  // namespace tarvolen
