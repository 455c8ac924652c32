#pragma once

namespace tarvolen {

struct RunState;

// Before a run adds words: a list of code-page words that a Unicode run adds to
// becomes a UTF-8 list, its words converted once (counts kept, nothing lost). A
// UTF-8 list stays one whatever adds to it; see CutterSetupOf.
void AdaptListToRun(RunState& run);

}  // namespace tarvolen
