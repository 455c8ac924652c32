// Photographs every window of the program on the screen it runs on (scripts/
// screenshots.sh runs it under Xvfb with a window manager), frame included, as
// OUTDIR/NAME-SUFFIX.png.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <cstdio>

#include "support/window_gallery.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTDIR SUFFIX\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString suffix = QString::fromLocal8Bit(argv[2]);
    tarvolen::testing::WindowGallery gallery;
    int failed = 0;
    for (tarvolen::testing::GalleryWindow& shown : gallery.Build()) {
        QWidget* window = shown.window.get();
        window->move(24, 24);
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowExposed(window)) {
            std::fprintf(stderr, "%s: never shown\n", shown.name.c_str());
            ++failed;
            continue;
        }
        // Time for the window manager to frame and place it, and for a busy bar to move.
        QTest::qWait(400);
        const QRect frame = window->frameGeometry();
        const QPixmap image =
            window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
        const QString path =
            out.filePath(QString::fromStdString(shown.name) + '-' + suffix + ".png");
        if (!image.save(path, "PNG")) {
            std::fprintf(stderr, "%s: not saved\n", qPrintable(path));
            ++failed;
        }
        window->hide();
    }
    return failed == 0 ? 0 : 1;
}
