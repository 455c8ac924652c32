#include "gui/concordance/concordance_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "core/concordance/concordance_entry.h"
#include "core/concordance/concordance_join.h"
#include "core/concordance/concordance_run.h"
#include "core/concordance/line_spool.h"
#include "core/concordance/occurrence_count.h"
#include "core/ingest/cutter_setup.h"
#include "core/ingest/ingest.h"
#include "core/listfile/reference_list.h"
#include "core/output/word_list_writer.h"
#include "core/ports/file_picker.h"
#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/ports/user_cancel.h"
#include "core/text/format_count.h"
#include "core/words/tokenizer.h"
#include "core/wordtable/list_table.h"
#include "core/workspace.h"
#include "gui/app/main_dialog.h"
#include "gui/concordance/concordance_model.h"
#include "gui/util/focus.h"
#include "gui/util/table_export.h"
#include "gui/util/wait_cursor.h"
#include "gui/wordtable/row_table_view.h"

namespace tarvolen {

namespace {

// How often a reading lets the window answer: often enough that typing, scrolling and
// Cancel feel immediate, seldom enough that the reading hardly notices.
constexpr qint64 kPumpMilliseconds = 40;

constexpr const char* kSortChoices[] = {"", "L3", "L2", "L1", "R1", "R2", "R3"};
constexpr ConcordanceKey kSortChoiceKeys[] = {0, -3, -2, -1, 1, 2, 3};

std::string Joined(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) {
        if (!text.empty())
            text += ", ";
        text += QFileInfo(QString::fromStdString(path)).fileName().toStdString();
    }
    return text;
}

// The left context is cut at its start, not beside the match it leads to.
class LeftContextDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideLeft;
    }
};

}  // namespace

// The window's own bar and Cancel for a reading: each of a reading's passes fills its
// share of the bar, and every call lets the window answer now and then, showing the
// lines found so far.
class CConcordanceWindow::Progress final : public ProgressPort {
  public:
    explicit Progress(CConcordanceWindow& window) : window_(window) { clock_.start(); }

    // The share of the whole bar (0 to 1000) the next pass fills.
    void Slice(int from, int to) {
        from_ = from;
        to_ = to;
        window_.progress_->setValue(from);
    }
    void SetBounds(int lower, int upper) override {
        lower_ = lower;
        upper_ = upper;
    }
    int SetPosition(int position) override {
        const int previous = position_;
        position_ = position;
        if (upper_ > lower_) {
            const double share = static_cast<double>(position - lower_) / (upper_ - lower_);
            window_.progress_->setValue(from_ + static_cast<int>(share * (to_ - from_)));
        }
        Pump();
        return previous;
    }
    bool CancelRequested() override {
        Pump();
        return window_.cancelAsked_;
    }
    void SetFileLine(const std::string&) override { Pump(); }
    void SetDetailLine(const std::string&) override {}
    void Close() override {}

    // Lets the window answer, at most every kPumpMilliseconds.
    void Pump() {
        if (clock_.elapsed() < kPumpMilliseconds)
            return;
        clock_.restart();
        window_.model_->ShowAdded();
        QApplication::processEvents();
    }

  private:
    CConcordanceWindow& window_;
    QElapsedTimer clock_;
    int from_ = 0;
    int to_ = 1000;
    int lower_ = 0;
    int upper_ = 0;
    int position_ = 0;
};

CConcordanceWindow::CConcordanceWindow(CMainDialog& main)
    : QWidget(&main, Qt::Window), main_(main) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(kTitle));
    setWindowIcon(main.windowIcon());
    model_ = new CConcordanceModel(this);

    auto* entryLabel = new QLabel(QStringLiteral("&Entry:"), this);
    entry_ = new QLineEdit(this);
    entry_->setClearButtonEnabled(true);
    entryLabel->setBuddy(entry_);
    show_ = new QPushButton(QStringLiteral("S&how"), this);
    show_->setDefault(true);
    auto* contextLabel = new QLabel(QStringLiteral("Con&text:"), this);
    context_ = new QSpinBox(this);
    context_->setRange(1, 500);
    context_->setValue(kDefaultContext);
    context_->setSuffix(QStringLiteral(" characters"));
    contextLabel->setBuddy(context_);
    auto* sortLabel = new QLabel(QStringLiteral("Sort &by:"), this);
    for (QComboBox*& box : sortKeys_) {
        box = new QComboBox(this);
        for (const char* choice : kSortChoices)
            box->addItem(*choice == 0 ? QStringLiteral("-") : QString::fromLatin1(choice));
    }
    sortLabel->setBuddy(sortKeys_[0]);

    table_ = new CRowTableView(this);
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setRowHeight(fontMetrics().height() + 4);
    table_->horizontalHeader()->setHighlightSections(false);
    table_->setItemDelegateForColumn(CConcordanceModel::Left, new LeftContextDelegate(table_));
    const int character = fontMetrics().averageCharWidth();
    table_->setColumnWidth(CConcordanceModel::File, character * 14);
    table_->setColumnWidth(CConcordanceModel::Line, character * 8);
    table_->setColumnWidth(CConcordanceModel::Left, character * 36);
    table_->setColumnWidth(CConcordanceModel::Match, character * 14);
    table_->setColumnWidth(CConcordanceModel::Right, character * 36);

    note_ = new QLabel(this);
    note_->setWordWrap(true);
    note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    note_->hide();
    counts_ = new QLabel(this);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1000);
    progress_->setTextVisible(false);
    progress_->hide();
    cancel_ = new QPushButton(QStringLiteral("Ca&ncel"), this);
    cancel_->hide();
    copy_ = new QPushButton(QStringLiteral("&Copy"), this);
    export_ = new QPushButton(QStringLiteral("E&xport..."), this);
    close_ = new QPushButton(QStringLiteral("C&lose"), this);
    for (QPushButton* button : {cancel_, copy_, export_, close_})
        button->setAutoDefault(false);

    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(entryLabel);
    entryRow->addWidget(entry_, 1);
    entryRow->addWidget(show_);
    entryRow->addSpacing(character * 2);
    entryRow->addWidget(contextLabel);
    entryRow->addWidget(context_);
    auto* sortRow = new QHBoxLayout;
    sortRow->addWidget(sortLabel);
    for (QComboBox* box : sortKeys_)
        sortRow->addWidget(box);
    sortRow->addStretch(1);
    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(counts_, 1);
    statusRow->addWidget(progress_, 1);
    statusRow->addWidget(cancel_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copy_);
    buttons->addWidget(export_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(entryRow);
    layout->addLayout(sortRow);
    layout->addWidget(note_);
    layout->addWidget(table_, 1);
    layout->addLayout(statusRow);
    layout->addLayout(buttons);

    // A new width reads again once the person stops changing it.
    contextTimer_ = new QTimer(this);
    contextTimer_->setSingleShot(true);
    contextTimer_->setInterval(400);
    connect(contextTimer_, &QTimer::timeout, this, &CConcordanceWindow::Read);
    connect(context_, &QSpinBox::valueChanged, contextTimer_, qOverload<>(&QTimer::start));
    connect(show_, &QPushButton::clicked, this, &CConcordanceWindow::Read);
    connect(entry_, &QLineEdit::returnPressed, this, &CConcordanceWindow::Read);
    for (QComboBox* box : sortKeys_)
        connect(box, &QComboBox::activated, this, &CConcordanceWindow::Read);
    connect(model_, &CConcordanceModel::SortAsked, this,
            [this](int column, Qt::SortOrder) { OnSortAsked(column); });
    connect(cancel_, &QPushButton::clicked, this, &CConcordanceWindow::Cancel);
    connect(copy_, &QPushButton::clicked, this, &CConcordanceWindow::CopySelection);
    connect(export_, &QPushButton::clicked, this, &CConcordanceWindow::ExportLines);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    auto* copyKey = new QShortcut(QKeySequence::Copy, table_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(copyKey, &QShortcut::activated, this, &CConcordanceWindow::CopySelection);
    auto* closeKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);

    resize(character * 120, fontMetrics().height() * 34);
    ShowFocusFromStart(this);
}

CConcordanceWindow::~CConcordanceWindow() = default;

CConcordanceWindow* CConcordanceWindow::Open(CMainDialog& main, const QString& entry) {
    CConcordanceWindow* window =
        main.findChild<CConcordanceWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (window == nullptr)
        window = new CConcordanceWindow(main);
    window->show();
    window->raise();
    window->activateWindow();
    window->ShowEntry(entry);
    return window;
}

void CConcordanceWindow::ShowEntry(const QString& entry) {
    entry_->setText(entry);
    Read();
}

std::vector<ConcordanceKey> CConcordanceWindow::SortKeys() const {
    std::vector<ConcordanceKey> keys;
    for (QComboBox* box : sortKeys_) {
        const ConcordanceKey key = kSortChoiceKeys[std::max(0, box->currentIndex())];
        if (key != 0 && std::find(keys.begin(), keys.end(), key) == keys.end())
            keys.push_back(key);
    }
    return keys;
}

void CConcordanceWindow::SetSortKeys(const std::vector<ConcordanceKey>& keys) {
    for (int i = 0; i < 3; ++i) {
        const ConcordanceKey key = i < static_cast<int>(keys.size()) ? keys[i] : 0;
        const auto at = std::find(std::begin(kSortChoiceKeys), std::end(kSortChoiceKeys), key);
        sortKeys_[i]->setCurrentIndex(static_cast<int>(at - std::begin(kSortChoiceKeys)));
    }
    Read();
}

void CConcordanceWindow::OnSortAsked(int column) {
    // The contexts sort by their nearest words; the rest is the order of the documents.
    if (column == CConcordanceModel::Left)
        SetSortKeys({-1, -2, -3});
    else if (column == CConcordanceModel::Right)
        SetSortKeys({1, 2, 3});
    else
        SetSortKeys({});
}

void CConcordanceWindow::Read() {
    contextTimer_->stop();
    if (reading_) {
        // The reading under way stops at its next look at the window; this one follows.
        readAgain_ = true;
        cancelAsked_ = true;
        return;
    }
    reading_ = true;
    do {
        readAgain_ = false;
        cancelAsked_ = false;
        ReadOnce();
    } while (readAgain_ && !closeAsked_);
    reading_ = false;
    if (closeAsked_)
        close();
}

void CConcordanceWindow::ReadOnce() {
    const Workspace& work = main_.workspace();
    const std::vector<AddedRun> runs = work.Added.runs;
    const std::string typed = entry_->text().trimmed().toStdString();
    const std::size_t width = static_cast<std::size_t>(context_->value());
    const std::vector<ConcordanceKey> keys = SortKeys();

    spool_ = std::make_shared<LineSpool>();
    model_->Start(spool_);
    {
        // Only shown: the header's signal would ask for a sort again.
        const QSignalBlocker quiet(table_->horizontalHeader());
        table_->horizontalHeader()->setSortIndicator(
            keys.empty() ? -1
                         : (keys.front() < 0 ? CConcordanceModel::Left : CConcordanceModel::Right),
            Qt::AscendingOrder);
    }

    std::vector<std::string> notes;
    if (runs.empty())
        notes.push_back(work.Added.fromSavedLists ? kSavedListsOnlyText : kNoDocumentsText);
    else if (work.Added.fromSavedLists)
        notes.push_back(kSavedListsTooText);
    std::vector<std::string> changed, gone;
    for (const AddedRun& run : runs) {
        for (const AddedDocument& document : run.documents) {
            const AddedDocument now = DocumentNow(document.path);
            if (now.size < 0)
                gone.push_back(document.path);
            else if (Changed(document, now))
                changed.push_back(document.path);
        }
    }
    if (!changed.empty())
        notes.push_back(FormatText(kChangedFormat, Joined(changed).c_str()));
    if (!gone.empty())
        notes.push_back(FormatText(kGoneFormat, Joined(gone).c_str()));

    Progress progress(*this);
    progress_->show();
    cancel_->show();
    counts_->setText(QString::fromUtf8(kReadingText));
    ErrorsOnlyMessages messages(main_.messages());
    const IngestHooks hooks{progress, messages, {}};
    Concordance joined;
    std::size_t documents = 0;
    bool complete = true;
    bool cancelled = false;
    bool anyEntry = runs.empty() || typed.empty();
    try {
        // Document by document, so that the lines of the first show while the others
        // are read; each share of the bar as large as its document.
        std::int64_t total = 1;
        for (const AddedRun& added : runs)
            for (const AddedDocument& document : added.documents)
                total += std::max<std::int64_t>(document.size, 1);
        std::int64_t done = 0;
        const auto slice = [&](std::int64_t from, std::int64_t to) {
            progress.Slice(static_cast<int>(1000 * from / total),
                           static_cast<int>(1000 * to / total));
        };
        for (const AddedRun& added : runs) {
            RunState run(messages);
            run.Add = added.options;
            run.Lemmas = added.lemmas;
            run.MinWordLength = MinWordLengthOf(run.Add.SkipShortWords != 0);
            ApplyAddOptions(run);
            const std::optional<ConcordanceEntry> entry = CutEntry(CutterSetupOf(run), typed);
            if (!entry)
                continue;
            anyEntry = true;
            // An Add reads its files last first.
            for (auto document = added.documents.rbegin(); document != added.documents.rend();
                 ++document) {
                const std::int64_t size = std::max<std::int64_t>(document->size, 1);
                if (std::find(gone.begin(), gone.end(), document->path) != gone.end()) {
                    done += size;
                    continue;
                }
                IngestState state;
                state.InputFiles.push_back(document->path);
                const auto toSpool = [&](const ConcordanceLine& line) {
                    spool_->Add(spool_->Document(*line.path), line);
                };
                // Without a sort the lines are made in one reading and shown as they
                // come, the first of them within moments even in a long document.
                if (keys.empty()) {
                    slice(done, done + size);
                    done += size;
                    const std::optional<std::size_t> lines =
                        ReadConcordance(run, state, hooks, *entry, width, toSpool);
                    complete = lines.has_value() && complete;
                    documents += lines.value_or(0) > 0 ? 1 : 0;
                    model_->ShowAdded();
                    continue;
                }
                slice(done, done + size / 2);
                std::optional<Concordance> found = FindConcordance(run, state, hooks, *entry, true);
                if (!found) {
                    complete = false;
                    done += size;
                    continue;
                }
                slice(done + size / 2, done + size);
                done += size;
                const std::size_t before = spool_->Size();
                complete = ReadConcordanceLines(run, *found, hooks, width, toSpool) &&
                           spool_->Size() == before + found->occurrences.size() && complete;
                documents += found->DocumentsWithOccurrences();
                model_->ShowAdded();
                JoinConcordance(joined, std::move(*found));
            }
        }
    } catch (const UserCancel&) {
        cancelled = true;
    }
    progress_->hide();
    cancel_->hide();
    model_->ShowAdded();
    // Only a whole reading can be sorted: the order names every line.
    if (!keys.empty() && complete && !cancelled && joined.occurrences.size() == spool_->Size())
        model_->SetOrder(SortedOccurrences(joined, keys));
    if (!anyEntry)
        notes.push_back(FormatText(kNoWordFormat, typed.c_str()));
    if (cancelled && !readAgain_)
        notes.push_back(kCancelledText);
    std::string note;
    for (const std::string& line : notes)
        note += (note.empty() ? "" : "\n") + line;
    note_->setText(QString::fromStdString(note));
    note_->setVisible(!note.empty());
    ShowCounts(spool_->Size(), documents);
}

void CConcordanceWindow::ShowCounts(std::size_t lines, std::size_t documents) {
    counts_->setText(QString::fromStdString(OccurrenceCountText(lines, documents)));
}

void CConcordanceWindow::closeEvent(QCloseEvent* event) {
    if (reading_) {
        // The reading is on the stack below: the window goes once it has stopped.
        closeAsked_ = true;
        cancelAsked_ = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

std::string CConcordanceWindow::TableText(bool csv, const std::vector<int>& rows,
                                          bool header) const {
    const TableFormat format = csv ? TableFormat::Csv : TableFormat::Tsv;
    std::string text;
    if (header)
        AppendTableRecord(text, format, {"File", "Line", "Left", "Match", "Right"});
    for (const int row : rows) {
        const LineSpool::Line& line = model_->LineAt(row);
        const std::string file = model_->FileOf(line).toStdString();
        const std::string number = std::to_string(line.line);
        AppendTableRecord(text, format, {file, number, line.left, line.match, line.right});
    }
    return text;
}

void CConcordanceWindow::CopySelection() {
    std::vector<int> rows;
    for (int row = 0; row < model_->rowCount(); ++row) {
        if (table_->selectionModel()->isRowSelected(row, QModelIndex()))
            rows.push_back(row);
    }
    if (rows.empty())
        return;
    QApplication::clipboard()->setText(QString::fromStdString(TableText(false, rows, true)));
}

void CConcordanceWindow::ExportLines() {
    if (reading_)
        return;
    main_.RunCommand([this] {
        ExportTableFile(main_.picker(), main_.messages(), "Export Concordance", "Concordance",
                        [this](const std::string& path, TableFormat format, int* error) {
                            const bool csv = format == TableFormat::Csv;
                            int row = -1;
                            return ExportTable(
                                path,
                                [&](std::string& text) {
                                    // The header first, then a thousand lines at a time.
                                    if (row >= model_->rowCount())
                                        return false;
                                    const bool header = row == -1;
                                    row = std::max(row, 0);
                                    std::vector<int> rows;
                                    for (; row < model_->rowCount() && rows.size() < 1000; ++row)
                                        rows.push_back(row);
                                    text = TableText(csv, rows, header);
                                    return true;
                                },
                                nullptr, error);
                        });
    });
}

}  // namespace tarvolen
