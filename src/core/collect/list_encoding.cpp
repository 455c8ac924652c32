#include "core/collect/list_encoding.h"

#include <string>
#include <utility>
#include <vector>

#include "core/workspace.h"

namespace tarvolen {

void AdaptListToRun(Workspace& workspace) {
    WordStore& store = workspace.Store;
    if (workspace.RunCodePage != CodePage::Utf8 || workspace.ListCodePage == CodePage::Utf8 ||
        store.Count() == 0)
        return;
    std::vector<std::pair<std::string, std::uint32_t>> words;
    words.reserve(static_cast<std::size_t>(store.Count()));
    store.ForEachEntry([&](std::string_view word, std::uint32_t count, std::uint64_t) {
        words.emplace_back(CodePageToUtf8(workspace.ListCodePage, word), count);
    });
    store.Clear();
    for (const auto& [word, count] : words)
        store.AddOccurrences(word.c_str(), word.size(), count);
    workspace.ListCodePage = CodePage::Utf8;
}

CutterSetup CutterSetupOf(const Workspace& workspace) {
    CutterSetup setup;
    setup.language = workspace.Add.Language;
    setup.rules = workspace.RunRules;
    setup.map = &workspace.Map;
    setup.codePage = workspace.RunCodePage;
    setup.minWordLength = workspace.MinWordLength;
    setup.toUtf8 = workspace.ListCodePage == CodePage::Utf8 &&
                   workspace.RunCodePage != CodePage::Utf8 && workspace.Store.Count() > 0;
    return setup;
}

}  // namespace tarvolen
