#include "collect/word_store.h"

#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <new>
#include <string>

#include "util/messages.h"

namespace tarvolen {

namespace {

// Anonymous private mappings with no swap reservation: pages cost nothing until
// a word is written to them, so a 180 MiB arena is cheap for a short list.
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

// The chain heads take 64 MB and every lookup lands on a random one of them. Fresh
// anonymous pages are zero and cost nothing until touched; huge pages, where the
// system grants them on request, spare the lookups most of their TLB misses.
constexpr std::size_t kHugePage = 2u << 20;
constexpr std::size_t kHeadsBytes =
    (WordStore::kBucketCount * sizeof(void*) + kHugePage - 1) / kHugePage * kHugePage;

void* MapHeads() {
    const std::size_t mapped = kHeadsBytes + kHugePage;
    void* block = mmap(nullptr, mapped, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (block == MAP_FAILED)
        return nullptr;
    // Trim to a huge-page boundary at both ends.
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start)
        munmap(block, aligned - start);
    const std::uintptr_t tail = aligned + kHeadsBytes;
    if (start + mapped > tail)
        munmap(reinterpret_cast<void*>(tail), start + mapped - tail);
    void* heads = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    madvise(heads, kHeadsBytes, MADV_HUGEPAGE);
#endif
    return heads;
}

void UnmapHeads(void* heads) {
    if (heads != nullptr)
        munmap(heads, kHeadsBytes);
}

// Marks the start of an iteration; its address is never an entry's.
constexpr char kStartMarker = 0;

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
    AllocateHeads(tableA_);
    AllocateHeads(tableB_);
}

WordStore::~WordStore() {
    memory_.Release(arena_, capacity_);
    EmptyTable(tableB_);
    EmptyTable(tableA_);
}

std::uint32_t WordStore::Hash(const char* word, std::size_t length) {
    std::uint32_t hash = kHashSeed;
    for (std::size_t i = 0; i < length; ++i) {
        hash = HashStep(hash, static_cast<unsigned char>(word[i]));
    }
    return hash;
}

void WordStore::AllocateHeads(Table& table) {
    table.heads = static_cast<Entry**>(MapHeads());
    table.usedGroups = static_cast<std::uint64_t*>(std::calloc(kGroupWords, sizeof(std::uint64_t)));
    if (table.heads == nullptr || table.usedGroups == nullptr) {
        UnmapHeads(table.heads);
        std::free(table.usedGroups);
        table.heads = nullptr;
        table.usedGroups = nullptr;
        throw std::bad_alloc();
    }
}

void WordStore::EmptyTable(Table& table) {
    UnmapHeads(table.heads);
    table.heads = nullptr;
    std::free(table.usedGroups);
    table.usedGroups = nullptr;
    for (Entry* block : table.blocks)
        delete[] block;
    table.blocks.clear();
    table.blocks.shrink_to_fit();
    table.freeList = nullptr;
    table.entryCount = 0;
}

void WordStore::AddBlock(Table& table) {
    // Room first, so that a failed push_back cannot leak the new block.
    if (table.blocks.size() == table.blocks.capacity()) {
        table.blocks.reserve(std::max<std::size_t>(64, table.blocks.size() * 2));
    }
    Entry* block = new Entry[kBlockSize];
    table.blocks.push_back(block);
    for (int i = 0; i < kBlockSize - 1; ++i)
        block[i].next = &block[i + 1];
    block[kBlockSize - 1].next = table.freeList;
    table.freeList = block;
}

void WordStore::Insert(Table& table, const char* text, std::uint32_t bucket, std::uint32_t count) {
    if (table.heads == nullptr)
        AllocateHeads(table);
    Entry* entry = NewEntry(table);
    entry->word = text;
    entry->bucket = bucket;
    entry->count = count;
    entry->next = table.heads[bucket];
    table.heads[bucket] = entry;
    MarkUsed(table, bucket);
}

WordStore::Entry* WordStore::Find(const char* word, std::uint32_t bucket) const {
    if (current_->heads == nullptr)
        return nullptr;
    for (Entry* entry = current_->heads[bucket]; entry != nullptr; entry = entry->next) {
        if (std::strcmp(entry->word, word) == 0)
            return entry;
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
        const Entry* entry = Advance(pos);
        const std::size_t n = std::strlen(entry->word) + 1;
        char* text = newArena + newWritePos;
        std::memcpy(text, entry->word, n);
        newWritePos += n;
        Insert(target, text, entry->bucket, entry->count);
    }

    memory_.Release(arena_, capacity_);
    arena_ = newArena;
    capacity_ = newCapacity;
    writePos_ = newWritePos;
    EmptyTable(*current_);
    current_ = &target;
    return true;
}

void WordStore::RemoveWord(const char* word) {
    Table& table = *current_;
    if (table.heads == nullptr)
        return;
    const std::uint32_t bucket = Hash(word, std::strlen(word)) % kBucketCount;
    for (Entry** link = &table.heads[bucket]; *link != nullptr; link = &(*link)->next) {
        Entry* entry = *link;
        if (std::strcmp(entry->word, word) != 0)
            continue;
        *link = entry->next;
        entry->next = table.freeList;
        table.freeList = entry;
        if (--table.entryCount == 0)
            EmptyTable(table);
        return;
    }
}

void WordStore::Clear() {
    EmptyTable(*current_);
    writePos_ = 0;
    growthFailed_ = false;
}

const WordStore::Entry* WordStore::FirstEntryFrom(std::uint32_t bucket) const {
    const Table& table = *current_;
    if (table.heads == nullptr)
        return nullptr;
    while (bucket < kBucketCount) {
        const std::uint32_t group = bucket >> kGroupShift;
        const std::uint64_t bits =
            table.usedGroups[group >> 6] & (~std::uint64_t{0} << (group & 63));
        if (bits == 0) {
            bucket = ((group >> 6) + 1) << (kGroupShift + 6);
            continue;
        }
        const std::uint32_t usedGroup =
            (group & ~63u) + static_cast<std::uint32_t>(std::countr_zero(bits));
        const std::uint32_t last = std::min(kBucketCount, (usedGroup + 1) << kGroupShift);
        for (bucket = std::max(bucket, usedGroup << kGroupShift); bucket < last; ++bucket) {
            if (table.heads[bucket] != nullptr)
                return table.heads[bucket];
        }
    }
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

const WordStore::Entry* WordStore::Advance(Position& pos) const {
    const Entry* entry =
        pos.at == &kStartMarker ? FirstEntryFrom(0) : static_cast<const Entry*>(pos.at);
    if (entry == nullptr) {
        pos.at = nullptr;
        return nullptr;
    }
    // The successor is fixed now, so the caller may remove the entry just returned.
    pos.at = entry->next != nullptr ? entry->next : FirstEntryFrom(entry->bucket + 1);
    return entry;
}

void WordStore::GetNextWord(Position& pos, std::string& word, std::uint32_t& count) const {
    std::string_view view;
    GetNextEntry(pos, view, count);
    word.assign(view);
}

void WordStore::GetNextEntry(Position& pos, std::string_view& word, std::uint32_t& count) const {
    const Entry* entry = Advance(pos);
    if (entry == nullptr) {
        word = {};
        count = 0;
        return;
    }
    word = entry->word;
    count = entry->count;
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
