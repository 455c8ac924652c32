#include "core/ingest/run_state.h"

#include "core/ingest/store_reports.h"

namespace tarvolen {

RunState::RunState(MessagePort& messages) : Store(ReportingStoreOptions(messages)) {}

RunState::RunState(MessagePort& messages, const WordStore::Options& storeOptions)
    : Store(ReportingStoreOptions(messages, storeOptions)) {}

void ApplyAddOptions(RunState& run) {
    BuildCharMap(run.Add.Language, run.Map);
    run.RunCodePage = CodePageOf(run.Add.Language);
    run.RunEncoding = ParseEncoding(run.Add.Encoding).value_or(TextEncoding{});
    run.RunRules = run.Add.Rules;
}

bool WouldMixCodePages(const RunState& state, std::int32_t language) {
    const CodePage run = CodePageOf(language);
    return ListHeld(state) && run != state.ListCodePage && run != CodePage::Utf8 &&
           state.ListCodePage != CodePage::Utf8;
}

SegmentsOfRun::SegmentsOfRun(RunState& run, WordStore& store) : run_(run), store_(store) {
    store.TakeSegments();  // those of words counted before, outside this reading
}

SegmentsOfRun::~SegmentsOfRun() {
    const SegmentFigures figures = store_.TakeSegments();
    if (run_.MeasureSegments)
        run_.Segments.Add(figures);
}

}  // namespace tarvolen
