#include "core/ingest/run_state.h"

namespace tarvolen {

RunState::RunState(MessagePort& messages) : Store(messages) {}

RunState::RunState(MessagePort& messages, const WordStore::Options& storeOptions)
    : Store(messages, storeOptions) {}

void ApplyAddOptions(RunState& run) {
    BuildCharMap(run.Add.Language, run.Map);
    run.RunCodePage = CodePageOf(run.Add.Language);
    run.RunEncoding = ParseEncoding(run.Add.Encoding).value_or(TextEncoding{});
    run.RunRules = run.Add.Rules;
}

bool WouldMixCodePages(const RunState& state, std::int32_t language) {
    const CodePage run = CodePageOf(language);
    return state.Store.Count() > 0 && run != state.ListCodePage && run != CodePage::Utf8 &&
           state.ListCodePage != CodePage::Utf8;
}

}  // namespace tarvolen
