// Entry point of the widget tests: one QApplication on the offscreen platform for the
// whole test program, then GoogleTest. Whatever a test keeps between runs goes to a
// configuration folder of the program's own, never the person's.
#include <gtest/gtest.h>

#include <QApplication>

#include "support/temp_dir.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const tarvolen::testing::TempDir config;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.path().string()));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
