#pragma once

#include "core/collect/word_cutter.h"

namespace tarvolen {

struct Workspace;

// Before a run adds words: a list of code-page words that a Unicode run adds to
// becomes a UTF-8 list, its words converted once (counts kept, nothing lost). A
// UTF-8 list stays one whatever adds to it; see CutterSetupOf.
void AdaptListToRun(Workspace& workspace);

// How the run set up in the workspace cuts its words: its language, rules, alphabet
// and shortest length, and whether its code-page words go to a UTF-8 list.
CutterSetup CutterSetupOf(const Workspace& workspace);

}  // namespace tarvolen
