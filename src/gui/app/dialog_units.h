#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

namespace tarvolen {

// A dialog of fixed size with a title bar, a system menu and a close box.
inline constexpr Qt::WindowFlags kFixedDialogFlags =
    Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
    Qt::MSWindowsFixedSizeDialogHint;

// Dialog layouts are drawn in dialog units, so they scale with the dialog's font: a
// horizontal unit is a quarter of the font's average character width, a vertical unit
// an eighth of its height.
// How far a fixed dialog's layout was stretched, across and down, so that every text
// fits (DialogUnits::GrowToFitText); 1 and 1 when it fitted as drawn.
struct LayoutStretch {
    double across = 1.0;
    double down = 1.0;

    // Each edge is scaled on its own, so controls that touch still touch.
    QRect Apply(const QRect& area) const;
    QSize Apply(const QSize& size) const;
};

class DialogUnits {
  public:
    // Base units measured from the font: the average width of the 52 Latin letters and
    // the line height.
    explicit DialogUnits(const QFont& font);
    // Base units given in pixels, e.g. the classic 6 x 13 of an 8-point dialog font.
    DialogUnits(int averageCharWidth, int charHeight);

    int averageCharWidth() const { return baseX_; }
    int charHeight() const { return baseY_; }

    int X(int units) const;
    int Y(int units) const;
    // Each edge is converted on its own, so controls that touch in dialog units still
    // touch in pixels.
    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;

    // Moves and sizes a child widget to a dialog-unit rectangle.
    void Place(QWidget* widget, int x, int y, int width, int height) const;

    // The font every dialog of the application is laid out with: the desktop's own
    // dialog font.
    static QFont DialogFont();

    // Gives a dialog that font and a fixed size in dialog units of it; returns the
    // units to lay out its controls with.
    static DialogUnits FixDialog(QWidget* dialog, int width, int height);

    // The rectangles of a layout are a minimum: where a control's text needs more room
    // than its rectangle gives with the font at hand, the whole layout of the fixed
    // dialog is stretched, across and down on their own, until every text fits. Every
    // control keeps its place relative to the others, so nothing comes to overlap.
    // Called once the dialog's controls are placed and captioned; returns the stretch,
    // which the dialog keeps (StretchOf).
    static LayoutStretch GrowToFitText(QWidget* dialog);
    static LayoutStretch StretchOf(const QWidget* dialog);

  private:
    int baseX_;
    int baseY_;
};

}  // namespace tarvolen
