#pragma once

#include <functional>

class QWidget;

namespace tarvolen {

// Runs action when the widget is double-clicked with the left button, for widgets
// that have no signal of their own for it (a label).
void OnDoubleClick(QWidget* widget, std::function<void()> action);

}  // namespace tarvolen
