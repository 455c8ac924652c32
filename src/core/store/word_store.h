#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "core/store/arena_memory.h"
#include "core/store/bucket_table.h"
#include "core/store/entry_slabs.h"
#include "core/store/text_blocks.h"
#include "core/store/word_key.h"

namespace tarvolen {

class MessagePort;

// The word list: every distinct word with its number of occurrences.
//
// Each word has a 32-byte entry, in slabs that never move. A word of up to 12 bytes
// lives in its entry alone; a longer one also has its text in a block of text that
// never moves. The entries are chained from a power-of-two table of bucket heads,
// which doubles when the entries come to outnumber its buckets: the doubling links
// every entry anew, walking the slabs in memory order, and moves nothing. So the time
// per word stays flat however long the list grows, and a view of a word stays valid
// until the word is removed or the store emptied. A known word costs no allocation
// and writes nothing but its counts.
//
// All its memory comes from an ArenaMemory. When that refuses what a new word needs,
// the store says so once and from then on counts only the words it holds, until it is
// cleared.
class WordStore {
  public:
    static constexpr std::uint32_t kInitialCapacity = 188'743'680;  // 180 MiB
    static constexpr std::uint32_t kGrowthStep = 52'428'800;        // 50 MiB
    static constexpr std::uint32_t kInitialBuckets = 4096;

    static constexpr const char* kNoArenaText = "Unable to allocate memory buffer";
    static constexpr const char* kGrowthFailedText = "out of memory!";

    struct Options {
        // The first block of text, and each further one.
        std::uint32_t initialCapacity = kInitialCapacity;
        std::uint32_t growthStep = kGrowthStep;
        std::uint32_t initialBuckets = kInitialBuckets;  // rounded up to a power of two
        ArenaMemory* memory = nullptr;                   // nullptr: SystemArenaMemory()
        // The process's exit status when no arena can be had: the desktop program
        // ends quietly, a command line reports a failure.
        int exitStatusWithoutArena = 0;
    };

    // Obtains the first block of text (the initial capacity, else half of it) and the
    // cache of recent words. When they cannot be had, shows kNoArenaText through
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
    // status when no arena can be had, with text blocks of capacity bytes.
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
    std::int32_t Count() const { return entryCount_; }

    // Discards every word and rewinds the text blocks, which stay.
    void Clear();
    // The same for words about to come back in another form: the documents read stay
    // counted.
    void ClearWords();

    // Iteration: bucket order. Between two GetNext calls the caller may RemoveWord the
    // word just returned; AddWord and Clear must not happen while an iteration is open.
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
    // Views the stored text at pos; moves pos on. Every view of a stored text ends in
    // a NUL, and stays valid until the word is removed or the store emptied.
    void GetNextEntry(Position& pos, std::string_view& word, std::uint32_t& count) const;
    // The same, and also the first 8 bytes of the word as one big-endian number,
    // NUL-padded: two such numbers, when unequal, order their words as WordOrder
    // does, and neither this nor the view's length of a word of up to 12 bytes needs
    // a read beyond its entry, which a sort of millions of words feels.
    void GetNextEntry(Position& pos, std::string_view& word, std::uint32_t& count,
                      std::uint64_t& leadingBytes) const;

    // A word held, named by a number for as long as it is held (until it is removed
    // or the store emptied): 4 bytes by which a sort or a window keeps a word.
    using WordId = std::uint32_t;
    // Its text is not taken until asked for (WordText): for a long word that is a
    // read of a block of text, which a sort does not need.
    struct HeldWord {
        WordId id;
        std::uint32_t count;
        std::uint32_t range;
        std::uint64_t leadingBytes;  // as GetNextEntry gives them
    };
    // The text of a word held, NUL-terminated.
    std::string_view WordText(WordId id) const { return TextOf(entries_.At(id)); }
    // Starts loading what WordText(id) will read: the word's entry, then, once that is
    // at hand (asked for some words earlier), the text of a long word.
    void PrefetchWord(WordId id) const { __builtin_prefetch(&entries_.At(id)); }
    void PrefetchWordText(WordId id) const {
        if (const std::uint32_t text = entries_.At(id).text)
            __builtin_prefetch(texts_.At(text));
    }

    // Visits every stored word once, in the order the entries lie in memory rather
    // than by bucket: for a caller that sorts the words anyway, a walk of millions of
    // them then reads its memory in sequence. visit(const HeldWord&), or with what
    // GetNextEntry gives: visit(word, count, leadingBytes), or visit(word, count,
    // leadingBytes, range). The store must not change meanwhile.
    template <typename Visit>
    void ForEachEntry(Visit visit) const;

    // A walk of the entries in the order they lie in memory during which words may be
    // added and the word it last gave removed: for a store that hands some of its words
    // elsewhere while it takes in others. An emptying (or a Swap) starts the sweep over
    // from the first entry, so it may then give a word a second time.
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

    // Introspection, mainly for tests and benchmarks: the bytes of the text blocks
    // held and of those taken by texts, and the buckets of the table (0 while empty).
    std::size_t Capacity() const { return texts_.Capacity(); }
    std::size_t BytesUsed() const { return texts_.Used(); }
    std::uint32_t Buckets() const { return buckets_.Buckets(); }
    // True after the memory refused a growth; the store then counts only words it
    // holds already, until Clear.
    bool GrowthFailed() const { return growthFailed_; }

  private:
    using Entry = StoreEntry;
    // The bytes of a word an entry holds; a longer word's text is in the text blocks.
    static constexpr std::size_t kInlineBytes = 12;

    // Recently counted words by tag, direct-mapped: most of a text's words are a few
    // thousand frequent ones, and for them this small array (which stays in the
    // processor's cache) names the entry at once, with neither the hash nor the
    // chain head. A slot is only a hint: the entry's key is compared all the same,
    // and the slot is overwritten by the next word found through the chains. Slots
    // are forgotten whenever their entries could be freed (removal, emptying).
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
    // The entry holds the word; word[length] is its NUL.
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

    // The entry of the word in its chain, 0 when absent.
    std::uint32_t Find(const char* word, std::size_t length, const Key& key,
                       std::uint32_t hash) const;
    // Enters a word that is not held, with its counts; its entry, or 0 when the
    // memory refused what it needs (said once, and no new word is entered after).
    std::uint32_t Insert(const char* word, std::size_t length, const Key& key, std::uint32_t hash,
                         std::uint32_t count, std::uint32_t range, std::uint32_t lastDocument);
    void Refused();
    // Twice the buckets, every entry linked anew.
    bool DoubleBuckets();
    // AddOccurrences and AddOccurrencesInDocument. Occurrences counted elsewhere leave
    // the document the entry was last counted in as it was (none for a new one), so
    // that the document being read still adds to its range.
    void AddCounted(const char* word, std::size_t length, std::uint32_t count, std::uint32_t range,
                    bool inDocument);
    // Releases every entry and the heads; the texts are abandoned.
    void EmptyTable();
    // The entry at pos and its bucket; moves pos on.
    const Entry* Advance(Position& pos, std::uint32_t& bucket) const;
    // The entry's text, NUL-terminated; its length is known from the key when the
    // entry holds it.
    std::string_view TextOf(const Entry& entry) const;
    static std::uint64_t LeadingBytes(const Entry& entry) { return __builtin_bswap64(entry.keyA); }

    MessagePort& messages_;
    ArenaMemory& memory_;
    int exitStatusWithoutArena_;
    TextBlocks texts_;
    EntrySlabs entries_;
    BucketTable buckets_;
    std::int32_t entryCount_ = 0;
    CacheSlot* cache_ = nullptr;  // 1 << kCacheBits slots
    bool growthFailed_ = false;
    std::uint32_t document_ = 0;  // the number of the document being read; 0: none
    std::uint64_t documentCount_ = 0;
    // Counts the emptyings: a Sweep taken before one starts over.
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
    // The key's bytes 12 to 15 are 0 for a word the entry can hold, as the text field
    // of an entry that holds its word is: one comparison of 16 bytes settles it.
    std::uint64_t tail;
    std::memcpy(&tail, &entry.keyB, sizeof tail);
    if (length <= kInlineBytes)
        return ((entry.keyA ^ key.a) | (tail ^ key.b)) == 0;
    if (((entry.keyA ^ key.a) | (entry.keyB ^ static_cast<std::uint32_t>(key.b))) != 0 ||
        entry.text == 0)
        return false;
    const char* stored = texts_.At(entry.text) + kInlineBytes;
    if (length > kKeyBytes)
        return std::strcmp(stored, word + kInlineBytes) == 0;
    // The rest of the word with its NUL, compared without a call. A shorter stored
    // text differs at its own NUL; reading on past it stays within its block, which
    // keeps room at its end for that.
    static_assert(kKeyBytes + 1 - kInlineBytes <= 4 + TextBlocks::kReadPast);
    return detail::EqualShort(stored, word + kInlineBytes, length + 1 - kInlineBytes);
}

inline void WordStore::AddWordWithKey(const char* word, std::size_t length, const Key& key,
                                      std::uint32_t tag, std::uint32_t hash, bool hashed) {
    const CacheSlot slot = cache_[CacheSlotOf(tag)];
    if (slot.tag == tag && slot.index != 0) [[likely]] {
        Entry& entry = entries_.At(slot.index);
        if (Matches(entry, key, word, length)) [[likely]] {
            Count(entry);
            return;
        }
    }
    AddUncached(word, length, key, tag, hashed ? hash : HashOf(word, length, key));
}

inline std::string_view WordStore::TextOf(const Entry& entry) const {
    if (entry.text != 0) {
        const char* text = texts_.At(entry.text);
        return {text, std::strlen(text)};
    }
    // The key's bytes are the word's and 0 after it, and no word holds a 0: the
    // highest byte that is not 0 tells the length.
    auto bytesIn = [](std::uint64_t key) {
        return static_cast<std::size_t>((std::bit_width(key) + 7) / 8);
    };
    const std::size_t length = entry.keyB != 0 ? 8 + bytesIn(entry.keyB) : bytesIn(entry.keyA);
    return {reinterpret_cast<const char*>(&entry.keyA), length};
}

template <typename Visit>
void WordStore::ForEachEntry(Visit visit) const {
    entries_.ForEachCarved([&](std::uint32_t index, const Entry& entry) {
        if (entry.count == 0)
            return;
        if constexpr (std::is_invocable_v<Visit, const HeldWord&>)
            visit(HeldWord{index, entry.count, entry.range, LeadingBytes(entry)});
        else if constexpr (std::is_invocable_v<Visit, std::string_view, std::uint32_t,
                                               std::uint64_t, std::uint32_t>)
            visit(TextOf(entry), entry.count, LeadingBytes(entry), entry.range);
        else
            visit(TextOf(entry), entry.count, LeadingBytes(entry));
    });
}

}  // namespace tarvolen
