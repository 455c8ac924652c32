#include "gui/analysis/filter_dialog.h"

#include <QButtonGroup>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <algorithm>
#include <string>

#include "core/analysis/word_filter.h"
#include "core/ports/messages.h"
#include "gui/app/dialog_units.h"
#include "gui/app/qt_paths.h"
#include "gui/output/save_list_dialog.h"
#include "gui/util/focus.h"

namespace tarvolen {

namespace {

QToolButton* MakeArrow(Qt::ArrowType direction, QWidget* parent) {
    auto* arrow = new QToolButton(parent);
    arrow->setArrowType(direction);
    // Hot-tracking: the arrow lights up under the pointer.
    arrow->setAutoRaise(true);
    arrow->setAutoRepeat(true);
    // The edit keeps the focus while the arrows are clicked.
    arrow->setFocusPolicy(Qt::NoFocus);
    return arrow;
}

// Qt trims the Unicode blanks too, which the Latin-1 bytes could not carry.
std::string LatinTrimmed(const QString& text) {
    return text.trimmed().toLatin1().toStdString();
}

}  // namespace

CFilterDialog::CFilterDialog(MessagePort& messages, FilePicker& picker, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags), messages_(messages), picker_(picker) {
    setWindowTitle(QStringLiteral("Filter"));
    // Taller than the three rules of counts and lengths needed: the range rule and
    // the words of a list follow them, the list with its file, and the buttons move
    // down below it so that they close the dialog as on every other.
    const DialogUnits units = DialogUnits::FixDialog(this, 149, 148);

    // No validator: anything can be typed, and "Filter" says what is wrong with it.
    // Narrower than the rules below, so that what the number means fits beside it.
    edit_ = new QLineEdit(QString::number(FilterValue), this);
    edit_->setObjectName(QStringLiteral("filterValue"));
    const QRect editArea = units.Rect(7, 7, 40, 14);
    edit_->setGeometry(editArea);
    edit_->installEventFilter(this);

    // The arrows sit inside the edit's right edge, as an up-down control attached to
    // its buddy does.
    up_ = MakeArrow(Qt::UpArrow, this);
    down_ = MakeArrow(Qt::DownArrow, this);
    const int arrowWidth = std::max(units.X(9), 12);
    const int upHeight = editArea.height() / 2;
    up_->setGeometry(editArea.right() + 1 - arrowWidth, editArea.top(), arrowWidth, upHeight);
    down_->setGeometry(editArea.right() + 1 - arrowWidth, editArea.top() + upHeight, arrowWidth,
                       editArea.height() - upHeight);
    edit_->setTextMargins(0, 0, arrowWidth, 0);
    meaning_ = new QLabel(this);
    units.Place(meaning_, 51, 10, 91, 8);
    connect(edit_, &QLineEdit::textChanged, this, &CFilterDialog::ShowMeaning);
    connect(up_, &QToolButton::clicked, this, [this] { StepBy(1); });
    connect(down_, &QToolButton::clicked, this, [this] { StepBy(-1); });

    modes_ = new QButtonGroup(this);
    const char* captions[] = {"Remove &rare words (by count)", "Remove &short words",
                              "Remove &long words"};
    const int tops[] = {31, 46, 61};
    for (int mode = 0; mode < 3; ++mode) {
        auto* button = new QRadioButton(QString::fromUtf8(captions[mode]), this);
        units.Place(button, 7, tops[mode], 135, 10);
        modes_->addButton(button, mode);
    }
    auto* range =
        new QRadioButton(QStringLiteral("Remove words foun&d in fewer than N files"), this);
    units.Place(range, 7, 76, 135, 10);
    modes_->addButton(range, static_cast<int>(tarvolen::FilterMode::Range));
    auto* listed = new QRadioButton(QStringLiteral("Remove words l&isted in a file"), this);
    units.Place(listed, 7, 91, 135, 10);
    modes_->addButton(listed, static_cast<int>(tarvolen::FilterMode::Listed));
    list_ = new QLineEdit(this);
    list_->setObjectName(QStringLiteral("filterList"));
    units.Place(list_, 7, 104, 85, 14);
    browse_ = new QPushButton(QStringLiteral("&Browse..."), this);
    browse_->setAutoDefault(false);
    units.Place(browse_, 96, 104, 46, 14);
    connect(browse_, &QPushButton::clicked, this, [this] {
        if (BrowseForFile(list_, "txt", "Word List", false, picker_))
            ModeButton(static_cast<int>(tarvolen::FilterMode::Listed))->setChecked(true);
    });
    // The number plays no part in the fourth rule.
    connect(listed, &QRadioButton::toggled, this, [this](bool on) {
        edit_->setEnabled(!on);
        up_->setEnabled(!on);
        down_->setEnabled(!on);
    });
    ModeButton(static_cast<int>(FilterMode))->setChecked(true);
    connect(modes_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            ShowMeaning();
    });
    ShowMeaning();

    filter_ = new QPushButton(QStringLiteral("&Filter"), this);
    filter_->setDefault(true);
    units.Place(filter_, 7, 127, 50, 14);
    connect(filter_, &QPushButton::clicked, this, &CFilterDialog::Confirm);

    cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel_->setAutoDefault(false);
    units.Place(cancel_, 92, 127, 50, 14);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    // The controls were made in the order they are laid out, which is the tab order;
    // the edit has the focus at start.
    edit_->setFocus();
    DialogUnits::GrowToFitText(this);
    ShowFocusFromStart(this);
}

QRadioButton* CFilterDialog::ModeButton(int mode) const {
    return static_cast<QRadioButton*>(modes_->button(mode));
}

void CFilterDialog::ShowMeaning() {
    const std::optional<std::int32_t> value = ParseValue(edit_->text());
    const QString n = value ? QString::number(*value) : QStringLiteral("N");
    switch (static_cast<tarvolen::FilterMode>(modes_->checkedId())) {
        case tarvolen::FilterMode::Rare:
            meaning_->setText(QStringLiteral("fewer than %1 times").arg(n));
            break;
        case tarvolen::FilterMode::Short:
            meaning_->setText(QStringLiteral("shorter than %1 letters").arg(n));
            break;
        case tarvolen::FilterMode::Long:
            meaning_->setText(QStringLiteral("longer than %1 letters").arg(n));
            break;
        case tarvolen::FilterMode::Range:
            meaning_->setText(QStringLiteral("in fewer than %1 files").arg(n));
            break;
        default:
            meaning_->clear();
            break;
    }
    // For a screen reader, which finds no label bound to the number.
    edit_->setAccessibleDescription(meaning_->text());
}

std::optional<std::int32_t> CFilterDialog::ParseValue(const QString& text) {
    return ParseFilterValue(LatinTrimmed(text));
}

void CFilterDialog::StepBy(int steps) {
    // The arrows start from what the edit shows when that is a number, else from
    // where they were last; either way they stop at the ends of their own range.
    const std::optional<std::int32_t> shown = ParseInteger(LatinTrimmed(edit_->text()));
    const int from =
        shown ? static_cast<int>(std::clamp(*shown, -1'000'000, 1'000'000)) : spinPosition_;
    spinPosition_ = std::clamp(from + steps, kSpinMin, kSpinMax);
    edit_->setText(QString::number(spinPosition_));
}

bool CFilterDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            StepBy(key->key() == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CFilterDialog::Confirm() {
    if (modes_->checkedId() == static_cast<int>(tarvolen::FilterMode::Listed)) {
        ListPath = EncodePath(list_->text().trimmed());
        if (ListPath.empty()) {
            messages_.ShowMessage(kNoListText, MessageIcon::Warning);
            list_->setFocus();
            return;
        }
        FilterMode = tarvolen::FilterMode::Listed;
        accept();
        return;
    }
    const std::optional<std::int32_t> value = ParseValue(edit_->text());
    if (!value) {
        messages_.ShowMessage(FilterValueRefusal(LatinTrimmed(edit_->text())),
                              MessageIcon::Warning);
        edit_->setFocus();
        edit_->selectAll();
        return;
    }
    FilterValue = *value;
    FilterMode = static_cast<tarvolen::FilterMode>(std::max(modes_->checkedId(), 0));
    accept();
}

}  // namespace tarvolen
