#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "core/store/arena_memory.h"
#include "core/store/bucket_table.h"
#include "core/store/entry_slabs.h"
#include "core/store/part_segments.h"
#include "core/store/recent_words.h"
#include "core/store/segment_figures.h"
#include "core/store/text_blocks.h"
#include "core/store/word_key.h"
#include "core/store/word_order.h"

namespace tarvolen {

// The word list: every distinct word with its number of occurrences.
//
// Each word has a 32-byte entry, in slabs that never move. A word of up to 15 bytes
// lives in its entry alone; a longer one also has its text in a block of text that
// never moves. The entries are chained from a power-of-two table of bucket heads,
// which doubles when the entries come to outnumber its buckets: the doubling links
// every entry anew, walking the slabs in memory order, and moves nothing. So the time
// per word stays flat however long the list grows, and a view of a word stays valid
// until the word is removed or the store emptied. A known word costs no allocation
// and writes nothing but its counts.
//
// All its memory comes from an ArenaMemory. When that refuses what a new word needs,
// the store tells its owner once (Options::growthRefused) and from then on counts only
// the words it holds, until it is cleared. What the user is told is the owner's
// business.
//
// The tokenizer's batch path is in word_batch.h, the exchange and merge of stores in
// store_exchange.h: only their users include them.
class WordStore {
  public:
    static constexpr std::uint32_t kInitialCapacity = 188'743'680;  // 180 MiB
    static constexpr std::uint32_t kGrowthStep = 52'428'800;        // 50 MiB
    static constexpr std::uint32_t kInitialBuckets = 4096;

    struct Options {
        // The first block of text, and each further one.
        std::uint32_t initialCapacity = kInitialCapacity;
        std::uint32_t growthStep = kGrowthStep;
        std::uint32_t initialBuckets = kInitialBuckets;  // rounded up to a power of two
        ArenaMemory* memory = nullptr;                   // nullptr: SystemArenaMemory()
        // Called once when the memory refuses a new word, until the store is cleared.
        std::function<void()> growthRefused;
    };

    // Thrown by the constructor when neither the initial capacity nor half of it can
    // be had: no store exists then, and the program decides what follows.
    class Unavailable : public std::bad_alloc {
      public:
        const char* what() const noexcept override { return "no memory for a word store"; }
    };

    WordStore();
    explicit WordStore(const Options& options);
    ~WordStore();

    WordStore(const WordStore&) = delete;
    WordStore& operator=(const WordStore&) = delete;

    // What it was made with: a store for words on their way to it is made alike.
    const Options& Settings() const { return options_; }

    // Counts one occurrence of the NUL-terminated word (length >= 1, no NUL inside).
    void AddWord(const char* word);
    // As above with the length known; word[length] must be NUL.
    void AddWord(const char* word, std::size_t length);

    // Where occurrences counted elsewhere were found: in documents of their own (the
    // range adds as given), or some in the document being read (a word counted in it
    // already does not count it again, and they count in it as AddWord's would).
    enum class Found : std::uint8_t { Elsewhere, InDocument };
    // Counts count occurrences at once, found in range documents; both saturate at
    // 4,294,967,295 as single occurrences do. word[length] is NUL.
    void AddOccurrences(const char* word, std::size_t length, std::uint32_t count,
                        std::uint32_t range = 1, Found found = Found::Elsewhere);

    // Starts the next document: from here on, the first occurrence of a word adds one
    // to its range (the number of documents it was counted in). Words counted outside
    // any document, or before the first, have a range of 1.
    void BeginDocument();
    // The documents begun since the store was last emptied.
    std::uint64_t DocumentCount() const { return documentCount_; }

    // The segments of the documents: the occurrences counted one at a time (not
    // AddOccurrences), in the order counted, cut into runs of kSegmentLength within
    // each document, each run with its distinct words. The figures of the full
    // segments since the last call; the segment under way goes on.
    SegmentFigures TakeSegments() { return std::exchange(segments_, SegmentFigures{}); }

    // A part of a document read in parts (counted outside any document, or within the
    // document a process reads parts of): between BeginPart and EndPart its words are
    // tallied for the segments of the whole, which JoinParts makes of its parts once
    // their order is known. Each word then takes a mark of its own, so that its gap to
    // its previous occurrence is that of their marks. BeginPart abandons a part under
    // way.
    void BeginPart();
    PartSegments EndPart();

    // The occurrences of the word, 0 when it is absent; word[length] must be NUL.
    std::uint32_t Occurrences(const char* word, std::size_t length) const;
    // The number of documents it was counted in, 0 when it is absent.
    std::uint32_t RangeOf(const char* word, std::size_t length) const;

    // Removes the word and its count; an absent word changes nothing.
    void RemoveWord(const char* word);

    // Number of distinct words held.
    std::int32_t Count() const { return entryCount_; }

    // Discards every word and rewinds the text blocks, which stay. Documents::Keep
    // keeps the documents read counted, for words about to come back in another form.
    enum class Documents : std::uint8_t { Forget, Keep };
    void Clear(Documents documents = Documents::Forget);

    // Iteration in bucket order, as the filter needs it: between two GetNext calls the
    // caller may RemoveWord the word just returned; AddWord and Clear must not happen
    // while an iteration is open.
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
    // Views the stored text at pos (NUL-terminated, valid until the word is removed or
    // the store emptied); moves pos on.
    void GetNextEntry(Position& pos, std::string_view& word, std::uint32_t& count) const;

    // A word held, named by a number for as long as it is held: 4 bytes by which a
    // sort or a window keeps a word. Its text is not taken until asked for.
    using WordId = std::uint32_t;
    struct HeldWord {
        WordId id;
        std::uint32_t count;
        std::uint32_t range;
        // The first 8 bytes of the word as one big-endian number, NUL-padded: two that
        // differ order their words as WordOrder does, read from the entry alone.
        std::uint64_t leadingBytes;
        // Bytes 8 to 11 the same way, which the entry keeps too: they order two words
        // whose leading bytes are equal.
        std::uint32_t nextBytes;
    };
    // The text of a word held, NUL-terminated.
    std::string_view WordText(WordId id) const { return TextOf(entries_.At(id)); }
    // The same without measuring it, for comparisons that stop at the first difference:
    // a word held in its entry ends there with a 0 by byte 15 at the latest.
    const char* WordChars(WordId id) const {
        const Entry& entry = entries_.At(id);
        const std::uint32_t text = TextOfEntry(entry);
        return text != 0 ? texts_.At(text) : reinterpret_cast<const char*>(&entry.keyA);
    }
    // Starts loading what WordText(id) will read: the word's entry, then, once that is
    // at hand (asked for some words earlier), the text of a long word.
    void PrefetchWord(WordId id) const { __builtin_prefetch(&entries_.At(id)); }
    void PrefetchWordText(WordId id) const {
        if (const std::uint32_t text = TextOfEntry(entries_.At(id)))
            __builtin_prefetch(texts_.At(text));
    }

    // Visits every word held once, visit(const HeldWord&), in the order the entries
    // lie in memory rather than by bucket: for a caller that sorts the words anyway, a
    // walk of millions of them reads its memory in sequence. The store must not change.
    template <typename Visit>
    void ForEachEntry(Visit visit) const;

  private:
    friend struct WordBatch;
    friend struct StoreExchange;
    friend struct WordStoreProbe;

    using Entry = StoreEntry;
    using Key = WordKey;
    // The bytes of a word an entry holds; a longer word's text is in the text blocks,
    // and the entry keeps its first kKeptBytes.
    static constexpr std::size_t kInlineBytes = 15;
    static constexpr std::size_t kKeptBytes = 12;

    using CacheSlot = RecentWords::Slot;
    // AddWord for a word the cache did not name: through the chains.
    void AddUncached(const char* word, std::size_t length, const Key& key, std::uint32_t tag,
                     std::uint32_t hash);
    static std::uint32_t HashOf(const char* word, std::size_t length, const Key& key) {
        return length <= kKeyBytes ? HashOfKey(key, length) : HashWord(word, length);
    }
    // The entry holds the word; word[length] is its NUL. Defined in word_batch.h.
    inline bool Matches(const Entry& entry, const Key& key, const char* word,
                        std::size_t length) const;
    // Counts one occurrence in the current document and segment. Saturates rather than
    // wraps: a wrapped count of 0 would break the invariant that every entry occurred
    // once. The segment's count costs no memory but the entry's, which is at hand:
    // cheap enough to keep whether or not anyone asks for the figures.
    void Count(Entry& entry) {
        const std::uint32_t mark = mark_;
        const std::uint32_t previous = CountMarked(entry, mark);
        segmentDistinct_ += previous != mark;
        CountInSegment(entry, previous);
    }
    // The occurrence's count and range; the entry takes mark. Its mark before.
    std::uint32_t CountMarked(Entry& entry, std::uint32_t mark) {
        entry.count += entry.count != UINT32_MAX;
        const std::uint32_t previous = entry.lastMark;
        const bool first = previous < documentMark_;
        entry.range += first & (entry.range != UINT32_MAX);
        entry.lastMark = mark;
        return previous;
    }
    // A new word's occurrence, for the segment.
    void CountNewInSegment(const Entry& entry) {
        ++segmentDistinct_;
        CountInSegment(entry, 0);
    }
    // In a part every word is a segment of its own (segmentLength_ 1), so the one test
    // that the common way pays for takes it to the part's tally. That is a call of its
    // own: inlined here, the tally took registers from the lookup, which then cost the
    // common way more than the call costs a part's words.
    void CountInSegment(const Entry& entry, std::uint32_t previous) {
        if (++segmentFilled_ == segmentLength_) [[unlikely]]
            EndOfSegment(entry, previous);
    }
    // The segment under way is full: counted, and the next begun; or a part's word,
    // last marked previous before.
    void EndOfSegment(const Entry& entry, std::uint32_t previous);
    // The part's tally when the next words of a run may be counted by CountInPart: marks
    // enough for them before the marks begin again.
    PartTally* PartRunTally(std::size_t words) const {
        return part_ != nullptr && mark_ < UINT32_MAX - words ? part_.get() : nullptr;
    }
    // Count for a word of such a run: the part's work inline, in a loop of its own that
    // keeps the common way's registers as they are, with the mark and the tally's
    // position that loop keeps.
    void CountInPart(Entry& entry, PartTally& tally, std::uint32_t& mark, std::uint64_t& position) {
        tally.CountAt(position, &entry, CountMarked(entry, mark));
        ++mark;
    }
    [[gnu::noinline]] void NextSegment();
    [[gnu::noinline]] void PartMarksBeginAgain(const Entry& entry, std::uint32_t previous);
    // The next mark; false when the marks began again (every entry's mark rewritten).
    void NextMark(bool newDocument);
    // AddOccurrences of a word whose key and hash are known; count > 0.
    void AddCounted(const char* word, std::size_t length, const Key& key, std::uint32_t hash,
                    std::uint32_t count, std::uint32_t range, Found found);
    // Adds occurrences of a word found held in entry (AddCounted's step once found).
    void AddToEntry(Entry& entry, std::uint32_t count, std::uint32_t range, bool inDocument);
    // The entry of the word in its chain, 0 when absent.
    std::uint32_t Find(const char* word, std::size_t length, const Key& key,
                       std::uint32_t hash) const;
    // Enters a word that is not held, with its counts; its entry, or 0 when the
    // memory refused what it needs (told once, and no new word is entered after).
    std::uint32_t Insert(const char* word, std::size_t length, const Key& key, std::uint32_t hash,
                         std::uint32_t count, std::uint32_t range, std::uint32_t lastMark);
    void Refused();
    // Twice the buckets, every entry linked anew.
    bool DoubleBuckets();
    // Releases every entry and the heads; the texts are abandoned.
    void EmptyTable();
    // The entry at pos and its bucket; moves pos on.
    const Entry* Advance(Position& pos, std::uint32_t& bucket) const;
    // The entry's text, NUL-terminated; its length is known from the key when the
    // entry holds it.
    std::string_view TextOf(const Entry& entry) const;
    static std::uint64_t LeadingBytes(const Entry& entry) { return __builtin_bswap64(entry.keyA); }
    static std::uint32_t NextBytes(const Entry& entry) {
        return __builtin_bswap32(static_cast<std::uint32_t>(entry.keyB));
    }

    Options options_;
    ArenaMemory& memory_;
    TextBlocks texts_;
    EntrySlabs entries_;
    BucketTable buckets_;
    std::int32_t entryCount_ = 0;
    RecentWords cache_;
    bool growthFailed_ = false;
    std::uint32_t document_ = 0;  // the number of the document being read; 0: none
    std::uint64_t documentCount_ = 0;
    // Marks number the segments one after another, a document's first segment taking
    // the next mark too: an entry last counted before documentMark_ is new to the
    // document, one whose mark is not mark_ new to the segment. 0: before any document.
    std::uint32_t mark_ = 0;
    std::uint32_t documentMark_ = 0;
    std::uint32_t segmentFilled_ = 0;
    std::uint32_t segmentDistinct_ = 0;
    std::uint32_t segmentLength_ = kSegmentLength;  // 1 in a part
    SegmentFigures segments_;
    // The part under way, null outside one.
    std::unique_ptr<PartTally> part_;
    // Counts the emptyings: a sweep taken before one starts over (store_exchange.h).
    std::uint64_t generation_ = 0;
};

inline std::string_view WordStore::TextOf(const Entry& entry) const {
    if (const std::uint32_t position = TextOfEntry(entry)) {
        const char* text = texts_.At(position);
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
        if (entry.count != 0)  // a free entry's count is 0
            visit(HeldWord{index, entry.count, entry.range, LeadingBytes(entry), NextBytes(entry)});
    });
}

}  // namespace tarvolen
