#include "gui/list/word_list_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "core/list/list_table.h"
#include "core/output/word_list_writer.h"
#include "core/util/file_picker.h"
#include "core/util/format_count.h"
#include "core/util/messages.h"
#include "core/workspace.h"
#include "gui/app/main_dialog.h"
#include "gui/list/row_table_view.h"
#include "gui/list/search_progress.h"
#include "gui/list/word_list_model.h"
#include "gui/util/focus.h"
#include "gui/util/wait_cursor.h"

namespace tarvolen {

namespace {

// Columns of numbers are as wide as their widest value or their header; the word
// takes the rest. Measured once rather than from the rows, which may be millions.
void SizeColumns(CRowTableView* table) {
    const QFontMetrics metrics = table->fontMetrics();
    const int padding = metrics.horizontalAdvance(QStringLiteral("MM"));
    const auto wide = [&](int column, const char* widest) {
        const QString header = table->model()->headerData(column, Qt::Horizontal).toString();
        // Room for the sort arrow beside the header's text.
        const int width = std::max(metrics.horizontalAdvance(QString::fromUtf8(widest)),
                                   metrics.horizontalAdvance(header) + padding);
        table->horizontalHeader()->resizeSection(column, width + padding);
    };
    wide(CWordListModel::Rank, "9,999,999");
    wide(CWordListModel::Count, "999,999,999");
    wide(CWordListModel::Percent, "100.00");
    wide(CWordListModel::PerMillion, "1,000,000.0");
    wide(CWordListModel::Range, "9,999,999");
    wide(CWordListModel::RangePercent, "100.00");
    wide(CWordListModel::Length, "999");
    if (table->model()->columnCount() == CWordListModel::ColumnCount) {
        wide(CWordListModel::ReferenceCount, "999,999,999");
        wide(CWordListModel::G2, "-999,999.99");
        wide(CWordListModel::LogRatio, "-99.99");
    }
    table->setColumnWidth(CWordListModel::Word, metrics.averageCharWidth() * 24);
}

}  // namespace

CWordListWindow::CWordListWindow(CMainDialog& main) : QWidget(&main, Qt::Window), main_(main) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(kTitle));
    setWindowIcon(main.windowIcon());
    model_ = new CWordListModel(this);

    auto* searchLabel = new QLabel(QStringLiteral("&Search:"), this);
    search_ = new QLineEdit(this);
    search_->setClearButtonEnabled(true);
    searchLabel->setBuddy(search_);
    regularExpression_ = new QCheckBox(QStringLiteral("Regular e&xpression"), this);
    searchError_ = new QLabel(this);
    searchError_->setStyleSheet(QStringLiteral("color: #b00020"));
    searchError_->hide();

    table_ = new CRowTableView(this);
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setRowHeight(fontMetrics().height() + 4);
    QHeaderView* header = table_->horizontalHeader();
    header->setHighlightSections(false);
    header->setSectionsMovable(false);
    SizeColumns(table_);
    header->setSectionResizeMode(CWordListModel::Word, QHeaderView::Stretch);

    counts_ = new QLabel(this);
    copy_ = new QPushButton(QStringLiteral("&Copy"), this);
    export_ = new QPushButton(QStringLiteral("&Export..."), this);
    delete_ = new QPushButton(QStringLiteral("&Delete"), this);
    compare_ = new QPushButton(QStringLiteral("Co&mpare..."), this);
    referenceOnly_ = new QCheckBox(QStringLiteral("Show words of the reference &only"), this);
    clearComparison_ = new QPushButton(QStringLiteral("Clea&r comparison"), this);
    close_ = new QPushButton(QStringLiteral("C&lose"), this);
    for (QPushButton* button : {copy_, export_, delete_, compare_, clearComparison_, close_})
        button->setAutoDefault(false);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(search_, 1);
    searchRow->addWidget(regularExpression_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copy_);
    buttons->addWidget(export_);
    buttons->addWidget(delete_);
    buttons->addSpacing(fontMetrics().averageCharWidth() * 2);
    buttons->addWidget(compare_);
    buttons->addWidget(referenceOnly_);
    buttons->addWidget(clearComparison_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(searchRow);
    layout->addWidget(searchError_);
    layout->addWidget(new CSearchProgress(*model_, this));
    layout->addWidget(table_, 1);
    layout->addWidget(counts_);
    layout->addLayout(buttons);

    connect(search_, &QLineEdit::textChanged, this, &CWordListWindow::ApplySearch);
    connect(regularExpression_, &QCheckBox::toggled, this, &CWordListWindow::ApplySearch);
    connect(model_, &CWordListModel::ShownChanged, this, &CWordListWindow::UpdateCounts);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CWordListWindow::UpdateCounts);
    connect(copy_, &QPushButton::clicked, this, &CWordListWindow::CopySelection);
    connect(export_, &QPushButton::clicked, this, &CWordListWindow::ExportShown);
    connect(delete_, &QPushButton::clicked, this, &CWordListWindow::DeleteSelection);
    connect(compare_, &QPushButton::clicked, this, &CWordListWindow::Compare);
    connect(clearComparison_, &QPushButton::clicked, this, &CWordListWindow::ClearComparison);
    connect(referenceOnly_, &QCheckBox::toggled, this, [this](bool shown) {
        WaitCursor busy;
        model_->SetReferenceOnlyShown(shown);
    });
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(&main_, &CMainDialog::ListChanged, this, &CWordListWindow::OnListChanged);
    connect(&main_, &CMainDialog::CommandsFinished, this, &CWordListWindow::OnCommandsFinished);

    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        search_->setFocus(Qt::ShortcutFocusReason);
        search_->selectAll();
    });
    // On the table only: in the search field these keys edit the text.
    auto* copyKey = new QShortcut(QKeySequence::Copy, table_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(copyKey, &QShortcut::activated, this, &CWordListWindow::CopySelection);
    auto* deleteKey =
        new QShortcut(QKeySequence::Delete, table_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, &CWordListWindow::DeleteSelection);
    auto* closeKey = new QShortcut(QKeySequence::Cancel, this);
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);

    for (QWidget* menuOwner : {static_cast<QWidget*>(header), table_->viewport()}) {
        menuOwner->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(menuOwner, &QWidget::customContextMenuRequested, this,
                [this, menuOwner](const QPoint& at) { ShowContextMenu(at, menuOwner); });
    }

    main_.installEventFilter(this);
    Reload();
    ShowComparison();
    resize(std::max(WidthForColumns(), sizeHint().width()), fontMetrics().height() * 34);
    search_->setFocus();
    ShowFocusFromStart(this);
}

CWordListWindow::~CWordListWindow() = default;

CWordListWindow* CWordListWindow::Open(CMainDialog& main) {
    CWordListWindow* window =
        main.findChild<CWordListWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (window == nullptr)
        window = new CWordListWindow(main);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void CWordListWindow::Reload() {
    WaitCursor busy;
    stale_ = false;
    model_->Reload(main_.workspace().Store, main_.workspace().ListCodePage);
}

void CWordListWindow::OnListChanged() {
    if (!main_.CommandRunning()) {
        Reload();
        return;
    }
    // Message boxes of the command may still let the window paint, and the texts
    // the rows refer to may have moved.
    stale_ = true;
    model_->Suspend();
}

void CWordListWindow::OnCommandsFinished() {
    if (stale_ || model_->Suspended())
        Reload();
}

void CWordListWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    // Disabled with the main window: a long operation is changing the list.
    if (!isEnabled()) {
        stale_ = true;
        model_->Suspend();
    } else if (stale_ && !main_.CommandRunning()) {
        Reload();
    }
}

bool CWordListWindow::eventFilter(QObject* watched, QEvent* event) {
    // A window manager's minimize hides spontaneously; the program's own hide is the
    // main window closing.
    if (watched == &main_ && event->type() == QEvent::Hide && !event->spontaneous())
        close();
    return QWidget::eventFilter(watched, event);
}

void CWordListWindow::ApplySearch() {
    WaitCursor busy;
    const QString error = model_->SetSearch(search_->text(), regularExpression_->isChecked());
    searchError_->setText(error);
    searchError_->setVisible(!error.isEmpty());
}

void CWordListWindow::UpdateCounts() {
    const bool rows = model_->rowCount() > 0;
    const bool selected = table_->selectionModel()->hasSelection();
    copy_->setEnabled(selected);
    delete_->setEnabled(selected);
    export_->setEnabled(rows);
    if (model_->Suspended()) {
        counts_->setText(QString::fromUtf8(kWaitingText));
        return;
    }
    counts_->setText(QString::fromStdString(FormatText(
        kCountsFormat, CWordListModel::Grouped(model_->ShownCount()).toStdString().c_str(),
        CWordListModel::Grouped(model_->WordCount()).toStdString().c_str(),
        CWordListModel::Grouped(model_->ShownOccurrences()).toStdString().c_str())));
}

void CWordListWindow::ShowSortIndicator() {
    const ListSort sort = model_->Sort();
    table_->horizontalHeader()->setSortIndicator(
        CWordListModel::ColumnOf(sort.key),
        sort.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void CWordListWindow::SortBackwards() {
    WaitCursor busy;
    model_->SetSort({ListSortKey::WordBackwards, false});
    ShowSortIndicator();
}

void CWordListWindow::Compare() {
    main_.RunCommand([this] {
        const std::vector<std::string> picked = main_.PickWordLists(false);
        if (picked.empty())
            return;
        std::unique_ptr<Workspace> reference = main_.ReadReferenceList(picked.front());
        if (reference == nullptr)
            return;
        WaitCursor busy;
        // The old reference goes only once the model reads the new one.
        model_->SetReference(&reference->Store);
        reference_ = std::move(reference);
        ShowComparison();
    });
}

void CWordListWindow::ClearComparison() {
    WaitCursor busy;
    model_->SetReference(nullptr);
    reference_.reset();
    ShowComparison();
}

void CWordListWindow::ShowComparison() {
    const bool comparing = model_->Comparing();
    referenceOnly_->setEnabled(comparing);
    clearComparison_->setEnabled(comparing);
    if (comparing) {
        SizeColumns(table_);
        // Wider for the new columns, as far as the screen lets it.
        const int available = screen()->availableGeometry().width() - 48;
        const int wanted = WidthForColumns();
        if (width() < wanted && width() < available)
            resize(std::min(wanted, available), height());
    }
    ShowSortIndicator();
}

int CWordListWindow::WidthForColumns() const {
    return table_->horizontalHeader()->length() + 2 * table_->frameWidth() +
           table_->verticalScrollBar()->sizeHint().width() + 24;
}

void CWordListWindow::ShowContextMenu(const QPoint& at, QWidget* from) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("Sort by &Word"), this, [this] {
        WaitCursor busy;
        model_->SetSort({ListSortKey::Word, false});
        ShowSortIndicator();
    });
    menu.addAction(QStringLiteral("Sort by Word Read &Backwards"), this,
                   &CWordListWindow::SortBackwards);
    if (from == table_->viewport()) {
        menu.addSeparator();
        menu.addAction(QStringLiteral("&Copy"), this, &CWordListWindow::CopySelection)
            ->setEnabled(copy_->isEnabled());
        menu.addAction(QStringLiteral("&Delete"), this, &CWordListWindow::DeleteSelection)
            ->setEnabled(delete_->isEnabled());
    }
    menu.exec(from->mapToGlobal(at));
}

std::vector<std::uint32_t> CWordListWindow::SelectedRows() const {
    std::vector<int> viewRows;
    for (const QItemSelectionRange& range : table_->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            viewRows.push_back(row);
    }
    std::sort(viewRows.begin(), viewRows.end());
    viewRows.erase(std::unique(viewRows.begin(), viewRows.end()), viewRows.end());
    std::vector<std::uint32_t> rows;
    rows.reserve(viewRows.size());
    for (const int row : viewRows)
        rows.push_back(model_->ShownRow(static_cast<std::size_t>(row)));
    return rows;
}

void CWordListWindow::CopySelection() {
    const std::vector<std::uint32_t> rows = SelectedRows();
    if (rows.empty())
        return;
    const std::string text =
        ListTableText(TableFormat::Tsv, model_->snapshot(), rows, model_->encoding());
    QApplication::clipboard()->setText(QString::fromStdString(text));
}

void CWordListWindow::ExportShown() {
    main_.RunCommand([this] {
        FilePickRequest request;
        request.save = true;
        request.title = "Export Word List";
        request.defaultExtension = "csv";
        request.initialPath = "WordList.csv";
        request.filter = kExportFilter;
        const FilePickResult picked = main_.picker().PickFiles(request);
        if (!picked.accepted || picked.paths.empty())
            return;
        const std::string& path = picked.paths.front();
        const bool tsv = picked.filterIndex == 2 ||
                         (path.size() >= 4 && path.compare(path.size() - 4, 4, ".tsv") == 0);
        WaitCursor busy;
        int error = 0;
        const ExportOutcome outcome =
            ExportListTable(path, tsv ? TableFormat::Tsv : TableFormat::Csv, model_->snapshot(),
                            model_->ShownRowList(), model_->encoding(), nullptr, &error);
        busy.Restore();
        if (outcome == ExportOutcome::CannotCreate)
            main_.messages().ShowMessage(CannotCreateMessage(path, error), MessageIcon::Warning);
    });
}

void CWordListWindow::DeleteSelection() {
    std::vector<std::uint32_t> rows = SelectedRows();
    // The reference's own words are not the list's to delete.
    std::erase_if(rows, [this](std::uint32_t row) { return !model_->snapshot().InList(row); });
    if (rows.empty())
        return;
    main_.RunCommand([this, &rows] {
        const std::string question =
            rows.size() == 1
                ? std::string(kDeleteOneQuestion)
                : FormatText(kDeleteQuestionFormat,
                             FormatCount64(static_cast<std::int64_t>(rows.size()), ',').c_str());
        if (main_.messages().Ask(question, MessageButtons::YesNo) != Answer::Yes)
            return;
        WaitCursor busy;
        WordStore& store = main_.workspace().Store;
        for (const std::uint32_t row : rows)
            store.RemoveWord(model_->snapshot().Text(row));
        // As after the Filter: the unsaved mark stays as it was.
        main_.RefreshStatusLine();
    });
}

}  // namespace tarvolen
