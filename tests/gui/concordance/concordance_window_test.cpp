// The Concordance window over the main window: opened from the Word List window, its
// lines read from the documents the Adds read, under their options.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <string>
#include <vector>

#include "core/workspace.h"
#include "gui/concordance/concordance_model.h"
#include "gui/concordance/concordance_window.h"
#include "gui/wordtable/row_table_view.h"
#include "gui/wordtable/word_list_model.h"
#include "gui/wordtable/word_list_window.h"
#include "support/main_window_fixture.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::TempDir;
using Cells = std::vector<std::string>;

class ConcordanceWindowTest : public testing::MainWindowTest {
  protected:
    // The Add button, with Add Options answered by options and the files picked.
    void Add(std::vector<std::string> paths, const std::function<void(AddOptions&)>& options = {}) {
        dialogs.addOptions.push_back([options](AddOptions& add, AddMode& mode) {
            if (options)
                options(add);
            mode = AddMode::Files;
            return true;
        });
        picker.fileResults.push_back(FilePickResult{true, std::move(paths), 2});
        Click(CMainDialog::Button::Add);
        messages.shown.clear();
    }

    // Opened and active, so that its keys reach it.
    CWordListWindow* OpenList() {
        Click(CMainDialog::Button::ViewList);
        CWordListWindow* list = window->findChild<CWordListWindow*>();
        EXPECT_NE(list, nullptr);
        QApplication::setActiveWindow(list);
        EXPECT_TRUE(QTest::qWaitForWindowActive(list));
        list->table()->setFocus();
        return list;
    }
    CConcordanceWindow* Concordance() const { return window->findChild<CConcordanceWindow*>(); }

    // The list window's row of a word made current.
    static void Pick(CWordListWindow* list, const QString& word) {
        const CWordListModel& model = list->model();
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.data(model.index(row, CWordListModel::Word)).toString() == word) {
                list->table()->setCurrentIndex(model.index(row, CWordListModel::Word));
                return;
            }
        }
        ADD_FAILURE() << "no row " << word.toStdString();
    }

    static Cells Column(CConcordanceWindow* concordance, int column) {
        Cells cells;
        const CConcordanceModel& model = concordance->model();
        for (int row = 0; row < model.rowCount(); ++row)
            cells.push_back(model.data(model.index(row, column)).toString().toStdString());
        return cells;
    }

    TempDir dir;
};

// A double-click, Enter or the rows' menu on a word opens the window for it: every
// occurrence in its own case and characters, with its file, line and contexts.
TEST_F(ConcordanceWindowTest, OpensFromTheListWindowWithEveryOccurrence) {
    const std::string a = dir.Write("a.txt", "The cat sat.\r\nA Cat!\n\nno cats");
    const std::string b = dir.Write("b.txt", "cat");
    Add({a, b});
    CWordListWindow* list = OpenList();
    ASSERT_NE(list, nullptr);
    Pick(list, "cat");
    QTest::keyClick(list->table(), Qt::Key_Return);
    CConcordanceWindow* concordance = Concordance();
    ASSERT_NE(concordance, nullptr);
    EXPECT_EQ(concordance->windowTitle().toStdString(), CConcordanceWindow::kTitle);
    EXPECT_EQ(concordance->entryField()->text(), "cat");
    // An Add reads its files last first.
    EXPECT_EQ(Column(concordance, CConcordanceModel::File), (Cells{"b.txt", "a.txt", "a.txt"}));
    EXPECT_EQ(Column(concordance, CConcordanceModel::Line), (Cells{"1", "1", "2"}));
    EXPECT_EQ(Column(concordance, CConcordanceModel::Left), (Cells{"", "The ", "The cat sat. A "}));
    EXPECT_EQ(Column(concordance, CConcordanceModel::Match), (Cells{"cat", "cat", "Cat"}));
    EXPECT_EQ(Column(concordance, CConcordanceModel::Right),
              (Cells{"", " sat. A Cat! no cats", "! no cats"}));
    EXPECT_EQ(concordance->countsLine()->text(), "3 occurrences in 2 documents");
    EXPECT_TRUE(concordance->noteLine()->isHidden());

    // The same window, for another word, by the rows' menu and by a double-click.
    Pick(list, "sat");
    list->ExecMenu = [](QMenu& menu, const QPoint&) {
        for (QAction* action : menu.actions()) {
            if (action->text() == "Concordanc&e")
                action->trigger();
        }
    };
    list->ShowRowMenu({});
    EXPECT_EQ(Concordance(), concordance);
    EXPECT_EQ(Column(concordance, CConcordanceModel::Match), (Cells{"sat"}));
    Pick(list, "cats");
    const QRect cell = list->table()->visualRect(list->table()->currentIndex());
    // As a person's double-click arrives: a click, then the second press.
    QTest::mouseClick(list->table()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list->table()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(Column(concordance, CConcordanceModel::Match), (Cells{"cats"}));
    concordance->close();
    list->close();
}

// Sorted by the words beside the match, a missing word first, ties as found; a
// narrower context cuts both sides; another entry typed in the field.
TEST_F(ConcordanceWindowTest, SortsByNeighboursAndCutsTheContext) {
    Add({dir.Write("a.txt", "b x. c x d. a x c. x. a x b")});
    CConcordanceWindow* concordance = CConcordanceWindow::Open(*window, "x");
    const Cells lefts = {"b ", "b x. c ", "b x. c x d. a ", "b x. c x d. a x c. ",
                         "b x. c x d. a x c. x. a "};
    EXPECT_EQ(Column(concordance, CConcordanceModel::Left), lefts);
    concordance->SetSortKeys({1});  // R1: a, b, c, c, d
    EXPECT_EQ(Column(concordance, CConcordanceModel::Left),
              (Cells{lefts[3], lefts[4], lefts[0], lefts[2], lefts[1]}));
    concordance->SetSortKeys({-1, 1});  // L1 (a, a, b, c, c), then R1
    EXPECT_EQ(Column(concordance, CConcordanceModel::Left),
              (Cells{lefts[4], lefts[2], lefts[0], lefts[3], lefts[1]}));
    concordance->SetSortKeys({-3});  // L3: none, a, b, c, x
    EXPECT_EQ(Column(concordance, CConcordanceModel::Left),
              (Cells{lefts[0], lefts[3], lefts[1], lefts[4], lefts[2]}));
    // The header: Right sorts by R1 to R3, Line by the documents' order.
    concordance->table()->sortByColumn(CConcordanceModel::Right, Qt::AscendingOrder);
    EXPECT_EQ(concordance->SortKeys(), (std::vector<ConcordanceKey>{1, 2, 3}));
    concordance->table()->sortByColumn(CConcordanceModel::Line, Qt::AscendingOrder);
    EXPECT_TRUE(concordance->SortKeys().empty());
    EXPECT_EQ(Column(concordance, CConcordanceModel::Left), lefts);
    concordance->contextBox()->setValue(3);
    concordance->Read();
    EXPECT_EQ(Column(concordance, CConcordanceModel::Left),
              (Cells{"b ", " c ", " a ", "c. ", " a "}));
    EXPECT_EQ(Column(concordance, CConcordanceModel::Right),
              (Cells{". c", " d.", " c.", ". a", " b"}));
    concordance->entryField()->setText("A  X");  // two words: words in a row
    concordance->Read();
    EXPECT_EQ(Column(concordance, CConcordanceModel::Match), (Cells{"a x", "a x"}));
    concordance->close();
}

// Cancel stops the reading and keeps the lines found; a document changed since it was
// added is read as it is now and named; one that is gone is named and not read.
TEST_F(ConcordanceWindowTest, CancelChangedDocumentsAndSavedLists) {
    std::string big;
    for (int i = 0; i < 200000; ++i)
        big += "one word per line\n";
    const std::string a = dir.Write("a.txt", big);
    const std::string b = dir.Write("b.txt", "word");
    Add({a, b});
    CConcordanceWindow* concordance = CConcordanceWindow::Open(*window, "zzz");
    QObject::connect(&concordance->model(), &QAbstractItemModel::rowsInserted, concordance,
                     [concordance] { concordance->Cancel(); });
    concordance->ShowEntry("word");
    EXPECT_FALSE(concordance->Reading());
    EXPECT_GT(concordance->model().rowCount(), 0);
    EXPECT_LT(concordance->model().rowCount(), 200001);
    EXPECT_NE(
        concordance->noteLine()->text().toStdString().find(CConcordanceWindow::kCancelledText),
        std::string::npos);
    QObject::disconnect(&concordance->model(), &QAbstractItemModel::rowsInserted, concordance,
                        nullptr);

    dir.Write("b.txt", "word word");
    std::filesystem::remove(a);
    concordance->Read();
    EXPECT_EQ(concordance->model().rowCount(), 2);
    EXPECT_EQ(concordance->noteLine()->text().toStdString(),
              "Changed since they were added, read as they are now: b.txt\n"
              "No longer found, not read: a.txt");
    concordance->close();
}

// Export writes every line in the order shown, the file's full path, through the safe
// save; Copy the selected ones, as tab-separated text.
TEST_F(ConcordanceWindowTest, CopyAndExportTheLines) {
    const std::string a = dir.Write("a.txt", "one, \"two\" one");
    Add({a});
    CConcordanceWindow* concordance = CConcordanceWindow::Open(*window, "one");
    concordance->SetSortKeys({-1});
    const std::string out = (dir.path() / "lines.csv").string();
    picker.fileResults.push_back(FilePickResult{true, {out}, 1});
    concordance->ExportLines();
    EXPECT_EQ(TempDir::Read(out), "File,Line,Left,Match,Right\r\n" + a +
                                      ",1,,one,\", \"\"two\"\" one\"\r\n" + a +
                                      ",1,\"one, \"\"two\"\" \",one,\r\n");
    concordance->table()->selectionModel()->select(
        concordance->model().index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    concordance->CopySelection();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              "File\tLine\tLeft\tMatch\tRight\n" + a + "\t1\t\"one, \"\"two\"\" \"\tone\t\n");
    concordance->close();
}

TEST_F(ConcordanceWindowTest, ListsFromSavedListsHaveNoDocuments) {
    const std::string saved = dir.Write("list.txt", "word\n");
    dialogs.addOptions.push_back([](AddOptions&, AddMode& mode) {
        mode = AddMode::WordList;
        return true;
    });
    picker.fileResults.push_back(FilePickResult{true, {saved}, 1});
    Click(CMainDialog::Button::Add);
    CConcordanceWindow* concordance = CConcordanceWindow::Open(*window, "word");
    EXPECT_EQ(concordance->model().rowCount(), 0);
    EXPECT_EQ(concordance->noteLine()->text().toStdString(),
              CConcordanceWindow::kSavedListsOnlyText);
    // Reset forgets the documents and the lists.
    workspace.Added.fromSavedLists = false;
    concordance->Read();
    EXPECT_EQ(concordance->noteLine()->text().toStdString(), CConcordanceWindow::kNoDocumentsText);
    concordance->close();
}

}  // namespace
}  // namespace tarvolen

namespace tarvolen {
namespace {

// Counted under a lemma list, a headword's lines are those of its forms, found with the
// list as that Add read it (its file changed since), and not tallied as forms again.
TEST_F(ConcordanceWindowTest, AHeadwordShowsTheLinesOfItsForms) {
    const std::string lemmas = dir.Write("lemmas.txt", "be -> is, was");
    const std::string a = dir.Write("a.txt", "It was. It is. To be.");
    Add({a}, [&lemmas](AddOptions& add) { add.LemmaFile = lemmas; });
    dir.Write("lemmas.txt", "be -> were");
    CWordListWindow* list = OpenList();
    ASSERT_NE(list, nullptr);
    Pick(list, "be");
    const QModelIndex forms =
        list->model().index(list->table()->currentIndex().row(), list->model().FormsColumn());
    const QString formsBefore = list->model().data(forms).toString();
    QTest::keyClick(list->table(), Qt::Key_Return);
    CConcordanceWindow* concordance = Concordance();
    ASSERT_NE(concordance, nullptr);
    EXPECT_EQ(Column(concordance, CConcordanceModel::Match), (Cells{"was", "is", "be"}));
    EXPECT_EQ(concordance->countsLine()->text(), "3 occurrences in 1 document");
    EXPECT_EQ(list->model().data(forms).toString(), formsBefore);
    EXPECT_EQ(formsBefore, "be 1, is 1, was 1");
    concordance->close();
    list->close();
}

}  // namespace
}  // namespace tarvolen
