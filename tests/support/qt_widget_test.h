#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <string>

namespace tarvolen::testing {

// A caption as the person reads it: without the mnemonic marks ("&Save" reads "Save",
// "&&" reads "&").
inline QString Shown(QString caption) {
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&'))
            caption.remove(i, 1);
    }
    return caption;
}

// The base of every widget test. Once a test and its fixture's members are gone, no
// top-level window may still be shown: one left open means a dialog that never
// closed, and it would stay on screen through the tests that follow. The check runs
// in the destructor rather than in TearDown because fixtures own their windows as
// members, which close only when the members go; that is still within the test, so a
// failure is reported against it.
class QtWidgetTest : public ::testing::Test {
  protected:
    ~QtWidgetTest() override { ExpectNoWindowLeftOpen(); }

  private:
    static void ExpectNoWindowLeftOpen() {
        QApplication::processEvents();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible())
                continue;
            ADD_FAILURE() << "a window was left open: " << widget->metaObject()->className()
                          << " \"" << widget->windowTitle().toStdString() << '"';
            widget->close();
        }
    }
};

}  // namespace tarvolen::testing
