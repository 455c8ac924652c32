#pragma once

#include <QCursor>
#include <QGuiApplication>
#include <optional>

#include "core/output/word_list_writer.h"

namespace tarvolen {

// The wait cursor over the whole application for the length of a scope, also when
// the scope is left by an exception.
class WaitCursor {
  public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { Restore(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    // Ends it early, for a message box that follows the work.
    void Restore() {
        if (active_)
            QGuiApplication::restoreOverrideCursor();
        active_ = false;
    }

  private:
    bool active_ = true;
};

// The writer's busy phase shown as the wait cursor.
class WaitCursorIndicator : public BusyIndicator {
  public:
    void BeginBusy() override { cursor_.emplace(); }
    void EndBusy() override { cursor_.reset(); }

  private:
    std::optional<WaitCursor> cursor_;
};

}  // namespace tarvolen
