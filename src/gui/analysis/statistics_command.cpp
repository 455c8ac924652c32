// The Statistics command: the report in the Info window.
#include <string>

#include "core/analysis/statistics_report.h"
#include "core/analysis/vocabulary_measures.h"
#include "core/ports/messages.h"
#include "core/text/code_page.h"
#include "core/workspace.h"
#include "gui/app/dialog_port.h"
#include "gui/app/main_dialog.h"

namespace tarvolen {

void CMainDialog::ShowStatistics() {
    // An empty list has no figures worth showing: each of them would divide by zero.
    if (workspace().Store.Count() == 0) {
        messages().ShowMessage(kNothingToAnalyseText, MessageIcon::Information);
        return;
    }
    // One pass over the store gives the text and the charts the same figures.
    const StatisticsFigures figures = GatherStatistics(workspace().Store, workspace().ListCodePage);
    const std::string report = FormatStatisticsReport(figures);
    // The report is ASCII but for the most common word, in the list's code page, and
    // a UTF-8 list's letters.
    VocabularyMeasures measures = MeasureList(workspace().Store);
    measures.segments = workspace().Segments;
    dialogs().ShowStatistics(figures, CodePageToUtf8(workspace().ListCodePage, report), measures,
                             RankedCounts(workspace().Store));
}

}  // namespace tarvolen
