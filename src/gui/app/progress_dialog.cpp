#include "gui/app/progress_dialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>
#include <algorithm>

#include "gui/app/dialog_units.h"
#include "gui/util/focus.h"

namespace tarvolen {

CProgressDialog::CProgressDialog(const QString& caption)
    // No Qt parent: the owner gets disabled while this window is open, and a disabled
    // widget disables its child windows too.
    : QDialog(nullptr, kFixedDialogFlags) {
    DialogUnits units = DialogUnits::FixDialog(this, 243, 93);
    setWindowTitle(caption.isEmpty() ? QString::fromUtf8(kDefaultCaption) : caption);
    setModal(false);

    fileLine_ = new QLabel(this);
    units.Place(fileLine_, 7, 7, 229, 8);
    detailLine_ = new QLabel(this);
    units.Place(detailLine_, 7, 23, 229, 8);
    percent_ = new QLabel(QStringLiteral(" 0 %"), this);
    units.Place(percent_, 112, 39, 18, 8);
    // Wide fonts would clip "100%" in the 18 units that suit the classic dialog font.
    int percentWidth = percent_->fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 2;
    if (percent_->width() < percentWidth)
        percent_->resize(percentWidth, percent_->height());

    bar_ = new QProgressBar(this);
    bar_->setTextVisible(false);
    bar_->setRange(lower_, upper_);
    bar_->setValue(lower_);
    units.Place(bar_, 7, 50, 229, 8);

    cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    // Not Qt's default button: that would turn Enter into Cancel.
    cancel_->setAutoDefault(false);
    cancel_->setDefault(false);
    units.Place(cancel_, 96, 72, 50, 14);
    connect(cancel_, &QPushButton::clicked, this, &CProgressDialog::reject);
    DialogUnits::GrowToFitText(this);
    ShowFocusFromStart(this);
}

CProgressDialog::~CProgressDialog() {
    Close();
}

QWidget* CProgressDialog::FindMainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String(kMainWindowName))
            return widget;
    }
    return nullptr;
}

bool CProgressDialog::Open(QWidget* parent) {
    if (open_)
        return true;
    owner_ = parent != nullptr ? parent->window() : FindMainWindow();
    if (owner_ && owner_->isEnabled()) {
        owner_->setEnabled(false);
        ownerDisabled_ = true;
    }
    cancelPending_ = false;
    bar_->setRange(lower_, upper_);
    bar_->setValue(lower_);
    if (owner_) {
        // Keeps the window above its owner without making it a Qt child.
        winId();
        owner_->winId();
        if (windowHandle() != nullptr)
            windowHandle()->setTransientParent(owner_->windowHandle());
    }
    show();
    open_ = true;
    return true;
}

void CProgressDialog::Close() {
    if (ownerDisabled_ && owner_)
        owner_->setEnabled(true);
    ownerDisabled_ = false;
    if (open_)
        hide();
    open_ = false;
}

void CProgressDialog::SetBounds(int lower, int upper) {
    lower_ = lower;
    upper_ = upper;
    // An empty range turns the bar into Qt's busy indicator; a percentage of nothing
    // would only show a still 0%.
    bar_->setRange(lower, upper);
    percent_->setVisible(!IsBusy());
}

bool CProgressDialog::IsBusy() const {
    return lower_ == 0 && upper_ == 0;
}

int CProgressDialog::SetPosition(int position) {
    PumpPendingEvents();
    int previous = bar_->value();
    // The bar pins a position outside its range to the nearer end, unlike QProgressBar,
    // which would ignore it.
    int low = std::min(lower_, upper_);
    int high = std::max(lower_, upper_);
    bar_->setValue(std::clamp(position, low, high));
    UpdatePercentText(position);
    return previous;
}

bool CProgressDialog::CancelRequested() {
    PumpPendingEvents();
    bool requested = cancelPending_;
    cancelPending_ = false;
    return requested;
}

void CProgressDialog::SetFileLine(const QString& text) {
    // A deep path would be cut at the window's edge, losing the file's name: the middle
    // gives way instead, and the whole path stays in the tool tip.
    fileLine_->setText(
        fileLine_->fontMetrics().elidedText(text, Qt::ElideMiddle, fileLine_->width()));
    fileLine_->setToolTip(text);
}

void CProgressDialog::SetDetailLine(const QString& text) {
    detailLine_->setText(text);
}

QString CProgressDialog::PercentText(int position, int lower, int upper) {
    // A span of 0 has no percentage; show 0 rather than divide by it.
    std::int64_t span = static_cast<std::int64_t>(upper) - lower;
    std::int64_t percent =
        span == 0 ? 0 : (static_cast<std::int64_t>(position) - lower) * 100 / span;
    if (percent != 100)
        percent %= 100;
    return QStringLiteral("%1%").arg(percent);
}

void CProgressDialog::UpdatePercentText(int position) {
    QString text = PercentText(position, lower_, upper_);
    // Rewriting an unchanged label would repaint it on every chunk.
    if (percent_->text() != text)
        WritePercentText(text);
}

void CProgressDialog::WritePercentText(const QString& text) {
    percent_->setText(text);
}

void CProgressDialog::accept() {}

void CProgressDialog::reject() {
    cancelPending_ = true;
}

void CProgressDialog::PumpPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace tarvolen
