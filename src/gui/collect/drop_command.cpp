// Files and folders dropped on the main window: added as "Add..." adds chosen files.
#include <sys/stat.h>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <memory>
#include <string>
#include <vector>

#include "core/collect/dir_scan.h"
#include "core/collect/tokenizer.h"
#include "core/util/progress.h"
#include "core/workspace.h"
#include "gui/app/dialog_port.h"
#include "gui/app/main_dialog.h"
#include "gui/app/qt_paths.h"

namespace tarvolen {

namespace {

bool IsDirectory(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

std::vector<std::string> CMainDialog::DroppedPaths(const QMimeData* data) {
    std::vector<std::string> paths;
    if (data == nullptr || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        // Remote addresses would need a download first; they are left to the browser.
        if (url.isLocalFile())
            paths.push_back(EncodePath(url.toLocalFile()));
    }
    return paths;
}

void CMainDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (!CommandRunning() && isEnabled() && !DroppedPaths(event->mimeData()).empty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CMainDialog::dropEvent(QDropEvent* event) {
    if (CommandRunning() || !isEnabled()) {
        event->ignore();
        return;
    }
    const std::vector<std::string> paths = DroppedPaths(event->mimeData());
    if (paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    RunCommand([this, &paths] { AddDropped(paths); });
}

void CMainDialog::AddDropped(const std::vector<std::string>& paths) {
    AddMode addMode = AddMode::Files;
    if (!ConfirmAddOptions(addMode))
        return;
    Workspace& ws = workspace();
    ws.MinWordLength = MinWordLengthOf(SkipShortWords != 0);

    // Folders open into their files in the drop's order, as a directory scan with the
    // default types would find them.
    std::vector<std::string> files;
    const std::vector<std::string> types = ParseScanTypes(kDefaultScanTypes);
    {
        // One window for every folder's walk, closed on the way out, also when a
        // Cancel unwinds it.
        std::unique_ptr<ProgressPort> walk;
        for (const std::string& path : paths) {
            if (!IsDirectory(path)) {
                files.push_back(path);
                continue;
            }
            if (!walk)
                walk = dialogs().OpenProgress();
            ScanDirectory(path, types, files, *walk);
        }
    }
    if (addMode == AddMode::WordList) {
        MergeWordLists(files);
        return;
    }
    State.InputFiles = std::move(files);
    IngestFiles();
}

}  // namespace tarvolen
