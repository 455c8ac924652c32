#include "gui/wordtable/word_list_model.h"

#include <algorithm>
#include <iterator>

#include "core/analysis/keyness.h"
#include "core/ports/ticks.h"
#include "core/store/word_store.h"
#include "core/text/collation.h"
#include "core/text/format_count.h"
#include "core/wordtable/list_search.h"
#include "core/wordtable/list_table.h"
#include "core/wordtable/list_text.h"

namespace tarvolen {

namespace {

static_assert(std::size(kTableColumns) == CWordListModel::ColumnCount);

// The key each column sorts by; its first column is where a key shows its arrow.
constexpr ListSortKey kColumnKey[] = {
    ListSortKey::Rank,           ListSortKey::Word,    ListSortKey::Count,   ListSortKey::Count,
    ListSortKey::Count,          ListSortKey::Range,   ListSortKey::Range,   ListSortKey::Length,
    ListSortKey::ReferenceCount, ListSortKey::Keyness, ListSortKey::LogRatio};
static_assert(std::size(kColumnKey) == CWordListModel::ColumnCount);

}  // namespace

QString CWordListModel::Grouped(std::uint64_t value) {
    return QString::fromStdString(FormatCount64(static_cast<std::int64_t>(value), ','));
}

namespace {

// How long an expression search keeps the window before it answers its events again.
constexpr std::uint32_t kSearchSliceMilliseconds = 25;

}  // namespace

CWordListModel::CWordListModel(QObject* parent) : QAbstractTableModel(parent) {
    connect(&searchTimer_, &QTimer::timeout, this, &CWordListModel::ContinueSearch);
}

CWordListModel::~CWordListModel() = default;

void CWordListModel::Reload(const WordStore& store, CodePage encoding) {
    store_ = &store;
    encoding_ = encoding;
    Reset([this] {
        suspended_ = false;
        // Dropped first, so that old and new are never held together.
        order_ = {};
        shown_ = {};
        snapshot_.Take(*store_, reference_, referenceOnlyShown_);
        Arrange();
    });
}

template <typename Change>
void CWordListModel::Reset(Change change) {
    beginResetModel();
    change();
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
    // The columns change all the same, also with no rows to compare.
    Reset([this] {
        if (store_ == nullptr || suspended_)
            return;
        order_ = {};
        shown_ = {};
        snapshot_.Compare(reference_, referenceOnlyShown_);
        Arrange();
    });
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
    const bool running = searchTimer_.isActive();
    searchTimer_.stop();
    if (running)
        emit SearchStateChanged();
    Reset([this] {
        suspended_ = true;
        snapshot_.Clear();
        order_ = {};
        shown_ = {};
        shownOccurrences_ = 0;
    });
}

int CWordListModel::ColumnOf(ListSortKey key) {
    if (key == ListSortKey::WordBackwards)
        return Word;
    return static_cast<int>(std::find(std::begin(kColumnKey), std::end(kColumnKey), key) -
                            std::begin(kColumnKey));
}

void CWordListModel::SetCollation(std::unique_ptr<Collation> collation) {
    collation_ = std::move(collation);
    // Only the words' own order follows the language.
    if (sort_.key == ListSortKey::Word)
        Reset([this] { Arrange(); });
}

void CWordListModel::SetSort(ListSort sort) {
    if (sort == sort_)
        return;
    sort_ = sort;
    Reset([this] { Arrange(); });
}

void CWordListModel::sort(int column, Qt::SortOrder order) {
    ListSort wanted{ListSortKey::Rank, order == Qt::DescendingOrder};
    if (column >= 0 && column < ColumnCount)
        wanted.key = kColumnKey[column];
    // Word keeps reading backwards when it did so already.
    if (wanted.key == ListSortKey::Word && sort_.key == ListSortKey::WordBackwards)
        wanted.key = ListSortKey::WordBackwards;
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
    Reset([this] { Search(); });
    return {};
}

void CWordListModel::Arrange() {
    order_ = SortRows(snapshot_, sort_, encoding_, collation_.get());
    Search();
}

bool CWordListModel::MatchesExpression(std::string_view word) const {
    return expression_.match(QString::fromStdString(ListWordUtf8(encoding_, word))).hasMatch();
}

void CWordListModel::StopSearch() {
    if (!searchTimer_.isActive())
        return;
    searchTimer_.stop();
    searchStopped_ = true;
    emit SearchStateChanged();
}

void CWordListModel::ContinueSearch() {
    std::vector<std::uint32_t> found;
    sliced_.Slice(
        snapshot_, order_, [this](std::string_view word) { return MatchesExpression(word); }, found,
        SystemTicks(), kSearchSliceMilliseconds);
    if (!found.empty()) {
        const auto first = static_cast<int>(shown_.size());
        beginInsertRows({}, first, first + static_cast<int>(found.size()) - 1);
        for (const std::uint32_t row : found)
            shownOccurrences_ += snapshot_.Count(row);
        shown_.insert(shown_.end(), found.begin(), found.end());
        endInsertRows();
    }
    if (sliced_.Done())
        searchTimer_.stop();
    emit ShownChanged();
    emit SearchStateChanged();
}

void CWordListModel::Search() {
    const bool wasRunning = searchTimer_.isActive() || searchStopped_;
    searchTimer_.stop();
    searchStopped_ = false;
    shown_ = {};
    searching_ = false;
    if (regularExpression_ && !searchText_.isEmpty()) {
        // The first slice at once: a short list is searched whole before the rows show.
        searching_ = true;
        sliced_.Start(order_.size());
        sliced_.Slice(
            snapshot_, order_, [this](std::string_view word) { return MatchesExpression(word); },
            shown_, SystemTicks(), kSearchSliceMilliseconds);
        if (!sliced_.Done())
            searchTimer_.start(0);
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
    if (wasRunning || searchTimer_.isActive())
        emit SearchStateChanged();
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
        // These columns are there only while the rows are compared.
        case ReferenceCount:
            return Grouped(snapshot_.ReferenceCount(row));
        case G2:
            return QString::fromStdString(FormatKeyness(snapshot_.KeynessAt(row).g2));
        case LogRatio:
            return QString::fromStdString(FormatKeyness(snapshot_.KeynessAt(row).logRatio));
        default:
            return {};
    }
}

QVariant CWordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole) {
        if (section == Word && sort_.key == ListSortKey::WordBackwards)
            return QString::fromUtf8(kWordReversedHeader);
        return QString::fromUtf8(kTableColumns[section]);
    }
    if (role == Qt::ToolTipRole && (section == G2 || section == LogRatio))
        return QString::fromUtf8(section == G2 ? kG2ToolTip : kLogRatioToolTip);
    // Numbers are first looked at largest first, words and ranks from the top.
    if (role == Qt::InitialSortOrderRole)
        return section == Rank || section == Word ? Qt::AscendingOrder : Qt::DescendingOrder;
    if (role == Qt::TextAlignmentRole && section != Word)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return QAbstractTableModel::headerData(section, orientation, role);
}

}  // namespace tarvolen
