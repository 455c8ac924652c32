#include "gui/app/dialog_units.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tarvolen {

namespace {

// Rounds half away from zero, like the platform's multiply-divide of dialog units.
int ScaleRounded(int value, int numerator, int denominator) {
    std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    std::int64_t half = denominator / 2;
    std::int64_t result =
        product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
    return static_cast<int>(result);
}

int AverageLetterWidth(const QFontMetrics& metrics) {
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    int total = metrics.horizontalAdvance(kLetters);
    return (total / 26 + 1) / 2;
}

// The room a control's text asks for; an empty size for controls without text, whose
// rectangles are as wide as the layout wants them.
QSize TextRoom(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        if (label->text().isEmpty())
            return {};
        if (label->wordWrap())
            return QSize(0, label->heightForWidth(label->width()));
        return label->sizeHint();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text().isEmpty() ? QSize() : button->sizeHint();
    if (const auto* box = qobject_cast<const QGroupBox*>(widget))
        return QSize(
            box->fontMetrics().horizontalAdvance(box->title()) + box->fontMetrics().height(), 0);
    if (qobject_cast<const QComboBox*>(widget) != nullptr)
        return widget->sizeHint();
    return {};
}

// Half a pixel more than the exact ratio, so that the stretched width, rounded edge by
// edge, is never a pixel short.
double Ratio(int needed, int has) {
    return has > 0 && needed > has ? (needed + 0.5) / has : 1.0;
}

constexpr const char* kStretchAcross = "tarvolenStretchAcross";
constexpr const char* kStretchDown = "tarvolenStretchDown";

int Scaled(int value, double factor) {
    return static_cast<int>(std::lround(value * factor));
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    QFontMetrics metrics(font);
    baseX_ = AverageLetterWidth(metrics);
    baseY_ = metrics.height();
}

DialogUnits::DialogUnits(int averageCharWidth, int charHeight)
    : baseX_(averageCharWidth), baseY_(charHeight) {}

int DialogUnits::X(int units) const {
    return ScaleRounded(units, baseX_, 4);
}

int DialogUnits::Y(int units) const {
    return ScaleRounded(units, baseY_, 8);
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    int left = X(x);
    int top = Y(y);
    int right = X(x + width);
    int bottom = Y(y + height);
    return QRect(left, top, right - left, bottom - top);
}

QSize DialogUnits::Size(int width, int height) const {
    return QSize(X(width), Y(height));
}

void DialogUnits::Place(QWidget* widget, int x, int y, int width, int height) const {
    widget->setGeometry(Rect(x, y, width, height));
}

QFont DialogUnits::DialogFont() {
    return QApplication::font("QDialog");
}

QRect LayoutStretch::Apply(const QRect& area) const {
    const int left = Scaled(area.left(), across);
    const int top = Scaled(area.top(), down);
    return QRect(left, top, Scaled(area.left() + area.width(), across) - left,
                 Scaled(area.top() + area.height(), down) - top);
}

QSize LayoutStretch::Apply(const QSize& size) const {
    return QSize(Scaled(size.width(), across), Scaled(size.height(), down));
}

LayoutStretch DialogUnits::GrowToFitText(QWidget* dialog) {
    const QList<QWidget*> controls = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    LayoutStretch stretch;
    for (const QWidget* control : controls) {
        const QSize room = TextRoom(control);
        stretch.across = std::max(stretch.across, Ratio(room.width(), control->width()));
        // A closed drop-down list is as high as the style draws it, not as its
        // rectangle, which included the open list.
        if (qobject_cast<const QComboBox*>(control) == nullptr)
            stretch.down = std::max(stretch.down, Ratio(room.height(), control->height()));
    }
    if (stretch.across > 1.0 || stretch.down > 1.0) {
        for (QWidget* control : controls) {
            QRect area = stretch.Apply(control->geometry());
            if (qobject_cast<QComboBox*>(control) != nullptr)
                area.setHeight(control->height());
            control->setGeometry(area);
        }
        dialog->setFixedSize(stretch.Apply(dialog->size()));
    }
    dialog->setProperty(kStretchAcross, stretch.across);
    dialog->setProperty(kStretchDown, stretch.down);
    // Controls that size themselves to their text (such as a link) may still be a
    // pixel short: those grow about their centre.
    for (QWidget* control : controls) {
        const QSize room = TextRoom(control).expandedTo(control->size());
        if (room == control->size())
            continue;
        QRect area(QPoint(0, 0), room);
        area.moveCenter(control->geometry().center());
        control->setGeometry(area);
    }
    return stretch;
}

LayoutStretch DialogUnits::StretchOf(const QWidget* dialog) {
    LayoutStretch stretch;
    if (const QVariant across = dialog->property(kStretchAcross); across.isValid())
        stretch.across = across.toDouble();
    if (const QVariant down = dialog->property(kStretchDown); down.isValid())
        stretch.down = down.toDouble();
    return stretch;
}

DialogUnits DialogUnits::FixDialog(QWidget* dialog, int width, int height) {
    dialog->setFont(DialogFont());
    DialogUnits units(dialog->font());
    dialog->setFixedSize(units.Size(width, height));
    return units;
}

}  // namespace tarvolen
