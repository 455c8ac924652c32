// The View List command: the Word List window.
#include "core/ports/messages.h"
#include "core/workspace.h"
#include "gui/app/main_dialog.h"
#include "gui/wordtable/word_list_window.h"

namespace tarvolen {

void CMainDialog::ViewList() {
    if (workspace().Store.Count() == 0) {
        messages().ShowMessage(CWordListWindow::kNothingToShowText, MessageIcon::Information);
        return;
    }
    CWordListWindow::Open(*this);
}

}  // namespace tarvolen
