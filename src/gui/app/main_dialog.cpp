#include "gui/app/main_dialog.h"

#include <QFont>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QShortcut>
#include <memory>
#include <utility>

#include "core/input/input_file.h"
#include "core/listfile/lemma_list.h"
#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/text/format_count.h"
#include "core/workspace.h"
#include "gui/app/dialog_port.h"
#include "gui/app/dialog_units.h"
#include "gui/app/progress_dialog.h"
#include "gui/util/command_guard.h"
#include "gui/util/double_click.h"
#include "gui/util/focus.h"
#include "gui/util/link_label.h"

namespace tarvolen {

namespace {

constexpr const char* kUnsavedSuffix = " (NOT SAVED YET)";
constexpr const char* kIconPath = ":/icons/tarvolen.png";

}  // namespace

CMainDialog::CMainDialog(Workspace& workspace, MessagePort& messages, DialogPort& dialogs,
                         FilePicker& picker, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags | Qt::WindowMinimizeButtonHint),
      workspace_(workspace),
      messages_(messages),
      dialogs_(dialogs),
      picker_(picker) {
    // The Info window shows the standardised type/token ratio of the documents read.
    workspace_.MeasureSegments = true;
    setObjectName(QString::fromLatin1(CProgressDialog::kMainWindowName));
    setWindowTitle(QString::fromUtf8(kTitle));
    setWindowIcon(QIcon(QString::fromLatin1(kIconPath)));
    DialogUnits units = DialogUnits::FixDialog(this, 346, 140);

    AddButton("&Add...", 7, &CMainDialog::OnAdd);
    AddButton("&Save Word List", 26, &CMainDialog::OnSaveWordList);
    AddButton("S&tatistics", 47, &CMainDialog::ShowStatistics);
    AddButton("&Filter", 68, &CMainDialog::ApplyFilter);
    AddButton("&Reset", 89, &CMainDialog::OnReset);
    AddButton("E&xit", 119, &CMainDialog::OnCancel);
    // Under the banner, above the status line that also opens it, so that the column
    // of command buttons keeps its places.
    AddButton("&View List", 104, &CMainDialog::ViewList, 109);

    statusLine_ = new QLabel(QStringLiteral("Info"), this);
    statusLine_->setAlignment(Qt::AlignCenter);
    statusLine_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    units.Place(statusLine_, 7, 123, 259, 10);
    OnDoubleClick(statusLine_, [this] { RunCommand([this] { ViewList(); }); });

    banner_ = new QLabel(QString::fromUtf8(kBannerText), this);
    banner_->setAlignment(Qt::AlignCenter);
    // Verdana where it is installed, else the nearest match Qt finds.
    QFont bannerFont(QStringLiteral("Verdana"), 14);
    banner_->setFont(bannerFont);
    units.Place(banner_, 7, 7, 259, 16);

    subtitle_ = new QLabel(QString::fromUtf8(kSubtitleText), this);
    subtitle_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    units.Place(subtitle_, 7, 27, 259, 9);

    // Centred on its rectangle; setting the URL shrinks it to its caption.
    linkLabel_ = new CLinkLabel(QString::fromUtf8(kLinkCaption), QString(), messages_, this);
    linkLabel_->setAlignment(Qt::AlignCenter);
    units.Place(linkLabel_, 109, 40, 56, 8);
    linkLabel_->SetLinkUrl(QString::fromUtf8(kProjectUrl));

    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { RunCommand([this] { ShowHelp(); }); });

    // No working-set request (a resident minimum of 9.5 MiB and maximum of 95.3 MiB):
    // Linux has no counterpart worth having, as it pages the process in on demand and
    // pinning memory would need privileges. Left out on purpose.

    setAcceptDrops(true);

    RefreshStatusLine();
    DiscardList();
    DialogUnits::GrowToFitText(this);
    ShowFocusFromStart(this);
}

CMainDialog::~CMainDialog() {
    // Windows of its own (the Word List window) close while this is still the main
    // window they ask things of, such as where to keep their settings.
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->isWindow())
            child->close();
    }
}

QPushButton* CMainDialog::AddButton(const char* caption, int y, void (CMainDialog::*handler)(),
                                    int x) {
    auto* button = new QPushButton(QString::fromUtf8(caption), this);
    DialogUnits(font()).Place(button, x, y, 56, 14);
    // Enter presses the focused button, never a hidden default one.
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this,
            [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); });
    buttons_.push_back(button);
    return button;
}

QPushButton* CMainDialog::button(Button which) const {
    return buttons_.at(static_cast<std::size_t>(which));
}

void CMainDialog::RefreshStatusLine() {
    ShowStatusLine();
    emit ListChanged();
}

void CMainDialog::ShowStatusLine() {
    std::int32_t count = workspace_.Store.Count();
    const char* suffix = workspace_.ListUnsaved && count > 0 ? kUnsavedSuffix : "";
    std::string text =
        FormatText("%s words in the list%s", FormatCount(count, ',').c_str(), suffix);
    statusLine_->setText(QString::fromUtf8(text));
}

void CMainDialog::DiscardList() {
    workspace_.Store.Clear();
    workspace_.Segments = {};
    workspace_.Forms->Clear();
    workspace_.Added.Clear();
    workspace_.ListUnsaved = false;
}

void CMainDialog::IngestFiles() {
    // A chosen file that cannot be opened stops the run before anything is read; the
    // person is told so beside the reason, rather than left to guess from the error.
    std::int64_t total = 0;
    std::string failure;
    if (!MeasureFiles(State.InputFiles, total, failure, Streams::Ignored, State.scanned)) {
        messages_.ShowMessage(failure + "\r\n\r\n" + kNothingAddedText, MessageIcon::Stop);
        return;
    }
    // The lemma list is read afresh for each Add, under the run's language and rules.
    if (!LoadLemmas(workspace_, messages_))
        return;
    std::unique_ptr<ProgressPort> progress = dialogs_.OpenProgress();
    IngestHooks hooks{*progress, messages_, [this] { RefreshStatusLine(); }};
    if (tarvolen::IngestFiles(workspace_, State, hooks).Outcome != IngestOutcome::Abandoned)
        workspace_.Added.Remember(workspace_, State.InputFiles);
}

void CMainDialog::RunCommand(const std::function<void()>& command) {
    {
        struct Depth {
            int& depth;
            explicit Depth(int& d) : depth(d) { ++depth; }
            ~Depth() { --depth; }
        } running(commandDepth_);
        RunGuarded(messages_, command);
    }
    if (commandDepth_ == 0)
        emit CommandsFinished();
}

void CMainDialog::QueueCommand(std::function<void()> command) {
    ++commandDepth_;
    // Dropped unrun, with the window, when the window goes first.
    QMetaObject::invokeMethod(
        this,
        [this, command = std::move(command)] {
            --commandDepth_;
            RunCommand(command);
        },
        Qt::QueuedConnection);
}

void CMainDialog::OnSaveWordList() {
    // The writer updates the status line and the unsaved mark itself.
    SaveWordList();
}

void CMainDialog::OnReset() {
    std::int32_t count = workspace_.Store.Count();
    if (count != 0) {
        std::string question = FormatText("Are you sure you want to discard %s words?",
                                          FormatCount(count, ',').c_str());
        if (messages_.Ask(question, MessageButtons::YesNo) != Answer::Yes)
            return;
    }
    DiscardList();
    RefreshStatusLine();
}

void CMainDialog::OnCancel() {
    std::int32_t count = workspace_.Store.Count();
    if (workspace_.ListUnsaved && count != 0) {
        std::string question = FormatText(kExitQuestionFormat, FormatCount(count, ',').c_str());
        switch (messages_.Ask(question, MessageButtons::YesNoCancel)) {
            case Answer::Yes:
                // An output error leaves through RunCommand before the window closes;
                // a save that could not even create its file leaves the list unsaved,
                // and the window stays open with it.
                if (SaveWordList() && !workspace_.ListUnsaved)
                    CloseWindow();
                return;
            case Answer::No:
                CloseWindow();
                return;
            default:
                return;
        }
    }
    CloseWindow();
}

void CMainDialog::ShowHelp() {
    messages_.ShowMessage(kHelpText, MessageIcon::Information);
}

void CMainDialog::accept() {}

void CMainDialog::reject() {
    RunCommand([this] { OnCancel(); });
}

void CMainDialog::CloseWindow() {
    QDialog::done(QDialog::Rejected);
}

}  // namespace tarvolen
