#include "gui/concordance/concordance_model.h"

#include <QColor>
#include <QFileInfo>
#include <QFont>

namespace tarvolen {

namespace {

// Lines kept read back from the spool: a few screens' worth.
constexpr std::size_t kCachedLines = 512;

constexpr const char* kHeaders[] = {"File", "Line", "Left", "Match", "Right"};

}  // namespace

CConcordanceModel::CConcordanceModel(QObject* parent) : QAbstractTableModel(parent) {}

void CConcordanceModel::Start(std::shared_ptr<const LineSpool> spool) {
    beginResetModel();
    spool_ = std::move(spool);
    rows_ = 0;
    order_.clear();
    cache_.clear();
    endResetModel();
}

void CConcordanceModel::ShowAdded() {
    if (spool_ == nullptr || !order_.empty())
        return;
    const int size = static_cast<int>(spool_->Size());
    if (size == rows_)
        return;
    beginInsertRows(QModelIndex(), rows_, size - 1);
    rows_ = size;
    endInsertRows();
}

void CConcordanceModel::SetOrder(std::vector<std::uint32_t> order) {
    beginResetModel();
    order_ = std::move(order);
    rows_ = spool_ != nullptr ? static_cast<int>(spool_->Size()) : 0;
    endResetModel();
}

const LineSpool::Line& CConcordanceModel::LineAt(int row) const {
    const std::size_t line = LineOf(row);
    if (const auto found = cache_.find(line); found != cache_.end())
        return found->second;
    if (cache_.size() >= kCachedLines)
        cache_.clear();
    return cache_.emplace(line, spool_->At(line)).first->second;
}

QString CConcordanceModel::FileOf(const LineSpool::Line& line) const {
    const std::vector<std::string>& documents = spool_->Documents();
    return line.document < documents.size() ? QString::fromStdString(documents[line.document])
                                            : QString();
}

int CConcordanceModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int CConcordanceModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CConcordanceModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_)
        return {};
    const int column = index.column();
    if (role == Qt::TextAlignmentRole) {
        // The matches line up between a context right-aligned and one left-aligned.
        if (column == Left || column == Line)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        if (column == Match)
            return QVariant(Qt::AlignHCenter | Qt::AlignVCenter);
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role == Qt::FontRole && column == Match) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role == Qt::ForegroundRole && column == Match)
        return QColor(0x0b, 0x3d, 0x91);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const LineSpool::Line& line = LineAt(index.row());
    switch (column) {
        case File:
            return role == Qt::ToolTipRole ? FileOf(line) : QFileInfo(FileOf(line)).fileName();
        case Line:
            return QString::number(line.line);
        case Left:
            return QString::fromStdString(line.left);
        case Match:
            return QString::fromStdString(line.match);
        case Right:
            return QString::fromStdString(line.right);
        default:
            return {};
    }
}

QVariant CConcordanceModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromUtf8(kHeaders[section]);
}

}  // namespace tarvolen
