// The Statistics command: the report in the Info window.
#include <optional>
#include <string>

#include "core/analysis/statistics_report.h"
#include "core/util/code_page.h"
#include "core/util/messages.h"
#include "core/workspace.h"
#include "gui/app/dialog_port.h"
#include "gui/app/main_dialog.h"

namespace tarvolen {

void CMainDialog::ShowStatistics() {
    // An empty list has no figures worth showing: each of them would divide by zero.
    std::optional<std::string> report = BuildStatisticsReport(workspace().Store);
    if (!report) {
        messages().ShowMessage(kNothingToAnalyseText, MessageIcon::Information);
        return;
    }
    // The report is ASCII but for the most common word, in the list's code page.
    dialogs().ShowInfo(CodePageToUtf8(workspace().ListCodePage, *report));
}

}  // namespace tarvolen
