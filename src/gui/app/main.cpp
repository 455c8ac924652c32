// Start-up: the application object, the settings kept from the last run, the
// process-wide workspace with its word store, then the main window, whose modal loop is
// the program's only main loop.
#include <QApplication>
#include <QIcon>
#include <QStringList>
#include <optional>

#include "core/ingest/store_reports.h"
#include "core/workspace.h"
#include "gui/app/app_settings.h"
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

    // --reset-settings forgets what earlier runs kept: this run starts from the defaults.
    const QString settingsPath = tarvolen::CAppSettings::DefaultPath();
    if (QApplication::arguments().contains(QStringLiteral("--reset-settings")))
        tarvolen::CAppSettings::Reset(settingsPath);
    tarvolen::CAppSettings settings(settingsPath);

    tarvolen::QtMessagePort messages;
    // The store takes its text arena here; when none can be had the program says so
    // and ends quietly, before any window.
    std::optional<tarvolen::Workspace> made;
    try {
        made.emplace(messages);
    } catch (const tarvolen::WordStore::Unavailable&) {
        messages.ShowMessage(tarvolen::kNoArenaText, tarvolen::MessageIcon::Stop);
        return 0;
    }
    tarvolen::Workspace& workspace = *made;
    settings.LoadAddOptions(workspace.Add);
    settings.LoadOutputOptions(workspace.Output);

    tarvolen::QtDialogPort dialogs(messages);
    tarvolen::QtFilePicker picker(messages);
    tarvolen::CMainDialog window(workspace, messages, dialogs, picker);
    messages.SetParent(&window);
    dialogs.SetOwner(&window);
    picker.SetParent(&window);
    window.SetSettings(&settings);
    dialogs.SetSettings(&settings);
    picker.SetSettings(&settings);

    // Settings that could not be read never stop the start: said once, over the window.
    if (const std::optional<std::string> problem = settings.Problem()) {
        window.show();
        messages.ShowMessage(*problem, tarvolen::MessageIcon::Warning);
    }
    window.exec();
    // The list lives only as long as the process: closing the window ends both.
    return 0;
}
