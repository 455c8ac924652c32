#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvolen {

class CMainDialog;
class CRowTableView;
class CWordListModel;
struct Workspace;

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
    static constexpr const char* kDeleteQuestionFormat =
        "Are you sure you want to delete %s words from the list?";
    static constexpr const char* kDeleteOneQuestion =
        "Are you sure you want to delete 1 word from the list?";
    // Shown under the table: words shown, words in the list, their occurrences.
    static constexpr const char* kCountsFormat = "%s of %s words shown, %s occurrences";
    static constexpr const char* kWaitingText = "The list is being changed...";
    static constexpr const char* kExportFilter =
        "Comma-separated values (*.csv)|*.csv|Tab-separated text (*.tsv)|*.tsv||";

    explicit CWordListWindow(CMainDialog& main);
    ~CWordListWindow() override;

    // The main window's list window, opened or raised.
    static CWordListWindow* Open(CMainDialog& main);

    CWordListModel& model() const { return *model_; }
    CRowTableView* table() const { return table_; }
    QLineEdit* searchField() const { return search_; }
    QCheckBox* regularExpressionBox() const { return regularExpression_; }
    QLabel* searchError() const { return searchError_; }
    QLabel* countsLine() const { return counts_; }
    QPushButton* exportButton() const { return export_; }
    QPushButton* deleteButton() const { return delete_; }
    QPushButton* compareButton() const { return compare_; }
    QPushButton* clearComparisonButton() const { return clearComparison_; }
    QCheckBox* referenceOnlyBox() const { return referenceOnly_; }

    // Snapshot rows of the selection, in the order shown.
    std::vector<std::uint32_t> SelectedRows() const;
    // The selected rows to the clipboard as tab-separated text with a header.
    void CopySelection();
    // The shown rows to a file the person picks, as CSV or TSV.
    void ExportShown();
    // Removes the selected words from the list after one question.
    void DeleteSelection();
    // Sorts by the word read from its end.
    void SortBackwards();
    // Compares the list with a reference list the person picks, as "Word List..."
    // picks and reads lists; a refused one leaves the window as it was.
    void Compare();
    void ClearComparison();

  protected:
    void changeEvent(QEvent* event) override;
    // Closes with the main window (not when it is only minimized).
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Reload();
    void OnListChanged();
    void OnCommandsFinished();
    void ApplySearch();
    void UpdateCounts();
    void ShowSortIndicator();
    void ShowContextMenu(const QPoint& at, QWidget* from);
    void ShowComparison();
    // The width that shows every column whole.
    int WidthForColumns() const;

    CMainDialog& main_;
    CWordListModel* model_ = nullptr;
    QLineEdit* search_ = nullptr;
    QCheckBox* regularExpression_ = nullptr;
    QLabel* searchError_ = nullptr;
    CRowTableView* table_ = nullptr;
    QLabel* counts_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* compare_ = nullptr;
    QCheckBox* referenceOnly_ = nullptr;
    QPushButton* clearComparison_ = nullptr;
    QPushButton* close_ = nullptr;
    // The list compared with, kept so that the comparison follows the list.
    std::unique_ptr<Workspace> reference_;
    // The list changed while a command ran; shown anew once it ends.
    bool stale_ = false;
};

}  // namespace tarvolen
