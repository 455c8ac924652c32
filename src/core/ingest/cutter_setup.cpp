#include "core/ingest/cutter_setup.h"

#include "core/ingest/run_state.h"

namespace tarvolen {

CutterSetup CutterSetupOf(const RunState& run) {
    CutterSetup setup;
    setup.language = run.Add.Language;
    setup.rules = run.RunRules;
    setup.map = &run.Map;
    setup.codePage = run.RunCodePage;
    setup.minWordLength = run.MinWordLength;
    setup.inARow = run.Add.InARow;
    setup.textOrder = run.MeasureSegments;
    setup.lemmas = run.Lemmas.get();
    setup.formTally = run.Forms.get();
    setup.toUtf8 =
        run.ListCodePage == CodePage::Utf8 && run.RunCodePage != CodePage::Utf8 && ListHeld(run);
    return setup;
}

}  // namespace tarvolen
