#include "core/store/word_store.h"

#include "core/store/store_exchange.h"
#include "core/store/word_batch.h"

#include <algorithm>
#include <cassert>
#include <string>
#include <utility>

namespace tarvolen {

namespace {

// Marks the start of an iteration; its address is never an entry's.
constexpr char kStartMarker = 0;

std::uint32_t SaturatingSum(std::uint32_t a, std::uint32_t b) {
    return b > UINT32_MAX - a ? UINT32_MAX : a + b;
}

}  // namespace

WordStore::WordStore() : WordStore(Options{}) {}

WordStore::WordStore(const Options& options)
    : options_(options),
      memory_(options.memory != nullptr ? *options.memory : SystemArenaMemory()),
      texts_(memory_, options.growthStep),
      entries_(memory_),
      buckets_(memory_, options.initialBuckets) {
    if (!texts_.ObtainFirst(options.initialCapacity) || !cache_.Obtain()) {
        texts_.Release();
        throw Unavailable();
    }
}

WordStore::~WordStore() = default;

void WordStore::EmptyTable() {
    ++generation_;
    entries_.Release();
    buckets_.Release();
    entryCount_ = 0;
    texts_.Rewind();
}

void WordStore::Refused() {
    // Shown once: until Clear, the store keeps counting what it holds and drops new
    // words, instead of asking on every word.
    if (growthFailed_)
        return;
    growthFailed_ = true;
    if (options_.growthRefused)
        options_.growthRefused();
}

std::uint32_t WordStore::Find(const char* word, std::size_t length, const Key& key,
                              std::uint32_t hash) const {
    for (std::uint32_t index = buckets_.Head(buckets_.BucketOf(hash)); index != 0;) {
        const Entry& entry = entries_.At(index);
        if (Matches(entry, key, word, length))
            return index;
        index = entry.next;
    }
    return 0;
}

std::uint32_t WordStore::Insert(const char* word, std::size_t length, const Key& key,
                                std::uint32_t hash, std::uint32_t count, std::uint32_t range,
                                std::uint32_t lastMark) {
    if (growthFailed_ || (!buckets_.Allocated() && !buckets_.Allocate())) {
        Refused();
        return 0;
    }
    const std::uint32_t index = entries_.Take();
    if (index == 0) {
        Refused();
        return 0;
    }
    std::uint32_t text = 0;
    if (length > kInlineBytes) {
        text = texts_.Place(word, length);
        if (text == 0) {
            entries_.At(index).count = 0;
            entries_.Give(index);
            Refused();
            return 0;
        }
    }
    Entry& entry = entries_.At(index);
    entry.keyA = key.a;
    entry.keyB = text == 0 ? key.b : KeyWithText(key.b, text);
    entry.count = count;
    entry.range = range;
    entry.lastMark = lastMark;
    std::uint32_t& head = buckets_.HeadAt(buckets_.BucketOf(hash));
    entry.next = head;
    head = index;
    ++entryCount_;
    cache_.Fit(static_cast<std::size_t>(entryCount_));
    // The word is in either way; a table that cannot double still finds it.
    if (static_cast<std::uint32_t>(entryCount_) > buckets_.Buckets() && !DoubleBuckets())
        Refused();
    return index;
}

bool WordStore::DoubleBuckets() {
    if (!buckets_.Double())
        return false;
    // In memory order: the entries are read in sequence, and only the heads are
    // touched at random. A batch's buckets are worked out first, then its heads
    // loaded in a tight loop whose misses overlap, then linked: mixed with the hashing
    // the loads overlap far less (bench/README.md).
    constexpr std::size_t kBatch = 256;
    Entry* linked[kBatch];
    std::uint32_t indexes[kBatch];
    std::uint32_t* heads[kBatch];
    std::size_t batched = 0;
    const auto link = [&] {
        for (std::size_t k = 0; k < batched; ++k)
            __builtin_prefetch(heads[k], 1);
        for (std::size_t k = 0; k < batched; ++k) {
            linked[k]->next = *heads[k];
            *heads[k] = indexes[k];
        }
        batched = 0;
    };
    entries_.ForEachCarved([&](std::uint32_t index, Entry& entry) {
        if (entry.count == 0)
            return;
        const std::string_view text = TextOf(entry);
        const std::uint32_t hash = !HasText(entry)
                                       ? HashOfKey(Key{entry.keyA, entry.keyB, 0}, text.size())
                                       : HashWord(text.data(), text.size());
        linked[batched] = &entry;
        indexes[batched] = index;
        heads[batched] = &buckets_.HeadAt(buckets_.BucketOf(hash));
        if (++batched == kBatch)
            link();
    });
    link();
    return true;
}

std::uint32_t WordStore::Occurrences(const char* word, std::size_t length) const {
    const Key key = KeyOf(word, length);
    const std::uint32_t index = Find(word, length, key, HashOf(word, length, key));
    return index != 0 ? entries_.At(index).count : 0;
}

std::uint32_t WordStore::RangeOf(const char* word, std::size_t length) const {
    const Key key = KeyOf(word, length);
    const std::uint32_t index = Find(word, length, key, HashOf(word, length, key));
    return index != 0 ? entries_.At(index).range : 0;
}

void WordStore::BeginDocument() {
    ++documentCount_;
    document_ = document_ == UINT32_MAX ? 1 : document_ + 1;
    // A document's last segment, not full, is dropped.
    segmentFilled_ = 0;
    segmentDistinct_ = 0;
    NextMark(true);
}

void WordStore::BeginPart() {
    part_.reset();
    segmentLength_ = 1;
    segmentFilled_ = 0;
    segmentDistinct_ = 0;
    if (mark_ == 0)
        NextMark(false);
    part_ = std::make_unique<PartTally>(mark_);
}

PartSegments WordStore::EndPart() {
    PartSegments part;
    if (part_ != nullptr)
        part = part_->Finish([this](const Entry* entry) { return TextOf(*entry); });
    part_.reset();
    segmentLength_ = kSegmentLength;
    segmentFilled_ = 0;
    segmentDistinct_ = 0;
    return part;
}

void WordStore::EndOfSegment(const Entry& entry, std::uint32_t previous) {
    if (part_ == nullptr) {
        NextSegment();
        return;
    }
    segmentFilled_ = 0;
    // Each call last, so that this keeps no registers of its own across one.
    if (mark_ == UINT32_MAX) [[unlikely]]
        return PartMarksBeginAgain(entry, previous);
    ++mark_;
    part_->Count(&entry, previous);
}

void WordStore::PartMarksBeginAgain(const Entry& entry, std::uint32_t previous) {
    // The words counted so far take their gaps by the marks as they are, and this one
    // a previous mark as far back in the new ones (0: none within reach).
    part_->TallyAll();
    const std::uint32_t gap = part_->GapOf(previous);
    NextMark(false);
    part_->Count(&entry, gap != 0 ? mark_ - 1 - gap : 0);
}

void WordStore::NextSegment() {
    ++segments_.segments;
    segments_.distinct += segmentDistinct_;
    segmentFilled_ = 0;
    segmentDistinct_ = 0;
    NextMark(false);
}

void WordStore::NextMark(bool newDocument) {
    if (++mark_ != 0) {
        if (newDocument)
            documentMark_ = mark_;
        return;
    }
    // After 4,294,967,295 marks they begin again; no entry may then still carry one
    // that a later segment will. What is kept is whether it was counted in the
    // document under way (marked 1, which that document now starts at), and in a part
    // the gaps of the words counted within a segment's reach. A part begins within its
    // document, if any: marks from the part's first on are at or after the document's.
    if (part_ != nullptr) {
        constexpr std::uint32_t kReach = UINT32_MAX - kSegmentLength;
        const std::uint32_t part = part_->FirstMark();
        const std::uint32_t document = documentMark_;
        entries_.ForEachCarved([part, document](std::uint32_t, Entry& entry) {
            const std::uint32_t mark = entry.lastMark;
            entry.lastMark = mark > kReach && mark >= part       ? mark - kReach + 1
                             : document != 0 && mark >= document ? 1
                                                                 : 0;
        });
        // The word being counted took the last mark.
        part_->MarksBeganAgain(part > kReach ? part - kReach + 1 : 2, UINT32_MAX - kReach + 1);
        documentMark_ = documentMark_ != 0 ? 1 : 0;
        mark_ = UINT32_MAX - kReach + 2;
        return;
    }
    const bool keep = !newDocument;
    const std::uint32_t document = documentMark_;
    entries_.ForEachCarved([keep, document](std::uint32_t, Entry& entry) {
        entry.lastMark = keep && entry.lastMark >= document ? 1 : 0;
    });
    documentMark_ = newDocument || documentMark_ != 0 ? 1 : 0;
    mark_ = newDocument ? 1 : 2;
}

void WordStore::AddWord(const char* word) {
    AddWord(word, std::strlen(word));
}

void WordStore::AddWord(const char* word, std::size_t length) {
    WordBatch::AddHashed(*this, word, length, HashWord(word, length));
}

void WordStore::AddOccurrences(const char* word, std::size_t length, std::uint32_t count,
                               std::uint32_t range, Found found) {
    if (count == 0)
        return;
    const Key key = KeyOf(word, length);
    AddCounted(word, length, key, HashWord(word, length), count, range, found);
}

void WordStore::AddCounted(const char* word, std::size_t length, const Key& key, std::uint32_t hash,
                           std::uint32_t count, std::uint32_t range, Found found) {
    const bool inDocument = found == Found::InDocument;
    if (const std::uint32_t index = Find(word, length, key, hash)) {
        AddToEntry(entries_.At(index), count, range, inDocument);
        return;
    }
    Insert(word, length, key, hash, count, range, inDocument ? mark_ : 0);
}

void WordStore::AddToEntry(Entry& entry, std::uint32_t count, std::uint32_t range,
                           bool inDocument) {
    // One less range when the occurrences were found in the document being read and
    // that one counted already.
    const std::uint32_t added = range - static_cast<std::uint32_t>(inDocument && range != 0 &&
                                                                   entry.lastMark >= documentMark_);
    entry.count = SaturatingSum(entry.count, count);
    entry.range = SaturatingSum(entry.range, added);
    if (inDocument)
        entry.lastMark = mark_;
}

void WordStore::AddUncached(const char* word, std::size_t length, const Key& key, std::uint32_t tag,
                            std::uint32_t hash) {
    for (std::uint32_t index = buckets_.Head(buckets_.BucketOf(hash)); index != 0;) {
        Entry& entry = entries_.At(index);
        if (Matches(entry, key, word, length)) {
            Count(entry);
            cache_.At(tag) = {tag, index};
            return;
        }
        index = entry.next;
    }
    // The slot is looked up after the insertion, which may give the cache more slots.
    if (const std::uint32_t index = Insert(word, length, key, hash, 1, 1, mark_)) {
        CountNewInSegment(entries_.At(index));
        cache_.At(tag) = {tag, index};
    }
}

void WordStore::RemoveWord(const char* word) {
    const std::size_t length = std::strlen(word);
    const Key key = KeyOf(word, length);
    const std::uint32_t bucket = buckets_.BucketOf(HashOf(word, length, key));
    if (!buckets_.Allocated())
        return;
    for (std::uint32_t* link = &buckets_.HeadAt(bucket); *link != 0;
         link = &entries_.At(*link).next) {
        const std::uint32_t index = *link;
        Entry& entry = entries_.At(index);
        if (!Matches(entry, key, word, length))
            continue;
        *link = entry.next;
        entry.count = 0;  // marks it free for the walks in memory order
        entries_.Give(index);
        // The freed entry still holds the word's key: a slot naming it would count
        // the word there if it came back.
        CacheSlot& slot = cache_.At(TagOf(key));
        if (slot.index == index)
            slot = {0, 0};
        // The word may lie in the entry just freed: it is not read after this.
        if (--entryCount_ == 0)
            EmptyTable();
        return;
    }
}

void WordStore::Clear(Documents documents) {
    EmptyTable();
    cache_.Forget();
    growthFailed_ = false;
    if (documents == Documents::Forget)
        documentCount_ = 0;
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
    const Entry* entry = nullptr;
    if (pos.at == &kStartMarker) {
        bucket = 0;
        if (const std::uint32_t head = buckets_.NextHead(bucket))
            entry = &entries_.At(head);
    } else {
        bucket = pos.bucket;
        entry = static_cast<const Entry*>(pos.at);
    }
    if (entry == nullptr) {
        pos = EndPosition();
        return nullptr;
    }
    // The successor is fixed now, so the caller may remove the entry just returned.
    std::uint32_t following = bucket;
    std::uint32_t next = entry->next;
    if (next == 0) {
        ++following;
        next = buckets_.NextHead(following);
    }
    pos.at = next != 0 ? &entries_.At(next) : nullptr;
    pos.bucket = next != 0 ? following : 0;
    return entry;
}

void WordStore::GetNextWord(Position& pos, std::string& word, std::uint32_t& count) const {
    std::string_view view;
    GetNextEntry(pos, view, count);
    word.assign(view);
}

void WordStore::GetNextEntry(Position& pos, std::string_view& word, std::uint32_t& count) const {
    std::uint32_t bucket = 0;
    const Entry* entry = Advance(pos, bucket);
    if (entry == nullptr) {
        word = {};
        count = 0;
        return;
    }
    word = TextOf(*entry);
    count = entry->count;
}

bool StoreExchange::NextInSweep(const WordStore& store, Sweep& sweep, std::string_view& word,
                                std::uint32_t& count, std::uint32_t& range, bool& inDocument) {
    if (sweep.generation != store.generation_)
        sweep = BeginSweep(store);
    // As in ForEachEntry: a free entry has a count of 0.
    for (; sweep.index < store.entries_.End(); ++sweep.index) {
        const StoreEntry& entry = store.entries_.At(sweep.index);
        if (entry.count == 0)
            continue;
        word = store.TextOf(entry);
        count = entry.count;
        range = entry.range;
        inDocument = store.document_ != 0 && entry.lastMark >= store.documentMark_;
        ++sweep.index;
        return true;
    }
    return false;
}

void StoreExchange::Swap(WordStore& a, WordStore& b) {
    assert(&a.memory_ == &b.memory_);
    std::swap(a.options_, b.options_);
    a.texts_.Swap(b.texts_);
    a.entries_.Swap(b.entries_);
    a.buckets_.Swap(b.buckets_);
    std::swap(a.entryCount_, b.entryCount_);
    a.cache_.Swap(b.cache_);
    std::swap(a.growthFailed_, b.growthFailed_);
    std::swap(a.document_, b.document_);
    std::swap(a.mark_, b.mark_);
    std::swap(a.documentMark_, b.documentMark_);
    std::swap(a.segmentFilled_, b.segmentFilled_);
    std::swap(a.segmentDistinct_, b.segmentDistinct_);
    std::swap(a.segmentLength_, b.segmentLength_);
    std::swap(a.segments_, b.segments_);
    std::swap(a.part_, b.part_);
    std::swap(a.documentCount_, b.documentCount_);
    // Sweeps of either store start over.
    ++a.generation_;
    ++b.generation_;
}

void StoreExchange::TakeWords(WordStore& into, WordStore& from) {
    Swap(into, from);
    std::swap(into.options_, from.options_);
}

}  // namespace tarvolen
