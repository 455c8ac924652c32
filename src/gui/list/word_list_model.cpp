#include "gui/list/word_list_model.h"

#include <iterator>

#include "core/analysis/keyness.h"
#include "core/collect/word_store.h"
#include "core/list/list_search.h"
#include "core/list/list_table.h"
#include "core/list/list_text.h"
#include "core/util/format_count.h"

namespace tarvolen {

namespace {

static_assert(std::size(kTableColumns) == CWordListModel::ColumnCount);

}  // namespace

QString CWordListModel::Grouped(std::uint64_t value) {
    return QString::fromStdString(FormatCount64(static_cast<std::int64_t>(value), ','));
}

CWordListModel::CWordListModel(QObject* parent) : QAbstractTableModel(parent) {}

void CWordListModel::Reload(const WordStore& store, CodePage encoding) {
    store_ = &store;
    encoding_ = encoding;
    Retake();
}

void CWordListModel::Retake() {
    beginResetModel();
    suspended_ = false;
    // Dropped first, so that old and new are never held together.
    order_ = {};
    shown_ = {};
    snapshot_.Take(*store_, reference_, referenceOnlyShown_);
    Arrange();
    endResetModel();
    emit ShownChanged();
}

void CWordListModel::SetReference(const WordStore* reference) {
    reference_ = reference;
    if (reference != nullptr) {
        sort_ = {ListSortKey::Keyness, true};
    } else if (sort_.key == ListSortKey::ReferenceCount || sort_.key == ListSortKey::Keyness ||
               sort_.key == ListSortKey::LogRatio) {
        sort_ = {ListSortKey::Count, true};
    }
    Recompare();
}

void CWordListModel::Recompare() {
    beginResetModel();
    // The columns change all the same, also with no rows to compare.
    if (store_ != nullptr && !suspended_) {
        order_ = {};
        shown_ = {};
        snapshot_.Compare(reference_, referenceOnlyShown_);
        Arrange();
    }
    endResetModel();
    emit ShownChanged();
}

void CWordListModel::SetReferenceOnlyShown(bool shown) {
    if (shown == referenceOnlyShown_)
        return;
    referenceOnlyShown_ = shown;
    if (Comparing())
        Recompare();
}

void CWordListModel::Suspend() {
    if (suspended_)
        return;
    beginResetModel();
    suspended_ = true;
    snapshot_.Clear();
    order_ = {};
    shown_ = {};
    shownOccurrences_ = 0;
    endResetModel();
    emit ShownChanged();
}

int CWordListModel::ColumnOf(ListSortKey key) {
    switch (key) {
        case ListSortKey::Rank:
            return Rank;
        case ListSortKey::Word:
        case ListSortKey::WordBackwards:
            return Word;
        case ListSortKey::Count:
            return Count;
        case ListSortKey::Length:
            return Length;
        case ListSortKey::Range:
            return Range;
        case ListSortKey::ReferenceCount:
            return ReferenceCount;
        case ListSortKey::Keyness:
            return G2;
        case ListSortKey::LogRatio:
            return LogRatio;
    }
    return Rank;
}

void CWordListModel::SetSort(ListSort sort) {
    if (sort == sort_)
        return;
    sort_ = sort;
    beginResetModel();
    Arrange();
    endResetModel();
    emit ShownChanged();
}

void CWordListModel::sort(int column, Qt::SortOrder order) {
    ListSort wanted{ListSortKey::Rank, order == Qt::DescendingOrder};
    switch (column) {
        case Word:
            wanted.key = sort_.key == ListSortKey::WordBackwards ? ListSortKey::WordBackwards
                                                                 : ListSortKey::Word;
            break;
        case Count:
        case Percent:
        case PerMillion:
            wanted.key = ListSortKey::Count;
            break;
        case Length:
            wanted.key = ListSortKey::Length;
            break;
        case Range:
        case RangePercent:
            wanted.key = ListSortKey::Range;
            break;
        case ReferenceCount:
            wanted.key = ListSortKey::ReferenceCount;
            break;
        case G2:
            wanted.key = ListSortKey::Keyness;
            break;
        case LogRatio:
            wanted.key = ListSortKey::LogRatio;
            break;
        default:
            break;
    }
    SetSort(wanted);
}

QString CWordListModel::SetSearch(const QString& text, bool regularExpression) {
    if (regularExpression && !text.isEmpty()) {
        QRegularExpression expression(text, QRegularExpression::CaseInsensitiveOption);
        if (!expression.isValid())
            return expression.errorString();
        expression_ = expression;
    }
    if (text == searchText_ && regularExpression == regularExpression_)
        return {};
    searchText_ = text;
    regularExpression_ = regularExpression;
    beginResetModel();
    Search();
    endResetModel();
    emit ShownChanged();
    return {};
}

void CWordListModel::Arrange() {
    order_ = SortRows(snapshot_, sort_, encoding_);
    Search();
}

void CWordListModel::Search() {
    shown_ = {};
    searching_ = false;
    if (regularExpression_ && !searchText_.isEmpty()) {
        searching_ = true;
        shown_ = MatchingRows(snapshot_, order_, [this](std::string_view word) {
            return expression_.match(QString::fromStdString(ListWordUtf8(encoding_, word)))
                .hasMatch();
        });
    } else if (!regularExpression_) {
        const std::u32string typed = searchText_.toStdU32String();
        const WordSearch search(encoding_, typed);
        if (!search.MatchesEverything()) {
            searching_ = true;
            shown_ = MatchingRows(snapshot_, order_, [&search](std::string_view word) {
                return search.Matches(word);
            });
        }
    }
    shownOccurrences_ = 0;
    if (!searching_) {
        shownOccurrences_ = snapshot_.TotalOccurrences();
        return;
    }
    for (const std::uint32_t row : shown_)
        shownOccurrences_ += snapshot_.Count(row);
}

QString CWordListModel::WordText(std::uint32_t row) const {
    return QString::fromStdString(ListWordUtf8(encoding_, snapshot_.Word(row)));
}

int CWordListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(ShownCount());
}

int CWordListModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    // Kept while the rows are away, so that the columns keep their widths.
    return Comparing() ? ColumnCount : ColumnCount - static_cast<int>(kComparisonColumns);
}

QVariant CWordListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::TextAlignmentRole) {
        return index.column() == Word ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                      : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole)
        return {};
    const std::uint32_t row = ShownRow(static_cast<std::size_t>(index.row()));
    const std::uint32_t count = snapshot_.Count(row);
    switch (index.column()) {
        case Rank:
            // The reference's own words have no rank in the list.
            return snapshot_.InList(row) ? Grouped(std::uint64_t{row} + 1) : QString();
        case Word:
            return WordText(row);
        case Count:
            return Grouped(count);
        case Percent:
            return QString::number(ShareOf(count, snapshot_.TotalOccurrences(), 100.0), 'f', 2);
        case PerMillion:
            return QString::number(ShareOf(count, snapshot_.TotalOccurrences(), 1e6), 'f', 1);
        case Range:
            return Grouped(snapshot_.Range(row));
        case RangePercent:
            if (snapshot_.DocumentCount() == 0)
                return QString();
            return QString::number(ShareOf(snapshot_.Range(row), snapshot_.DocumentCount(), 100.0),
                                   'f', 2);
        case Length:
            return QString::number(ListWordLength(encoding_, snapshot_.Word(row)));
        case ReferenceCount:
            return snapshot_.Comparing() ? Grouped(snapshot_.ReferenceCount(row)) : QVariant();
        case G2:
            return snapshot_.Comparing()
                       ? QString::fromStdString(FormatKeyness(snapshot_.KeynessAt(row).g2))
                       : QVariant();
        case LogRatio:
            return snapshot_.Comparing()
                       ? QString::fromStdString(FormatKeyness(snapshot_.KeynessAt(row).logRatio))
                       : QVariant();
        default:
            return {};
    }
}

QVariant CWordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(kTableColumns[section]);
    // Numbers are first looked at largest first, words and ranks from the top.
    if (role == Qt::InitialSortOrderRole)
        return section == Rank || section == Word ? Qt::AscendingOrder : Qt::DescendingOrder;
    if (role == Qt::TextAlignmentRole && section != Word)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return QAbstractTableModel::headerData(section, orientation, role);
}

}  // namespace tarvolen
