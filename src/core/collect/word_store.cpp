#include "core/collect/word_store.h"

#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <new>
#include <string>

#include "core/util/messages.h"

namespace tarvolen {

namespace {

// Anonymous private mappings with no swap reservation: pages cost nothing until
// a word is written to them, so a 180 MiB arena is cheap for a short list. (Huge
// pages, as the heads and entries have, measured no faster here once lookups were
// loaded ahead in batches, and made filling an empty store with new words slower.)
class MappedArenaMemory : public ArenaMemory {
  public:
    char* Obtain(std::size_t bytes) override {
        void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        return block == MAP_FAILED ? nullptr : static_cast<char*>(block);
    }
    void Release(char* block, std::size_t bytes) override {
        if (block != nullptr)
            munmap(block, bytes);
    }
};

// The chain heads take 32 MB and every lookup lands on a random one of them. Fresh
// anonymous pages are zero and cost nothing until touched; huge pages, where the
// system grants them on request, spare the lookups most of their TLB misses.
constexpr std::size_t kHugePage = 2u << 20;

constexpr std::size_t RoundToHugePages(std::size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

constexpr std::size_t kHeadsBytes =
    RoundToHugePages(WordStore::kBucketCount * sizeof(std::uint32_t));

// A mapping of `bytes` (a multiple of kHugePage) that starts on a huge-page boundary.
void* MapHugeAligned(std::size_t bytes) {
    const std::size_t mapped = bytes + kHugePage;
    void* block = mmap(nullptr, mapped, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (block == MAP_FAILED)
        return nullptr;
    // Trim to a huge-page boundary at both ends.
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start)
        munmap(block, aligned - start);
    const std::uintptr_t tail = aligned + bytes;
    if (start + mapped > tail)
        munmap(reinterpret_cast<void*>(tail), start + mapped - tail);
    void* result = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    madvise(result, bytes, MADV_HUGEPAGE);
#endif
    return result;
}

// Marks the start of an iteration; its address is never an entry's.
constexpr char kStartMarker = 0;

// Keeps a value, and so the loads it was made of, from being optimised away.
inline void KeepValue(std::uint64_t value) {
#if defined(__GNUC__)
    asm volatile("" : : "r"(value));
#else
    static volatile std::uint64_t sink;
    sink = value;
#endif
}

}  // namespace

ArenaMemory& SystemArenaMemory() {
    static MappedArenaMemory memory;
    return memory;
}

WordStore::WordStore(MessagePort& messages) : WordStore(messages, Options{}) {}

WordStore::WordStore(MessagePort& messages, const Options& options)
    : messages_(messages),
      memory_(options.memory != nullptr ? *options.memory : SystemArenaMemory()),
      growthStep_(options.growthStep) {
    capacity_ = options.initialCapacity;
    arena_ = memory_.Obtain(capacity_);
    if (arena_ == nullptr) {
        capacity_ /= 2;
        arena_ = memory_.Obtain(capacity_);
    }
    if (arena_ == nullptr) {
        messages_.ShowMessage(kNoArenaText, MessageIcon::Stop);
        std::exit(0);
    }
    // calloc maps an array this size lazily, so untouched slots cost no memory.
    cache_ = static_cast<CacheSlot*>(std::calloc(std::size_t{1} << kCacheBits, sizeof(CacheSlot)));
    if (cache_ == nullptr) {
        memory_.Release(arena_, capacity_);
        throw std::bad_alloc();
    }
    AllocateHeads(tableA_);
    AllocateHeads(tableB_);
}

WordStore::~WordStore() {
    std::free(cache_);
    memory_.Release(arena_, capacity_);
    EmptyTable(tableB_);
    EmptyTable(tableA_);
}

void WordStore::ForgetCache() {
    std::memset(cache_, 0, (std::size_t{1} << kCacheBits) * sizeof(CacheSlot));
}

std::uint32_t WordStore::Hash(const char* word, std::size_t length) {
    std::uint32_t hash = kHashSeed;
    for (std::size_t i = 0; i < length; ++i) {
        hash = HashStep(hash, static_cast<unsigned char>(word[i]));
    }
    return hash;
}

void WordStore::AllocateHeads(Table& table) {
    table.usedBuckets =
        static_cast<std::uint64_t*>(std::calloc(kBitmapWords, sizeof(std::uint64_t)));
    table.usedSummary =
        static_cast<std::uint64_t*>(std::calloc(kSummaryWords, sizeof(std::uint64_t)));
    table.slotArray =
        static_cast<HeadSlot*>(std::calloc(std::size_t{1} << kFirstSlotBits, sizeof(HeadSlot)));
    table.slotBits = kFirstSlotBits;
    table.slotsUsed = 0;
    if (table.usedBuckets == nullptr || table.usedSummary == nullptr ||
        table.slotArray == nullptr) {
        std::free(table.usedBuckets);
        std::free(table.usedSummary);
        std::free(table.slotArray);
        table.usedBuckets = nullptr;
        table.usedSummary = nullptr;
        table.slotArray = nullptr;
        throw std::bad_alloc();
    }
}

void WordStore::GrowSlots(Table& table) {
    const unsigned bits = table.slotBits + 1;
    auto* slotArray = static_cast<HeadSlot*>(std::calloc(std::size_t{1} << bits, sizeof(HeadSlot)));
    if (slotArray == nullptr)
        throw std::bad_alloc();
    HeadSlot* old = table.slotArray;
    const std::uint32_t oldSize = 1u << table.slotBits;
    table.slotArray = slotArray;
    table.slotBits = bits;
    table.slotsUsed = 0;
    const std::uint32_t mask = (1u << bits) - 1;
    // Buckets whose chains were emptied by removals are left behind.
    for (std::uint32_t i = 0; i < oldSize; ++i) {
        if (old[i].key == 0 || old[i].head == 0)
            continue;
        std::uint32_t at = table.SlotOf(old[i].key - 1);
        while (slotArray[at].key != 0)
            at = (at + 1) & mask;
        slotArray[at] = old[i];
        ++table.slotsUsed;
    }
    std::free(old);
}

void WordStore::MoveToFlat(Table& table) {
    auto* flat = static_cast<std::uint32_t*>(MapHugeAligned(kHeadsBytes));
    if (flat == nullptr)
        throw std::bad_alloc();
    const std::uint32_t size = 1u << table.slotBits;
    for (std::uint32_t i = 0; i < size; ++i) {
        if (table.slotArray[i].key != 0)
            flat[table.slotArray[i].key - 1] = table.slotArray[i].head;
    }
    std::free(table.slotArray);
    table.slotArray = nullptr;
    table.slotBits = 0;
    table.slotsUsed = 0;
    table.flat = flat;
}

std::uint32_t& WordStore::HeadFor(Table& table, std::uint32_t bucket) {
    table.usedBuckets[bucket >> 6] |= std::uint64_t{1} << (bucket & 63);
    table.usedSummary[bucket >> 12] |= std::uint64_t{1} << ((bucket >> 6) & 63);
    if (table.flat != nullptr)
        return table.flat[bucket];
    if (std::uint32_t* head = table.FindHead(bucket))
        return *head;
    // A new bucket: keep the map at most three quarters full.
    if ((table.slotsUsed + 1) * 4 > (3u << table.slotBits)) {
        if (table.slotBits >= kLastSlotBits) {
            MoveToFlat(table);
            return table.flat[bucket];
        }
        GrowSlots(table);
    }
    const std::uint32_t mask = (1u << table.slotBits) - 1;
    std::uint32_t at = table.SlotOf(bucket);
    while (table.slotArray[at].key != 0)
        at = (at + 1) & mask;
    table.slotArray[at].key = bucket + 1;
    table.slotArray[at].head = 0;
    ++table.slotsUsed;
    return table.slotArray[at].head;
}

namespace {
constexpr std::size_t kSlabBytes = RoundToHugePages((std::size_t{1} << 20) * 24);
}  // namespace

void WordStore::EmptyTable(Table& table) {
    if (table.flat != nullptr)
        munmap(table.flat, kHeadsBytes);
    table.flat = nullptr;
    std::free(table.slotArray);
    table.slotArray = nullptr;
    table.slotBits = 0;
    table.slotsUsed = 0;
    std::free(table.usedBuckets);
    table.usedBuckets = nullptr;
    std::free(table.usedSummary);
    table.usedSummary = nullptr;
    for (Entry* slab : table.slabs)
        munmap(slab, kSlabBytes);
    table.slabs.clear();
    table.slabs.shrink_to_fit();
    table.freeList = 0;
    table.carved = 0;
    table.entryCount = 0;
}

void WordStore::AddBlock(Table& table) {
    static_assert(kSlabBytes == std::size_t{kSlabEntries} * sizeof(Entry));
    // Index 0 means "none", so the first slab starts handing out at 1; a block never
    // straddles two slabs.
    std::uint32_t first = table.carved == 0 ? 1 : table.carved;
    if ((first & kSlabMask) + kBlockSize > kSlabEntries || table.slabs.empty()) {
        if (!table.slabs.empty())
            first = static_cast<std::uint32_t>(table.slabs.size()) << kSlabShift;
        if (table.slabs.size() >= (std::size_t{1} << (32 - kSlabShift)))
            throw std::bad_alloc();
        table.slabs.reserve(table.slabs.size() + 1);
        void* slab = MapHugeAligned(kSlabBytes);
        if (slab == nullptr)
            throw std::bad_alloc();
        table.slabs.push_back(static_cast<Entry*>(slab));
    }
    for (std::uint32_t i = 0; i < kBlockSize - 1; ++i)
        table.At(first + i).next = first + i + 1;
    table.At(first + kBlockSize - 1).next = table.freeList;
    table.freeList = first;
    table.carved = first + kBlockSize;
}

std::uint32_t WordStore::Insert(Table& table, const Key& key, std::size_t offset,
                                std::uint32_t bucket, std::uint32_t count) {
    if (!table.Allocated())
        AllocateHeads(table);
    std::uint32_t& head = HeadFor(table, bucket);
    const std::uint32_t index = NewEntry(table);
    Entry& entry = table.At(index);
    SetKey(entry, key);
    entry.text = static_cast<std::uint32_t>(offset);
    entry.count = count;
    entry.next = head;
    head = index;
    return index;
}

WordStore::Entry* WordStore::Find(const char* word, std::uint32_t bucket) const {
    const Table& table = *current_;
    for (std::uint32_t index = table.Head(bucket); index != 0;) {
        Entry& entry = table.At(index);
        if (std::strcmp(arena_ + entry.text, word) == 0)
            return &entry;
        index = entry.next;
    }
    return nullptr;
}

void WordStore::AddWord(const char* word) {
    const std::size_t length = std::strlen(word);
    AddWord(word, length, Hash(word, length));
}

void WordStore::AddWord(const char* word, std::size_t length) {
    AddWord(word, length, Hash(word, length));
}

void WordStore::AddOccurrences(const char* word, std::size_t length, std::uint32_t count) {
    if (count == 0)
        return;
    const std::uint32_t hash = Hash(word, length);
    const std::size_t n = length + 1;
    if (writePos_ + n >= capacity_) {
        // A growth, or no room at all: the way of single words, then the rest.
        AddWord(word, length, hash);
        if (Entry* entry = count > 1 ? Find(word, hash % kBucketCount) : nullptr)
            entry->count = SaturatingSum(entry->count, count - 1);
        return;
    }
    Table& table = *current_;
    const Key key = KeyOf(word, length);
    const std::uint32_t bucket = hash % kBucketCount;
    for (std::uint32_t index = table.Head(bucket); index != 0;) {
        Entry& entry = table.At(index);
        if (Matches(entry, key, word, length)) {
            entry.count = SaturatingSum(entry.count, count);
            return;
        }
        index = entry.next;
    }
    detail::CopyShort(arena_ + writePos_, word, n);
    Insert(table, key, writePos_, bucket, count);
    writePos_ += n;
}

void WordStore::AddUncached(const char* word, std::size_t length, const Key& key, std::uint32_t tag,
                            std::uint32_t hash) {
    const std::size_t n = length + 1;
    if (writePos_ + n >= capacity_) {
        AddWordNearEnd(word, length, hash);
        return;
    }
    Table& table = *current_;
    CacheSlot& slot = cache_[CacheSlotOf(tag)];
    const std::uint32_t bucket = hash % kBucketCount;
    for (std::uint32_t index = table.Head(bucket); index != 0;) {
        Entry& entry = table.At(index);
        if (Matches(entry, key, word, length)) {
            Count(entry);
            slot = {tag, index};
            return;
        }
        index = entry.next;
    }
    // New: the copy at the free end of the arena becomes its stored text. It is made
    // only now, so a known word, the common case, writes nothing.
    detail::CopyShort(arena_ + writePos_, word, n);
    slot = {tag, Insert(table, key, writePos_, bucket, 1)};
    writePos_ += n;
}

void WordStore::Preload(PreparedWord* words, std::size_t count) const {
    constexpr std::size_t kRun = 256;
    const Table& table = *current_;
    std::uint32_t index[kRun];
    std::uint16_t missed[kRun];
    std::uint64_t loaded = 0;
    for (std::size_t first = 0; first < count; first += kRun) {
        PreparedWord* const run = words + first;
        const std::size_t n = std::min(kRun, count - first);
        // The words the cache does not name are listed without a branch, so that
        // the next passes run over them alone. The entries the cache names are only
        // prefetched: most are frequent words, near at hand, and a loop of loads
        // over them cost more than it saved.
        std::size_t misses = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const CacheSlot slot = cache_[CacheSlotOf(run[i].tag)];
            index[i] = slot.tag == run[i].tag ? slot.index : 0;
            if (index[i] != 0)
                __builtin_prefetch(&table.At(index[i]));
            missed[misses] = static_cast<std::uint16_t>(i);
            misses += index[i] == 0;
        }
        // The hashing is kept out of the loop of loads: the fewer instructions
        // between two loads, the more of them the processor has in flight.
        for (std::size_t k = 0; k < misses; ++k) {
            PreparedWord& word = run[missed[k]];
            if (!word.hashed) {
                word.hash = HashOfKey(word.key, word.length);
                word.hashed = true;
            }
            index[missed[k]] = word.hash % kBucketCount;
        }
        for (std::size_t k = 0; k < misses; ++k)
            index[missed[k]] = table.Head(index[missed[k]]);
        for (std::size_t k = 0; k < misses; ++k) {
            if (const std::uint32_t at = index[missed[k]]) {
                // The key and the count: an entry may straddle two lines.
                const Entry& entry = table.At(at);
                loaded += entry.keyA + entry.count;
            }
        }
        for (std::size_t k = 0; k < misses; ++k) {
            const std::uint32_t at = index[missed[k]];
            if (at != 0 && run[missed[k]].length >= kInlineBytes)
                loaded += static_cast<unsigned char>(arena_[table.At(at).text + kInlineBytes]);
        }
    }
    KeepValue(loaded);
}

void WordStore::AddWordNearEnd(const char* word, std::size_t length, std::uint32_t hash) {
    const std::size_t n = length + 1;
    std::string keep;
    if (word >= arena_ && word < arena_ + capacity_) {
        // A growth releases the arena; keep a word that was read from it.
        keep.assign(word, length);
        word = keep.c_str();
    }
    if (!growthFailed_ && !Grow()) {
        // Shown once: until Clear, the store keeps counting what it holds and
        // drops new words that do not fit, instead of asking on every word.
        growthFailed_ = true;
        messages_.ShowMessage(kGrowthFailedText, MessageIcon::Warning);
    }
    if (writePos_ + n < capacity_) {
        AddWord(word, length, hash);
        return;
    }
    // No room for a copy: only a word already present can be counted.
    if (Entry* entry = Find(word, hash % kBucketCount))
        entry->count += entry->count != UINT32_MAX;
}

bool WordStore::Grow() {
    if (capacity_ > UINT32_MAX - growthStep_)
        return false;
    const std::uint32_t newCapacity = capacity_ + growthStep_;
    char* newArena = memory_.Obtain(newCapacity);
    if (newArena == nullptr)
        return false;

    Table& target = current_ == &tableA_ ? tableB_ : tableA_;
    std::size_t newWritePos = 0;
    Position pos = GetStartPosition();
    while (!(pos == EndPosition())) {
        std::uint32_t bucket = 0;
        const Entry* entry = Advance(pos, bucket);
        const char* old = arena_ + entry->text;
        const std::size_t n = std::strlen(old) + 1;
        char* text = newArena + newWritePos;
        std::memcpy(text, old, n);
        Insert(target, KeyOf(text, n - 1), newWritePos, bucket, entry->count);
        newWritePos += n;
    }
    memory_.Release(arena_, capacity_);
    arena_ = newArena;
    capacity_ = newCapacity;
    writePos_ = newWritePos;
    EmptyTable(*current_);
    current_ = &target;
    ForgetCache();
    return true;
}

void WordStore::RemoveWord(const char* word) {
    Table& table = *current_;
    const std::size_t length = std::strlen(word);
    const std::uint32_t bucket = Hash(word, length) % kBucketCount;
    std::uint32_t* const head = table.FindHead(bucket);
    if (head == nullptr)
        return;
    for (std::uint32_t* link = head; *link != 0; link = &table.At(*link).next) {
        const std::uint32_t index = *link;
        Entry& entry = table.At(index);
        if (std::strcmp(arena_ + entry.text, word) != 0)
            continue;
        *link = entry.next;
        entry.count = 0;  // marks it free for ForEachEntry
        entry.next = table.freeList;
        table.freeList = index;
        // The freed entry still holds the word's key: a slot naming it would count
        // the word there if it came back.
        CacheSlot& slot = cache_[CacheSlotOf(TagOf(KeyOf(word, length)))];
        if (slot.index == index)
            slot = {0, 0};
        if (--table.entryCount == 0)
            EmptyTable(table);
        return;
    }
}

void WordStore::Clear() {
    EmptyTable(*current_);
    ForgetCache();
    writePos_ = 0;
    growthFailed_ = false;
}

const WordStore::Entry* WordStore::FirstEntryFrom(std::uint32_t& bucket) const {
    const Table& table = *current_;
    if (!table.Allocated())
        return nullptr;
    while (bucket < kBucketCount) {
        std::uint32_t word = bucket >> 6;
        std::uint64_t bits = table.usedBuckets[word] & (~std::uint64_t{0} << (bucket & 63));
        if (bits == 0) {
            // The next bitmap word with a bucket in use, by the summary.
            std::uint32_t next = word + 1;
            std::uint64_t summary = 0;
            while (next < kBitmapWords) {
                summary = table.usedSummary[next >> 6] & (~std::uint64_t{0} << (next & 63));
                if (summary != 0)
                    break;
                next = ((next >> 6) + 1) << 6;
            }
            if (next >= kBitmapWords)
                break;
            word = (next & ~63u) + static_cast<std::uint32_t>(std::countr_zero(summary));
            bits = table.usedBuckets[word];
        }
        bucket = (word << 6) + static_cast<std::uint32_t>(std::countr_zero(bits));
        if (const std::uint32_t head = table.Head(bucket))
            return &table.At(head);
        ++bucket;  // emptied by removals
    }
    bucket = kBucketCount;
    return nullptr;
}

WordStore::Position WordStore::GetStartPosition() const {
    Position pos;
    if (Count() > 0)
        pos.at = &kStartMarker;
    return pos;
}

WordStore::Position WordStore::EndPosition() {
    return Position{};
}

const WordStore::Entry* WordStore::Advance(Position& pos, std::uint32_t& bucket) const {
    const Entry* entry;
    if (pos.at == &kStartMarker) {
        bucket = 0;
        entry = FirstEntryFrom(bucket);
    } else {
        bucket = pos.bucket;
        entry = static_cast<const Entry*>(pos.at);
    }
    if (entry == nullptr) {
        pos = EndPosition();
        return nullptr;
    }
    // The successor is fixed now, so the caller may remove the entry just returned.
    if (entry->next != 0) {
        pos.at = &current_->At(entry->next);
        pos.bucket = bucket;
    } else {
        std::uint32_t following = bucket + 1;
        pos.at = FirstEntryFrom(following);
        pos.bucket = pos.at != nullptr ? following : 0;
    }
    return entry;
}

void WordStore::GetNextWord(Position& pos, std::string& word, std::uint32_t& count) const {
    std::string_view view;
    GetNextEntry(pos, view, count);
    word.assign(view);
}

void WordStore::GetNextEntry(Position& pos, std::string_view& word, std::uint32_t& count) const {
    std::uint64_t leadingBytes = 0;
    GetNextEntry(pos, word, count, leadingBytes);
}

void WordStore::GetNextEntry(Position& pos, std::string_view& word, std::uint32_t& count,
                             std::uint64_t& leadingBytes) const {
    std::uint32_t bucket = 0;
    const Entry* entry = Advance(pos, bucket);
    if (entry == nullptr) {
        word = {};
        count = 0;
        leadingBytes = 0;
        return;
    }
    word = TextOf(*entry);
    count = entry->count;
    leadingBytes = __builtin_bswap64(entry->keyA);
}

std::string_view WordStore::TextOf(const Entry& entry) const {
    // The key's bytes are the text's up to its length and 0 after it, and no text
    // holds a 0: the highest byte that is not 0 tells the length.
    auto bytesIn = [](std::uint64_t key) {
        return static_cast<std::size_t>((std::bit_width(key) + 7) / 8);
    };
    std::size_t length;
    if (entry.keyB != 0)
        length = 8 + bytesIn(entry.keyB);
    else
        length = bytesIn(entry.keyA);
    const char* text = arena_ + entry.text;
    if (length >= kInlineBytes)
        length = std::strlen(text);
    return {text, length};
}

bool WordOrder(std::string_view a, std::string_view b) {
    // string_view compares through char_traits<char>, which orders as unsigned char.
    return a.compare(b) < 0;
}

bool FrequencyOrder(std::uint32_t countA, std::string_view a, std::uint32_t countB,
                    std::string_view b) {
    if (countA != countB)
        return countA > countB;
    return WordOrder(a, b);
}

}  // namespace tarvolen
