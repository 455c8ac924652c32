#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include "gui/app/dialog_units.h"
#include "support/qt_widget_test.h"

namespace tarvolen {
namespace {

class DialogUnitsTest : public testing::QtWidgetTest {};

// The classic 8-point dialog font measures 6 x 13 pixels.
TEST_F(DialogUnitsTest, ClassicBaseUnits) {
    DialogUnits units(6, 13);
    struct Case {
        int x, y, w, h;
        QRect pixels;
    };
    const Case cases[] = {
        // main window buttons: x 283 * 6 / 4 = 424.5 rounds up to 425
        {283, 7, 56, 14, QRect(425, 11, 84, 23)},
        {7, 123, 259, 10, QRect(11, 200, 388, 16)},
        {0, 0, 346, 140, QRect(0, 0, 519, 228)},
        // edges round on their own, so the width follows the right edge
        {1, 1, 1, 1, QRect(2, 2, 1, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.x << "," << c.y << "," << c.w << "," << c.h);
        EXPECT_EQ(units.Rect(c.x, c.y, c.w, c.h), c.pixels);
    }
    EXPECT_EQ(units.Size(346, 140), QSize(519, 228));
}

TEST_F(DialogUnitsTest, NeighboursStillTouch) {
    DialogUnits units(7, 15);
    for (int x = 0; x < 40; ++x) {
        EXPECT_EQ(units.Rect(x, 0, 3, 3).right() + 1, units.Rect(x + 3, 0, 3, 3).left());
    }
}

// Measured from a font: the average width of the 52 letters, rounded, and the height.
TEST_F(DialogUnitsTest, MeasuredFromAFont) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    QFontMetrics metrics(font);
    int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));

    DialogUnits units(font);
    EXPECT_EQ(units.averageCharWidth(), (letters / 26 + 1) / 2);
    EXPECT_EQ(units.charHeight(), metrics.height());
    EXPECT_GT(units.averageCharWidth(), 3);
    EXPECT_LT(units.averageCharWidth(), 12);

    QLabel label;
    units.Place(&label, 4, 8, 40, 16);
    EXPECT_EQ(label.geometry(), units.Rect(4, 8, 40, 16));
    EXPECT_EQ(label.y(), metrics.height());
    EXPECT_EQ(label.height(), 2 * metrics.height());
}

// A caption too long for its rectangle stretches the whole layout: it fits, the
// controls keep their order and gaps, and the dialog grows with them.
TEST_F(DialogUnitsTest, ATextThatDoesNotFitStretchesTheLayout) {
    QDialog dialog;
    const DialogUnits units = DialogUnits::FixDialog(&dialog, 200, 60);
    auto* box = new QCheckBox(QStringLiteral("A caption far too long for twenty units"), &dialog);
    units.Place(box, 7, 7, 20, 10);
    auto* button = new QPushButton(QStringLiteral("OK"), &dialog);
    units.Place(button, 30, 7, 50, 14);
    const QRect drawnButton = button->geometry();

    const LayoutStretch stretch = DialogUnits::GrowToFitText(&dialog);
    EXPECT_GT(stretch.across, 2.0);
    EXPECT_EQ(DialogUnits::StretchOf(&dialog).across, stretch.across);
    EXPECT_GE(box->width(), box->sizeHint().width());
    EXPECT_GE(box->height(), box->sizeHint().height());
    EXPECT_LT(box->geometry().right(), button->x()) << "still side by side";
    EXPECT_GE(button->width(), drawnButton.width());
    EXPECT_EQ(dialog.size(), stretch.Apply(units.Size(200, 60)));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "still of fixed size";
    EXPECT_TRUE(QRect(QPoint(0, 0), dialog.size()).contains(button->geometry()));
}

TEST_F(DialogUnitsTest, ALayoutWhoseTextsFitStaysAsDrawn) {
    QDialog dialog;
    const DialogUnits units = DialogUnits::FixDialog(&dialog, 200, 60);
    auto* button = new QPushButton(QStringLiteral("OK"), &dialog);
    units.Place(button, 7, 7, 100, 30);
    const LayoutStretch stretch = DialogUnits::GrowToFitText(&dialog);
    EXPECT_EQ(stretch.across, 1.0);
    EXPECT_EQ(stretch.down, 1.0);
    EXPECT_EQ(button->geometry(), units.Rect(7, 7, 100, 30));
    EXPECT_EQ(dialog.size(), units.Size(200, 60));
}

}  // namespace
}  // namespace tarvolen
