#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/ports/side_by_side.h"
#include "core/store/word_store.h"

namespace tarvolen {

// What the exchange of words between processes needs of a store beyond counting: a
// walk during which the store changes, and the swap of two stores' words.
struct StoreExchange {
    // A walk of the entries in the order they lie in memory during which words may be
    // added and the word it last gave removed: for a store that hands some of its words
    // elsewhere while it takes in others. An emptying (or a Swap) starts the sweep over
    // from the first entry, so it may then give a word a second time.
    struct Sweep {
        std::uint32_t index = 1;
        std::uint64_t generation = 0;
    };
    static Sweep BeginSweep(const WordStore& store) { return Sweep{1, store.generation_}; }
    // The next word with its count and range (the view valid until the next AddWord),
    // and whether it was counted in the document being read; false at the end.
    static bool NextInSweep(const WordStore& store, Sweep& sweep, std::string_view& word,
                            std::uint32_t& count, std::uint32_t& range, bool& inDocument);

    // Exchanges every word and all the memory that holds them, and the documents read,
    // between two stores made with the same arena memory (one made with the other's
    // Settings()).
    static void Swap(WordStore& a, WordStore& b);
    // As Swap, but each store keeps its own settings (what it tells when memory refuses
    // a word): into, which held no word, takes from's words; from is left empty.
    static void TakeWords(WordStore& into, WordStore& from);

    // Every word of from added to into with its count, and its range (found Elsewhere)
    // or 1 (InDocument): AddOccurrences for each, with the loads of a run of words
    // overlapped, as the batch path overlaps them.
    // With several tasks side by side, each looks up a share of from's words in into
    // and adds to those it finds; the words into lacks are then entered in turn.
    // from is left empty: the slabs of its entries go back to the memory as the words
    // into lacks are entered, so that a merge of millions of words does not hold both
    // stores whole while into grows.
    static void TakeAll(WordStore& into, WordStore& from, WordStore::Found found,
                        SideBySide& side = OneAtATime());

  private:
    struct Pending;
    // from's words with indexes from begin to below end, each to handle(const Pending&).
    template <typename Handle>
    static void InRuns(WordStore& into, const WordStore& from, std::uint32_t begin,
                       std::uint32_t end, bool once, Handle handle);
    // Each of count words to handle, their chain heads in into and those chains' first
    // entries loaded together first.
    template <typename Handle>
    static void HandleLoaded(WordStore& into, const Pending* words, std::size_t count,
                             Handle handle);
};

}  // namespace tarvolen
