#pragma once

#include <cstddef>
#include <cstdint>
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
    // As above with hash == Hash(word, length) already computed.
    void AddWord(const char* word, std::size_t length, std::uint32_t hash);

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
        std::int32_t entryCount = 0;
        Entry* freeList = nullptr;
        std::vector<Entry*> blocks;
    };

    void AllocateHeads(Table& table);
    void EmptyTable(Table& table);
    Entry* NewEntry(Table& table);
    void Insert(Table& table, const char* text, std::uint32_t bucket, std::uint32_t count);
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

}  // namespace tarvolen
