#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/collect/bucket_heads.h"
#include "core/collect/word_key.h"

namespace tarvolen {

class MessagePort;

// Where the store gets its text arena from. The default maps anonymous memory; tests
// substitute a source that refuses, to walk the out-of-memory paths.
class ArenaMemory {
  public:
    virtual ~ArenaMemory() = default;
    // nullptr when the memory cannot be had.
    virtual char* Obtain(std::size_t bytes) = 0;
    virtual void Release(char* block, std::size_t bytes) = 0;
};

ArenaMemory& SystemArenaMemory();

// The word list: every distinct word with its number of occurrences.
//
// Word texts are packed back to back, NUL-terminated, in one large text arena; the
// entries live in a chained hash table with a fixed number of buckets, so it never
// rehashes. AddWord first copies the word to the free end of the arena; that copy is
// the lookup key, and if the word is new it simply becomes the stored text by moving
// the write position past it, so a new word is copied exactly once and a known word
// costs no allocation. When the arena is full, every live word moves into a larger
// arena in one pass that also compacts it, and the entries move to the second of two
// tables (a growth re-inserts in iteration order, which reverses each chain).
//
// Entries come from blocks of kBlockSize and return to a free list; blocks are only
// released when the whole table is emptied.
class WordStore {
  public:
    static constexpr std::uint32_t kInitialCapacity = 188'743'680;  // 180 MiB
    static constexpr std::uint32_t kGrowthStep = 52'428'800;        // 50 MiB
    static constexpr std::uint32_t kBucketCount = BucketHeads::kBucketCount;
    static constexpr int kBlockSize = 10;

    static constexpr const char* kNoArenaText = "Unable to allocate memory buffer";
    static constexpr const char* kGrowthFailedText = "out of memory!";

    struct Options {
        std::uint32_t initialCapacity = kInitialCapacity;
        std::uint32_t growthStep = kGrowthStep;
        ArenaMemory* memory = nullptr;  // nullptr: SystemArenaMemory()
        // The process's exit status when no arena can be had: the desktop program
        // ends quietly, a command line reports a failure.
        int exitStatusWithoutArena = 0;
    };

    // Obtains the arena (the initial capacity, else half of it) and the tables. When
    // no arena can be had, or the tables cannot beside it, shows kNoArenaText through
    // messages and ends the process with options.exitStatusWithoutArena.
    explicit WordStore(MessagePort& messages);
    WordStore(MessagePort& messages, const Options& options);
    ~WordStore();

    WordStore(const WordStore&) = delete;
    WordStore& operator=(const WordStore&) = delete;

    // The string hash the table is built on (word_key.h); the tokenizer computes it
    // while it folds a word, so AddWord need not read the word a second time.
    static constexpr std::uint32_t kHashSeed = tarvolen::kHashSeed;
    static constexpr std::uint32_t HashStep(std::uint32_t hash, unsigned char byte) {
        return tarvolen::HashStep(hash, byte);
    }
    static std::uint32_t Hash(const char* word, std::size_t length) {
        return HashWord(word, length);
    }
    static std::uint32_t HashPadded(const char* word, std::size_t length) {
        return tarvolen::HashPadded(word, length);
    }

    // Counts one occurrence of the NUL-terminated word (length >= 1, no NUL inside).
    void AddWord(const char* word);
    // As above with the length known; word[length] must be NUL.
    void AddWord(const char* word, std::size_t length);
    // As above with hash == Hash(word, length) already computed, as the tokenizer
    // does for a word carried over from the previous chunk.
    inline void AddWord(const char* word, std::size_t length, std::uint32_t hash);
    // Counts count occurrences at once, as a merged list's record gives them, found
    // in range documents; both saturate at 4,294,967,295 as single occurrences do.
    // word[length] is NUL.
    void AddOccurrences(const char* word, std::size_t length, std::uint32_t count,
                        std::uint32_t range = 1);
    // The same for occurrences of which some were found in the document being read
    // (range counting it), as when parts of one document were counted apart: a word
    // already counted in this document does not count it again. A document must have
    // begun.
    void AddOccurrencesInDocument(const char* word, std::size_t length, std::uint32_t count,
                                  std::uint32_t range);
    // Counts count occurrences (count >= 1) in the current document, as count calls of
    // AddWord would: for words first counted elsewhere during the document.
    void AddWordRepeated(const char* word, std::size_t length, std::uint32_t count);

    // A store for words on their way to this one: the same messages, memory and exit
    // status when no arena can be had, with an arena of its own of capacity bytes.
    std::unique_ptr<WordStore> MakeScratch(std::uint32_t capacity) const;

    // Starts the next document: from here on, the first occurrence of a word adds one
    // to its range (the number of documents it was counted in). Words counted outside
    // any document, or before the first, have a range of 1.
    void BeginDocument();
    // The documents begun since the store was last emptied.
    std::uint64_t DocumentCount() const { return documentCount_; }

    static constexpr std::size_t kKeyBytes = tarvolen::kKeyBytes;
    using Key = WordKey;

    // A word as the tokenizer hands it over in bulk: its key, and a tag mixed from
    // the key that finds the word in the store's cache of recently counted words.
    // A word found there costs no hash; the chain hash is computed only for the
    // others, when the word is probed or added.
    struct PreparedWord {
        const char* text;  // NUL-terminated once it is added
        std::uint32_t length;
        std::uint32_t tag;
        Key key;
        std::uint32_t hash;  // Hash(text, length) once hashed is set
        bool hashed;
    };
    // For a word whose NUL is in place.
    static inline void Prepare(PreparedWord& into, const char* word, std::size_t length);
    // For a word of at most kKeyBytes bytes from whose first byte kKeyReach bytes may
    // be read (its own, its end and whatever follows), its NUL not yet written.
    static constexpr std::size_t kKeyReach = tarvolen::kKeyReach;
    static inline void PreparePadded(PreparedWord& into, const char* word, std::size_t length);

    // Loads what the lookups of a run of words will read: the cache slots (and
    // prefetches the entries they name), then for the words the cache does not name
    // their chain heads (hashing them), then the entries these name and the rest of
    // their texts. Each pass is a tight loop of loads independent of one another,
    // which the processor overlaps by the dozen; the lookups that follow in
    // AddPrepared then mostly find their memory in the cache (bench/README.md has
    // what was measured).
    void Preload(PreparedWord* words, std::size_t count) const;
    // AddWord for a prepared word, whose NUL is now in place.
    inline void AddPrepared(const PreparedWord& word);

    // The cache tag of a key; exposed for tests.
    static std::uint32_t TagOf(const Key& key) { return tarvolen::TagOf(key); }

    // The occurrences of the word, 0 when it is absent; word[length] must be NUL.
    std::uint32_t Occurrences(const char* word, std::size_t length) const;
    // The number of documents it was counted in, 0 when it is absent.
    std::uint32_t RangeOf(const char* word, std::size_t length) const;

    // Removes the word and its count; an absent word changes nothing.
    void RemoveWord(const char* word);

    // Number of distinct words held.
    std::int32_t Count() const { return current_->entryCount; }

    // Discards every word and rewinds the arena; the capacity stays.
    void Clear();
    // The same for words about to come back in another form: the documents read stay
    // counted.
    void ClearWords();

    // Iteration: bucket order, and within a bucket the newest entry first. Between two
    // GetNext calls the caller may RemoveWord the word just returned; AddWord and Clear
    // must not happen while an iteration is open.
    class Position {
      public:
        bool operator==(const Position&) const = default;

      private:
        friend class WordStore;
        const void* at = nullptr;
        std::uint32_t bucket = 0;  // the bucket of the entry at `at`
    };
    Position GetStartPosition() const;
    static Position EndPosition();
    // Copies the word at pos; moves pos on.
    void GetNextWord(Position& pos, std::string& word, std::uint32_t& count) const;
    // Views the stored text at pos (valid until the next AddWord or Clear); moves pos on.
    void GetNextEntry(Position& pos, std::string_view& word, std::uint32_t& count) const;
    // The same, and also the first 8 bytes of the word as one big-endian number,
    // NUL-padded: two such numbers, when unequal, order their words as WordOrder
    // does. For a word shorter than kInlineBytes neither this nor the view's length
    // needs a read of the arena, which a sort of millions of words feels.
    void GetNextEntry(Position& pos, std::string_view& word, std::uint32_t& count,
                      std::uint64_t& leadingBytes) const;

    // Visits every stored word once, as visit(word, count, leadingBytes) with what
    // GetNextEntry gives, or visit(word, count, leadingBytes, range), in the order the
    // entries lie in memory rather than by bucket: for a caller that sorts the words
    // anyway, a walk of millions of them then reads its memory in sequence. The store
    // must not change meanwhile.
    template <typename Visit>
    void ForEachEntry(Visit visit) const;

    // A walk of the entries in the order they lie in memory during which words may be
    // added and the word it last gave removed: for a store that hands some of its words
    // elsewhere while it takes in others. A growth or an emptying moves the entries, and
    // the sweep then starts over from the first, so it may give a word a second time.
    struct Sweep {
        std::uint32_t index = 1;
        std::uint64_t generation = 0;
    };
    Sweep BeginSweep() const { return Sweep{1, generation_}; }
    // The next word with its count and range (the view valid until the next AddWord),
    // and whether it was counted in the document being read; false at the end.
    bool NextInSweep(Sweep& sweep, std::string_view& word, std::uint32_t& count,
                     std::uint32_t& range, bool& inDocument) const;

    // Exchanges every word and all the memory that holds them with other, which was
    // made with the same messages and arena memory (MakeScratch makes such a store).
    void Swap(WordStore& other);

    // Introspection, mainly for tests and benchmarks.
    std::uint32_t Capacity() const { return capacity_; }
    std::size_t BytesUsed() const { return writePos_; }
    const char* ArenaBegin() const { return arena_; }
    // True after a growth failed; the store then counts only words it holds already.
    bool GrowthFailed() const { return growthFailed_; }

  private:
    // Entries are named by 32-bit indexes (0: none) into per-table slabs, so that a
    // chain head takes 4 bytes: 32 MB of heads instead of 64, half the pages touched.
    // Blocks of kBlockSize are carved from the slabs; a slab is mapped when the first
    // block needs it and only the pages actually used cost memory.
    static constexpr unsigned kSlabShift = 20;
    static constexpr std::uint32_t kSlabEntries = 1u << kSlabShift;
    static constexpr std::uint32_t kSlabMask = kSlabEntries - 1;
    // The entry keeps the first kInlineBytes bytes of the key, so a word shorter than
    // that is compared without reading the arena at all (most words of most texts);
    // 12 rather than all 20 keeps an entry at 24 bytes, which for millions of words
    // is the bulk of the memory.
    static constexpr std::size_t kInlineBytes = 12;

    struct Entry {
        std::uint64_t keyA;   // Key::a
        std::uint32_t keyB;   // the low half of Key::b: bytes 8..11
        std::uint32_t next;   // the following entry of the chain or of the free list
        std::uint32_t count;  // occurrences
        std::uint32_t text;   // offset of the NUL-terminated text in the arena
        // Documents the word was counted in, and the last of them: a word met again
        // in the same document finds its number here and leaves the range be, so the
        // range costs neither a lookup nor a set of documents.
        std::uint32_t range;
        std::uint32_t lastDocument;
    };
    static_assert(sizeof(Entry) == 32);

    struct Table {
        BucketHeads heads;  // allocated from the first entry on until emptied
        std::int32_t entryCount = 0;
        std::uint32_t freeList = 0;
        std::uint32_t carved = 0;  // entries handed out of the slabs as blocks so far
        std::vector<Entry*> slabs;

        Entry& At(std::uint32_t index) const {
            return slabs[index >> kSlabShift][index & kSlabMask];
        }
        void Swap(Table& other);
    };

    // Recently counted words by tag, direct-mapped: most of a text's words are a few
    // thousand frequent ones, and for them this small array (which stays in the
    // processor's cache) names the entry at once, with neither the hash nor the
    // chain head, a 64-byte line of the 32 MB array per word. A slot is only a
    // hint: the entry's key is compared all the same, and the slot is overwritten by
    // the next word found through the chains. Slots are forgotten whenever their
    // entries could move or be freed (growth, removal, emptying).
    struct CacheSlot {
        std::uint32_t tag;
        std::uint32_t index;  // 0: empty
    };
    static constexpr unsigned kCacheBits = 16;
    static std::uint32_t CacheSlotOf(std::uint32_t tag) { return tag >> (32 - kCacheBits); }
    void ForgetCache();
    // Prepare and PreparePadded once the key is taken; leaves the word unhashed.
    static inline void FillPrepared(PreparedWord& into, const char* word, std::size_t length,
                                    const Key& key);
    // The common path of every AddWord; hash is Hash(word, length) when hashed is
    // set, and is computed only when the cache does not name the word.
    inline void AddWordWithKey(const char* word, std::size_t length, const Key& key,
                               std::uint32_t tag, std::uint32_t hash, bool hashed);
    // AddWord for a word the cache did not name: through the chains.
    void AddUncached(const char* word, std::size_t length, const Key& key, std::uint32_t tag,
                     std::uint32_t hash);
    static std::uint32_t HashOf(const char* word, std::size_t length, const Key& key) {
        return length <= kKeyBytes ? HashOfKey(key, length) : Hash(word, length);
    }
    // The entry holds the word; for a word of kInlineBytes or more this reads the
    // rest of the stored text.
    inline bool Matches(const Entry& entry, const Key& key, const char* word,
                        std::size_t length) const;
    // Saturates rather than wraps: a wrapped count of 0 would break the invariant that
    // every entry has occurred at least once. The range, without a branch: the entry's
    // line is written for the count anyway.
    void Count(Entry& entry) const {
        entry.count += entry.count != UINT32_MAX;
        const bool first = entry.lastDocument != document_;
        entry.range += first & (entry.range != UINT32_MAX);
        entry.lastDocument = document_;
    }
    static std::uint32_t SaturatingSum(std::uint32_t a, std::uint32_t b) {
        return b > UINT32_MAX - a ? UINT32_MAX : a + b;
    }
    // Equal inline bytes; for a word of kInlineBytes or more, the rest of the text
    // must still be compared.
    static bool SameKey(const Entry& x, const Key& y) {
        return ((x.keyA ^ y.a) | (x.keyB ^ static_cast<std::uint32_t>(y.b))) == 0;
    }
    static void SetKey(Entry& x, const Key& y) {
        x.keyA = y.a;
        x.keyB = static_cast<std::uint32_t>(y.b);
    }

    bool ObtainTables();
    void EmptyTable(Table& table);
    std::uint32_t NewEntry(Table& table);
    void AddBlock(Table& table);
    // Enters a word whose text lies at offset in the arena being filled; returns its
    // entry.
    std::uint32_t Insert(Table& table, const Key& key, std::size_t offset, std::uint32_t bucket,
                         std::uint32_t count, std::uint32_t range);
    // AddOccurrences and AddOccurrencesInDocument. Occurrences counted elsewhere leave
    // the document the entry was last counted in as it was (none for a new one), so
    // that the document being read still adds to its range.
    void AddCounted(const char* word, std::size_t length, std::uint32_t count, std::uint32_t range,
                    bool inDocument);
    // AddWord when the word's copy would reach the arena's end: grows, or after a
    // failed growth counts the word only if it is present already.
    void AddWordNearEnd(const char* word, std::size_t length, std::uint32_t hash);
    // Looks a NUL-terminated word up; nullptr when absent.
    Entry* Find(const char* word, std::uint32_t bucket) const;
    // The same through the word's key, comparing the inline bytes first.
    const Entry* Lookup(const char* word, std::size_t length) const;
    bool Grow();
    // The head of the first non-empty bucket from `bucket` on, which it updates.
    const Entry* FirstEntryFrom(std::uint32_t& bucket) const;
    // The entry at pos and its bucket; moves pos on.
    const Entry* Advance(Position& pos, std::uint32_t& bucket) const;
    // The entry's text; its length is known from the key when shorter than
    // kInlineBytes.
    std::string_view TextOf(const Entry& entry) const;

    MessagePort& messages_;
    ArenaMemory& memory_;
    int exitStatusWithoutArena_;
    std::uint32_t growthStep_;
    std::uint32_t capacity_ = 0;
    char* arena_ = nullptr;
    std::size_t writePos_ = 0;
    Table tableA_;
    Table tableB_;
    Table* current_ = &tableA_;
    CacheSlot* cache_ = nullptr;  // 1 << kCacheBits slots
    bool growthFailed_ = false;
    std::uint32_t document_ = 0;  // the number of the document being read; 0: none
    std::uint64_t documentCount_ = 0;
    // Counts the emptyings of a table (a growth empties the old one): a Sweep taken
    // before one starts over.
    std::uint64_t generation_ = 0;
};

// Sort orders for written lists. WordOrder compares bytes as unsigned values, a prefix
// first. FrequencyOrder puts the larger count first and breaks ties by WordOrder.
// Inline: the writers' sorts call them for millions of pairs.
inline bool WordOrder(std::string_view a, std::string_view b) {
    // string_view compares through char_traits<char>, which orders as unsigned char.
    return a.compare(b) < 0;
}
inline bool FrequencyOrder(std::uint32_t countA, std::string_view a, std::uint32_t countB,
                           std::string_view b) {
    if (countA != countB)
        return countA > countB;
    return WordOrder(a, b);
}

inline std::uint32_t WordStore::NewEntry(Table& table) {
    if (table.freeList == 0)
        AddBlock(table);
    const std::uint32_t index = table.freeList;
    table.freeList = table.At(index).next;
    ++table.entryCount;
    return index;
}

// The record is filled field by field: one built whole and then copied would be
// read back in wide loads from narrow stores, which the processor cannot forward.
inline void WordStore::FillPrepared(PreparedWord& into, const char* word, std::size_t length,
                                    const Key& key) {
    into.text = word;
    into.length = static_cast<std::uint32_t>(length);
    into.key.a = key.a;
    into.key.b = key.b;
    into.key.c = key.c;
    into.tag = TagOf(key);
    into.hashed = false;
}

inline void WordStore::Prepare(PreparedWord& into, const char* word, std::size_t length) {
    FillPrepared(into, word, length, KeyOf(word, length));
    if (length > kKeyBytes) {
        // The key holds only the beginning of such a word.
        into.hash = Hash(word, length);
        into.hashed = true;
    }
}

inline void WordStore::PreparePadded(PreparedWord& into, const char* word, std::size_t length) {
    FillPrepared(into, word, length, KeyOfPadded(word, length));
}

inline void WordStore::AddWord(const char* word, std::size_t length, std::uint32_t hash) {
    const Key key = KeyOf(word, length);
    AddWordWithKey(word, length, key, TagOf(key), hash, true);
}

inline void WordStore::AddPrepared(const PreparedWord& word) {
    AddWordWithKey(word.text, word.length, word.key, word.tag, word.hash, word.hashed);
}

inline bool WordStore::Matches(const Entry& entry, const Key& key, const char* word,
                               std::size_t length) const {
    if (!SameKey(entry, key))
        return false;
    if (length < kInlineBytes)
        return true;
    const char* stored = arena_ + entry.text + kInlineBytes;
    if (length > kKeyBytes)
        return std::strcmp(stored, word + kInlineBytes) == 0;
    // The rest of the word with its NUL, compared without a call. A shorter stored
    // text differs at its own NUL; reading on past it stays below the end of the
    // arena, which the caller has found to hold more than this word.
    return detail::EqualShort(stored, word + kInlineBytes, length + 1 - kInlineBytes);
}

inline void WordStore::AddWordWithKey(const char* word, std::size_t length, const Key& key,
                                      std::uint32_t tag, std::uint32_t hash, bool hashed) {
    // The arena test comes first even for a word the cache names, as the copy of the
    // word into the arena would.
    if (writePos_ + length + 1 < capacity_) [[likely]] {
        const CacheSlot slot = cache_[CacheSlotOf(tag)];
        if (slot.tag == tag && slot.index != 0) [[likely]] {
            Entry& entry = current_->At(slot.index);
            if (Matches(entry, key, word, length)) [[likely]] {
                Count(entry);
                return;
            }
        }
    }
    AddUncached(word, length, key, tag, hashed ? hash : HashOf(word, length, key));
}

template <typename Visit>
void WordStore::ForEachEntry(Visit visit) const {
    const Table& table = *current_;
    // Every index below `carved` lies in a slab; the free ones (removed, or never
    // handed out) have a count of 0, which no stored word has.
    for (std::size_t slab = 0; slab < table.slabs.size(); ++slab) {
        const std::uint32_t first = static_cast<std::uint32_t>(slab) << kSlabShift;
        const std::uint32_t end = std::min(table.carved - first, kSlabEntries);
        const Entry* entries = table.slabs[slab];
        for (std::uint32_t i = slab == 0 ? 1 : 0; i < end; ++i) {
            if (entries[i].count == 0)
                continue;
            if constexpr (std::is_invocable_v<Visit, std::string_view, std::uint32_t, std::uint64_t,
                                              std::uint32_t>)
                visit(TextOf(entries[i]), entries[i].count, __builtin_bswap64(entries[i].keyA),
                      entries[i].range);
            else
                visit(TextOf(entries[i]), entries[i].count, __builtin_bswap64(entries[i].keyA));
        }
    }
}

}  // namespace tarvolen
