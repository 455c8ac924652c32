#include "core/workspace.h"

namespace tarvolen {

Workspace::Workspace(MessagePort& messages) : Store(messages) {}

Workspace::Workspace(MessagePort& messages, const WordStore::Options& storeOptions)
    : Store(messages, storeOptions) {}

void ApplyAddOptions(Workspace& workspace) {
    BuildCharMap(workspace.Add.Language, workspace.Map);
    workspace.RunCodePage = CodePageOf(workspace.Add.Language);
    workspace.RunEncoding = ParseEncoding(workspace.Add.Encoding).value_or(TextEncoding{});
    workspace.RunRules = workspace.Add.Rules;
}

bool WouldMixCodePages(const Workspace& workspace, std::int32_t language) {
    const CodePage run = CodePageOf(language);
    return workspace.Store.Count() > 0 && run != workspace.ListCodePage && run != CodePage::Utf8 &&
           workspace.ListCodePage != CodePage::Utf8;
}

}  // namespace tarvolen
