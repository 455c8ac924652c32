#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/concordance/line_spool.h"

namespace tarvolen {

// The Concordance window's table: the lines of a LineSpool, in the order found or in
// the order a sort gave. Cells are read back from the spool when the view asks for
// them, a few hundred lines kept at a time, so that millions of lines cost the spool's
// places and nothing per line on screen.
class CConcordanceModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { File, Line, Left, Match, Right, ColumnCount };

    explicit CConcordanceModel(QObject* parent = nullptr);

    // Lines to come, from an empty spool on.
    void Start(std::shared_ptr<const LineSpool> spool);
    // The spool holds more lines than the rows shown: they are shown, at the end.
    void ShowAdded();
    // The rows in this order of the spool's lines (empty: as found).
    void SetOrder(std::vector<std::uint32_t> order);

    std::size_t LineOf(int row) const {
        return order_.empty() ? static_cast<std::size_t>(row)
                              : order_[static_cast<std::size_t>(row)];
    }
    // The line of a row, as the spool holds it.
    const LineSpool::Line& LineAt(int row) const;
    QString FileOf(const LineSpool::Line& line) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // A header click: the window decides what it sorts by.
    void sort(int column, Qt::SortOrder order) override { emit SortAsked(column, order); }

  signals:
    void SortAsked(int column, Qt::SortOrder order);

  private:
    std::shared_ptr<const LineSpool> spool_;
    int rows_ = 0;
    std::vector<std::uint32_t> order_;
    mutable std::unordered_map<std::size_t, LineSpool::Line> cache_;
};

}  // namespace tarvolen
