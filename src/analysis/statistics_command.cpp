// The Statistics command: the report in the Info window.
#include <optional>
#include <string>

#include "analysis/statistics_report.h"
#include "app/dialog_port.h"
#include "app/main_dialog.h"
#include "app/workspace.h"
#include "util/messages.h"

namespace tarvolen {

void CMainDialog::ShowStatistics() {
    // An empty list has no figures worth showing: each of them would divide by zero.
    std::optional<std::string> report = BuildStatisticsReport(workspace().Store);
    if (!report) {
        messages().ShowMessage(kNothingToAnalyseText, MessageIcon::Information);
        return;
    }
    dialogs().ShowInfo(*report);
}

}  // namespace tarvolen
