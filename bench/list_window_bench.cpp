// The Word List window over a large list, on the offscreen platform: how long it takes
// to open, to sort again by each column, and to follow each typed character of a
// search, and how much memory it holds per word beyond the store.
//
//   QT_QPA_PLATFORM=offscreen list_window_bench CORPUS [SEARCH [REFERENCE]]
//
// CORPUS is read by an Add as the program reads it (English/Latin, words of any
// length); SEARCH (default "tion") is typed one character at a time. REFERENCE, a
// text read the same way, is then compared with: the time and memory of the
// comparison, of the sort by G2, and of the reference's own words shown.
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <cstdio>
#include <memory>
#include <string>

#include "core/analysis/statistics_report.h"
#include "core/ports/file_picker.h"
#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/workspace.h"
#include "gui/app/dialog_port.h"
#include "gui/app/main_dialog.h"
#include "gui/wordtable/row_table_view.h"
#include "gui/wordtable/word_list_model.h"
#include "gui/wordtable/word_list_window.h"
#include "resident_memory.h"
#include "silent_ports.h"
#include "window_ports.h"

namespace tarvolen {
namespace {

using bench::NoProgress;
using bench::SilentMessages;

using bench::NoDialogs;
using bench::NoPicker;

// Bytes the heap holds now, mapped blocks included: what was allocated, touched or
// not.
std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

using bench::Resident;

struct Memory {
    std::size_t heap = HeapInUse();
    std::size_t resident = Resident();
};

double Elapsed(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

}  // namespace
}  // namespace tarvolen

int main(int argc, char** argv) {
    using namespace tarvolen;
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: list_window_bench CORPUS [SEARCH [REFERENCE]]\n");
        return 2;
    }
    const QString typed = QString::fromLocal8Bit(argc > 2 ? argv[2] : "tion");
    SilentMessages messages;
    NoDialogs dialogs;
    NoPicker picker;
    // Reads a corpus as an Add does: English/Latin, words of any length.
    const auto add = [&](Workspace& into, CMainDialog& owner, const char* path) {
        ApplyAddOptions(into);
        into.MinWordLength = 1;
        owner.State.InputFiles = {path};
        owner.IngestFiles();
    };
    Workspace workspace(messages);
    CMainDialog main(workspace, messages, dialogs, picker);
    add(workspace, main, argv[1]);
    std::printf("%s: %d words\n", argv[1], workspace.Store.Count());
    app.processEvents();

    // The model alone, without a view: what the window's arrays cost, to tell them
    // from what the view adds.
    const double words = workspace.Store.Count();
    {
        const Memory bare;
        CWordListModel alone;
        alone.Reload(workspace.Store, workspace.ListCodePage);
        const Memory loaded;
        alone.SetSort({ListSortKey::Word, false});
        const Memory sorted;
        std::printf(
            "model alone: %.1f / %.1f bytes a word resident (open / sorted by word)\n",
            (static_cast<double>(loaded.resident) - static_cast<double>(bare.resident)) / words,
            (static_cast<double>(sorted.resident) - static_cast<double>(bare.resident)) / words);
    }

    // Opening, up to the first paint of the table.
    const Memory before;
    QElapsedTimer timer;
    timer.start();
    main.RunCommand([&] { main.ViewList(); });
    CWordListWindow* window = main.findChild<CWordListWindow*>();
    window->repaint();
    app.processEvents();
    std::printf("open: %.3f s\n", Elapsed(timer));
    const auto memory = [&](const char* when) {
        const Memory now;
        std::printf(
            "memory %s: %.1f bytes a word in the arrays, %.1f of heap, %.1f resident\n", when,
            static_cast<double>(window->model().BytesHeld()) / words,
            static_cast<double>(now.heap - before.heap) / words,
            (static_cast<double>(now.resident) - static_cast<double>(before.resident)) / words);
    };
    memory("open");

    struct Sort {
        const char* name;
        int column;
        Qt::SortOrder order;
    };
    const Sort sorts[] = {
        {"word", CWordListModel::Word, Qt::AscendingOrder},
        {"word descending", CWordListModel::Word, Qt::DescendingOrder},
        {"count ascending", CWordListModel::Count, Qt::AscendingOrder},
        {"length descending", CWordListModel::Length, Qt::DescendingOrder},
        {"range descending", CWordListModel::Range, Qt::DescendingOrder},
        {"rank descending", CWordListModel::Rank, Qt::DescendingOrder},
        {"count descending", CWordListModel::Count, Qt::DescendingOrder},
    };
    for (const Sort& sort : sorts) {
        timer.restart();
        window->table()->sortByColumn(sort.column, sort.order);
        window->repaint();
        std::printf("sort by %s: %.3f s\n", sort.name, Elapsed(timer));
        if (sort.column == CWordListModel::Word && sort.order == Qt::AscendingOrder)
            memory("sorted by word");
    }
    timer.restart();
    window->SortBackwards();
    window->repaint();
    std::printf("sort by word read backwards: %.3f s\n", Elapsed(timer));
    window->table()->sortByColumn(CWordListModel::Count, Qt::DescendingOrder);

    for (qsizetype n = 1; n <= typed.size(); ++n) {
        timer.restart();
        window->searchField()->setText(typed.left(n));
        window->repaint();
        std::printf("search \"%s\": %.3f s, %zu shown\n", qPrintable(typed.left(n)), Elapsed(timer),
                    window->model().ShownCount());
    }
    memory("while searching");
    timer.restart();
    window->regularExpressionBox()->setChecked(true);
    window->repaint();
    std::printf("search as a regular expression \"%s\": %.3f s\n", qPrintable(typed),
                Elapsed(timer));
    window->searchField()->clear();

    if (argc > 3) {
        Workspace reference(messages);
        CMainDialog referenceOwner(reference, messages, dialogs, picker);
        add(reference, referenceOwner, argv[3]);
        std::printf("%s: %d words of reference\n", argv[3], reference.Store.Count());
        memory("before the comparison");
        timer.restart();
        window->model().SetReference(&reference.Store);
        window->repaint();
        std::printf("compare (sorted by G2): %.3f s\n", Elapsed(timer));
        memory("compared");
        timer.restart();
        window->model().SetReferenceOnlyShown(true);
        window->repaint();
        std::printf("the reference's own words too: %.3f s, %zu rows\n", Elapsed(timer),
                    window->model().ShownCount());
        memory("with the reference's own words");
        timer.restart();
        window->table()->sortByColumn(CWordListModel::LogRatio, Qt::DescendingOrder);
        window->repaint();
        std::printf("sort by Log Ratio: %.3f s\n", Elapsed(timer));
        window->model().SetReference(nullptr);
    }
    window->close();
    app.processEvents();
    return 0;
}
