#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/store/word_store.h"

namespace tarvolen::testing {

// word -> count
using WordCounts = std::map<std::string, std::uint32_t>;

// An arena of `bytes` that grows by as much again: small enough for unit tests.
inline WordStore::Options SmallStoreOptions(std::uint32_t bytes = 1 << 20) {
    WordStore::Options options;
    options.initialCapacity = bytes;
    options.growthStep = bytes;
    return options;
}

// Walks the store with GetNextWord, as visit(word, count); visit may remove the word
// it was given, as the Filter does.
template <typename Visit>
void ForEachStoredWord(const WordStore& store, Visit visit) {
    std::string word;
    std::uint32_t count = 0;
    for (auto pos = store.GetStartPosition(); pos != WordStore::EndPosition();) {
        store.GetNextWord(pos, word, count);
        visit(word, count);
    }
}

// Every word the store holds, with its count.
inline WordCounts StoreWords(const WordStore& store) {
    WordCounts words;
    ForEachStoredWord(store,
                      [&](const std::string& word, std::uint32_t count) { words[word] = count; });
    return words;
}

// All occurrences: the sum of the counts.
inline std::int64_t TotalCount(const WordCounts& words) {
    std::int64_t total = 0;
    for (const auto& [word, count] : words)
        total += count;
    return total;
}

// Every word the store holds, sorted, without counts.
inline std::vector<std::string> SortedStoreWords(const WordStore& store) {
    std::vector<std::string> words;
    ForEachStoredWord(store,
                      [&](const std::string& word, std::uint32_t) { words.push_back(word); });
    std::sort(words.begin(), words.end());
    return words;
}

}  // namespace tarvolen::testing
