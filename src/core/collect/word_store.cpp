#include "core/collect/word_store.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>

#include "core/util/mapped_memory.h"
#include "core/util/messages.h"

namespace tarvolen {

namespace {

// The arena stays on small pages: see bench/README.md for what huge pages did here.
class MappedArenaMemory : public ArenaMemory {
  public:
    char* Obtain(std::size_t bytes) override { return MapAnonymous(bytes); }
    void Release(char* block, std::size_t bytes) override { Unmap(block, bytes); }
};

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
      exitStatusWithoutArena_(options.exitStatusWithoutArena),
      growthStep_(options.growthStep) {
    capacity_ = options.initialCapacity;
    arena_ = memory_.Obtain(capacity_);
    if (arena_ == nullptr) {
        capacity_ /= 2;
        arena_ = memory_.Obtain(capacity_);
    }
    if (arena_ == nullptr || !ObtainTables()) {
        messages_.ShowMessage(kNoArenaText, MessageIcon::Stop);
        std::exit(options.exitStatusWithoutArena);
    }
}

// What the store needs besides the arena from the start is small beside it; without
// it the store cannot work either, and says so as for the arena.
bool WordStore::ObtainTables() {
    try {
        // calloc maps an array this size lazily, so untouched slots cost no memory.
        cache_ =
            static_cast<CacheSlot*>(std::calloc(std::size_t{1} << kCacheBits, sizeof(CacheSlot)));
        if (cache_ == nullptr)
            throw std::bad_alloc();
        tableA_.heads.Allocate();
        tableB_.heads.Allocate();
        return true;
    } catch (const std::bad_alloc&) {
        tableA_.heads.Release();
        tableB_.heads.Release();
        std::free(cache_);
        cache_ = nullptr;
        memory_.Release(arena_, capacity_);
        arena_ = nullptr;
        return false;
    }
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

namespace {
constexpr std::size_t kSlabBytes = RoundToHugePages((std::size_t{1} << 20) * 32);
}  // namespace

void WordStore::EmptyTable(Table& table) {
    ++generation_;
    table.heads.Release();
    for (Entry* slab : table.slabs)
        Unmap(slab, kSlabBytes);
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
                                std::uint32_t bucket, std::uint32_t count, std::uint32_t range) {
    if (!table.heads.Allocated())
        table.heads.Allocate();
    std::uint32_t& head = table.heads.HeadFor(bucket);
    const std::uint32_t index = NewEntry(table);
    Entry& entry = table.At(index);
    SetKey(entry, key);
    entry.text = static_cast<std::uint32_t>(offset);
    entry.count = count;
    entry.range = range;
    entry.lastDocument = document_;
    entry.next = head;
    head = index;
    return index;
}

WordStore::Entry* WordStore::Find(const char* word, std::uint32_t bucket) const {
    const Table& table = *current_;
    for (std::uint32_t index = table.heads.Head(bucket); index != 0;) {
        Entry& entry = table.At(index);
        if (std::strcmp(arena_ + entry.text, word) == 0)
            return &entry;
        index = entry.next;
    }
    return nullptr;
}

const WordStore::Entry* WordStore::Lookup(const char* word, std::size_t length) const {
    const Key key = KeyOf(word, length);
    const std::uint32_t bucket = HashOf(word, length, key) % kBucketCount;
    // Matches may read a stored text as far as the word is long; near the arena's end
    // only a comparison that stops at the stored NUL is safe.
    if (writePos_ + length + 1 >= capacity_)
        return Find(word, bucket);
    const Table& table = *current_;
    for (std::uint32_t index = table.heads.Head(bucket); index != 0;) {
        const Entry& entry = table.At(index);
        if (Matches(entry, key, word, length))
            return &entry;
        index = entry.next;
    }
    return nullptr;
}

std::uint32_t WordStore::Occurrences(const char* word, std::size_t length) const {
    const Entry* entry = Lookup(word, length);
    return entry != nullptr ? entry->count : 0;
}

std::uint32_t WordStore::RangeOf(const char* word, std::size_t length) const {
    const Entry* entry = Lookup(word, length);
    return entry != nullptr ? entry->range : 0;
}

void WordStore::BeginDocument() {
    ++documentCount_;
    if (++document_ != 0)
        return;
    // After 4,294,967,295 documents the numbers begin again; no entry may then still
    // name a number that a new document will carry.
    for (Table* table : {&tableA_, &tableB_})
        for (std::uint32_t i = 1; i < table->carved; ++i)
            table->At(i).lastDocument = 0;
    document_ = 1;
}

void WordStore::AddWord(const char* word) {
    const std::size_t length = std::strlen(word);
    AddWord(word, length, Hash(word, length));
}

void WordStore::AddWord(const char* word, std::size_t length) {
    AddWord(word, length, Hash(word, length));
}

void WordStore::AddOccurrences(const char* word, std::size_t length, std::uint32_t count,
                               std::uint32_t range) {
    AddCounted(word, length, count, range, false);
}

void WordStore::AddOccurrencesInDocument(const char* word, std::size_t length, std::uint32_t count,
                                         std::uint32_t range) {
    AddCounted(word, length, count, range, true);
}

void WordStore::AddCounted(const char* word, std::size_t length, std::uint32_t count,
                           std::uint32_t range, bool inDocument) {
    if (count == 0)
        return;
    // The range the occurrences add to an entry last counted in document: one less
    // when they were found in the document being read and that one counted already.
    const auto added = [this, range, inDocument](std::uint32_t document) {
        return range -
               static_cast<std::uint32_t>(inDocument && range != 0 && document == document_);
    };
    const std::uint32_t hash = Hash(word, length);
    const std::size_t n = length + 1;
    if (writePos_ + n >= capacity_) {
        // A growth, or no room at all: the way of single words, then the rest.
        const Entry* before = Lookup(word, length);
        const std::uint32_t rangeBefore = before != nullptr ? before->range : 0;
        const std::uint32_t documentBefore = before != nullptr ? before->lastDocument : 0;
        AddWord(word, length, hash);
        if (Entry* entry = Find(word, hash % kBucketCount)) {
            entry->count = SaturatingSum(entry->count, count - 1);
            entry->range = SaturatingSum(rangeBefore, added(documentBefore));
            entry->lastDocument = inDocument ? document_ : documentBefore;
        }
        return;
    }
    Table& table = *current_;
    const Key key = KeyOf(word, length);
    const std::uint32_t bucket = hash % kBucketCount;
    for (std::uint32_t index = table.heads.Head(bucket); index != 0;) {
        Entry& entry = table.At(index);
        if (Matches(entry, key, word, length)) {
            entry.count = SaturatingSum(entry.count, count);
            entry.range = SaturatingSum(entry.range, added(entry.lastDocument));
            if (inDocument)
                entry.lastDocument = document_;
            return;
        }
        index = entry.next;
    }
    detail::CopyShort(arena_ + writePos_, word, n);
    const std::uint32_t index = Insert(table, key, writePos_, bucket, count, range);
    table.At(index).lastDocument = inDocument ? document_ : 0;
    writePos_ += n;
}

void WordStore::AddWordRepeated(const char* word, std::size_t length, std::uint32_t count) {
    const std::uint32_t hash = Hash(word, length);
    AddWord(word, length, hash);
    if (count > 1) {
        // Absent after a failed growth, as a single AddWord would leave it.
        if (Entry* entry = Find(word, hash % kBucketCount))
            entry->count = SaturatingSum(entry->count, count - 1);
    }
}

std::unique_ptr<WordStore> WordStore::MakeScratch(std::uint32_t capacity) const {
    return std::make_unique<WordStore>(messages_,
                                       Options{.initialCapacity = capacity,
                                               .growthStep = capacity,
                                               .memory = &memory_,
                                               .exitStatusWithoutArena = exitStatusWithoutArena_});
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
    for (std::uint32_t index = table.heads.Head(bucket); index != 0;) {
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
    slot = {tag, Insert(table, key, writePos_, bucket, 1, 1)};
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
        // prefetched: most are frequent words, near at hand already.
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
            index[missed[k]] = table.heads.Head(index[missed[k]]);
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
        Count(*entry);
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
        const std::uint32_t moved =
            Insert(target, KeyOf(text, n - 1), newWritePos, bucket, entry->count, entry->range);
        target.At(moved).lastDocument = entry->lastDocument;
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
    std::uint32_t* const head = table.heads.FindHead(bucket);
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
    ClearWords();
    documentCount_ = 0;
}

void WordStore::ClearWords() {
    EmptyTable(*current_);
    ForgetCache();
    writePos_ = 0;
    growthFailed_ = false;
}

const WordStore::Entry* WordStore::FirstEntryFrom(std::uint32_t& bucket) const {
    const std::uint32_t head = current_->heads.NextHead(bucket);
    return head != 0 ? &current_->At(head) : nullptr;
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

bool WordStore::NextInSweep(Sweep& sweep, std::string_view& word, std::uint32_t& count,
                            std::uint32_t& range, bool& inDocument) const {
    if (sweep.generation != generation_)
        sweep = BeginSweep();
    // As in ForEachEntry: every index below `carved` lies in a slab, and a free entry
    // has a count of 0.
    const Table& table = *current_;
    for (; sweep.index < table.carved; ++sweep.index) {
        const Entry& entry = table.At(sweep.index);
        if (entry.count == 0)
            continue;
        word = TextOf(entry);
        count = entry.count;
        range = entry.range;
        inDocument = document_ != 0 && entry.lastDocument == document_;
        ++sweep.index;
        return true;
    }
    return false;
}

void WordStore::Table::Swap(Table& other) {
    heads.Swap(other.heads);
    std::swap(entryCount, other.entryCount);
    std::swap(freeList, other.freeList);
    std::swap(carved, other.carved);
    slabs.swap(other.slabs);
}

void WordStore::Swap(WordStore& other) {
    assert(&messages_ == &other.messages_ && &memory_ == &other.memory_);
    const bool onA = current_ == &tableA_;
    const bool otherOnA = other.current_ == &other.tableA_;
    tableA_.Swap(other.tableA_);
    tableB_.Swap(other.tableB_);
    current_ = otherOnA ? &tableA_ : &tableB_;
    other.current_ = onA ? &other.tableA_ : &other.tableB_;
    std::swap(exitStatusWithoutArena_, other.exitStatusWithoutArena_);
    std::swap(growthStep_, other.growthStep_);
    std::swap(capacity_, other.capacity_);
    std::swap(arena_, other.arena_);
    std::swap(writePos_, other.writePos_);
    std::swap(cache_, other.cache_);
    std::swap(growthFailed_, other.growthFailed_);
    std::swap(document_, other.document_);
    std::swap(documentCount_, other.documentCount_);
    // Sweeps of either store start over.
    ++generation_;
    ++other.generation_;
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

}  // namespace tarvolen
