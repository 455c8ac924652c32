#include "core/collect/reference_list.h"

#include "core/collect/ingest.h"
#include "core/collect/list_merge.h"
#include "core/workspace.h"

namespace tarvolen {

std::unique_ptr<Workspace> ReadReferenceList(const Workspace& list, const std::string& path,
                                             const IngestHooks& hooks,
                                             const WordStore::Options& storeOptions) {
    auto reference = std::make_unique<Workspace>(hooks.messages, storeOptions);
    reference->Add = list.Add;
    ApplyAddOptions(*reference);
    reference->MinWordLength = list.MinWordLength;
    if (!MergeLists(*reference, {path}, hooks))
        return nullptr;
    return reference;
}

}  // namespace tarvolen
