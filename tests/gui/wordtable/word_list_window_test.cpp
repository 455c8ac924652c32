// The Word List window over the main window, driven as a person would, with the
// main window's dialogs and questions answered by scripted fakes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/analysis/word_filter.h"
#include "core/listfile/list_merge.h"
#include "core/wordtable/list_table.h"
#include "core/workspace.h"
#include "gui/util/collation_box.h"
#include "gui/wordtable/row_table_view.h"
#include "gui/wordtable/search_progress.h"
#include "gui/wordtable/window_placement.h"
#include "gui/wordtable/word_list_model.h"
#include "gui/wordtable/word_list_window.h"
#include "support/main_window_fixture.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::TempDir;

class WordListWindowTest : public testing::MainWindowTest {
  protected:
    // "c" 5 times, "a" and "b" twice each: a tie that FrequencyOrder breaks by bytes.
    WordListWindowTest() { Put({{"b", 2}, {"a", 2}, {"ccc", 5}}); }

    void Put(const std::vector<std::pair<std::string, std::uint32_t>>& words) {
        for (const auto& [word, count] : words)
            workspace.Store.AddOccurrences(word.c_str(), word.size(), count);
        workspace.ListUnsaved = true;
        window->RefreshStatusLine();
    }

    // The Add button, with Add Options answered "Files" and the files picked.
    void AddFiles(std::vector<std::string> paths) {
        dialogs.addOptions.push_back([](AddOptions&, AddMode& mode) {
            mode = AddMode::Files;
            return true;
        });
        picker.fileResults.push_back(FilePickResult{true, std::move(paths), 2});
        Click(CMainDialog::Button::Add);
    }

    CWordListWindow* List() const { return window->findChild<CWordListWindow*>(); }

    // Opened and active, so that its keys reach it.
    CWordListWindow* Open() {
        Click(CMainDialog::Button::ViewList);
        CWordListWindow* list = List();
        EXPECT_NE(list, nullptr);
        QApplication::setActiveWindow(list);
        EXPECT_TRUE(QTest::qWaitForWindowActive(list));
        return list;
    }

    // The cells of a column as the table shows them, top to bottom.
    static std::vector<QString> Column(CWordListWindow* list, int column) {
        std::vector<QString> cells;
        const CWordListModel& model = list->model();
        for (int row = 0; row < model.rowCount(); ++row)
            cells.push_back(model.data(model.index(row, column)).toString());
        return cells;
    }
    static std::vector<QString> Words(CWordListWindow* list) {
        return Column(list, CWordListModel::Word);
    }

    static void ClickHeader(CWordListWindow* list, int column) {
        QHeaderView* header = list->table()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    static void Search(CWordListWindow* list, const QString& text, bool expression = false) {
        list->regularExpressionBox()->setChecked(expression);
        list->searchField()->clear();
        QTest::keyClicks(list->searchField(), text);
    }

    static void Select(CWordListWindow* list, std::initializer_list<int> rows) {
        list->table()->clearSelection();
        for (const int row : rows) {
            list->table()->selectionModel()->select(
                list->model().index(row, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    using Cells = std::vector<QString>;
};

TEST_F(WordListWindowTest, AnEmptyListHasNothingToShow) {
    workspace.Store.Clear();
    Click(CMainDialog::Button::ViewList);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{CWordListWindow::kNothingToShowText});
    EXPECT_EQ(List(), nullptr);
}

TEST_F(WordListWindowTest, OneWindowOpenedByTheButtonOrTheStatusLine) {
    QTest::mouseDClick(window->statusLine(), Qt::LeftButton);
    CWordListWindow* list = List();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->windowTitle(), "Word List - Tarvolen");
    EXPECT_TRUE(list->searchField()->hasFocus() || list->focusWidget() == list->searchField());
    Click(CMainDialog::Button::ViewList);
    EXPECT_EQ(window->findChildren<CWordListWindow*>().size(), 1);
    // The existing buttons keep their places; the new one has its own mnemonic.
    EXPECT_EQ(window->button(CMainDialog::Button::ViewList)->text(), "&View List");
    EXPECT_TRUE(messages.shown.empty());
    // Leaving the program takes the window along.
    messages.Script(Answer::No);
    window->reject();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(list->isVisible());
}

TEST_F(WordListWindowTest, ColumnsInFrequencyOrderWithRanksAndShares) {
    Put({{"many", 1234}});
    CWordListWindow* list = Open();
    std::vector<QString> headers;
    for (int column = 0; column < list->model().columnCount(); ++column)
        headers.push_back(list->model().headerData(column, Qt::Horizontal).toString());
    EXPECT_EQ(headers,
              (Cells{"Rank", "Word", "Count", "%", "Per million", "Range", "Range %", "Length"}));
    EXPECT_EQ(Words(list), (Cells{"many", "ccc", "a", "b"}));
    EXPECT_EQ(Column(list, CWordListModel::Rank), (Cells{"1", "2", "3", "4"}));
    EXPECT_EQ(Column(list, CWordListModel::Count), (Cells{"1,234", "5", "2", "2"}));
    // Of 1,243 occurrences.
    EXPECT_EQ(Column(list, CWordListModel::Percent), (Cells{"99.28", "0.40", "0.16", "0.16"}));
    EXPECT_EQ(Column(list, CWordListModel::PerMillion),
              (Cells{"992759.5", "4022.5", "1609.0", "1609.0"}));
    EXPECT_EQ(Column(list, CWordListModel::Length), (Cells{"4", "3", "1", "1"}));
    const QModelIndex count = list->model().index(0, CWordListModel::Count);
    EXPECT_TRUE(list->model().data(count, Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
}

// Counted under a lemma list, the list gets a Forms column after the others: the forms
// met under each headword, most frequent first; it sorts nothing. A refused lemma list
// adds nothing and says why.
TEST_F(WordListWindowTest, FormsColumnShowsTheFormsOfEachHeadword) {
    TempDir dir;
    workspace.Store.Clear();
    const std::string refused = dir.Write("refused.txt", "be -> is\ngo -> is\n");
    const std::string text = dir.Write("text.txt", "Is is was. Be, was is. It went");
    workspace.Add.LemmaFile = refused;
    AddFiles({text});
    EXPECT_EQ(workspace.Store.Count(), 0);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("line 2: \"is\" is a form of \"be\" on line 1"),
              std::string::npos);

    workspace.Add.LemmaFile = dir.Write("lemmas.txt", "be -> is, was\ngo -> went\n");
    AddFiles({text});
    CWordListWindow* list = Open();
    const int forms = list->model().FormsColumn();
    ASSERT_EQ(forms, list->model().columnCount() - 1);
    EXPECT_EQ(list->model().headerData(forms, Qt::Horizontal).toString(), "Forms");
    EXPECT_EQ(Words(list), (Cells{"be", "go", "it"}));
    EXPECT_EQ(Column(list, CWordListModel::Count), (Cells{"6", "1", "1"}));
    EXPECT_EQ(Column(list, forms), (Cells{"is 3, was 2, be 1", "went 1", ""}));
    ClickHeader(list, forms);
    EXPECT_EQ(Words(list), (Cells{"be", "go", "it"}));
    EXPECT_EQ(list->table()->horizontalHeader()->sortIndicatorSection(), CWordListModel::Count);
}

TEST_F(WordListWindowTest, HeaderClicksSortEachWayAndRanksStay) {
    Put({{"dd", 2}});
    CWordListWindow* list = Open();
    struct Step {
        int column;  // clicked
        Cells words;
        Cells ranks;
    };
    const Step steps[] = {
        {CWordListModel::Word, {"a", "b", "ccc", "dd"}, {"2", "3", "1", "4"}},
        {CWordListModel::Word, {"dd", "ccc", "b", "a"}, {"4", "1", "3", "2"}},
        // Numbers first largest first; equal lengths stay in rank order either way.
        {CWordListModel::Length, {"ccc", "dd", "a", "b"}, {"1", "4", "2", "3"}},
        {CWordListModel::Length, {"a", "b", "dd", "ccc"}, {"2", "3", "4", "1"}},
        {CWordListModel::Count, {"ccc", "a", "b", "dd"}, {"1", "2", "3", "4"}},
        {CWordListModel::Count, {"a", "b", "dd", "ccc"}, {"2", "3", "4", "1"}},
        {CWordListModel::Rank, {"ccc", "a", "b", "dd"}, {"1", "2", "3", "4"}},
        {CWordListModel::Rank, {"dd", "b", "a", "ccc"}, {"4", "3", "2", "1"}},
    };
    for (const Step& step : steps) {
        ClickHeader(list, step.column);
        EXPECT_EQ(Words(list), step.words);
        EXPECT_EQ(Column(list, CWordListModel::Rank), step.ranks);
    }
}

// The Word column in the order of the language chosen beside the search field; "Byte
// order" is offered too, and the desktop's language (none under the tests' C locale)
// would come first.
TEST_F(WordListWindowTest, TheWordColumnSortsInTheLanguageChosen) {
    workspace.ListCodePage = CodePage::Windows1252;
    Put({{"\xE9"
          "cole",
          1},
         {"eau", 1},
         {"effet", 3},
         {"z", 1}});
    CWordListWindow* list = Open();
    CCollationBox* box = list->collationBox();
    EXPECT_EQ(box->itemText(0).toStdString(), CCollationBox::kByteOrderText);
    EXPECT_EQ(box->Locale(), "");
    ClickHeader(list, CWordListModel::Word);
    EXPECT_EQ(Words(list), (Cells{"a", "b", "ccc", "eau", "effet", "z", "\u00E9cole"}));
    box->setCurrentIndex(box->findText(QStringLiteral("French")));
    EXPECT_EQ(Words(list), (Cells{"a", "b", "ccc", "eau", "\u00E9cole", "effet", "z"}));
    ClickHeader(list, CWordListModel::Word);
    EXPECT_EQ(Words(list), (Cells{"z", "effet", "\u00E9cole", "eau", "ccc", "b", "a"}));
    // The other columns keep their own order whatever the language.
    ClickHeader(list, CWordListModel::Count);
    EXPECT_EQ(Words(list), (Cells{"ccc", "effet", "a", "b", "eau", "z", "\u00E9cole"}));
}

TEST_F(WordListWindowTest, ClicksAndKeysSelectWholeRows) {
    Put({{"dd", 1}, {"ee", 1}});
    CWordListWindow* list = Open();
    CRowTableView* table = list->table();
    const auto at = [&](int row) {
        return QPoint(table->horizontalHeader()->sectionViewportPosition(CWordListModel::Word) + 4,
                      row * table->rowHeight() + table->rowHeight() / 2);
    };
    const auto selected = [&] {
        Cells words;
        for (const std::uint32_t row : list->SelectedRows())
            words.push_back(list->model().WordText(row));
        return words;
    };
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at(1));
    EXPECT_EQ(selected(), Cells{"a"});
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ShiftModifier, at(3));
    EXPECT_EQ(selected(), (Cells{"a", "b", "dd"}));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier, at(2));
    EXPECT_EQ(selected(), (Cells{"a", "dd"}));
    QTest::keyClick(table, Qt::Key_End);
    EXPECT_EQ(selected(), Cells{"ee"});
    QTest::keyClick(table, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (Cells{"dd", "ee"}));
    // Below the last row there is no row to pick.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at(5));
    EXPECT_TRUE(selected().empty());
}

TEST_F(WordListWindowTest, WordsReadBackwardsGroupTheirEndings) {
    Put({{"going", 1}, {"kindness", 1}, {"sing", 1}, {"darkness", 1}});
    CWordListWindow* list = Open();
    list->SortBackwards();
    EXPECT_EQ(Words(list), (Cells{"a", "b", "ccc", "going", "sing", "kindness", "darkness"}));
    EXPECT_EQ(list->table()->horizontalHeader()->sortIndicatorSection(), CWordListModel::Word);
    // Another click on Word reads backwards the other way.
    ClickHeader(list, CWordListModel::Word);
    EXPECT_EQ(Words(list), (Cells{"darkness", "kindness", "sing", "going", "ccc", "b", "a"}));
}

TEST_F(WordListWindowTest, SearchBySubstringAnchorsAndExpressions) {
    Put({{"abc", 1}, {"cab", 1}, {"Bcb", 1}});
    CWordListWindow* list = Open();
    struct Case {
        QString typed;
        bool expression;
        Cells shown;
    };
    const Case cases[] = {
        {"b", false, {"b", "bcb", "abc", "cab"}},
        {"B", false, {"b", "bcb", "abc", "cab"}},  // whatever the case
        {"^b", false, {"b", "bcb"}},
        {"b$", false, {"b", "bcb", "cab"}},
        {"^cab$", false, {"cab"}},
        {"^.b", false, {}},  // a dot is a dot without the check box
        {"^.b", true, {"abc"}},
        {"C{3}", true, {"ccc"}},
        {"", true, {"ccc", "a", "b", "bcb", "abc", "cab"}},
    };
    // "Bcb" went in with its capital (before "abc" by its bytes): the search reads it
    // through the list's case table.
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        Search(list, c.typed, c.expression);
        Cells shown = Words(list);
        for (QString& word : shown)
            word = word.toLower();
        EXPECT_EQ(shown, c.shown);
        EXPECT_TRUE(list->searchError()->text().isEmpty());
    }
}

TEST_F(WordListWindowTest, AnInvalidExpressionSaysWhyAndKeepsTheRows) {
    CWordListWindow* list = Open();
    Search(list, "^[ab]", true);
    ASSERT_EQ(Words(list), (Cells{"a", "b"}));
    QTest::keyClicks(list->searchField(), "(");
    EXPECT_FALSE(list->searchError()->text().isEmpty());
    EXPECT_TRUE(list->searchError()->isVisibleTo(list));
    EXPECT_EQ(Words(list), (Cells{"a", "b"}));
    QTest::keyClick(list->searchField(), Qt::Key_Backspace);
    EXPECT_TRUE(list->searchError()->text().isEmpty());
}

TEST_F(WordListWindowTest, TheCountsLineSaysWhatIsShown) {
    Put({{"many", 1234}});
    CWordListWindow* list = Open();
    EXPECT_EQ(list->countsLine()->text(), "4 of 4 words shown, 1,243 occurrences");
    Search(list, "^[ab]$", true);
    EXPECT_EQ(list->countsLine()->text(), "2 of 4 words shown, 4 occurrences");
}

TEST_F(WordListWindowTest, CopyPutsTheSelectedRowsOnTheClipboardAsTabSeparatedText) {
    CWordListWindow* list = Open();
    Select(list, {2, 0});
    list->table()->setFocus();
    QTest::keyClick(list->table(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(),
              "Rank\tWord\tCount\t%\tPer million\tRange\tRange %\tLength\n"
              "1\tccc\t5\t55.56\t555555.6\t1\t\t3\n"
              "3\tb\t2\t22.22\t222222.2\t1\t\t1\n");
}

TEST_F(WordListWindowTest, ExportWritesTheShownRowsAsTheFormatChosen) {
    Put({{"x,\"y\"", 1}});
    CWordListWindow* list = Open();
    Search(list, "y");
    TempDir dir;
    const std::string csv = (dir.path() / "list.csv").string();
    const std::string tsv = (dir.path() / "list.tsv").string();
    picker.fileResults.push_back(FilePickResult{true, {csv}, 1});
    picker.fileResults.push_back(FilePickResult{true, {tsv}, 2});
    QTest::mouseClick(list->exportButton(), Qt::LeftButton);
    QTest::mouseClick(list->exportButton(), Qt::LeftButton);
    EXPECT_EQ(TempDir::Read(csv),
              "Rank,Word,Count,%,Per million,Range,Range %,Length\r\n"
              "4,\"x,\"\"y\"\"\",1,10.00,100000.0,1,,5\r\n");
    EXPECT_EQ(TempDir::Read(tsv),
              "Rank\tWord\tCount\t%\tPer million\tRange\tRange %\tLength\n"
              "4\t\"x,\"\"y\"\"\"\t1\t10.00\t100000.0\t1\t\t5\n");
    ASSERT_EQ(picker.fileRequests.size(), 2u);
    EXPECT_TRUE(picker.fileRequests[0].save);
    EXPECT_TRUE(messages.shown.empty());
}

// "(a+)+$" tries every way of cutting a run of a's before it fails on the letter after
// them: over thousands of such words the search takes seconds, and the window must go
// on answering its events meanwhile, a new keystroke starting the search anew.
TEST_F(WordListWindowTest, ACatastrophicExpressionLeavesTheWindowAnsweringEvents) {
    std::vector<std::pair<std::string, std::uint32_t>> words;
    for (int run = 14; run <= 18; ++run)
        for (char x = 'b'; x <= 'z'; ++x)
            for (char y = 'b'; y <= 'z'; ++y)
                words.push_back({std::string(static_cast<std::size_t>(run), 'a') + x + y, 9});
    // The words that match come last, in frequency order.
    for (int run = 1; run <= 20; ++run)
        words.push_back({std::string(static_cast<std::size_t>(run), 'a'), 1});
    Put(words);
    CWordListWindow* list = Open();
    list->regularExpressionBox()->setChecked(true);
    int rowsWhenAnswered = -1;
    QTimer::singleShot(0, list, [&] { rowsWhenAnswered = list->model().rowCount(); });
    QTest::keyClicks(list->searchField(), "(a+)+$");
    QTRY_VERIFY(rowsWhenAnswered >= 0);
    EXPECT_LT(rowsWhenAnswered, 20) << "the event waited for the whole search";

    // A wait a person notices shows how far the search got, and Stop, which keeps
    // the rows found so far.
    auto* progress = list->findChild<CSearchProgress*>();
    ASSERT_NE(progress, nullptr);
    QTRY_VERIFY(progress->isVisible());
    QTest::mouseClick(progress->stopButton(), Qt::LeftButton);
    EXPECT_FALSE(list->model().SearchRunning());
    const int found = list->model().rowCount();
    QTest::qWait(100);
    EXPECT_EQ(list->model().rowCount(), found);
    EXPECT_TRUE(progress->text()->text().startsWith("Search stopped at ")) << found;

    // A new keystroke starts anew, and nothing of an old search comes after it.
    list->searchField()->setText("(a+)+");
    QTest::keyClicks(list->searchField(), "$");
    EXPECT_TRUE(list->model().SearchRunning());
    list->searchField()->clear();
    const int all = workspace.Store.Count();
    EXPECT_EQ(list->model().rowCount(), all);
    QTest::qWait(100);
    EXPECT_EQ(list->model().rowCount(), all);
    EXPECT_FALSE(progress->isVisible());
}

// An export that cannot be made says where and why, as a save does.
TEST_F(WordListWindowTest, AnExportThatCannotBeMadeNamesTheFileAndTheReason) {
    CWordListWindow* list = Open();
    TempDir dir;
    const std::string path = (dir.path() / "missing" / "list.csv").string();
    picker.fileResults.push_back(FilePickResult{true, {path}, 1});
    QTest::mouseClick(list->exportButton(), Qt::LeftButton);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Unable to create output file\r\n" + path +
                                                         ": No such file or directory"});
}

TEST_F(WordListWindowTest, DeleteAsksOnceAndTheListFollowsOnlyOnYes) {
    workspace.ListUnsaved = false;
    CWordListWindow* list = Open();
    Search(list, "b$");
    ClickHeader(list, CWordListModel::Word);
    Select(list, {0});
    messages.Script(Answer::No);
    QTest::mouseClick(list->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(messages.asked, std::vector<std::string>{"Delete \"b\"?"});
    EXPECT_EQ(workspace.Store.Count(), 3);

    Search(list, "");
    Select(list, {0, 2});
    messages.Script(Answer::Yes);
    list->table()->setFocus();
    QTest::keyClick(list->table(), Qt::Key_Delete);
    EXPECT_EQ(messages.asked.back(), "Delete \"a\" and \"ccc\"?");
    EXPECT_EQ(testing::StoreWords(workspace.Store), (testing::WordCounts{{"b", 2}}));
    EXPECT_EQ(Status(), "1 words in the list");
    EXPECT_FALSE(workspace.ListUnsaved) << "as after the Filter, the mark stays";
    EXPECT_EQ(Words(list), Cells{"b"});
    EXPECT_EQ(list->table()->horizontalHeader()->sortIndicatorSection(), CWordListModel::Word);
}

TEST_F(WordListWindowTest, TheWindowFollowsAddFilterAndResetKeepingSortAndSearch) {
    CWordListWindow* list = Open();
    ClickHeader(list, CWordListModel::Word);
    Search(list, "^[a-c]", true);

    // Add: a file with two more words.
    TempDir dir;
    const std::string text = dir.Write("more.txt", "abcd bcde abcd");
    AddFiles({text});
    EXPECT_EQ(Words(list), (Cells{"a", "abcd", "b", "bcde", "ccc"}));

    // Filter: the words seen fewer than 3 times.
    dialogs.filter.push_back([](std::int32_t& value, FilterMode& mode) {
        value = 3;
        mode = FilterMode::Rare;
        return true;
    });
    Click(CMainDialog::Button::Filter);
    EXPECT_EQ(Words(list), Cells{"ccc"});
    EXPECT_EQ(list->countsLine()->text(), "1 of 1 words shown, 5 occurrences");

    messages.Script(Answer::Yes);
    Click(CMainDialog::Button::Reset);
    EXPECT_TRUE(Words(list).empty());
    EXPECT_EQ(list->countsLine()->text(), "0 of 0 words shown, 0 occurrences");
    EXPECT_EQ(list->searchField()->text(), "^[a-c]");
    EXPECT_TRUE(list->regularExpressionBox()->isChecked());
}

TEST_F(WordListWindowTest, DisabledWithTheMainWindowAndShownAgainAfter) {
    CWordListWindow* list = Open();
    window->setEnabled(false);
    EXPECT_FALSE(list->isEnabled());
    EXPECT_TRUE(Words(list).empty()) << "the texts may move while a long operation runs";
    EXPECT_EQ(list->countsLine()->text(), CWordListWindow::kWaitingText);
    window->setEnabled(true);
    EXPECT_TRUE(list->isEnabled());
    EXPECT_EQ(Words(list), (Cells{"ccc", "a", "b"}));
}

TEST_F(WordListWindowTest, RangesAreSharesOfTheDocumentsRead) {
    TempDir dir;
    const std::string one = dir.Write("one.txt", "alpha betas alpha");
    const std::string two = dir.Write("two.txt", "alpha gamma");
    AddFiles({one, two});
    CWordListWindow* list = Open();
    // The words put in by hand count one document each, outside the two read.
    ClickHeader(list, CWordListModel::Range);
    EXPECT_EQ(Words(list), (Cells{"alpha", "ccc", "a", "b", "betas", "gamma"}));
    EXPECT_EQ(Column(list, CWordListModel::Range), (Cells{"2", "1", "1", "1", "1", "1"}));
    EXPECT_EQ(Column(list, CWordListModel::RangePercent),
              (Cells{"100.00", "50.00", "50.00", "50.00", "50.00", "50.00"}));
    ClickHeader(list, CWordListModel::RangePercent);
    ClickHeader(list, CWordListModel::RangePercent);
    EXPECT_EQ(Words(list), (Cells{"ccc", "a", "b", "betas", "gamma", "alpha"}));
}

// The keyword list's figures worked out here from the counts, and its order.
struct KeywordModel {
    std::map<std::string, std::uint32_t> list;
    std::map<std::string, std::uint32_t> reference;

    struct Row {
        std::string word;
        double g2;
        double logRatio;
    };
    std::vector<Row> Rows(bool referenceOnly) const {
        double c = 0;
        double d = 0;
        for (const auto& [word, count] : list)
            c += count;
        for (const auto& [word, count] : reference)
            d += count;
        std::set<std::string> words;
        for (const auto& [word, count] : list)
            words.insert(word);
        for (const auto& [word, count] : reference) {
            if (referenceOnly)
                words.insert(word);
        }
        std::vector<Row> rows;
        for (const std::string& word : words) {
            const double a = list.contains(word) ? list.at(word) : 0;
            const double b = reference.contains(word) ? reference.at(word) : 0;
            const double e1 = c * (a + b) / (c + d);
            const double e2 = d * (a + b) / (c + d);
            double g2 =
                2 * ((a > 0 ? a * std::log(a / e1) : 0) + (b > 0 ? b * std::log(b / e2) : 0));
            if (a / c < b / d)
                g2 = -g2;
            double ratio = std::log2((std::max(a, 0.5) / c) / (std::max(b, 0.5) / d));
            if ((a / c > b / d && ratio < 0) || (a / c < b / d && ratio > 0))
                ratio = 0;
            rows.push_back({word, g2, ratio});
        }
        std::stable_sort(rows.begin(), rows.end(),
                         [](const Row& x, const Row& y) { return x.g2 > y.g2; });
        return rows;
    }
};

QString TwoDecimals(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return QString::fromLatin1(text);
}

class ComparisonTest : public WordListWindowTest {
  protected:
    // As the window shows the rows, sorted by G2.
    void ExpectKeywords(CWordListWindow* list, const KeywordModel& model, bool referenceOnly) {
        Cells words;
        Cells g2;
        Cells ratios;
        for (const KeywordModel::Row& row : model.Rows(referenceOnly)) {
            words.push_back(QString::fromStdString(row.word));
            g2.push_back(TwoDecimals(row.g2));
            ratios.push_back(TwoDecimals(row.logRatio));
        }
        EXPECT_EQ(Words(list), words);
        EXPECT_EQ(Column(list, CWordListModel::G2), g2);
        EXPECT_EQ(Column(list, CWordListModel::LogRatio), ratios);
    }

    void Compare(CWordListWindow* list, const std::string& path) {
        picker.fileResults.push_back(FilePickResult{true, {path}, 1});
        QTest::mouseClick(list->compareButton(), Qt::LeftButton);
    }

    TempDir dir;
    // The fixture's list, and a reference that shares two of its words.
    KeywordModel model{{{"ccc", 5}, {"a", 2}, {"b", 2}},
                       {{"ccc", 1}, {"a", 6}, {"zz", 3}, {"yy", 3}}};
    std::string reference = dir.Write("reference.txt", "a,6\nccc,1\nzz,3\nyy,3\n");
};

TEST_F(ComparisonTest, CompareAddsTheKeywordColumnsSortedByG2) {
    CWordListWindow* list = Open();
    EXPECT_FALSE(list->clearComparisonButton()->isEnabled());
    EXPECT_FALSE(list->referenceOnlyBox()->isEnabled());
    Compare(list, reference);
    EXPECT_TRUE(messages.shown.empty()) << "the reference's summary is not the list's";
    ASSERT_EQ(picker.fileRequests.size(), 1u);
    EXPECT_FALSE(picker.fileRequests[0].save);
    EXPECT_EQ(list->model().columnCount(), CWordListModel::ColumnCount);
    EXPECT_EQ(list->model().headerData(CWordListModel::ReferenceCount, Qt::Horizontal),
              "Ref. count");
    EXPECT_EQ(list->table()->horizontalHeader()->sortIndicatorSection(), CWordListModel::G2);
    ExpectKeywords(list, model, false);
    EXPECT_EQ(Column(list, CWordListModel::ReferenceCount), (Cells{"1", "0", "6"}));

    // The reference's own words, in the same order, without a rank.
    list->referenceOnlyBox()->setChecked(true);
    ExpectKeywords(list, model, true);
    const Cells words = Words(list);
    const auto zz = std::find(words.begin(), words.end(), "zz") - words.begin();
    EXPECT_EQ(Column(list, CWordListModel::Rank)[zz], "");
    EXPECT_EQ(Column(list, CWordListModel::Count)[zz], "0");
    EXPECT_EQ(list->countsLine()->text(), "5 of 5 words shown, 9 occurrences");

    // Copy and export write the columns shown.
    Select(list, {0});
    list->CopySelection();
    EXPECT_EQ(QApplication::clipboard()->text().section('\n', 0, 0),
              "Rank\tWord\tCount\t%\tPer million\tRange\tRange %\tLength\tRef. "
              "count\tG2\tLog Ratio");

    QTest::mouseClick(list->clearComparisonButton(), Qt::LeftButton);
    EXPECT_EQ(list->model().columnCount(), CWordListModel::ColumnCount - 3);
    EXPECT_EQ(Words(list), (Cells{"ccc", "a", "b"}));
    EXPECT_FALSE(list->referenceOnlyBox()->isEnabled());
}

TEST_F(ComparisonTest, TheComparisonFollowsTheListAndSearch) {
    CWordListWindow* list = Open();
    Compare(list, reference);
    list->referenceOnlyBox()->setChecked(true);

    // Delete: only the list's words go, and the figures follow its new total.
    Search(list, "^[ay]", true);
    Select(list, {0, 1});
    messages.Script(Answer::Yes);
    list->DeleteSelection();
    EXPECT_EQ(messages.asked.back(), "Delete \"a\"?");
    model.list.erase("a");
    Search(list, "");
    ExpectKeywords(list, model, true);

    // Add: a new word of the list.
    const std::string text = dir.Write("more.txt", "zz zz bb");
    AddFiles({text});
    model.list["zz"] = 2;
    model.list["bb"] = 1;
    ExpectKeywords(list, model, true);
}

TEST_F(ComparisonTest, ARefusedReferenceSaysWhyAndLeavesTheWindowAsItWas) {
    CWordListWindow* list = Open();
    Compare(list, reference);
    const std::string refused = dir.Write("refused.txt", "a,2\nccc,1,0\n");
    Compare(list, refused);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.Texts()[0].find("line 2: the range is 0"), std::string::npos);
    ExpectKeywords(list, model, false);

    // An empty reference holds nothing to compare with.
    Compare(list, dir.Write("empty.txt", ""));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_NE(messages.Texts()[1].find("holds no words"), std::string::npos);
    ExpectKeywords(list, model, false);
}

}  // namespace
}  // namespace tarvolen

namespace tarvolen {
namespace {

// Answers the window's menus in a test: records each menu's entries and triggers the
// entry named by path ("&Sort by/&Word"), or none.
struct MenuScript {
    std::vector<std::vector<QString>> opened;
    QString pick;

    void Attach(CWordListWindow* list) {
        list->ExecMenu = [this](QMenu& menu, const QPoint&) {
            std::vector<QString> entries;
            for (QAction* action : menu.actions()) {
                if (!action->isSeparator())
                    entries.push_back(action->text());
            }
            opened.push_back(entries);
            if (QAction* action = Find(menu, pick))
                action->trigger();
        };
    }

    static QAction* Find(QMenu& menu, const QString& path) {
        const QString first = path.section('/', 0, 0);
        for (QAction* action : menu.actions()) {
            if (action->text() != first || path.isEmpty())
                continue;
            if (action->menu() != nullptr)
                return Find(*action->menu(), path.section('/', 1));
            return action;
        }
        return nullptr;
    }
};

QString WordHeader(CWordListWindow* list) {
    return list->model().headerData(CWordListModel::Word, Qt::Horizontal).toString();
}

class WordListWindowItemsTest : public WordListWindowTest {};

// After Ctrl+End the selected first row is out of view: Delete takes nothing unseen.
TEST_F(WordListWindowItemsTest, DeleteTakesOnlySelectedRowsOnScreenAndNamesThem) {
    std::vector<std::pair<std::string, std::uint32_t>> many;
    for (int i = 0; i < 300; ++i)
        many.emplace_back(std::to_string(1000 + i).insert(0, 1, 'w'), 1);
    Put(many);
    CWordListWindow* list = Open();
    CRowTableView* table = list->table();
    table->setFocus();
    table->selectRow(0);
    EXPECT_TRUE(list->deleteButton()->isEnabled());
    QTest::keyClick(table, Qt::Key_End, Qt::ControlModifier);
    ASSERT_EQ(list->SelectedRows().size(), 1u);
    EXPECT_FALSE(list->deleteButton()->isEnabled());
    QTest::keyClick(table, Qt::Key_Delete);
    EXPECT_TRUE(messages.asked.empty()) << messages.asked.front();
    EXPECT_EQ(workspace.Store.Count(), 303);

    // Shift+Home selects every row; Delete takes those on screen, and says which.
    QTest::keyClick(table, Qt::Key_Home, Qt::ShiftModifier);
    const auto [first, last] = table->ShownRows();
    ASSERT_EQ(first, 0);
    const std::size_t shown = static_cast<std::size_t>(last - first + 1);
    ASSERT_GT(shown, 3u);
    messages.Script(Answer::Yes);
    QTest::keyClick(table, Qt::Key_Delete);
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(messages.asked[0],
              "Delete \"ccc\", \"a\" and " + std::to_string(shown - 2) + " more?");
    EXPECT_EQ(workspace.Store.Count(), static_cast<std::int32_t>(303 - shown));
}

TEST_F(WordListWindowItemsTest, RowMenuFromTheMouseTheMenuKeyAndShiftF10) {
    CWordListWindow* list = Open();
    MenuScript menus;
    menus.Attach(list);
    CRowTableView* table = list->table();
    table->setFocus();
    table->selectRow(1);
    QTest::keyClick(table, Qt::Key_Menu);
    QTest::keyClick(table, Qt::Key_F10, Qt::ShiftModifier);
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(4, 4),
                            table->viewport()->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(table->viewport(), &click);
    ASSERT_EQ(menus.opened.size(), 3u);
    for (const auto& entries : menus.opened) {
        EXPECT_EQ(entries, (Cells{"Concordanc&e", "&Copy", "&Delete", "Sort by &rank",
                                  "Sort by &word", "Sort by word read &backwards", "Sort by c&ount",
                                  "Sort by r&ange", "Sort by &length", "Desce&nding"}));
    }

    // The sorts, the words read backwards among them, from the keyboard's menu.
    menus.pick = "Sort by word read &backwards";
    QTest::keyClick(table, Qt::Key_Menu);
    EXPECT_EQ(WordHeader(list), "Word (reversed)");
    EXPECT_EQ(list->model().Sort().key, ListSortKey::WordBackwards);
    menus.pick = "&Copy";
    table->selectRow(2);
    QTest::keyClick(table, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(QApplication::clipboard()->text().contains("\tccc\t"));
}

// The Sort button's menu holds every sort; its mnemonic reaches it from the keyboard.
TEST_F(WordListWindowItemsTest, TheSortButtonSortsAndTheHeaderSaysWhenWordsReadBackwards) {
    Put({{"going", 1}, {"sing", 1}, {"kindness", 1}});
    CWordListWindow* list = Open();
    EXPECT_EQ(list->sortButton()->text(), "S&ort");
    QMenu* menu = list->sortButton()->menu();
    ASSERT_NE(menu, nullptr);
    const auto choose = [&](const QString& entry) {
        emit menu->aboutToShow();
        QAction* action = MenuScript::Find(*menu, entry);
        ASSERT_NE(action, nullptr) << entry.toStdString();
        action->trigger();
    };
    choose("Word read &backwards");
    EXPECT_EQ(Words(list), (Cells{"a", "b", "ccc", "going", "sing", "kindness"}));
    EXPECT_EQ(WordHeader(list), "Word (reversed)");
    choose("&Descending");
    EXPECT_EQ(Words(list), (Cells{"kindness", "sing", "going", "ccc", "b", "a"}));
    EXPECT_EQ(WordHeader(list), "Word (reversed)");
    choose("&Length");
    EXPECT_EQ(WordHeader(list), "Word");
    EXPECT_EQ(Words(list).front(), "kindness");
    EXPECT_EQ(list->table()->horizontalHeader()->sortIndicatorSection(), CWordListModel::Length);
}

// A save changes nothing in the list: the rows, their selection and order stay.
TEST_F(WordListWindowItemsTest, SavingLeavesTheTableAsItWas) {
    CWordListWindow* list = Open();
    list->table()->selectRow(1);
    int resets = 0;
    QObject::connect(&list->model(), &QAbstractItemModel::modelAboutToBeReset,
                     [&resets] { ++resets; });
    TempDir dir;
    const std::string out = (dir.path() / "out.txt").string();
    dialogs.saveOptions.push_back([&out](OutputOptions&, std::string& fileName) {
        fileName = out;
        return true;
    });
    Click(CMainDialog::Button::SaveWordList);
    EXPECT_EQ(TempDir::Read(out), "a\nb\nccc\n");
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(Words(list), (Cells{"ccc", "a", "b"}));
    EXPECT_EQ(list->SelectedRows(), std::vector<std::uint32_t>{1});
    EXPECT_EQ(Status(), "3 words in the list");
}

TEST_F(ComparisonTest, TheReferenceIsNamedAboveTheTableAndTheFiguresExplained) {
    CWordListWindow* list = Open();
    EXPECT_FALSE(list->referenceLine()->isVisibleTo(list));
    EXPECT_EQ(list->referenceOnlyBox()->text(), "&Include words found only in the reference");
    list->resize(list->minimumSizeHint().width(), list->height());
    const int narrow = list->width();
    const QPoint at = list->geometry().topLeft();
    Compare(list, reference);
    EXPECT_TRUE(list->referenceLine()->isVisibleTo(list));
    EXPECT_EQ(list->referenceLine()->text(),
              "Reference: reference.txt, 4 distinct words, 13 occurrences");
    EXPECT_GT(list->width(), narrow) << "wider for the comparison's columns";
    const QString g2 =
        list->model().headerData(CWordListModel::G2, Qt::Horizontal, Qt::ToolTipRole).toString();
    for (const char* value :
         {"3.84 (p < 0.05)", "6.63 (p < 0.01)", "10.83 (p < 0.001)", "15.13 (p < 0.0001)"})
        EXPECT_TRUE(g2.contains(value)) << value;
    EXPECT_TRUE(list->model()
                    .headerData(CWordListModel::LogRatio, Qt::Horizontal, Qt::ToolTipRole)
                    .toString()
                    .startsWith("Log Ratio: "));

    // The reference's own words are not the list's to delete.
    list->referenceOnlyBox()->setChecked(true);
    const Cells words = Words(list);
    const int zz = static_cast<int>(std::find(words.begin(), words.end(), "zz") - words.begin());
    Select(list, {zz});
    EXPECT_FALSE(list->deleteButton()->isEnabled());
    Select(list, {zz, 0});
    EXPECT_TRUE(list->deleteButton()->isEnabled());

    QTest::mouseClick(list->clearComparisonButton(), Qt::LeftButton);
    EXPECT_EQ(list->width(), narrow) << "back to the width it had";
    EXPECT_EQ(list->geometry().topLeft(), at);
    EXPECT_FALSE(list->referenceLine()->isVisibleTo(list));
}

// A reference is read with the progress window up, which takes the rows away until
// the command ends: the line above the table counts from the reference itself.
TEST_F(ComparisonTest, TheReferenceLineCountsWhileTheRowsAreAway) {
    CWordListWindow* list = Open();
    window->setEnabled(false);
    picker.fileResults.push_back(FilePickResult{true, {reference}, 1});
    list->Compare();
    window->setEnabled(true);
    EXPECT_EQ(list->referenceLine()->text(),
              "Reference: reference.txt, 4 distinct words, 13 occurrences");
    ExpectKeywords(list, model, false);
}

// Beside the main window's frame: right, else left, else left of its buttons over the
// rest of it, else narrowed on the wider side.
TEST(PlaceBeside, BesideTheMainWindowAndNeverOverItsButtons) {
    const QMargins frame(2, 30, 2, 2);
    const QSize size(800, 600);
    struct Case {
        QRect main;
        int buttonsLeft;
        QRect screen;
        int minimumWidth;
        std::optional<QRect> placed;
    } cases[] = {
        {{100, 100, 520, 240}, 530, {0, 0, 1600, 1000}, 500, QRect(630, 130, 800, 600)},
        {{1000, 100, 520, 240}, 1430, {0, 0, 1600, 1000}, 500, QRect(190, 130, 800, 600)},
        // Covering the banner, not the buttons.
        {{500, 100, 520, 240}, 930, {0, 0, 1600, 1000}, 500, QRect(120, 130, 800, 600)},
        {{423, 100, 520, 240}, 853, {0, 0, 1366, 768}, 500, QRect(43, 130, 800, 600)},
        // Narrowed where even that leaves no room.
        {{283, 100, 800, 240}, 700, {0, 0, 1366, 768}, 200, QRect(1093, 130, 271, 600)},
        {{283, 100, 800, 240}, 700, {0, 0, 1366, 768}, 500, std::nullopt},
        // Level with the main window as far as the screen's bottom allows.
        {{100, 500, 520, 240}, 530, {0, 0, 1600, 1000}, 500, QRect(630, 398, 800, 600)},
    };
    for (const Case& c : cases) {
        const QRect buttons(c.buttonsLeft, c.main.top(), c.main.right() + 1 - c.buttonsLeft,
                            c.main.height());
        EXPECT_EQ(PlaceBeside(c.main, buttons, size, c.minimumWidth, frame, c.screen), c.placed)
            << c.main.x() << "," << c.main.y();
    }
}

}  // namespace
}  // namespace tarvolen
