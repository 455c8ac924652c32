#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>

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

}  // namespace
}  // namespace tarvolen
