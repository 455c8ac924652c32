#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

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
    static constexpr std::uint32_t kBucketCount = 7'999'993;        // a prime
    static constexpr int kBlockSize = 10;

    static constexpr const char* kNoArenaText = "Unable to allocate memory buffer";
    static constexpr const char* kGrowthFailedText = "out of memory!";

    struct Options {
        std::uint32_t initialCapacity = kInitialCapacity;
        std::uint32_t growthStep = kGrowthStep;
        ArenaMemory* memory = nullptr;  // nullptr: SystemArenaMemory()
    };

    // Obtains the arena (the initial capacity, else half of it). When neither can be
    // had, shows kNoArenaText through messages and ends the process with exit code 0.
    explicit WordStore(MessagePort& messages);
    WordStore(MessagePort& messages, const Options& options);
    ~WordStore();

    WordStore(const WordStore&) = delete;
    WordStore& operator=(const WordStore&) = delete;

    // The string hash the table is built on; the tokenizer computes it while it folds
    // a word, so AddWord need not read the word a second time to hash it.
    static constexpr std::uint32_t kHashSeed = 0;
    static constexpr std::uint32_t HashStep(std::uint32_t hash, unsigned char byte) {
        return hash * 33u + byte;
    }
    static std::uint32_t Hash(const char* word, std::size_t length);

    // Counts one occurrence of the NUL-terminated word (length >= 1, no NUL inside).
    void AddWord(const char* word);
    // As above with the length known; word[length] must be NUL.
    void AddWord(const char* word, std::size_t length);
    // As above with hash == Hash(word, length) already computed. This is the
    // tokenizer's per-word call, so its common path lives here to be inlined.
    inline void AddWord(const char* word, std::size_t length, std::uint32_t hash);

    // Hints that a word with this hash comes soon: Prefetch starts loading its chain
    // head; PrefetchEntry, once that head is likely loaded, the first entry.
    void Prefetch(std::uint32_t hash) const {
        if (current_->heads != nullptr)
            __builtin_prefetch(&current_->heads[hash % kBucketCount]);
    }
    void PrefetchEntry(std::uint32_t hash) const {
        if (current_->heads != nullptr) {
            __builtin_prefetch(current_->heads[hash % kBucketCount]);
        }
    }
    // And once that entry is likely loaded, its text.
    void PrefetchText(std::uint32_t hash) const {
        if (current_->heads != nullptr) {
            if (const Entry* entry = current_->heads[hash % kBucketCount]) {
                __builtin_prefetch(entry->word);
            }
        }
    }

    // Removes the word and its count; an absent word changes nothing.
    void RemoveWord(const char* word);

    // Number of distinct words held.
    std::int32_t Count() const { return current_->entryCount; }

    // Discards every word and rewinds the arena; the capacity stays.
    void Clear();

    // Iteration: bucket order, and within a bucket the newest entry first. Between two
    // GetNext calls the caller may RemoveWord the word just returned; AddWord and Clear
    // must not happen while an iteration is open.
    class Position {
      public:
        bool operator==(const Position&) const = default;

      private:
        friend class WordStore;
        const void* at = nullptr;
    };
    Position GetStartPosition() const;
    static Position EndPosition();
    // Copies the word at pos; moves pos on.
    void GetNextWord(Position& pos, std::string& word, std::uint32_t& count) const;
    // Views the stored text at pos (valid until the next AddWord or Clear); moves pos on.
    void GetNextEntry(Position& pos, std::string_view& word, std::uint32_t& count) const;

    // Introspection, mainly for tests and benchmarks.
    std::uint32_t Capacity() const { return capacity_; }
    std::size_t BytesUsed() const { return writePos_; }
    const char* ArenaBegin() const { return arena_; }
    // True after a growth failed; the store then counts only words it holds already.
    bool GrowthFailed() const { return growthFailed_; }

  private:
    struct Entry {
        Entry* next;
        const char* word;
        std::uint32_t bucket;
        std::uint32_t count;
    };

    struct Table {
        Entry** heads = nullptr;  // kBucketCount chain heads, or nullptr once emptied
        // One bit per group of 64 buckets that has held an entry since the heads were
        // allocated: iteration skips untouched groups without reading their heads,
        // which would otherwise cost a pass over 64 MB even for a short list.
        std::uint64_t* usedGroups = nullptr;
        std::int32_t entryCount = 0;
        Entry* freeList = nullptr;
        std::vector<Entry*> blocks;
    };

    static constexpr std::uint32_t kGroupShift = 6;
    static constexpr std::uint32_t kGroupWords = ((kBucketCount >> kGroupShift) + 64) / 64;
    static void MarkUsed(Table& table, std::uint32_t bucket) {
        const std::uint32_t group = bucket >> kGroupShift;
        table.usedGroups[group >> 6] |= std::uint64_t{1} << (group & 63);
    }

    void AllocateHeads(Table& table);
    void EmptyTable(Table& table);
    Entry* NewEntry(Table& table);
    void AddBlock(Table& table);
    void Insert(Table& table, const char* text, std::uint32_t bucket, std::uint32_t count);
    // AddWord when the word's copy would reach the arena's end: grows, or after a
    // failed growth counts the word only if it is present already.
    void AddWordNearEnd(const char* word, std::size_t length, std::uint32_t hash);
    // Looks a NUL-terminated word up without touching the arena.
    Entry* Find(const char* word, std::uint32_t bucket) const;
    bool Grow();
    const Entry* FirstEntryFrom(std::uint32_t bucket) const;
    const Entry* Advance(Position& pos) const;

    MessagePort& messages_;
    ArenaMemory& memory_;
    std::uint32_t growthStep_;
    std::uint32_t capacity_ = 0;
    char* arena_ = nullptr;
    std::size_t writePos_ = 0;
    Table tableA_;
    Table tableB_;
    Table* current_ = &tableA_;
    bool growthFailed_ = false;
};

// Sort orders for written lists. WordOrder compares bytes as unsigned values, a prefix
// first. FrequencyOrder puts the larger count first and breaks ties by WordOrder.
bool WordOrder(std::string_view a, std::string_view b);
bool FrequencyOrder(std::uint32_t countA, std::string_view a, std::uint32_t countB,
                    std::string_view b);

namespace detail {

// Copies and compares of a few bytes without a library call; every access stays
// within the n bytes given.
inline void CopyShort(char* to, const char* from, std::size_t n) {
    if (n >= 8 && n <= 16) {
        std::uint64_t head, tail;
        std::memcpy(&head, from, 8);
        std::memcpy(&tail, from + n - 8, 8);
        std::memcpy(to, &head, 8);
        std::memcpy(to + n - 8, &tail, 8);
    } else if (n >= 4 && n < 8) {
        std::uint32_t head, tail;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + n - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + n - 4, &tail, 4);
    } else {
        std::memcpy(to, from, n);
    }
}

inline bool EqualShort(const char* a, const char* b, std::size_t n) {
    if (n >= 8 && n <= 16) {
        std::uint64_t a1, a2, b1, b2;
        std::memcpy(&a1, a, 8);
        std::memcpy(&b1, b, 8);
        std::memcpy(&a2, a + n - 8, 8);
        std::memcpy(&b2, b + n - 8, 8);
        return ((a1 ^ b1) | (a2 ^ b2)) == 0;
    }
    if (n >= 4 && n < 8) {
        std::uint32_t a1, a2, b1, b2;
        std::memcpy(&a1, a, 4);
        std::memcpy(&b1, b, 4);
        std::memcpy(&a2, a + n - 4, 4);
        std::memcpy(&b2, b + n - 4, 4);
        return ((a1 ^ b1) | (a2 ^ b2)) == 0;
    }
    return std::memcmp(a, b, n) == 0;
}

}  // namespace detail

inline WordStore::Entry* WordStore::NewEntry(Table& table) {
    if (table.freeList == nullptr)
        AddBlock(table);
    Entry* entry = table.freeList;
    table.freeList = entry->next;
    ++table.entryCount;
    return entry;
}

inline void WordStore::AddWord(const char* word, std::size_t length, std::uint32_t hash) {
    const std::size_t n = length + 1;
    if (writePos_ + n >= capacity_) [[unlikely]] {
        AddWordNearEnd(word, length, hash);
        return;
    }
    // The copy at the free end is the lookup key and, for a new word, its stored
    // text. Every stored text lies below it, so comparing n bytes never leaves the
    // arena even when the stored text is shorter.
    char* copy = arena_ + writePos_;
    detail::CopyShort(copy, word, n);
    const std::uint32_t bucket = hash % kBucketCount;
    Table& table = *current_;
    if (table.heads != nullptr) [[likely]] {
        for (Entry* entry = table.heads[bucket]; entry != nullptr; entry = entry->next) {
            if (detail::EqualShort(entry->word, copy, n)) {
                // Saturate rather than wrap: a wrapped count of 0 would break the
                // invariant that every entry has occurred at least once.
                entry->count += entry->count != UINT32_MAX;
                return;
            }
        }
    } else {
        AllocateHeads(table);
    }
    Entry* entry = NewEntry(table);
    entry->word = copy;
    entry->bucket = bucket;
    entry->count = 1;
    entry->next = table.heads[bucket];
    table.heads[bucket] = entry;
    MarkUsed(table, bucket);
    writePos_ += n;
}

}  // namespace tarvolen
