#include "core/listfile/reference_list.h"

#include "core/ingest/ingest.h"
#include "core/ingest/run_state.h"
#include "core/listfile/list_merge.h"

namespace tarvolen {

std::unique_ptr<RunState> ReadReferenceList(const RunState& list, const std::string& path,
                                            const IngestHooks& hooks,
                                            const WordStore::Options& storeOptions) {
    auto reference = std::make_unique<RunState>(hooks.messages, storeOptions);
    reference->Add = list.Add;
    ApplyAddOptions(*reference);
    reference->MinWordLength = list.MinWordLength;
    // Headwords are compared with headwords: the reference's forms are mapped as well.
    reference->Lemmas = list.Lemmas;
    if (!MergeLists(*reference, {path}, hooks))
        return nullptr;
    return reference;
}

}  // namespace tarvolen
