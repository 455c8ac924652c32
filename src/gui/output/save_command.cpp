// The save flow: the Save options dialog, then the writer.
#include "core/output/output_paths.h"
#include "core/output/rows_delimiter.h"
#include "core/output/word_list_writer.h"
#include "core/ports/messages.h"
#include "core/ports/ticks.h"
#include "core/text/collation.h"
#include "core/workspace.h"
#include "gui/app/app_settings.h"
#include "gui/app/dialog_port.h"
#include "gui/app/main_dialog.h"
#include "gui/util/wait_cursor.h"

namespace tarvolen {

bool CMainDialog::SaveWordList() {
    Workspace& work = workspace();
    // Proposed afresh every time, beside the file read last, under the name of the list
    // saved last (kept between runs).
    std::string fileName = DefaultOutputPath(
        State.LastInputPath, settings() != nullptr ? settings()->LastSavedFile() : std::string());
    for (;;) {
        const bool confirmed = dialogs().RunSaveOptions(work.Output, fileName, work.ListCodePage);
        // A Save press stores the options even when the dialog is then cancelled.
        if (settings() != nullptr)
            settings()->StoreOutputOptions(work.Output);
        if (!confirmed)
            return false;
        if (!DelimiterRunsRowsTogether(work.Output.Delimiter, work.Store))
            break;
        // Back to the dialog, as it was left, for another delimiter.
        messages().ShowMessage(kRowsNeedLineEndsText, MessageIcon::Warning);
    }

    CaseMode = work.Output.CaseMode;
    Delimiter = work.Output.Delimiter;
    AppendOutput = work.Output.AppendOutput;
    UnicodeOutput = work.Output.UnicodeOutput;

    WriterOptions options = WriterOptionsFor(work.Output, work.ListCodePage);
    // Kept settings only hold locales that have a collation; one that has none (a
    // hand-made options value) sorts in byte order, as it always did.
    const std::unique_ptr<Collation> collation = Collation::ForLocale(work.Output.Collate);
    options.Collate = collation.get();

    // The writer does not pump events, so the window only repaints afterwards.
    WaitCursorIndicator waitCursor;
    const WriterHooks hooks{messages(), SystemTicks(), &waitCursor, [this, &fileName] {
                                workspace().ListUnsaved = false;
                                ShowStatusLine();
                                if (settings() != nullptr)
                                    settings()->SetLastSavedFile(fileName);
                            }};
    // An output error leaves from here to the command's dispatch, list still unsaved.
    if (work.Output.IncludeFrequency != 0 && work.Output.IncludeRange != 0) {
        WriteRangeList(work.Store, options, fileName, hooks);
    } else if (work.Output.IncludeFrequency != 0) {
        WriteFrequencyList(work.Store, options, fileName, hooks);
    } else {
        WriteWordList(work.Store, options, fileName, hooks);
    }
    // Also after "Unable to create output file": the person did confirm the save.
    return true;
}

}  // namespace tarvolen
