// Start-up: the application object, the process-wide workspace with its word store,
// then the main window, whose modal loop is the program's only main loop.
#include <QApplication>
#include <QIcon>

#include "core/workspace.h"
#include "gui/app/main_dialog.h"
#include "gui/app/qt_dialog_port.h"
#include "gui/app/qt_file_picker.h"
#include "gui/app/qt_message_port.h"
#include "version.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvolen"));
    QApplication::setApplicationVersion(QStringLiteral(TARVOLEN_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("io.github.tarvolen.Tarvolen"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tarvolen.png")));

    tarvolen::QtMessagePort messages;
    // The store takes its text arena here; when none can be had it says so through
    // messages and ends the process.
    tarvolen::Workspace workspace(messages);

    tarvolen::QtDialogPort dialogs(messages);
    tarvolen::QtFilePicker picker(messages);
    tarvolen::CMainDialog window(workspace, messages, dialogs, picker);
    messages.SetParent(&window);
    dialogs.SetOwner(&window);
    picker.SetParent(&window);

    window.exec();
    // The list lives only as long as the process: closing the window ends both.
    return 0;
}
