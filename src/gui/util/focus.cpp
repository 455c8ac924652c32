#include "gui/util/focus.h"

#include <QEvent>
#include <QObject>
#include <QWidget>

namespace tarvolen {

namespace {

// Runs before the window's own Show handling, after Qt cleared the mark.
class FocusShownFilter : public QObject {
  public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            static_cast<QWidget*>(watched)->setAttribute(Qt::WA_KeyboardFocusChange);
        return false;
    }
};

}  // namespace

void ShowFocusFromStart(QWidget* window) {
    window->installEventFilter(new FocusShownFilter(window));
}

}  // namespace tarvolen
