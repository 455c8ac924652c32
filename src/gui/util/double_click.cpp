#include "gui/util/double_click.h"

#include <QEvent>
#include <QMouseEvent>
#include <QObject>
#include <QWidget>
#include <utility>

namespace tarvolen {

namespace {

class DoubleClickFilter : public QObject {
  public:
    DoubleClickFilter(QWidget* widget, std::function<void()> action)
        : QObject(widget), action_(std::move(action)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonDblClick &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            action_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> action_;
};

}  // namespace

void OnDoubleClick(QWidget* widget, std::function<void()> action) {
    widget->installEventFilter(new DoubleClickFilter(widget, std::move(action)));
}

}  // namespace tarvolen
