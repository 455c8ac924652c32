#pragma once

#include <QAbstractTableModel>
#include <QRegularExpression>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/text/code_page.h"
#include "core/wordtable/list_order.h"
#include "core/wordtable/list_snapshot.h"
#include "core/wordtable/sliced_search.h"

namespace tarvolen {

class Collation;
class WordStore;

// The Word List window's table: a snapshot of the store in FrequencyOrder, one array
// of row indexes in the order sorted by, and while a search is typed one more of the
// rows it shows. Cells are made when the view asks for them, so a list of millions of
// words costs those arrays (4 bytes a word each, ListSnapshot and RowOrder say when
// less) and nothing per row on screen.
class CWordListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column {
        Rank,
        Word,
        Count,
        Percent,
        PerMillion,
        Range,
        RangePercent,
        Length,
        // While compared with a reference list:
        ReferenceCount,
        G2,
        LogRatio,
        ColumnCount
    };

    // The Word column's header while the words are sorted read from their end.
    static constexpr const char* kWordReversedHeader = "Word (reversed)";
    // What the comparison's figures measure, on their headers.
    static constexpr const char* kG2ToolTip =
        "Log-likelihood G2: how sure it is that the word is more (positive)\n"
        "or less (negative) frequent in the list than in the reference.\n"
        "The usual critical values:\n"
        "3.84 (p < 0.05), 6.63 (p < 0.01),\n"
        "10.83 (p < 0.001), 15.13 (p < 0.0001).";
    static constexpr const char* kLogRatioToolTip =
        "Log Ratio: how much more (positive) or less (negative) frequent\n"
        "the word is in the list than in the reference, as log2 of the ratio\n"
        "of its relative frequencies: 1 is twice as frequent, -1 half.\n"
        "A count of 0 is taken as 0.5; where that would turn the direction\n"
        "round, the Log Ratio is 0.00.";

    explicit CWordListModel(QObject* parent = nullptr);
    ~CWordListModel() override;

    // The store's words as they are now, sorted and searched as before.
    void Reload(const WordStore& store, CodePage encoding);
    // Shows no rows until the next Reload: the store is about to change under the
    // snapshot, whose texts may then move.
    void Suspend();
    bool Suspended() const { return suspended_; }

    // Compares the list with the reference (null: no more), sorted by G2 as the
    // keyword list is. The reference must stay as it is while it is set.
    void SetReference(const WordStore* reference);
    bool Comparing() const { return reference_ != nullptr; }
    // Whether the reference's words the list lacks are rows too.
    void SetReferenceOnlyShown(bool shown);

    ListSort Sort() const { return sort_; }
    void SetSort(ListSort sort);
    // The language whose order the Word column sorts in; null: byte order.
    void SetCollation(std::unique_ptr<Collation> collation);
    const Collation* collation() const { return collation_.get(); }
    // The column whose header shows the sort.
    static int ColumnOf(ListSortKey key);

    // The search text, plain (WordSearch) or a regular expression. An invalid
    // expression leaves the rows as they were and returns its error; empty otherwise.
    // An expression is matched a slice of rows at a time between the window's events,
    // the rows it finds added as it goes (see SlicedSearch); whatever changes the rows
    // (another search, a sort, the list) starts it anew.
    QString SetSearch(const QString& text, bool regularExpression);
    // An expression search still under way, and how far it got.
    bool SearchRunning() const { return searchTimer_.isActive(); }
    int SearchPercent() const { return sliced_.Percent(); }
    // Ends the search under way: the rows found so far stay. Until the next search,
    // SearchStopped says so.
    void StopSearch();
    bool SearchStopped() const { return searchStopped_; }

    // Snapshot rows in the order shown.
    std::size_t ShownCount() const { return searching_ ? shown_.size() : order_.size(); }
    std::uint32_t ShownRow(std::size_t i) const { return searching_ ? shown_[i] : order_[i]; }
    std::vector<std::uint32_t> ShownRowList() const {
        return searching_ ? shown_ : order_.ToVector();
    }
    std::size_t WordCount() const { return snapshot_.size(); }
    std::uint64_t ShownOccurrences() const { return shownOccurrences_; }
    const ListSnapshot& snapshot() const { return snapshot_; }
    // The memory of the three arrays, for the benchmark of bytes per word.
    std::size_t BytesHeld() const {
        return snapshot_.BytesHeld() + order_.BytesHeld() +
               shown_.capacity() * sizeof(std::uint32_t);
    }
    CodePage encoding() const { return encoding_; }
    // A count as the status line shows it: 1,234,567.
    static QString Grouped(std::uint64_t value);
    // The word of a row as the table shows it.
    QString WordText(std::uint32_t row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // A header click: Word keeps reading backwards when it did so already.
    void sort(int column, Qt::SortOrder order) override;

  signals:
    // The rows shown, or their number, changed.
    void ShownChanged();
    // A search began, went on, ended or was stopped.
    void SearchStateChanged();

  private:
    // Runs change inside a model reset, and says the rows shown changed.
    template <typename Change>
    void Reset(Change change);
    // Compares the snapshot again as the reference and its check box say, sorted and
    // searched as before, inside a model reset.
    void Recompare();
    // Sorts and searches the snapshot again, inside a model reset.
    void Arrange();
    void Search();
    bool MatchesExpression(std::string_view word) const;
    // The next slice of the expression search, its rows added to those shown.
    void ContinueSearch();

    ListSnapshot snapshot_;
    const WordStore* store_ = nullptr;
    const WordStore* reference_ = nullptr;
    bool referenceOnlyShown_ = false;
    CodePage encoding_ = CodePage::Windows1252;
    ListSort sort_{ListSortKey::Count, true};  // FrequencyOrder
    std::unique_ptr<Collation> collation_;
    RowOrder order_;
    std::vector<std::uint32_t> shown_;
    std::uint64_t shownOccurrences_ = 0;
    QString searchText_;
    bool regularExpression_ = false;
    QRegularExpression expression_;
    bool searching_ = false;
    bool suspended_ = false;
    SlicedSearch sliced_;
    QTimer searchTimer_;
    bool searchStopped_ = false;
};

}  // namespace tarvolen
