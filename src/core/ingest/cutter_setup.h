#pragma once

#include "core/words/word_cutter.h"

namespace tarvolen {

struct RunState;

// How the run set up in the run state cuts its words: its language, rules, alphabet
// and shortest length, and whether its code-page words go to a UTF-8 list.
CutterSetup CutterSetupOf(const RunState& run);

}  // namespace tarvolen
