#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/store/word_key.h"
#include "core/store/word_store.h"

namespace tarvolen {

// The word cutters' hot path into the store: words handed over in runs, their
// memory loaded before they are counted.
//
// The store keeps a small direct-mapped cache of recently counted words by tag: most
// of a text's words are a few thousand frequent ones, and for them this array (which
// stays in the processor's cache) names the entry at once, with neither the hash nor
// the chain head. A slot is only a hint: the entry's key is compared all the same,
// and the slot is overwritten by the next word found through the chains. Slots are
// forgotten whenever their entries could be freed (removal, emptying).
struct WordBatch {
    // A word as a cutter hands it over in bulk: its key, and a tag mixed from the key
    // that finds the word in the cache. The chain hash is computed only for the words
    // the cache does not name, when they are looked up.
    struct PreparedWord {
        const char* text;  // NUL-terminated once it is added
        std::uint32_t length;
        std::uint32_t tag;
        WordKey key;
        std::uint32_t hash;  // HashWord(text, length) once hashed is set
        bool hashed;
    };

    // For a word whose NUL is in place.
    static inline void Prepare(PreparedWord& into, const char* word, std::size_t length);
    // For a word of at most kKeyBytes bytes from whose first byte kKeyReach bytes may
    // be read (its own, its end and whatever follows), its NUL not yet written.
    static inline void PreparePadded(PreparedWord& into, const char* word, std::size_t length);

    // Loads what the lookups of a run of words will read: the cache slots (and
    // prefetches the entries they name), then for the words the cache does not name
    // their chain heads (hashing them), then the entries these name and the rest of
    // their texts. Each pass is a tight loop of loads independent of one another,
    // which the processor overlaps by the dozen; the lookups that follow in Add then
    // mostly find their memory in the cache (bench/README.md has what was measured).
    static void Preload(const WordStore& store, PreparedWord* words, std::size_t count);
    // AddWord for a prepared word, whose NUL is now in place.
    static inline void Add(WordStore& store, const PreparedWord& word);
    // Add for each of a run of prepared words, in order.
    static inline void AddRun(WordStore& store, const PreparedWord* words, std::size_t count);
    // AddWord with hash == HashWord(word, length) already computed, as the tokenizer
    // does while it folds a word.
    static inline void AddHashed(WordStore& store, const char* word, std::size_t length,
                                 std::uint32_t hash);

  private:
    // The record is filled field by field: one built whole and then copied would be
    // read back in wide loads from narrow stores, which the processor cannot forward.
    static inline void Fill(PreparedWord& into, const char* word, std::size_t length,
                            const WordKey& key);
    // The common path of every AddWord; hash is HashWord(word, length) when hashed is
    // set, and is computed only when the cache does not name the word.
    static inline void AddWithKey(WordStore& store, const char* word, std::size_t length,
                                  const WordKey& key, std::uint32_t tag, std::uint32_t hash,
                                  bool hashed);
    // Counts the word by countFound(entry) when the cache names its entry; false when it
    // does not, and the word is still to be counted.
    template <typename CountFound>
    static inline bool CountCached(WordStore& store, const char* word, std::size_t length,
                                   const WordKey& key, std::uint32_t tag, CountFound countFound);
    // AddRun for a run of a part's words, tally the part's (WordStore::PartRunTally).
    static void AddPartRun(WordStore& store, PartTally& tally, const PreparedWord* words,
                           std::size_t count);
};

inline void WordBatch::Fill(PreparedWord& into, const char* word, std::size_t length,
                            const WordKey& key) {
    into.text = word;
    into.length = static_cast<std::uint32_t>(length);
    into.key.a = key.a;
    into.key.b = key.b;
    into.key.c = key.c;
    into.tag = TagOf(key);
    into.hashed = false;
}

inline void WordBatch::Prepare(PreparedWord& into, const char* word, std::size_t length) {
    Fill(into, word, length, KeyOf(word, length));
    if (length > kKeyBytes) {
        // The key holds only the beginning of such a word.
        into.hash = HashWord(word, length);
        into.hashed = true;
    }
}

inline void WordBatch::PreparePadded(PreparedWord& into, const char* word, std::size_t length) {
    Fill(into, word, length, KeyOfPadded(word, length));
}

inline void WordBatch::AddHashed(WordStore& store, const char* word, std::size_t length,
                                 std::uint32_t hash) {
    const WordKey key = KeyOf(word, length);
    AddWithKey(store, word, length, key, TagOf(key), hash, true);
}

inline void WordBatch::Add(WordStore& store, const PreparedWord& word) {
    AddWithKey(store, word.text, word.length, word.key, word.tag, word.hash, word.hashed);
}

inline void WordBatch::AddRun(WordStore& store, const PreparedWord* words, std::size_t count) {
    // A part's words leave the common way here, once a run rather than once a word.
    if (PartTally* const tally = store.PartRunTally(count)) [[unlikely]]
        return AddPartRun(store, *tally, words, count);
    for (std::size_t i = 0; i < count; ++i)
        Add(store, words[i]);
}

inline void WordBatch::AddWithKey(WordStore& store, const char* word, std::size_t length,
                                  const WordKey& key, std::uint32_t tag, std::uint32_t hash,
                                  bool hashed) {
    if (CountCached(store, word, length, key, tag,
                    [&store](StoreEntry& entry) { store.Count(entry); })) [[likely]]
        return;
    store.AddUncached(word, length, key, tag, hashed ? hash : WordStore::HashOf(word, length, key));
}

template <typename CountFound>
inline bool WordBatch::CountCached(WordStore& store, const char* word, std::size_t length,
                                   const WordKey& key, std::uint32_t tag, CountFound countFound) {
    const WordStore::CacheSlot slot = store.cache_.At(tag);
    if (slot.tag == tag && slot.index != 0) [[likely]] {
        StoreEntry& entry = store.entries_.At(slot.index);
        if (store.Matches(entry, key, word, length)) [[likely]] {
            countFound(entry);
            return true;
        }
    }
    return false;
}

inline bool WordStore::Matches(const Entry& entry, const Key& key, const char* word,
                               std::size_t length) const {
    // The key's byte 15 is 0 for a word the entry can hold, and never 0 in an entry that
    // keeps a text (the highest byte of its position): one comparison of 16 bytes
    // settles it.
    if (length <= kInlineBytes)
        return ((entry.keyA ^ key.a) | (entry.keyB ^ key.b)) == 0;
    if (((entry.keyA ^ key.a) | static_cast<std::uint32_t>(entry.keyB ^ key.b)) != 0 ||
        !HasText(entry))
        return false;
    const char* stored = texts_.At(TextOfEntry(entry)) + kKeptBytes;
    if (length > kKeyBytes)
        return std::strcmp(stored, word + kKeptBytes) == 0;
    // The rest of the word with its NUL, compared without a call. A shorter stored
    // text differs at its own NUL; reading on past it stays within its block, which
    // keeps room at its end for that.
    static_assert(kKeyBytes + 1 <= (kInlineBytes + 2 + 3) / 4 * 4 + TextBlocks::kReadPast);
    static_assert(kKeyBytes + 1 - kKeptBytes <= 16);
    return detail::EqualShort(stored, word + kKeptBytes, length + 1 - kKeptBytes);
}

}  // namespace tarvolen
