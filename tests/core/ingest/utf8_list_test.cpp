// A list of "Any language (Unicode)" through the commands that use a list: runs that
// add to it, merging it back, the Filter and the statistics.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/analysis/statistics_report.h"
#include "core/analysis/word_filter.h"
#include "core/ingest/ingest.h"
#include "core/listfile/list_merge.h"
#include "core/output/word_list_writer.h"
#include "core/text/code_page.h"
#include "core/workspace.h"
#include "support/fakes.h"
#include "support/shared_capitals.h"
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

class Utf8ListTest : public ::testing::Test {
  protected:
    FakeMessages storeMessages;
    Workspace ws{storeMessages, testing::SmallStoreOptions()};
    FakeProgress progress;
    FakeMessages messages;
    ZeroTicks ticks;
    TempDir dir;

    void SetRun(std::int32_t language, WordRules rules = {}) {
        ws.Add.Language = language;
        ws.Add.Rules = rules;
        ApplyAddOptions(ws);
        ws.MinWordLength = 1;
    }
    void Add(std::int32_t language, const std::string& bytes, WordRules rules = {}) {
        SetRun(language, rules);
        IngestState state;
        state.InputFiles = {dir.Write("doc" + std::to_string(++files_) + ".txt", bytes)};
        IngestFiles(ws, state, IngestHooks{progress, messages, {}, ticks});
    }
    std::string Save(WriterOptions options, bool frequency) {
        options.ListCodePage = ws.ListCodePage;
        const std::string path = (dir.path() / ("list" + std::to_string(++files_))).string();
        FakeMessages quiet;
        WriterHooks hooks{quiet, ticks, nullptr, {}};
        if (frequency)
            WriteFrequencyList(ws.Store, options, path, hooks);
        else
            WriteWordList(ws.Store, options, path, hooks);
        return path;
    }

  private:
    int files_ = 0;
};

TEST_F(Utf8ListTest, ACodePageListBecomesUtf8WhenAUnicodeRunAddsToIt) {
    Add(kRussian, "\xCA\xE8\xE5\xE2 \xEA\xE8\xE5\xE2 word");  // Windows-1251
    ASSERT_EQ(ws.ListCodePage, CodePage::Windows1251);
    EXPECT_FALSE(WouldMixCodePages(ws, kUnicode));
    Add(kUnicode, "\xD0\x9A\xD0\xB8\xD1\x97\xD0\xB2 caf\xC3\xA9 word");
    EXPECT_EQ(ws.ListCodePage, CodePage::Utf8);
    // "word" has no letter of the Russian alphabet.
    EXPECT_EQ(StoreWords(ws.Store), (WordCounts{{"caf\xC3\xA9", 1},
                                                {"word", 1},
                                                {"\xD0\xBA\xD0\xB8\xD0\xB5\xD0\xB2", 2},
                                                {"\xD0\xBA\xD0\xB8\xD1\x97\xD0\xB2", 1}}));
    EXPECT_TRUE(messages.asked.empty());
}

// The list's ranges and its documents survive its change to UTF-8.
TEST_F(Utf8ListTest, ACodePageListKeepsItsRangesAndDocumentsAsItBecomesUtf8) {
    Add(kRussian, "\xCA\xE8\xE5\xE2");  // Windows-1251
    Add(kRussian, "\xCA\xE8\xE5\xE2 \xCA\xE8\xE5\xE2");
    const std::string kiev = "\xD0\xBA\xD0\xB8\xD0\xB5\xD0\xB2";
    Add(kUnicode, kiev + " word");
    ASSERT_EQ(ws.ListCodePage, CodePage::Utf8);
    EXPECT_EQ(ws.Store.Occurrences(kiev.c_str(), kiev.size()), 4u);
    EXPECT_EQ(ws.Store.RangeOf(kiev.c_str(), kiev.size()), 3u);
    EXPECT_EQ(ws.Store.RangeOf("word", 4), 1u);
    EXPECT_EQ(ws.Store.DocumentCount(), 3u);
}

TEST_F(Utf8ListTest, AUtf8ListStaysUtf8WhenACodePageRunAddsToIt) {
    Add(kUnicode, "\xD0\x9A\xD0\xB8\xD0\xB5\xD0\xB2 \xC3\xA9t\xC3\xA9");
    EXPECT_FALSE(WouldMixCodePages(ws, kRussian));
    EXPECT_FALSE(WouldMixCodePages(ws, kGerman));
    Add(kRussian, "\xCA\xE8\xE5\xE2");
    Add(kGerman,
        "Stra\xDF"
        "e");
    EXPECT_EQ(ws.ListCodePage, CodePage::Utf8);
    EXPECT_EQ(StoreWords(ws.Store), (WordCounts{{"stra\xC3\x9F"
                                                 "e",
                                                 1},
                                                {"\xC3\xA9t\xC3\xA9", 1},
                                                {"\xD0\xBA\xD0\xB8\xD0\xB5\xD0\xB2", 2}}));
    // The question between the two code pages stays.
    ws.Store.Clear();
    Add(kRussian, "\xEA\xE8\xE5\xE2");
    EXPECT_TRUE(WouldMixCodePages(ws, kGerman));
}

TEST_F(Utf8ListTest, ASavedUtf8ListMergesBackWithItsCounts) {
    Add(kUnicode,
        "\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x8A\xCE\x91 \xE6\x88\x91\xE4\xBB\xAC\xE6\x98\xAF "
        "\xE6\x88\x91\xE4\xBB\xAC \xF0\x9D\x90\x80x l\xE2\x80\x99homme");
    const WordCounts saved = StoreWords(ws.Store);
    WriterOptions utf16;
    utf16.UnicodeOutput = 1;
    WriterOptions crlf;
    crlf.Delimiter = Delimiter::CRLF;
    for (const auto& [options, frequency] :
         {std::pair{WriterOptions{}, true}, std::pair{utf16, true}, std::pair{crlf, false}}) {
        const std::string path = Save(options, frequency);
        FakeMessages again;
        Workspace fresh{again, testing::SmallStoreOptions()};
        fresh.Add.Language = kUnicode;
        ApplyAddOptions(fresh);
        fresh.MinWordLength = 1;
        EXPECT_TRUE(MergeLists(fresh, {path}, IngestHooks{progress, messages, {}, ticks}));
        EXPECT_EQ(fresh.ListCodePage, CodePage::Utf8);
        if (frequency) {
            EXPECT_EQ(StoreWords(fresh.Store), saved);
        } else {
            WordCounts once = saved;
            for (auto& [word, count] : once)
                count = 1;
            EXPECT_EQ(StoreWords(fresh.Store), once);
        }
    }
    // Under the apostrophe rule the word keeps its apostrophe on the way back.
    ws.Store.Clear();
    Add(kUnicode, "l\xE2\x80\x99homme l'homme", {true, false, false});
    const std::string path = Save({}, true);
    ws.Store.Clear();
    EXPECT_TRUE(MergeLists(ws, {path}, IngestHooks{progress, messages, {}, ticks}));
    EXPECT_EQ(StoreWords(ws.Store), (WordCounts{{"l'homme", 2}}));
}

TEST_F(Utf8ListTest, TheFilterCountsCharacters) {
    Add(kUnicode, "\xD0\xB4\xD0\xB0 \xD0\xB4\xD0\xB0\xD0\xB0 abc ab");
    EXPECT_EQ(FilterWords(ws.Store, FilterMode::Short, 3, ws.ListCodePage), 2);
    EXPECT_EQ(StoreWords(ws.Store), (WordCounts{{"abc", 1}, {"\xD0\xB4\xD0\xB0\xD0\xB0", 1}}));
    EXPECT_EQ(FilterWords(ws.Store, FilterMode::Long, 2, ws.ListCodePage), 2);
}

TEST_F(Utf8ListTest, TheReportHasALineForEachLetterThatOccurs) {
    Add(kUnicode, "\xCF\x83\xCE\xB1 \xCE\xB1 \xCE\xB1 b2\xC3\xA9 \xE5\xAD\xA6");  // σα α α b2é 学
    Add(kUnicode, "b2\xC3\xA9", {false, false, true});
    const std::optional<std::string> report = BuildStatisticsReport(ws.Store, ws.ListCodePage);
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(*report,
              "6 words, 1 min length, 3 max length, 1.50 average length\r\n\r\n"
              "Most common word: \xCE\xB1 (2 times)\r\n\r\n"
              "First char cnt/percent - total char counter (cnt/percent)\r\n"
              "B: 2 (33.3%)\t2 (22.2%)\r\n"
              "\xC3\x89: 1 (16.7%)\t2 (22.2%)\r\n"
              "\xCE\x91: 1 (16.7%)\t2 (22.2%)\r\n"
              "\xCE\xA3: 1 (16.7%)\t1 (11.1%)\r\n"
              "\xE5\xAD\xA6: 1 (16.7%)\t1 (11.1%)\r\n"
              "\r\nWordLen: counter / percent\r\n"
              "1: 4 (66.7%)\r\n"
              "2: 1 (16.7%)\r\n"
              "3: 1 (16.7%)\r\n");
}

// σ and ς share Σ, Turkish ı and i share I: each of their lines names its letter too.
TEST_F(Utf8ListTest, LettersThatShareTheirCapitalAreToldApart) {
    Add(kUnicode, testing::kSharedCapitalsText);
    const std::optional<std::string> report = BuildStatisticsReport(ws.Store, ws.ListCodePage);
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(*report, testing::kSharedCapitalsReport);
}

// Hundreds of letters make no chart: the most frequent are bars, the rest summed.
TEST_F(Utf8ListTest, TheChartShowsTheMostFrequentLettersAndTheRestSummed) {
    // Cyrillic а..я (32 letters): а and б in one word each, the others twice in one.
    std::string text;
    for (char32_t letter = 0x430; letter < 0x450; ++letter) {
        AppendUtf8(text, letter);
        if (letter > 0x431)
            AppendUtf8(text, letter);
        text += ' ';
    }
    Add(kUnicode, text);
    const StatisticsFigures figures = GatherStatistics(ws.Store, ws.ListCodePage);
    ASSERT_EQ(figures.letters.size(), 32u);
    const LetterChart chart = ChartLetters(figures, 30);
    ASSERT_EQ(chart.bars.size(), 30u);
    // The most frequent first, ties in the letters' order.
    EXPECT_EQ(chart.bars[0].label, "\xD0\x92");   // В
    EXPECT_EQ(chart.bars[29].label, "\xD0\xAF");  // Я
    // А and Б, summed.
    EXPECT_EQ(chart.others, 2u);
    EXPECT_DOUBLE_EQ(chart.othersAllPercent,
                     AllLettersPercent(figures, 0) + AllLettersPercent(figures, 1));
    EXPECT_DOUBLE_EQ(chart.othersFirstPercent,
                     FirstLetterPercent(figures, 0) + FirstLetterPercent(figures, 1));
    // As many letters as bars: each is shown, in the letters' order.
    const LetterChart all = ChartLetters(figures, 32);
    EXPECT_EQ(all.bars.size(), 32u);
    EXPECT_EQ(all.others, 0u);
    EXPECT_EQ(all.bars[0].label, "\xD0\x90");  // А
}

}  // namespace
}  // namespace tarvolen
