#include "core/ingest/list_encoding.h"

#include <string>
#include <utility>
#include <vector>

#include "core/ingest/run_state.h"

namespace tarvolen {

void AdaptListToRun(RunState& run) {
    WordStore& store = run.Store;
    if (run.RunCodePage != CodePage::Utf8 || run.ListCodePage == CodePage::Utf8 || !ListHeld(run))
        return;
    struct Converted {
        std::string word;
        std::uint32_t count;
        std::uint32_t range;
    };
    std::vector<Converted> words;
    words.reserve(static_cast<std::size_t>(store.Count()));
    store.ForEachEntry([&](const WordStore::HeldWord& held) {
        words.push_back(
            {CodePageToUtf8(run.ListCodePage, store.WordText(held.id)), held.count, held.range});
    });
    // The words change form; what they were counted in does not.
    store.Clear(WordStore::Documents::Keep);
    for (const Converted& converted : words)
        store.AddOccurrences(converted.word.c_str(), converted.word.size(), converted.count,
                             converted.range);
    run.ListCodePage = CodePage::Utf8;
}

}  // namespace tarvolen
