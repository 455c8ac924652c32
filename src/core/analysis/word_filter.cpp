#include "core/analysis/word_filter.h"

#include <string>
#include <string_view>

#include "core/collect/word_store.h"

namespace tarvolen {

namespace {

bool Picks(FilterMode mode, std::int32_t value, std::size_t length, std::uint32_t count) {
    switch (mode) {
        case FilterMode::Rare:
            // value is at least 1 here, but a count above INT32_MAX must not wrap.
            return value > 0 && count < static_cast<std::uint32_t>(value);
        case FilterMode::Short:
            return value > 0 && length < static_cast<std::size_t>(value);
        case FilterMode::Long:
            return value < 0 || length > static_cast<std::size_t>(value);
        case FilterMode::Listed:
            break;  // the list decides, not a word's own figures
    }
    return false;
}

}  // namespace

std::int32_t FilterWords(WordStore& store, FilterMode mode, std::int32_t value) {
    std::int32_t removed = 0;
    std::string doomed;
    WordStore::Position pos = store.GetStartPosition();
    std::string_view word;
    std::uint32_t count = 0;
    while (pos != WordStore::EndPosition()) {
        // The position has moved past the word by now, so removing it is allowed.
        store.GetNextEntry(pos, word, count);
        if (Picks(mode, value, word.size(), count)) {
            // RemoveWord looks the word up by its text; hand it a copy rather than the
            // stored text that the removal releases.
            doomed.assign(word);
            store.RemoveWord(doomed.c_str());
            ++removed;
        }
    }
    return removed;
}

}  // namespace tarvolen
