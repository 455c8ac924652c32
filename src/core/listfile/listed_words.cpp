#include "core/listfile/listed_words.h"

#include <string_view>
#include <vector>

#include "core/store/word_store.h"

namespace tarvolen {

std::int32_t RemoveRowsHolding(WordStore& store, const ListedWords& words) {
    if (words.empty())
        return 0;
    std::vector<std::string> doomed;
    std::string key;
    store.ForEachEntry([&](const WordStore::HeldWord& held) {
        std::string_view entry = store.WordText(held.id);
        if (entry.find(' ') == std::string_view::npos)
            return;
        for (;;) {
            const std::size_t space = entry.find(' ');
            key.assign(entry.substr(0, space));
            if (words.contains(key)) {
                doomed.emplace_back(store.WordText(held.id));
                return;
            }
            if (space == std::string_view::npos)
                return;
            entry.remove_prefix(space + 1);
        }
    });
    // The store must not change while it is walked.
    for (const std::string& entry : doomed)
        store.RemoveWord(entry.c_str());
    return static_cast<std::int32_t>(doomed.size());
}

}  // namespace tarvolen
