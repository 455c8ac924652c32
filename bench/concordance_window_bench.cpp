// The Concordance window over large documents, on the offscreen platform: how long the
// first 100 lines take to show, how long the whole reading takes (against an Add of the
// same documents in the same run), and the memory it holds per line afterwards.
//
//   QT_QPA_PLATFORM=offscreen concordance_window_bench ENTRY FILE...
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/ingest/ingest.h"
#include "core/ports/file_picker.h"
#include "core/workspace.h"
#include "gui/app/dialog_port.h"
#include "gui/app/main_dialog.h"
#include "gui/concordance/concordance_model.h"
#include "gui/concordance/concordance_window.h"
#include "resident_memory.h"
#include "silent_ports.h"
#include "window_ports.h"

namespace tarvolen {
namespace {

using bench::NoProgress;
using bench::SilentMessages;

using bench::NoDialogs;
using bench::NoPicker;

using bench::Resident;

}  // namespace
}  // namespace tarvolen

int main(int argc, char** argv) {
    using namespace tarvolen;
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: concordance_window_bench ENTRY FILE...\n");
        return 2;
    }
    SilentMessages messages;
    NoDialogs dialogs;
    NoPicker picker;
    Workspace workspace(messages);
    CMainDialog main(workspace, messages, dialogs, picker);
    const std::vector<std::string> files(argv + 2, argv + argc);

    // The Add the window reads the documents of, timed as the baseline.
    QElapsedTimer clock;
    clock.start();
    IngestState state;
    state.InputFiles = files;
    NoProgress progress;
    workspace.MinWordLength = 1;
    ApplyAddOptions(workspace);
    const IngestResult result = IngestFiles(workspace, state, IngestHooks{progress, messages, {}});
    const double added = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    if (result.Outcome != IngestOutcome::Completed || workspace.Store.Count() == 0) {
        std::fprintf(stderr, "the Add read nothing\n");
        return 1;
    }
    workspace.Added.Remember(workspace, files);
    workspace.Store.Clear();
    const std::size_t before = Resident();

    CConcordanceWindow window(main);
    double first = -1;
    QObject::connect(&window.model(), &QAbstractItemModel::rowsInserted, &window, [&] {
        if (first < 0 && window.model().rowCount() >= 100)
            first = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    });
    clock.restart();
    window.ShowEntry(QString::fromUtf8(argv[1]));
    const double whole = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const std::size_t lines = static_cast<std::size_t>(window.model().rowCount());
    const std::size_t after = Resident();
    std::printf(
        "add %.3f s; concordance of \"%s\": first 100 lines %.3f s, all %zu lines %.3f s "
        "(%.2f x the add); %.1f bytes a line held afterwards\n",
        added, argv[1], first, lines, whole, whole / added,
        lines > 0 ? static_cast<double>(after > before ? after - before : 0) / lines : 0.0);
    return 0;
}
