#include "gui/wordtable/word_list_window.h"

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
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

#include "core/analysis/keyness.h"
#include "core/output/word_list_writer.h"
#include "core/ports/file_picker.h"
#include "core/ports/messages.h"
#include "core/text/collation.h"
#include "core/text/format_count.h"
#include "core/wordtable/delete_question.h"
#include "core/wordtable/list_table.h"
#include "core/workspace.h"
#include "gui/app/app_settings.h"
#include "gui/app/main_dialog.h"
#include "gui/app/qt_paths.h"
#include "gui/concordance/concordance_window.h"
#include "gui/util/collation_box.h"
#include "gui/util/focus.h"
#include "gui/util/table_export.h"
#include "gui/util/wait_cursor.h"
#include "gui/wordtable/row_table_view.h"
#include "gui/wordtable/search_progress.h"
#include "gui/wordtable/sort_menu.h"
#include "gui/wordtable/window_placement.h"
#include "gui/wordtable/word_list_model.h"

namespace tarvolen {

namespace {

// The word's column is never narrower than this many average characters; where the
// window leaves less, the table scrolls sideways.
constexpr int kLeastWordChars = 24;
// The Forms column's width when it comes: a few forms with their counts.
constexpr int kFormsChars = 36;

// Columns of numbers are as wide as their widest value or their header; the word
// takes the rest (FitWordColumn). Measured once rather than from the rows, which may
// be millions.
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
    table->setColumnWidth(CWordListModel::Word, metrics.averageCharWidth() * kLeastWordChars);
}

// The width of every column but the word's.
int OtherColumnsWidth(const QHeaderView* header) {
    int width = 0;
    for (int column = 0; column < header->count(); ++column) {
        if (column != CWordListModel::Word)
            width += header->sectionSize(column);
    }
    return width;
}

}  // namespace

CWordListWindow::CWordListWindow(CMainDialog& main)
    : QWidget(&main, Qt::Window),
      ExecMenu([](QMenu& menu, const QPoint& at) { menu.exec(at); }),
      main_(main) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(kTitle));
    setWindowIcon(main.windowIcon());
    model_ = new CWordListModel(this);

    auto* searchLabel = new QLabel(QStringLiteral("&Search:"), this);
    search_ = new QLineEdit(this);
    search_->setClearButtonEnabled(true);
    searchLabel->setBuddy(search_);
    regularExpression_ = new QCheckBox(QStringLiteral("Regular e&xpression"), this);
    // The Word column's alphabetical order, beside the search that finds the words.
    collation_ = new CCollationBox(CCollationBox::First::DesktopLanguage, this);
    auto* collationLabel = new QLabel(QStringLiteral("Alp&habetical order:"), this);
    collationLabel->setBuddy(collation_);
    searchError_ = new QLabel(this);
    searchError_->setStyleSheet(QStringLiteral("color: #b00020"));
    searchError_->hide();

    reference_ = new QLabel(this);
    reference_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    reference_->hide();

    table_ = new CRowTableView(this);
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setRowHeight(fontMetrics().height() + 4);
    QHeaderView* header = table_->horizontalHeader();
    header->setHighlightSections(false);
    header->setSectionsMovable(false);
    SizeColumns(table_);
    table_->viewport()->installEventFilter(this);

    counts_ = new QLabel(this);
    copy_ = new QPushButton(QStringLiteral("&Copy"), this);
    export_ = new QPushButton(QStringLiteral("&Export..."), this);
    delete_ = new QPushButton(QStringLiteral("&Delete"), this);
    // Every sort, the words read backwards included, also without the header.
    sort_ = new QPushButton(QStringLiteral("S&ort"), this);
    auto* sortMenu = new QMenu(sort_);
    connect(sortMenu, &QMenu::aboutToShow, this, [this, sortMenu] {
        FillSortMenu(*sortMenu, *model_, [this](ListSort sort) { SetSort(sort); });
    });
    sort_->setMenu(sortMenu);
    compare_ = new QPushButton(QStringLiteral("Co&mpare..."), this);
    referenceOnly_ =
        new QCheckBox(QStringLiteral("&Include words found only in the reference"), this);
    clearComparison_ = new QPushButton(QStringLiteral("Clea&r comparison"), this);
    close_ = new QPushButton(QStringLiteral("C&lose"), this);
    for (QPushButton* button : {copy_, export_, delete_, sort_, compare_, clearComparison_, close_})
        button->setAutoDefault(false);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(search_, 1);
    searchRow->addWidget(regularExpression_);
    searchRow->addSpacing(fontMetrics().averageCharWidth() * 2);
    searchRow->addWidget(collationLabel);
    searchRow->addWidget(collation_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copy_);
    buttons->addWidget(export_);
    buttons->addWidget(delete_);
    buttons->addWidget(sort_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    // The comparison on a row of its own, so that the window needs no more width for it.
    auto* comparison = new QHBoxLayout;
    comparison->addWidget(compare_);
    comparison->addWidget(referenceOnly_);
    comparison->addWidget(clearComparison_);
    comparison->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(searchRow);
    layout->addWidget(searchError_);
    layout->addWidget(new CSearchProgress(*model_, this));
    layout->addWidget(reference_);
    layout->addWidget(table_, 1);
    layout->addWidget(counts_);
    layout->addLayout(comparison);
    layout->addLayout(buttons);

    connect(search_, &QLineEdit::textChanged, this, &CWordListWindow::ApplySearch);
    connect(regularExpression_, &QCheckBox::toggled, this, &CWordListWindow::ApplySearch);
    connect(collation_, &QComboBox::currentIndexChanged, this, &CWordListWindow::ApplyCollation);
    connect(model_, &CWordListModel::ShownChanged, this, &CWordListWindow::UpdateCounts);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CWordListWindow::UpdateButtons);
    // What Delete takes depends on the rows on screen.
    connect(table_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &CWordListWindow::UpdateButtons);
    connect(table_->verticalScrollBar(), &QScrollBar::rangeChanged, this,
            &CWordListWindow::UpdateButtons);
    connect(copy_, &QPushButton::clicked, this, &CWordListWindow::CopySelection);
    connect(export_, &QPushButton::clicked, this, &CWordListWindow::ExportShown);
    connect(delete_, &QPushButton::clicked, this, &CWordListWindow::DeleteSelection);
    connect(compare_, &QPushButton::clicked, this, &CWordListWindow::Compare);
    connect(clearComparison_, &QPushButton::clicked, this, &CWordListWindow::ClearComparison);
    connect(referenceOnly_, &QCheckBox::toggled, this, [this](bool shown) {
        WaitCursor busy;
        model_->SetReferenceOnlyShown(shown);
    });
    // The forms sort nothing: the arrow stays where the list's order is.
    connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (section == model_->FormsColumn())
            ShowSortIndicator();
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

    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, [this, header](const QPoint& at) {
        QMenu menu(this);
        FillSortMenu(menu, *model_, [this](ListSort sort) { SetSort(sort); });
        ExecMenu(menu, header->mapToGlobal(at));
    });
    connect(table_, &CRowTableView::MenuRequested, this, &CWordListWindow::ShowRowMenu);
    // A word's occurrences in its documents, by a double-click or Enter on its row.
    connect(table_, &QAbstractItemView::doubleClicked, this, &CWordListWindow::OpenConcordance);
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* enter = new QShortcut(keys, table_, nullptr, nullptr, Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, this, &CWordListWindow::OpenConcordance);
    }

    main_.installEventFilter(this);
    Reload();
    ShowComparison();
    resize(std::max(WidthForColumns(), sizeHint().width()), fontMetrics().height() * 34);
    RestoreKept();
    search_->setFocus();
    ShowFocusFromStart(this);
}

CWordListWindow::~CWordListWindow() = default;

CWordListWindow* CWordListWindow::Open(CMainDialog& main) {
    CWordListWindow* window =
        main.findChild<CWordListWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (window == nullptr) {
        window = new CWordListWindow(main);
        // Before it is shown, so that the window manager takes the place as given.
        window->PlaceBesideMain();
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void CWordListWindow::RunOverMain(const std::function<void()>& command) {
    main_.RunCommand(command);
    // The command's dialogs and boxes belong to the main window, which the window
    // manager brings forward as they close: this window was the one in use.
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

void CWordListWindow::Reload() {
    WaitCursor busy;
    stale_ = false;
    model_->Reload(main_.workspace().Store, main_.workspace().ListCodePage,
                   main_.workspace().Forms.get());
    // Room for a few forms when the column comes; the person's width after that.
    const int forms = model_->FormsColumn();
    if (forms >= 0 && !formsShown_)
        table_->setColumnWidth(forms, table_->fontMetrics().averageCharWidth() * kFormsChars);
    formsShown_ = forms >= 0;
}

void CWordListWindow::RestoreKept() {
    const CAppSettings* settings = main_.settings();
    if (settings == nullptr) {
        ApplyCollation();
        return;
    }
    if (const std::optional<std::string> locale = settings->ListCollation()) {
        const QSignalBlocker quiet(collation_);
        collation_->SetLocale(*locale);
    }
    ApplyCollation();
    if (const std::optional<ListSort> sort = settings->ListSortOrder()) {
        model_->SetSort(*sort);
        ShowSortIndicator();
    }
    const int columns = CWordListModel::ColumnCount - static_cast<int>(kComparisonColumns);
    const std::vector<int> widths = settings->ListColumnWidths(columns);
    for (int column = 0; column < static_cast<int>(widths.size()); ++column) {
        // The word's column takes whatever room the others leave.
        if (column != CWordListModel::Word)
            table_->setColumnWidth(column, widths[static_cast<std::size_t>(column)]);
    }
    FitWordColumn();
    const QByteArray geometry = settings->ListGeometry();
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
}

void CWordListWindow::closeEvent(QCloseEvent* event) {
    if (CAppSettings* settings = main_.settings()) {
        settings->SetListGeometry(saveGeometry());
        std::vector<int> widths;
        const int columns = CWordListModel::ColumnCount - static_cast<int>(kComparisonColumns);
        for (int column = 0; column < columns; ++column)
            widths.push_back(table_->horizontalHeader()->sectionSize(column));
        settings->SetListColumnWidths(widths);
        settings->SetListSortOrder(model_->Sort());
        settings->SetListCollation(collation_->Locale());
    }
    QWidget::closeEvent(event);
}

QRect CWordListWindow::MainFrame() const {
    // Until the window manager has told the frame's extent, Qt's frame may be a
    // placeholder (1 x 1): the window itself stands in for it then.
    const QRect frame = main_.frameGeometry();
    return frame.contains(main_.geometry()) ? frame : main_.geometry();
}

void CWordListWindow::PlaceBesideMain() {
    // Where it was last time, unless that covers the main window or lies off screen.
    const QRect mainFrame = MainFrame();
    const QRect available = main_.screen()->availableGeometry();
    if (main_.settings() != nullptr && !main_.settings()->ListGeometry().isEmpty() &&
        !frameGeometry().intersects(mainFrame) && available.contains(frameGeometry()))
        return;
    // This window has no frame yet: the main window's tells how wide one is.
    const QRect mainInside = main_.geometry();
    const QMargins frame(mainInside.left() - mainFrame.left(), mainInside.top() - mainFrame.top(),
                         mainFrame.right() - mainInside.right(),
                         mainFrame.bottom() - mainInside.bottom());
    const std::optional<QRect> place = PlaceBeside(mainFrame, MainButtonsArea(), size(),
                                                   minimumSizeHint().width(), frame, available);
    if (place)
        setGeometry(*place);
}

QRect CWordListWindow::MainButtonsArea() const {
    // The column of command buttons at the main window's right, top to bottom.
    const QRect mainFrame = MainFrame();
    QRect buttons;
    for (const CMainDialog::Button which :
         {CMainDialog::Button::Add, CMainDialog::Button::SaveWordList,
          CMainDialog::Button::Statistics, CMainDialog::Button::Filter, CMainDialog::Button::Reset,
          CMainDialog::Button::Exit}) {
        const QPushButton* button = main_.button(which);
        buttons |= QRect(button->mapToGlobal(QPoint(0, 0)), button->size());
    }
    return {buttons.left(), mainFrame.top(), mainFrame.right() + 1 - buttons.left(),
            mainFrame.height()};
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
    if (watched == table_->viewport() && event->type() == QEvent::Resize)
        FitWordColumn();
    return QWidget::eventFilter(watched, event);
}

void CWordListWindow::ApplyCollation() {
    WaitCursor busy;
    model_->SetCollation(Collation::ForLocale(collation_->Locale()));
}

void CWordListWindow::ApplySearch() {
    WaitCursor busy;
    const QString error = model_->SetSearch(search_->text(), regularExpression_->isChecked());
    searchError_->setText(error);
    searchError_->setVisible(!error.isEmpty());
}

void CWordListWindow::UpdateButtons() {
    copy_->setEnabled(table_->selectionModel()->hasSelection());
    delete_->setEnabled(!DeletableRows().empty());
    export_->setEnabled(model_->rowCount() > 0);
}

void CWordListWindow::UpdateCounts() {
    UpdateButtons();
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
    SetSort({ListSortKey::WordBackwards, false});
}

void CWordListWindow::SetSort(ListSort sort) {
    WaitCursor busy;
    model_->SetSort(sort);
    ShowSortIndicator();
}

void CWordListWindow::Compare() {
    RunOverMain([this] {
        const std::vector<std::string> picked = main_.PickWordLists(false);
        if (picked.empty())
            return;
        std::unique_ptr<RunState> reference = main_.ReadReferenceList(picked.front());
        if (reference == nullptr)
            return;
        WaitCursor busy;
        // The old reference goes only once the model reads the new one.
        model_->SetReference(&reference->Store);
        referenceList_ = std::move(reference);
        referencePath_ = picked.front();
        ShowComparison();
    });
}

void CWordListWindow::ClearComparison() {
    WaitCursor busy;
    model_->SetReference(nullptr);
    referenceList_.reset();
    referencePath_.clear();
    ShowComparison();
    if (!beforeComparison_.isNull()) {
        setGeometry(beforeComparison_.x(), geometry().y(), beforeComparison_.width(), height());
        beforeComparison_ = {};
    }
}

void CWordListWindow::ShowComparison() {
    const bool comparing = model_->Comparing();
    referenceOnly_->setEnabled(comparing);
    clearComparison_->setEnabled(comparing);
    reference_->setVisible(comparing);
    if (comparing) {
        const RunState& reference = *referenceList_;
        reference_->setText(QString::fromStdString(FormatText(
            kReferenceFormat,
            ReadableOnScreen(std::filesystem::path(referencePath_).filename().string())
                .toStdString()
                .c_str(),
            FormatCount(reference.Store.Count(), ',').c_str(),
            // From the reference itself: the rows may be away while a
            // command runs.
            FormatCount64(static_cast<std::int64_t>(TotalCount(reference.Store)), ',').c_str())));
        reference_->setToolTip(ReadableOnScreen(referencePath_));
        SizeColumns(table_);
        FitWordColumn();
        // Wider for the new columns, as far as the screen lets it; left of the main
        // window's buttons, it grows leftwards and not over them.
        const QRect screenArea = screen()->availableGeometry();
        const QRect frame = frameGeometry();
        const QRect buttons = MainButtonsArea();
        const bool leftOfButtons = frame.right() < buttons.left();
        const int frameWidth = frame.width() - width();
        int available = screenArea.width() - 48;
        if (leftOfButtons)
            available = std::min(available, buttons.left() - 8 - screenArea.left() - frameWidth);
        const int wanted = WidthForColumns();
        if (width() < wanted && width() < available) {
            if (beforeComparison_.isNull())
                beforeComparison_ = geometry();
            const int grown = std::min(wanted, available);
            const int overlap = frame.left() + frameWidth + grown + 8 - buttons.left();
            resize(grown, height());
            if (leftOfButtons && overlap > 0)
                move(pos() - QPoint(std::min(overlap, frame.left() - screenArea.left()), 0));
        }
    }
    FitWordColumn();
    ShowSortIndicator();
}

void CWordListWindow::FitWordColumn() {
    // As a stretched column would, but never below its least width: a narrow window
    // scrolls sideways rather than cut every word short.
    QHeaderView* header = table_->horizontalHeader();
    const int least = fontMetrics().averageCharWidth() * kLeastWordChars;
    header->resizeSection(CWordListModel::Word,
                          std::max(least, table_->viewport()->width() - OtherColumnsWidth(header)));
}

int CWordListWindow::WidthForColumns() const {
    return OtherColumnsWidth(table_->horizontalHeader()) +
           fontMetrics().averageCharWidth() * kLeastWordChars + 2 * table_->frameWidth() +
           table_->verticalScrollBar()->sizeHint().width() + 24;
}

void CWordListWindow::OpenConcordance() {
    const QModelIndex current = table_->currentIndex();
    if (!current.isValid() || static_cast<std::size_t>(current.row()) >= model_->ShownCount())
        return;
    const std::uint32_t row = model_->ShownRow(static_cast<std::size_t>(current.row()));
    CConcordanceWindow::Open(main_, model_->WordText(row));
}

void CWordListWindow::ShowRowMenu(const QPoint& at) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("Concordanc&e"), this, &CWordListWindow::OpenConcordance)
        ->setEnabled(table_->currentIndex().isValid());
    menu.addAction(QStringLiteral("&Copy"), this, &CWordListWindow::CopySelection)
        ->setEnabled(copy_->isEnabled());
    menu.addAction(QStringLiteral("&Delete"), this, &CWordListWindow::DeleteSelection)
        ->setEnabled(delete_->isEnabled());
    menu.addSeparator();
    // Not in a submenu: one opened from the keyboard left its menu open when an entry
    // was chosen.
    FillSortMenu(
        menu, *model_, [this](ListSort sort) { SetSort(sort); }, SortMenuForm::AmongOthers);
    ExecMenu(menu, at);
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
    RunOverMain([this] {
        ExportTableFile(main_.picker(), main_.messages(), "Export Word List", "WordList",
                        [this](const std::string& path, TableFormat format, int* error) {
                            return ExportListTable(path, format, model_->snapshot(),
                                                   model_->ShownRowList(), model_->encoding(),
                                                   nullptr, error);
                        });
    });
}

std::vector<std::uint32_t> CWordListWindow::DeletableRows() const {
    std::vector<std::uint32_t> rows;
    const auto [first, last] = table_->ShownRows();
    const QItemSelectionModel* selection = table_->selectionModel();
    for (int row = first; row <= last; ++row) {
        if (!selection->isSelected(model_->index(row, 0)))
            continue;
        const std::uint32_t shown = model_->ShownRow(static_cast<std::size_t>(row));
        if (model_->snapshot().InList(shown))
            rows.push_back(shown);
    }
    return rows;
}

void CWordListWindow::DeleteSelection() {
    const std::vector<std::uint32_t> rows = DeletableRows();
    if (rows.empty())
        return;
    RunOverMain([this, &rows] {
        std::vector<std::string> named;
        for (std::size_t i = 0; i < rows.size() && i < kDeleteNamed; ++i)
            named.push_back(model_->WordText(rows[i]).toStdString());
        if (main_.messages().Ask(DeleteQuestion(named, rows.size()), MessageButtons::YesNo) !=
            Answer::Yes)
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
