// The save flow: the Save options dialog, then the writer.
#include <QApplication>
#include <QCursor>

#include "gui/app/dialog_port.h"
#include "gui/app/main_dialog.h"
#include "core/workspace.h"
#include "core/collect/ingest.h"
#include "core/output/output_paths.h"
#include "core/output/word_list_writer.h"

namespace tarvolen {

namespace {

// The wait cursor over the whole application while the list is sorted and written;
// the writer does not pump events, so the window only repaints afterwards.
class WaitCursor : public BusyIndicator {
  public:
    void BeginBusy() override { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    void EndBusy() override { QApplication::restoreOverrideCursor(); }
};

}  // namespace

bool CMainDialog::SaveWordList() {
    Workspace& work = workspace();
    // Proposed afresh every time: a name typed in an earlier save is not offered again.
    std::string fileName = DefaultOutputPath(State.LastInputPath);
    if (!dialogs().RunSaveOptions(work.Output, fileName))
        return false;

    CaseMode = work.Output.CaseMode;
    Delimiter = work.Output.Delimiter;
    AppendOutput = work.Output.AppendOutput;
    UnicodeOutput = work.Output.UnicodeOutput;

    WriterOptions options;
    options.Delimiter = Delimiter;
    options.CaseMode = CaseMode;
    options.UnicodeOutput = UnicodeOutput;
    options.Utf8Output = work.Output.Utf8Output;
    options.AppendOutput = AppendOutput;
    options.ListCodePage = work.ListCodePage;

    WaitCursor waitCursor;
    const WriterHooks hooks{messages(), SystemTicks(), &waitCursor, [this] {
                                workspace().ListUnsaved = false;
                                RefreshStatusLine();
                            }};
    // An output error leaves from here to the command's dispatch, list still unsaved.
    if (work.Output.IncludeFrequency != 0) {
        WriteFrequencyList(work.Store, options, fileName, hooks);
    } else {
        WriteWordList(work.Store, options, fileName, hooks);
    }
    // Also after "Unable to create output file": the person did confirm the save.
    return true;
}

}  // namespace tarvolen
