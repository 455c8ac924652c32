// The Statistics and Filter buttons of the main window, answered by scripted dialogs.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <memory>
#include <string>

#include "core/analysis/statistics_report.h"
#include "core/analysis/vocabulary_measures.h"
#include "core/analysis/word_filter.h"
#include "core/ingest/ingest.h"
#include "core/workspace.h"
#include "gui/analysis/info_dialog.h"
#include "gui/app/main_dialog.h"
#include "support/fakes.h"
#include "support/main_window_fixture.h"
#include "support/qt_widget_test.h"
#include "support/store_contents.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

class AnalysisCommandsTest : public testing::MainWindowTest {
  protected:
    // n distinct words "w0", "w1", ...; the even ones seen twice.
    void AddWords(int n, bool unsaved) {
        for (int i = 0; i < n; ++i) {
            std::string word = "w";
            word += std::to_string(i);
            workspace.Store.AddWord(word.c_str());
            if (i % 2 == 0)
                workspace.Store.AddWord(word.c_str());
        }
        workspace.ListUnsaved = unsaved;
        window->RefreshStatusLine();
    }

    void ScriptFilter(FilterMode mode, std::int32_t value) {
        dialogs.filter.push_back([=](std::int32_t& v, FilterMode& m) {
            v = value;
            m = mode;
            return true;
        });
    }
};

TEST_F(AnalysisCommandsTest, StatisticsShowsTheReportAndChangesNothing) {
    workspace.Store.AddWord("abc");
    workspace.Store.AddWord("ab");
    workspace.ListUnsaved = true;

    Click(CMainDialog::Button::Statistics);

    ASSERT_EQ(dialogs.infoTexts.size(), 1u);
    EXPECT_EQ(dialogs.infoTexts.front(), *BuildStatisticsReport(workspace.Store));
    ASSERT_EQ(dialogs.infoFigures.size(), 1u);
    EXPECT_EQ(FormatStatisticsReport(dialogs.infoFigures.front()), dialogs.infoTexts.front())
        << "the charts get the figures the text was made of";
    EXPECT_EQ(dialogs.infoTexts.front().rfind("2 words, 2 min length", 0), 0u);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(workspace.Store.Count(), 2);
    EXPECT_TRUE(workspace.ListUnsaved);
}

// The window's reading tallies the segments of its documents (2,500 words of seven
// in turn: two full segments of seven), and the Info window gets them with the list's
// figures.
TEST_F(AnalysisCommandsTest, StatisticsBringTheMeasuresOfTheDocumentsRead) {
    testing::TempDir dir;
    std::string text;
    for (int i = 0; i < 2'500; ++i)
        text += "w" + std::string(1, static_cast<char>('a' + i % 7)) + " ";
    ApplyAddOptions(workspace);
    workspace.MinWordLength = 1;
    IngestState state;
    state.InputFiles = {dir.Write("seven.txt", text)};
    testing::FakeProgress progress;
    IngestHooks hooks{progress, messages, {}};
    IngestFiles(workspace, state, hooks);

    Click(CMainDialog::Button::Statistics);

    ASSERT_EQ(dialogs.infoMeasures.size(), 1u);
    const VocabularyMeasures& measures = dialogs.infoMeasures.front();
    EXPECT_EQ(measures.tokens, 2'500u);
    EXPECT_EQ(measures.types, 7u);
    EXPECT_EQ(measures.segments, (SegmentFigures{2, 14}));
}

TEST_F(AnalysisCommandsTest, StatisticsOfAnEmptyListIsDeclined) {
    Click(CMainDialog::Button::Statistics);

    EXPECT_EQ(messages.Texts(), std::vector<std::string>{kNothingToAnalyseText});
    EXPECT_TRUE(dialogs.infoTexts.empty());
}

TEST_F(AnalysisCommandsTest, FilterOfAnEmptyListShowsNoDialog) {
    // No scripted filter answer: asking the dialog would fail the test.
    Click(CMainDialog::Button::Filter);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{kNothingToFilterText});
}

TEST_F(AnalysisCommandsTest, FilterReportsPlainDigitsAndRefreshesTheStatusLine) {
    AddWords(24690, true);
    ASSERT_EQ(Status(), QStringLiteral("24,690 words in the list (NOT SAVED YET)"));

    ScriptFilter(FilterMode::Rare, 2);
    Click(CMainDialog::Button::Filter);

    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"12345 words removed"});
    EXPECT_EQ(Status(), QStringLiteral("12,345 words in the list (NOT SAVED YET)"));
    EXPECT_TRUE(workspace.ListUnsaved);
}

// The range rule keeps the words of at least N documents.
TEST_F(AnalysisCommandsTest, FilterByRangeKeepsTheWordsOfEnoughDocuments) {
    WordStore& store = workspace.Store;
    const std::vector<std::vector<const char*>> documents = {
        {"common", "rare"}, {"common"}, {"common", "other"}};
    for (const auto& words : documents) {
        store.BeginDocument();
        for (const char* word : words)
            store.AddWord(word);
    }
    ScriptFilter(FilterMode::Range, 2);
    Click(CMainDialog::Button::Filter);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"2 words removed"});
    EXPECT_EQ(testing::StoreWords(store), (testing::WordCounts{{"common", 3}}));
}

TEST_F(AnalysisCommandsTest, FilterThatRemovesNothingStillSaysSo) {
    AddWords(10, false);
    ScriptFilter(FilterMode::Long, 20);
    Click(CMainDialog::Button::Filter);

    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"0 words removed"});
    EXPECT_EQ(workspace.Store.Count(), 10);
    EXPECT_EQ(Status(), QStringLiteral("10 words in the list"));
    EXPECT_FALSE(workspace.ListUnsaved);
}

TEST_F(AnalysisCommandsTest, RemovingEveryWordLeavesZeroWithoutTheSuffix) {
    AddWords(6, true);
    ScriptFilter(FilterMode::Short, 10000);
    Click(CMainDialog::Button::Filter);

    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"6 words removed"});
    EXPECT_EQ(workspace.Store.Count(), 0);
    EXPECT_EQ(Status(), QStringLiteral("0 words in the list"));
    // The mark is the filter's to leave alone; with nothing in the list it does not show.
    EXPECT_TRUE(workspace.ListUnsaved);

    // A second run has nothing to work on.
    messages.shown.clear();
    Click(CMainDialog::Button::Filter);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{kNothingToFilterText});
}

TEST_F(AnalysisCommandsTest, CancelledFilterChangesNothing) {
    AddWords(4, true);
    dialogs.filter.push_back([](std::int32_t&, FilterMode&) { return false; });
    Click(CMainDialog::Button::Filter);

    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(workspace.Store.Count(), 4);
    EXPECT_EQ(Status(), QStringLiteral("4 words in the list (NOT SAVED YET)"));
}

// The most common word reaches the window as the letters it was collected as: a
// Windows-1251 list shows Cyrillic, whatever language was confirmed since.
TEST_F(AnalysisCommandsTest, StatisticsShowsWordsInTheirCodePage) {
    struct Case {
        CodePage codePage;
        const char* stored;
        const char* shown;
    };
    const Case cases[] = {
        {CodePage::Windows1251, "\xEC\xE8\xF0", "\xD0\xBC\xD0\xB8\xD1\x80"},  // мир
        {CodePage::Windows1252,
         "m\xE4"
         "dchen",
         "m\xC3\xA4"
         "dchen"},
    };
    for (const Case& c : cases) {
        workspace.Store.Clear();
        dialogs.infoTexts.clear();
        workspace.Store.AddWord(c.stored);
        workspace.ListCodePage = c.codePage;
        workspace.Add.Language = kEnglishLatin;
        Click(CMainDialog::Button::Statistics);
        ASSERT_EQ(dialogs.infoTexts.size(), 1u);
        const std::string& text = dialogs.infoTexts.front();
        EXPECT_NE(text.find(std::string("Most common word: ") + c.shown), std::string::npos)
            << text;

        testing::FakeFilePicker picker;
        CInfoDialog dialog(messages, picker);
        dialog.SetText(CInfoDialog::DecodeText(text));
        EXPECT_TRUE(dialog.Text().contains(QString::fromUtf8(c.shown))) << text;
    }
}

TEST_F(AnalysisCommandsTest, FilterRemovesTheWordsOfAList) {
    BuildCharMap(kEnglishLatin, workspace.Map);
    for (const char* word : {"alpha", "beta", "gamma", "delta"})
        workspace.Store.AddWord(word);
    testing::TempDir dir;
    dialogs.filterListPath = dir.Write("stop.txt", "BETA\ndelta,9 absent\n");
    ScriptFilter(FilterMode::Listed, 0);
    Click(CMainDialog::Button::Filter);
    EXPECT_EQ(testing::SortedStoreWords(workspace.Store),
              (std::vector<std::string>{"alpha", "gamma"}));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"2 words removed"});

    // A refused list says why and removes nothing.
    messages.shown.clear();
    dialogs.filterListPath = dir.Write("bad.txt", "alpha\ngamma,\n");
    ScriptFilter(FilterMode::Listed, 0);
    Click(CMainDialog::Button::Filter);
    EXPECT_EQ(workspace.Store.Count(), 2);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("line 2: no count after the comma"), std::string::npos);
}

}  // namespace
}  // namespace tarvolen
