#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/concordance/concordance_sort.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

namespace tarvolen {

class CConcordanceModel;
class CMainDialog;
class CRowTableView;
class LineSpool;

// The Concordance window: every occurrence of one entry of the list in the documents
// it was counted from, centred between its contexts. Modeless, one at a time, a child
// window of the main window. It reads the documents the program remembers from the
// Adds since the last Reset, each under the options of its Add, and shows the lines
// as they are found; it can be scrolled, sorted and cancelled meanwhile.
class CConcordanceWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr const char* kTitle = "Concordance - Tarvolen";
    // Under the table: lines, and the documents they are in.
    static constexpr const char* kReadingText = "Reading the documents...";
    static constexpr const char* kCancelledText =
        "Cancelled: the lines found until then are shown.";
    static constexpr const char* kNoDocumentsText =
        "No documents were added since the list was last reset.";
    static constexpr const char* kSavedListsOnlyText =
        "The list's words came from saved lists (Word List...), which have no documents to "
        "show them in.";
    static constexpr const char* kSavedListsTooText =
        "Words that came from saved lists (Word List...) have no documents: their "
        "occurrences are not shown.";
    static constexpr const char* kChangedFormat =
        "Changed since they were added, read as they are now: %s";
    static constexpr const char* kGoneFormat = "No longer found, not read: %s";
    static constexpr const char* kNoWordFormat =
        "\"%s\" holds no word that the options of the documents count.";
    static constexpr int kDefaultContext = 40;

    explicit CConcordanceWindow(CMainDialog& main);
    ~CConcordanceWindow() override;

    // The main window's concordance window, opened or raised, showing entry (UTF-8 text
    // as the list shows it).
    static CConcordanceWindow* Open(CMainDialog& main, const QString& entry);

    // Shows the entry: the field takes it and the documents are read.
    void ShowEntry(const QString& entry);
    // Reads the documents for the entry in the field; asked while a reading is under
    // way, that reading stops and this one follows it.
    void Read();
    bool Reading() const { return reading_; }
    void Cancel() { cancelAsked_ = true; }
    // The selected lines to the clipboard as tab-separated text with a header.
    void CopySelection();
    // Every line, in the order shown, to a file the person picks, as CSV or TSV.
    void ExportLines();
    // The sort keys chosen, first first.
    std::vector<ConcordanceKey> SortKeys() const;
    void SetSortKeys(const std::vector<ConcordanceKey>& keys);

    CConcordanceModel& model() const { return *model_; }
    CRowTableView* table() const { return table_; }
    QLineEdit* entryField() const { return entry_; }
    QSpinBox* contextBox() const { return context_; }
    QComboBox* sortBox(int i) const { return sortKeys_[i]; }
    QLabel* countsLine() const { return counts_; }
    QLabel* noteLine() const { return note_; }
    QPushButton* cancelButton() const { return cancel_; }
    QProgressBar* progressBar() const { return progress_; }

  protected:
    // While the documents are read, a close waits for the reading to stop.
    void closeEvent(QCloseEvent* event) override;

  private:
    class Progress;
    void ReadOnce();
    void ShowCounts(std::size_t lines, std::size_t documents);
    void OnSortAsked(int column);
    std::string TableText(bool csv, const std::vector<int>& rows, bool header) const;

    CMainDialog& main_;
    CConcordanceModel* model_ = nullptr;
    QLineEdit* entry_ = nullptr;
    QPushButton* show_ = nullptr;
    QSpinBox* context_ = nullptr;
    QComboBox* sortKeys_[3] = {};
    CRowTableView* table_ = nullptr;
    QLabel* note_ = nullptr;
    QLabel* counts_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* close_ = nullptr;
    QTimer* contextTimer_ = nullptr;
    std::shared_ptr<LineSpool> spool_;
    bool reading_ = false;
    bool cancelAsked_ = false;
    bool readAgain_ = false;
    bool closeAsked_ = false;
};

}  // namespace tarvolen
