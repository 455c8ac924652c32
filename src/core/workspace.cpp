#include "core/workspace.h"

namespace tarvolen {

Workspace::Workspace(MessagePort& messages) : Store(messages) {}

Workspace::Workspace(MessagePort& messages, const WordStore::Options& storeOptions)
    : Store(messages, storeOptions) {}

void ApplyAddOptions(Workspace& workspace) {
    BuildCharMap(workspace.Add.Language, workspace.Map);
    workspace.RunCodePage = CodePageOf(workspace.Add.Language);
    workspace.RunEncoding = ParseEncoding(workspace.Add.Encoding).value_or(TextEncoding{});
}

bool WouldMixCodePages(const Workspace& workspace, std::int32_t language) {
    return workspace.Store.Count() > 0 && CodePageOf(language) != workspace.ListCodePage;
}

}  // namespace tarvolen
