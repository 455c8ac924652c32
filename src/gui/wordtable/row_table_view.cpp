#include "gui/wordtable/row_table_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeySequence>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <algorithm>

namespace tarvolen {

CRowTableView::CRowTableView(QWidget* parent) : QAbstractItemView(parent) {
    header_ = new QHeaderView(Qt::Horizontal, this);
    header_->setSectionsClickable(true);
    header_->setSortIndicatorShown(true);
    setHorizontalScrollMode(ScrollPerPixel);
    connect(header_, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    connect(header_, &QHeaderView::sectionCountChanged, this, [this] { updateGeometries(); });
    // Shortcuts too, so that the Menu key opens the menu whether or not the platform
    // turns it into a context menu event, and Shift+F10 as other programs have it.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)}) {
        auto* menuKey = new QShortcut(keys, this, nullptr, nullptr, Qt::WidgetShortcut);
        connect(menuKey, &QShortcut::activated, this,
                [this] { emit MenuRequested(viewport()->mapToGlobal(KeyboardMenuPosition())); });
    }
    connect(header_, &QHeaderView::sortIndicatorChanged, this,
            [this](int column, Qt::SortOrder order) {
                if (model() != nullptr)
                    model()->sort(column, order);
            });
}

void CRowTableView::setModel(QAbstractItemModel* model) {
    QAbstractItemView::setModel(model);
    header_->setModel(model);
}

void CRowTableView::setRowHeight(int height) {
    rowHeight_ = std::max(1, height);
    updateGeometries();
    viewport()->update();
}

void CRowTableView::setColumnWidth(int column, int width) {
    header_->resizeSection(column, width);
}

void CRowTableView::sortByColumn(int column, Qt::SortOrder order) {
    // An unchanged indicator signals nothing: the model is asked directly.
    if (header_->sortIndicatorSection() == column && header_->sortIndicatorOrder() == order) {
        if (model() != nullptr)
            model()->sort(column, order);
        return;
    }
    header_->setSortIndicator(column, order);
}

void CRowTableView::selectRow(int row) {
    if (model() == nullptr || row < 0 || row >= RowCount())
        return;
    const QModelIndex index = model()->index(row, 0, rootIndex());
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CRowTableView::contextMenuEvent(QContextMenuEvent* event) {
    // The header and the scroll bars answer their own.
    const bool keyboard = event->reason() == QContextMenuEvent::Keyboard;
    emit MenuRequested(keyboard ? viewport()->mapToGlobal(KeyboardMenuPosition())
                                : event->globalPos());
    event->accept();
}

QPoint CRowTableView::KeyboardMenuPosition() const {
    const QRect current = visualRect(currentIndex());
    if (current.isValid() && viewport()->rect().intersects(current))
        return current.bottomLeft();
    return {0, 0};
}

std::pair<int, int> CRowTableView::ShownRows() const {
    const int first = FirstRow();
    const int last = std::min(RowCount(), RowAt(viewport()->height() - 1) + 1) - 1;
    return {first, last};
}

int CRowTableView::RowCount() const {
    return model() != nullptr ? model()->rowCount(rootIndex()) : 0;
}

int CRowTableView::FirstRow() const {
    return verticalScrollBar()->value();
}

int CRowTableView::RowsPerPage() const {
    return std::max(1, viewport()->height() / rowHeight_);
}

int CRowTableView::RowAt(int y) const {
    // Rounded down also above the viewport.
    const int rows = y >= 0 ? y / rowHeight_ : -((-y + rowHeight_ - 1) / rowHeight_);
    return FirstRow() + rows;
}

QRect CRowTableView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.parent() != rootIndex())
        return {};
    return {header_->sectionViewportPosition(index.column()), RowTop(index.row()),
            header_->sectionSize(index.column()), rowHeight_};
}

void CRowTableView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid())
        return;
    const int row = index.row();
    const int page = RowsPerPage();
    QScrollBar* rows = verticalScrollBar();
    switch (hint) {
        case PositionAtTop:
            rows->setValue(row);
            break;
        case PositionAtBottom:
            rows->setValue(row - page + 1);
            break;
        case PositionAtCenter:
            rows->setValue(row - page / 2);
            break;
        case EnsureVisible:
            if (row < FirstRow())
                rows->setValue(row);
            else if (row >= FirstRow() + page)
                rows->setValue(row - page + 1);
            break;
    }
    // Sideways only as far as the column needs.
    const int left = header_->sectionPosition(index.column());
    const int right = left + header_->sectionSize(index.column());
    QScrollBar* across = horizontalScrollBar();
    if (left < across->value())
        across->setValue(left);
    else if (right > across->value() + viewport()->width())
        across->setValue(std::min(left, right - viewport()->width()));
}

QModelIndex CRowTableView::indexAt(const QPoint& point) const {
    const int row = RowAt(point.y());
    const int column = header_->logicalIndexAt(point.x());
    if (model() == nullptr || point.y() < 0 || row >= RowCount() || column < 0)
        return {};
    return model()->index(row, column, rootIndex());
}

QModelIndex CRowTableView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers) {
    const int rows = RowCount();
    const int columns = model() != nullptr ? model()->columnCount(rootIndex()) : 0;
    if (rows == 0 || columns == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return model()->index(0, 0, rootIndex());
    int row = current.row();
    int column = current.column();
    switch (cursorAction) {
        case MoveUp:
        case MovePrevious:
            --row;
            break;
        case MoveDown:
        case MoveNext:
            ++row;
            break;
        case MovePageUp:
            row -= RowsPerPage();
            break;
        case MovePageDown:
            row += RowsPerPage();
            break;
        case MoveHome:
            row = 0;
            break;
        case MoveEnd:
            row = rows - 1;
            break;
        case MoveLeft:
            --column;
            break;
        case MoveRight:
            ++column;
            break;
    }
    return model()->index(std::clamp(row, 0, rows - 1), std::clamp(column, 0, columns - 1),
                          rootIndex());
}

int CRowTableView::horizontalOffset() const {
    return horizontalScrollBar()->value();
}

int CRowTableView::verticalOffset() const {
    return FirstRow() * rowHeight_;
}

void CRowTableView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    const int rows = RowCount();
    const int columns = model() != nullptr ? model()->columnCount(rootIndex()) : 0;
    if (rows == 0 || columns == 0)
        return;
    const QRect area = rect.normalized();
    // A rectangle wholly past the rows (a click below the last) picks none; one that
    // reaches past them (a drag) picks the rows it covers.
    if (RowAt(area.top()) >= rows || RowAt(area.bottom()) < 0)
        return;
    const int top = std::clamp(RowAt(area.top()), 0, rows - 1);
    const int bottom = std::clamp(RowAt(area.bottom()), 0, rows - 1);
    const QItemSelection selection(model()->index(top, 0, rootIndex()),
                                   model()->index(bottom, columns - 1, rootIndex()));
    selectionModel()->select(selection, command | QItemSelectionModel::Rows);
}

QRegion CRowTableView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int height = viewport()->height();
    for (const QItemSelectionRange& range : selection) {
        // Clipped to just past the viewport: a range may span millions of rows.
        const int top = std::max(RowTop(range.top()), -rowHeight_);
        const int bottom = std::min(RowTop(range.bottom() + 1), height + rowHeight_);
        if (top >= bottom)
            continue;
        const int left = header_->sectionViewportPosition(range.left());
        const int right =
            header_->sectionViewportPosition(range.right()) + header_->sectionSize(range.right());
        region += QRect(left, top, right - left, bottom - top);
    }
    return region;
}

void CRowTableView::paintEvent(QPaintEvent* event) {
    if (model() == nullptr)
        return;
    QPainter painter(viewport());
    QStyleOptionViewItem base;
    initViewItemOption(&base);
    const auto gridColor =
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &base, this));
    const QPen grid(QColor::fromRgba(gridColor));
    const QRect exposed = event->rect();
    const int rows = RowCount();
    const int columns = header_->count();
    const int first = std::max(0, RowAt(exposed.top()));
    const int last = std::min(rows - 1, RowAt(exposed.bottom()));
    const QModelIndex current = currentIndex();
    for (int row = first; row <= last; ++row) {
        for (int column = 0; column < columns; ++column) {
            const QModelIndex index = model()->index(row, column, rootIndex());
            const QRect cell = visualRect(index);
            if (!cell.intersects(exposed))
                continue;
            QStyleOptionViewItem option = base;
            // The grid takes the cell's last pixels, as in a table.
            option.rect = cell.adjusted(0, 0, -1, -1);
            if (selectionModel()->isSelected(index))
                option.state |= QStyle::State_Selected;
            if (index == current && hasFocus())
                option.state |= QStyle::State_HasFocus;
            itemDelegateForIndex(index)->paint(&painter, option, index);
        }
    }
    painter.setPen(grid);
    const int bottom = std::min(exposed.bottom(), RowTop(rows) - 1);
    for (int row = first; row <= last; ++row) {
        const int y = RowTop(row + 1) - 1;
        painter.drawLine(exposed.left(), y, exposed.right(), y);
    }
    for (int column = 0; column < columns; ++column) {
        const int x = header_->sectionViewportPosition(column) + header_->sectionSize(column) - 1;
        if (bottom >= exposed.top())
            painter.drawLine(x, exposed.top(), x, bottom);
    }
}

void CRowTableView::updateGeometries() {
    if (header_ == nullptr)
        return;
    const int headerHeight = header_->isHidden() ? 0 : header_->sizeHint().height();
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect area = viewport()->geometry();
    header_->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);

    const int page = RowsPerPage();
    QScrollBar* rows = verticalScrollBar();
    rows->setSingleStep(1);
    rows->setPageStep(page);
    rows->setRange(0, std::max(0, RowCount() - page));

    QScrollBar* across = horizontalScrollBar();
    across->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 2));
    across->setPageStep(area.width());
    across->setRange(0, std::max(0, header_->length() - area.width()));
    header_->setOffset(across->value());
    QAbstractItemView::updateGeometries();
}

void CRowTableView::scrollContentsBy(int dx, int) {
    if (dx != 0)
        header_->setOffset(horizontalScrollBar()->value());
    viewport()->update();
}

}  // namespace tarvolen
