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
    struct Converted {
        std::string word;
        std::uint32_t count;
        std::uint32_t range;
    };
    std::vector<Converted> words;
    words.reserve(static_cast<std::size_t>(store.Count()));
    store.ForEachEntry(
        [&](std::string_view word, std::uint32_t count, std::uint64_t, std::uint32_t range) {
            words.push_back({CodePageToUtf8(workspace.ListCodePage, word), count, range});
        });
    // The words change form; what they were counted in does not.
    store.ClearWords();
    for (const Converted& converted : words)
        store.AddOccurrences(converted.word.c_str(), converted.word.size(), converted.count,
                             converted.range);
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
