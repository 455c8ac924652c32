// The Filter command: removes rare, short or long words, words of few documents, or
// the words of a list.
#include <cstdint>

#include "core/analysis/word_filter.h"
#include "core/ports/messages.h"
#include "core/text/format_count.h"
#include "core/workspace.h"
#include "gui/app/dialog_port.h"
#include "gui/app/main_dialog.h"
#include "gui/util/wait_cursor.h"

#include "core/listfile/list_merge.h"

namespace tarvolen {

void CMainDialog::ApplyFilter() {
    WordStore& store = workspace().Store;
    if (store.Count() == 0) {
        messages().ShowMessage(kNothingToFilterText, MessageIcon::Information);
        return;
    }

    std::int32_t value = 0;
    FilterMode mode = FilterMode::Rare;
    std::string listPath;
    if (!dialogs().RunFilter(value, mode, listPath))
        return;

    WaitCursor busy;
    std::int32_t removed = 0;
    if (mode == FilterMode::Listed)
        removed = RemoveListedWords(workspace(), listPath, messages());
    else if (mode == FilterMode::Range)
        removed = FilterByRange(store, static_cast<std::uint32_t>(value));
    else
        removed = FilterWords(store, mode, value, workspace().ListCodePage);
    // The pass is over; a busy cursor over the message box would only mislead.
    busy.Restore();
    // A list that cannot be used has said why, and nothing was removed.
    if (removed < 0)
        return;
    // Plain digits, unlike the status line. The unsaved mark stays as it was:
    // filtering neither adds words nor saves them.
    messages().ShowMessage(FormatText(kWordsRemovedFormat, removed), MessageIcon::Information);
    RefreshStatusLine();
}

}  // namespace tarvolen
