// The shared widget fixture must notice a window that a test leaves open.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "support/qt_widget_test.h"

namespace tarvolen::testing {
namespace {

struct Probe : QtWidgetTest {
    void TestBody() override {}
};

TEST(QtWidgetFixtureTest, AWindowLeftOpenFailsTheTestAndIsClosed) {
    EXPECT_NONFATAL_FAILURE(
        {
            QWidget window;
            window.setWindowTitle(QStringLiteral("forgotten"));
            window.show();
            Probe probe;  // goes first, while the window is still shown
        },
        "a window was left open: QWidget \"forgotten\"");
}

TEST(QtWidgetFixtureTest, HiddenWindowsAreNoFailure) {
    QWidget hidden;
    hidden.show();
    hidden.hide();
    { Probe probe; }
    EXPECT_FALSE(hidden.isVisible());
}

}  // namespace
}  // namespace tarvolen::testing
