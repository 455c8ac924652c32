#pragma once

#include <QAbstractItemView>
#include <utility>

class QHeaderView;

namespace tarvolen {

// A table whose rows all have one height, for a model of millions of rows. A
// QTableView keeps a record for every row in its vertical header (8 bytes each,
// hidden or not) so that rows may differ in height; here a row's place is its
// index times the height, and the view holds nothing per row. Columns have a header
// that sizes and sorts them as a table's does; selection is by rows.
class CRowTableView : public QAbstractItemView {
    Q_OBJECT

  public:
    explicit CRowTableView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    QHeaderView* horizontalHeader() const { return header_; }
    int rowHeight() const { return rowHeight_; }
    void setRowHeight(int height);
    void setColumnWidth(int column, int width);
    // Sorts the model and shows it in the header, as a header click does.
    void sortByColumn(int column, Qt::SortOrder order);
    void selectRow(int row);
    // The first and last row the viewport shows, whole or in part; last is below
    // first when it shows none.
    std::pair<int, int> ShownRows() const;

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

  signals:
    // The rows' menu was asked for, by the right button on the rows or from the
    // keyboard (the Menu key, Shift+F10) at the current row: where it goes on screen.
    void MenuRequested(const QPoint& globalPosition);

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    int RowCount() const;
    int FirstRow() const;
    // Rows that fit the viewport whole, at least one.
    int RowsPerPage() const;
    // The row at a height of the viewport, counted on past either end.
    int RowAt(int y) const;
    int RowTop(int row) const { return (row - FirstRow()) * rowHeight_; }
    // Under the current row where it is on screen, else the rows' top left.
    QPoint KeyboardMenuPosition() const;

    QHeaderView* header_ = nullptr;
    int rowHeight_ = 20;
};

}  // namespace tarvolen
