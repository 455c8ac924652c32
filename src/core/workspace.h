#pragma once

#include <cstdint>

#include "core/ingest/added_documents.h"
#include "core/ingest/run_state.h"
#include "core/output/output_options.h"

namespace tarvolen {

// How the Add Options dialog was confirmed.
enum class AddMode : std::uint8_t {
    Files = 0,          // "Add File(s)"
    DirectoryScan = 1,  // "Directory Scan"
    WordList = 2,       // "Word List...": saved lists merged, counts included
};

// Everything that lives as long as the process: the word list and the settings and
// counters that several commands share. Exactly one exists, created by main() before
// any window and handed to whoever needs it; nothing else in the program is global.
// The runs below see only its RunState.
struct Workspace : RunState {
    using RunState::RunState;

    OutputOptions Output;
    // The documents the list was read from, for the concordance.
    AddedDocuments Added;
};

}  // namespace tarvolen
