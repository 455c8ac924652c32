#pragma once

#include <algorithm>
#include <bit>
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
    // Hash of a word of at most kKeyBytes bytes, with kKeyReach bytes readable from
    // its first byte on, computed without a loop over its letters (as the store does
    // for the prepared words the cache does not name).
    static inline std::uint32_t HashPadded(const char* word, std::size_t length);

    // Counts one occurrence of the NUL-terminated word (length >= 1, no NUL inside).
    void AddWord(const char* word);
    // As above with the length known; word[length] must be NUL.
    void AddWord(const char* word, std::size_t length);
    // As above with hash == Hash(word, length) already computed, as the tokenizer
    // does for a word carried over from the previous chunk.
    inline void AddWord(const char* word, std::size_t length, std::uint32_t hash);
    // Counts count occurrences at once, as a merged list's record gives them; the
    // count saturates at 4,294,967,295 as single occurrences do. word[length] is NUL.
    void AddOccurrences(const char* word, std::size_t length, std::uint32_t count);

    // A word's key: its first kKeyBytes bytes, NUL-padded, which for a word of up to
    // kKeyBytes bytes is the whole word.
    static constexpr std::size_t kKeyBytes = 20;
    struct Key {
        std::uint64_t a;  // bytes 0..7, first byte lowest
        std::uint64_t b;  // bytes 8..15
        std::uint32_t c;  // bytes 16..19
    };

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
    static constexpr std::size_t kKeyReach = 24;
    static inline void PreparePadded(PreparedWord& into, const char* word, std::size_t length);

    // Loads what the lookups of a run of words will read: the cache slots (and
    // prefetches the entries they name), then for the words the cache does not name
    // their chain heads (hashing them), then the entries these name and the rest of
    // their texts. Each pass is a tight loop of
    // loads independent of one another, which the processor overlaps by the dozen;
    // the lookups that follow in AddPrepared then mostly find their memory in the
    // cache. (Prefetch instructions issued a few words ahead of each lookup did not
    // shorten the lookups of a large list measurably; these loads do.)
    void Preload(PreparedWord* words, std::size_t count) const;
    // AddWord for a prepared word, whose NUL is now in place.
    inline void AddPrepared(const PreparedWord& word);

    // The cache tag of a key; exposed for tests.
    static std::uint32_t TagOf(const Key& key) {
        const std::uint64_t mixed = (key.a ^ std::rotl(key.b, 29) ^ key.c) * 0x9E3779B97F4A7C15ull;
        return static_cast<std::uint32_t>(mixed >> 32);
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
    // GetNextEntry gives, in the order the entries lie in memory rather than by
    // bucket: for a caller that sorts the words anyway, a walk of millions of them
    // then reads its memory in sequence. The store must not change meanwhile.
    template <typename Visit>
    void ForEachEntry(Visit visit) const;

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
    };
    static_assert(sizeof(Entry) == 24);

    // The chain heads of one table. A fixed array of kBucketCount heads takes 32 MB,
    // all of it touched (and zeroed by the system) even by a list of a few thousand
    // words, whose lookups then land on a random page each. So the heads of the
    // buckets in use are first kept in a small open-addressing map keyed by bucket
    // number, which doubles as it fills; a list of more than about 49,000 buckets
    // moves to the array, which serves large lists faster than any map. Either way
    // a bucket that never held an entry reads as empty, and the order of the
    // buckets is kept by a bitmap.
    struct HeadSlot {
        std::uint32_t key;   // bucket + 1; 0 marks a free slot
        std::uint32_t head;  // first entry of the chain, 0 when the chain is empty
    };
    static constexpr unsigned kFirstSlotBits = 12;
    // 64K slotArray, 512 KB: beyond that the map would stop fitting the caches that make
    // it worth its probing, and the array takes over.
    static constexpr unsigned kLastSlotBits = 16;
    static constexpr std::uint32_t kBitmapWords = (kBucketCount + 63) / 64;
    static constexpr std::uint32_t kSummaryWords = (kBitmapWords + 63) / 64;

    struct Table {
        // Exactly one of slotArray and flat is set while the table is allocated; both
        // are nullptr once it has been emptied.
        HeadSlot* slotArray = nullptr;
        unsigned slotBits = 0;
        std::uint32_t slotsUsed = 0;
        std::uint32_t* flat = nullptr;  // kBucketCount heads
        // One bit per bucket that has held an entry since the table was allocated,
        // and one bit per word of that bitmap with any bit set: iteration finds the
        // next bucket in use without reading the heads of the empty ones.
        std::uint64_t* usedBuckets = nullptr;
        std::uint64_t* usedSummary = nullptr;
        std::int32_t entryCount = 0;
        std::uint32_t freeList = 0;
        std::uint32_t carved = 0;  // entries handed out of the slabs as blocks so far
        std::vector<Entry*> slabs;

        bool Allocated() const { return usedBuckets != nullptr; }
        Entry& At(std::uint32_t index) const {
            return slabs[index >> kSlabShift][index & kSlabMask];
        }

        std::uint32_t SlotOf(std::uint32_t bucket) const {
            return ((bucket + 1) * 0x9E3779B1u) >> (32 - slotBits);
        }
        // The chain of the bucket; 0 when it is empty or the table is not allocated.
        std::uint32_t Head(std::uint32_t bucket) const {
            if (flat != nullptr)
                return flat[bucket];
            if (slotArray == nullptr)
                return 0;
            const std::uint32_t mask = (1u << slotBits) - 1;
            for (std::uint32_t i = SlotOf(bucket);; i = (i + 1) & mask) {
                if (slotArray[i].key == bucket + 1)
                    return slotArray[i].head;
                if (slotArray[i].key == 0)
                    return 0;
            }
        }
        // Where the bucket's head is kept, or nullptr when it never held an entry.
        std::uint32_t* FindHead(std::uint32_t bucket) const {
            if (flat != nullptr)
                return &flat[bucket];
            if (slotArray == nullptr)
                return nullptr;
            const std::uint32_t mask = (1u << slotBits) - 1;
            for (std::uint32_t i = SlotOf(bucket);; i = (i + 1) & mask) {
                if (slotArray[i].key == bucket + 1)
                    return &slotArray[i].head;
                if (slotArray[i].key == 0)
                    return nullptr;
            }
        }
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
    // The hash of a word of at most kKeyBytes bytes, from its key.
    static inline std::uint32_t HashOfKey(const Key& key, std::size_t length);

    // The key of a word of the given length; reads no byte beyond word[length].
    static Key KeyOf(const char* word, std::size_t length);
    // The same without a branch on the length, for a word followed by at least
    // kKeyReach readable bytes counted from its first byte.
    static Key KeyOfPadded(const char* word, std::size_t length);
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
    // every entry has occurred at least once.
    static void Count(Entry& entry) { entry.count += entry.count != UINT32_MAX; }
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

    // Where the bucket's head is kept, made when missing (the map may grow); valid
    // until the next call. Marks the bucket as in use.
    static std::uint32_t& HeadFor(Table& table, std::uint32_t bucket);
    static void GrowSlots(Table& table);
    static void MoveToFlat(Table& table);

    void AllocateHeads(Table& table);
    void EmptyTable(Table& table);
    std::uint32_t NewEntry(Table& table);
    void AddBlock(Table& table);
    // Enters a word whose text lies at offset in the arena being filled; returns its
    // entry.
    std::uint32_t Insert(Table& table, const Key& key, std::size_t offset, std::uint32_t bucket,
                         std::uint32_t count);
    // AddWord when the word's copy would reach the arena's end: grows, or after a
    // failed growth counts the word only if it is present already.
    void AddWordNearEnd(const char* word, std::size_t length, std::uint32_t hash);
    // Looks a NUL-terminated word up; nullptr when absent.
    Entry* Find(const char* word, std::uint32_t bucket) const;
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
    std::uint32_t growthStep_;
    std::uint32_t capacity_ = 0;
    char* arena_ = nullptr;
    std::size_t writePos_ = 0;
    Table tableA_;
    Table tableB_;
    Table* current_ = &tableA_;
    CacheSlot* cache_ = nullptr;  // 1 << kCacheBits slots
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
// The first and the last sizeof(Word) bytes of n, which overlap when n is less than
// twice that: sizeof(Word) <= n <= 2 * sizeof(Word).
template <typename Word>
inline void CopyEnds(char* to, const char* from, std::size_t n) {
    Word head, tail;
    std::memcpy(&head, from, sizeof(Word));
    std::memcpy(&tail, from + n - sizeof(Word), sizeof(Word));
    std::memcpy(to, &head, sizeof(Word));
    std::memcpy(to + n - sizeof(Word), &tail, sizeof(Word));
}

template <typename Word>
inline bool EqualEnds(const char* a, const char* b, std::size_t n) {
    Word a1, a2, b1, b2;
    std::memcpy(&a1, a, sizeof(Word));
    std::memcpy(&b1, b, sizeof(Word));
    std::memcpy(&a2, a + n - sizeof(Word), sizeof(Word));
    std::memcpy(&b2, b + n - sizeof(Word), sizeof(Word));
    return ((a1 ^ b1) | (a2 ^ b2)) == 0;
}

inline void CopyShort(char* to, const char* from, std::size_t n) {
    if (n >= 8 && n <= 16)
        CopyEnds<std::uint64_t>(to, from, n);
    else if (n >= 4 && n < 8)
        CopyEnds<std::uint32_t>(to, from, n);
    else
        std::memcpy(to, from, n);
}

inline bool EqualShort(const char* a, const char* b, std::size_t n) {
    if (n >= 8 && n <= 16)
        return EqualEnds<std::uint64_t>(a, b, n);
    if (n >= 4 && n < 8)
        return EqualEnds<std::uint32_t>(a, b, n);
    if (n >= 2 && n < 4)
        return EqualEnds<std::uint16_t>(a, b, n);
    return std::memcmp(a, b, n) == 0;
}

}  // namespace detail

inline std::uint32_t WordStore::NewEntry(Table& table) {
    if (table.freeList == 0)
        AddBlock(table);
    const std::uint32_t index = table.freeList;
    table.freeList = table.At(index).next;
    ++table.entryCount;
    return index;
}

inline WordStore::Key WordStore::KeyOf(const char* word, std::size_t length) {
    static_assert(std::endian::native == std::endian::little,
                  "keys hold the first byte in the lowest bits");
    // Loads of 2, 4 or 8 bytes that stay within the word and its NUL; the bytes of
    // an overlapping tail load that belong to the head are shifted out.
    auto load64 = [](const char* at) {
        std::uint64_t v;
        std::memcpy(&v, at, 8);
        return v;
    };
    auto load32 = [](const char* at) {
        std::uint32_t v;
        std::memcpy(&v, at, 4);
        return v;
    };
    Key key{0, 0, 0};
    if (length >= kKeyBytes) {
        key.a = load64(word);
        key.b = load64(word + 8);
        key.c = load32(word + 16);
    } else if (length >= 16) {
        key.a = load64(word);
        key.b = load64(word + 8);
        key.c = static_cast<std::uint32_t>(std::uint64_t{load32(word + length - 4)} >>
                                           (8 * (kKeyBytes - length)));
    } else if (length > 8) {
        key.a = load64(word);
        key.b = load64(word + length - 8) >> (8 * (16 - length));
    } else if (length >= 4) {
        const std::uint64_t tail = std::uint64_t{load32(word + length - 4)} >> (8 * (8 - length));
        key.a = load32(word) | (tail << 32);
    } else if (length > 0) {
        // word[length] is the NUL, so word[1] may always be read.
        std::uint16_t head;
        std::memcpy(&head, word, 2);
        key.a = head;
        if (length == 3)
            key.a |= std::uint64_t{static_cast<unsigned char>(word[2])} << 16;
    }
    return key;
}

namespace detail {

// Per length 0..20, the bits of the three key words that hold the word's own bytes.
struct KeyMask {
    std::uint64_t a, b;
    std::uint32_t c;
};

constexpr std::uint64_t LowBytes64(std::size_t bytes) {
    return bytes >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * bytes)) - 1;
}

struct KeyMasks {
    KeyMask masks[21];
    constexpr KeyMasks() : masks() {
        for (std::size_t length = 0; length <= 20; ++length) {
            masks[length].a = LowBytes64(length);
            masks[length].b = LowBytes64(length > 8 ? length - 8 : 0);
            masks[length].c = static_cast<std::uint32_t>(LowBytes64(length > 16 ? length - 16 : 0));
        }
    }
};

inline constexpr KeyMasks kKeyMasks{};

// HashPadded: Horner's rule over a fixed 20 bytes, the bytes past the word being 0,
// gives the hash times 33^(20 - length); 33 is odd, so that factor has an inverse
// modulo 2^32 and one multiplication takes it out. The 20 steps are done pairwise in
// the lanes of 64-bit words, so the work is the same for every length.
constexpr std::uint32_t Power33(unsigned exponent) {
    std::uint32_t power = 1;
    while (exponent-- > 0)
        power *= 33u;
    return power;
}

constexpr std::uint32_t kInverse33 = [] {
    std::uint32_t inverse = 33u;  // Newton's iteration doubles the good bits each time
    for (int i = 0; i < 5; ++i)
        inverse *= 2u - 33u * inverse;
    return inverse;
}();
static_assert(33u * kInverse33 == 1u);

struct Unpowers {
    std::uint32_t values[21];
    constexpr Unpowers() : values() {
        std::uint32_t value = 1;
        for (auto& v : values) {
            v = value;
            value *= kInverse33;
        }
    }
};
inline constexpr Unpowers kUnpowers{};

// Horner's rule over the 8 bytes of x, the lowest byte first.
inline std::uint32_t Horner8(std::uint64_t x) {
    constexpr std::uint64_t kBytes = 0x00FF00FF00FF00FFull;
    constexpr std::uint64_t kPairs = 0x0000FFFF0000FFFFull;
    const std::uint64_t pairs = (x & kBytes) * 33u + ((x >> 8) & kBytes);
    const std::uint64_t quads = (pairs & kPairs) * Power33(2) + ((pairs >> 16) & kPairs);
    return static_cast<std::uint32_t>(quads) * Power33(4) + static_cast<std::uint32_t>(quads >> 32);
}

inline std::uint32_t Horner4(std::uint32_t x) {
    const std::uint32_t pairs = (x & 0x00FF00FFu) * 33u + ((x >> 8) & 0x00FF00FFu);
    return (pairs & 0xFFFFu) * Power33(2) + (pairs >> 16);
}

}  // namespace detail

inline std::uint32_t WordStore::HashOfKey(const Key& key, std::size_t length) {
    static_assert(kHashSeed == 0, "the lane arithmetic starts from 0");
    const std::uint32_t padded = detail::Horner8(key.a) * detail::Power33(12) +
                                 detail::Horner8(key.b) * detail::Power33(4) +
                                 detail::Horner4(key.c);
    return padded * detail::kUnpowers.values[kKeyBytes - length];
}

inline std::uint32_t WordStore::HashPadded(const char* word, std::size_t length) {
    return HashOfKey(KeyOfPadded(word, length), length);
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

inline WordStore::Key WordStore::KeyOfPadded(const char* word, std::size_t length) {
    const detail::KeyMask& mask = detail::kKeyMasks.masks[length < kKeyBytes ? length : kKeyBytes];
    Key key;
    std::memcpy(&key.a, word, 8);
    std::memcpy(&key.b, word + 8, 8);
    std::memcpy(&key.c, word + 16, 4);
    key.a &= mask.a;
    key.b &= mask.b;
    key.c &= mask.c;
    return key;
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
            if (entries[i].count != 0)
                visit(TextOf(entries[i]), entries[i].count, __builtin_bswap64(entries[i].keyA));
        }
    }
}

}  // namespace tarvolen
