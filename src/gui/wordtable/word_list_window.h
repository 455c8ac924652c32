#pragma once

#include <QRect>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/wordtable/list_order.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace tarvolen {

class CCollationBox;
class CMainDialog;
class CRowTableView;
class CWordListModel;
struct RunState;

// The Word List window: every word of the list with its count and range, to sort,
// search, copy, export and delete, and to compare with a reference list. Modeless and one at a
// time, a child window of the main window, so that it is disabled with it while a long operation
// runs. It follows the list: whenever a command has changed it, the window shows it as it is now,
// sorted and searched as before.
class CWordListWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr const char* kTitle = "Word List - Tarvolen";
    static constexpr const char* kNothingToShowText = "The project is empty, nothing to show!";
    // Shown under the table: words shown, words in the list, their occurrences.
    static constexpr const char* kCountsFormat = "%s of %s words shown, %s occurrences";
    static constexpr const char* kWaitingText = "The list is being changed...";
    // Above the table while the list is compared: the reference's file name, its
    // distinct words and its occurrences.
    static constexpr const char* kReferenceFormat =
        "Reference: %s, %s distinct words, %s occurrences";

    explicit CWordListWindow(CMainDialog& main);
    ~CWordListWindow() override;

    // The main window's list window, opened or raised.
    static CWordListWindow* Open(CMainDialog& main);

    CWordListModel& model() const { return *model_; }
    CRowTableView* table() const { return table_; }
    QLineEdit* searchField() const { return search_; }
    QCheckBox* regularExpressionBox() const { return regularExpression_; }
    CCollationBox* collationBox() const { return collation_; }
    QLabel* searchError() const { return searchError_; }
    QLabel* countsLine() const { return counts_; }
    QPushButton* exportButton() const { return export_; }
    QPushButton* deleteButton() const { return delete_; }
    QPushButton* sortButton() const { return sort_; }
    QLabel* referenceLine() const { return reference_; }
    QPushButton* compareButton() const { return compare_; }
    QPushButton* clearComparisonButton() const { return clearComparison_; }
    QCheckBox* referenceOnlyBox() const { return referenceOnly_; }

    // Runs a menu at a point of the screen until it closes: QMenu::exec, unless a test
    // answers in its place, as the scripted dialogs do.
    std::function<void(QMenu&, const QPoint&)> ExecMenu;

    // Snapshot rows of the selection, in the order shown.
    std::vector<std::uint32_t> SelectedRows() const;
    // Those of them that Delete takes: on screen (never one scrolled out of view,
    // which nobody would see go) and the list's own (not the reference's only).
    std::vector<std::uint32_t> DeletableRows() const;
    // The selected rows to the clipboard as tab-separated text with a header.
    void CopySelection();
    // The shown rows to a file the person picks, as CSV or TSV.
    void ExportShown();
    // Removes the DeletableRows' words from the list after one question that names them.
    void DeleteSelection();
    // Sorts by the word read from its end.
    void SortBackwards();
    void SetSort(ListSort sort);
    // The menu of the rows (the right button, the Menu key, Shift+F10): Copy, Delete
    // and the sorts, at a point of the screen.
    void ShowRowMenu(const QPoint& at);
    // The Concordance window for the current row's word.
    void OpenConcordance();
    // Compares the list with a reference list the person picks, as "Word List..."
    // picks and reads lists; a refused one leaves the window as it was.
    void Compare();
    void ClearComparison();

  protected:
    void changeEvent(QEvent* event) override;
    // Keeps the window's place, size, column widths and sort for the next run.
    void closeEvent(QCloseEvent* event) override;
    // Closes with the main window (not when it is only minimized).
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Reload();
    // Runs a command of the main window's (its dialogs over the main window), then
    // brings this window forward again.
    void RunOverMain(const std::function<void()>& command);
    void OnListChanged();
    void OnCommandsFinished();
    void ApplySearch();
    void ApplyCollation();
    void UpdateCounts();
    void ShowSortIndicator();
    void UpdateButtons();
    void ShowComparison();
    // Beside the main window rather than over its buttons, where the screen has room;
    // where it was last time when that covers nothing of the main window.
    void PlaceBesideMain();
    // The sort and the column widths of the last run.
    void RestoreKept();
    // Where the main window's command buttons are on the screen.
    QRect MainButtonsArea() const;
    // The main window's frame on the screen, as far as it is known.
    QRect MainFrame() const;
    // The word's column takes the room the others leave, down to a least width.
    void FitWordColumn();
    // The width that shows every column whole.
    int WidthForColumns() const;

    CMainDialog& main_;
    CWordListModel* model_ = nullptr;
    QLineEdit* search_ = nullptr;
    QCheckBox* regularExpression_ = nullptr;
    CCollationBox* collation_ = nullptr;
    QLabel* searchError_ = nullptr;
    CRowTableView* table_ = nullptr;
    QLabel* counts_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* sort_ = nullptr;
    QLabel* reference_ = nullptr;
    QPushButton* compare_ = nullptr;
    QCheckBox* referenceOnly_ = nullptr;
    QPushButton* clearComparison_ = nullptr;
    QPushButton* close_ = nullptr;
    // The list compared with, kept so that the comparison follows the list.
    std::unique_ptr<RunState> referenceList_;
    std::string referencePath_;
    // Where the window was before a comparison widened it, to go back to.
    QRect beforeComparison_;
    // The list changed while a command ran; shown anew once it ends.
    bool stale_ = false;
    bool formsShown_ = false;  // the table has the Forms column
};

}  // namespace tarvolen
