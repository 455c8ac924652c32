// Files and folders dropped on the main window: added as "Add..." adds chosen files.
#include <sys/stat.h>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSysInfo>
#include <QUrl>
#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/input/dir_scan.h"
#include "core/ports/progress.h"
#include "core/words/tokenizer.h"
#include "core/workspace.h"
#include "gui/app/dialog_port.h"
#include "gui/app/main_dialog.h"
#include "gui/app/qt_paths.h"

namespace tarvolen {

namespace {

constexpr const char* kUriListType = "text/uri-list";

bool IsDirectory(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// The file-system bytes a "file:" URL of a uri-list names, or nothing for any other
// URL. Decoded here rather than by QUrl, which puts U+FFFD for every byte that is no
// UTF-8, and a file with such a name could then never be opened.
std::optional<std::string> LocalPathOfUri(QByteArray uri) {
    if (uri.left(5).toLower() != "file:")
        return std::nullopt;
    uri.remove(0, 5);
    // A query or a fragment is no part of the name; a '?' or '#' in a name arrives
    // percent-encoded.
    const auto tail =
        std::find_if(uri.begin(), uri.end(), [](char c) { return c == '?' || c == '#'; });
    uri.truncate(tail - uri.begin());
    if (uri.startsWith("//")) {
        // Only this machine's files can be opened: no host, "localhost" or its own name.
        qsizetype slash = uri.indexOf('/', 2);
        if (slash < 0)
            return std::nullopt;
        const QByteArray host = QByteArray::fromPercentEncoding(uri.mid(2, slash - 2)).toLower();
        if (!host.isEmpty() && host != "localhost" &&
            host != QSysInfo::machineHostName().toUtf8().toLower())
            return std::nullopt;
        uri.remove(0, slash);
    }
    if (!uri.startsWith('/'))
        return std::nullopt;
    const QByteArray path = QByteArray::fromPercentEncoding(uri);
    // A NUL ends every path the system takes, so a name with one cannot be meant.
    if (path.contains('\0'))
        return std::nullopt;
    return path.toStdString();
}

// text/uri-list: one URI a line, lines ending in CR LF (some senders use LF alone),
// '#' opening a comment line.
std::vector<std::string> LocalPathsOfUriList(const QByteArray& list) {
    std::vector<std::string> paths;
    for (const QByteArray& line : list.split('\n')) {
        const QByteArray uri = line.trimmed();
        if (uri.isEmpty() || uri.startsWith('#'))
            continue;
        if (std::optional<std::string> path = LocalPathOfUri(uri))
            paths.push_back(std::move(*path));
    }
    return paths;
}

}  // namespace

std::vector<std::string> CMainDialog::DroppedPaths(const QMimeData* data) {
    std::vector<std::string> paths;
    if (data == nullptr)
        return paths;
    if (data->hasFormat(QString::fromLatin1(kUriListType)))
        return LocalPathsOfUriList(data->data(QString::fromLatin1(kUriListType)));
    if (!data->hasUrls())
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
    // The drag source waits for the drop to finish, and on X11 it finishes only when
    // this handler returns: Add Options and the whole run come after it.
    QueueCommand([this, paths] { AddDropped(paths); });
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
    std::set<std::string> named;
    std::vector<std::string> unreadable;
    const std::vector<std::string> types = ParseScanTypes(kDefaultScanTypes);
    {
        // One window for every folder's walk, closed on the way out, also when a
        // Cancel unwinds it.
        std::unique_ptr<ProgressPort> walk;
        for (const std::string& path : paths) {
            if (!IsDirectory(path)) {
                files.push_back(path);
                named.insert(path);
                continue;
            }
            if (!walk)
                walk = dialogs().OpenProgress();
            ScanDirectory(path, types, files, *walk, SystemDirectoryLister(), &unreadable);
        }
        // Files found in folders are skipped when unreadable, as a scan's are.
        State.scanned = walk != nullptr;
        State.named = std::move(named);
    }
    if (addMode == AddMode::WordList) {
        MergeWordLists(files);
        return;
    }
    State.InputFiles = std::move(files);
    State.skipped = {};
    State.skipped.unreadable = std::move(unreadable);
    IngestFiles();
}

}  // namespace tarvolen
