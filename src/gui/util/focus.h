#pragma once

class QWidget;

namespace tarvolen {

// Styles draw the focus frame only after the keyboard has moved the focus once, and
// Qt forgets that whenever a window is shown, so a window opened by a key press would
// not say where the next key goes. This marks the window as keyboard-driven each time
// it is shown; a mouse click hides the frame again, as usual.
void ShowFocusFromStart(QWidget* window);

}  // namespace tarvolen
