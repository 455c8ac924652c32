#include "gui/app/dialog_units.h"

#include <QApplication>
#include <QFontMetrics>
#include <QWidget>
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

DialogUnits DialogUnits::FixDialog(QWidget* dialog, int width, int height) {
    dialog->setFont(DialogFont());
    DialogUnits units(dialog->font());
    dialog->setFixedSize(units.Size(width, height));
    return units;
}

}  // namespace tarvolen
