#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/words/word_cutter.h"

namespace tarvolen {

// The entry a concordance looks for, as the list holds it: its words cut, folded and
// measured by the run's own cutter, joined by one space, in the list's bytes.
struct ConcordanceEntry {
    std::string text;
    int words = 0;
};

// The entry typed (UTF-8) as the run would count it; nothing when it holds no word
// the run counts, or more words than a row may have.
std::optional<ConcordanceEntry> CutEntry(const CutterSetup& setup, std::string_view typed);

}  // namespace tarvolen
