#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/ingest/run_state.h"

namespace tarvolen {

// A document as it was when an Add read it: whether it changed since is told by its
// size and modification time, as a file manager tells.
struct AddedDocument {
    std::string path;
    std::int64_t size = -1;
    std::int64_t modified = -1;  // nanoseconds since the epoch
};

// The documents of one Add, with the options they were read under and the lemma list
// it counted with (as it was read then: its file may have changed since).
struct AddedRun {
    AddOptions options;
    std::shared_ptr<const LemmaMap> lemmas;
    std::vector<AddedDocument> documents;
};

// What went into the list while the program runs, so that its words can be shown in
// their documents again: every Add's documents with its options, and whether saved
// lists (which have no documents) added to it. Reset forgets it all.
struct AddedDocuments {
    std::vector<AddedRun> runs;
    bool fromSavedLists = false;

    // The run's Add options and lemma list, with the documents it read.
    void Remember(const RunState& run, const std::vector<std::string>& paths);
    void Clear() { *this = AddedDocuments{}; }
    bool Empty() const { return runs.empty(); }
};

// The document's size and modification time now; -1 for both when it is gone.
AddedDocument DocumentNow(const std::string& path);
// Whether the document, as it is now, is no longer as it was added.
inline bool Changed(const AddedDocument& added, const AddedDocument& now) {
    return now.size != added.size || now.modified != added.modified;
}

}  // namespace tarvolen
