#pragma once

#include <vector>

#include "core/ports/side_by_side.h"
#include "core/store/word_store.h"

namespace tarvolen {

// Stores counted apart (by threads) brought into one, as if one store had counted it
// all: the same words, counts, ranges and number of documents.
struct StoresToMerge {
    // Stores whose words were counted in documents of their own: their ranges add.
    std::vector<WordStore*> counted;
    // Per document read in parts by several stores (outside any document of theirs),
    // the stores of its parts: a word in any of them is in the document once.
    std::vector<std::vector<WordStore*>> shared;
};

// Adds every word of the stores to into and leaves them empty: into, when it held
// nothing, takes a store's words whole rather than copy them, and the others give their
// entries' memory back as their words are taken. Every store is made with the same
// arena memory as into. Each store's words are looked up in into by tasks side by side.
void MergeStores(WordStore& into, const StoresToMerge& stores, SideBySide& side = OneAtATime());

}  // namespace tarvolen
