#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/store/entry_slabs.h"
#include "core/store/segment_figures.h"

namespace tarvolen {

// The segments of a document read in parts, by threads or processes, each part counted
// before the entries of the parts before it are known.
//
// A part's segments lie where the entries before it put them: its alignment o (those
// entries modulo kSegmentLength). A word at the part's position i whose previous
// occurrence in the part is d entries back is new to its segment exactly when its
// position in the segment, (o + i) mod kSegmentLength, is below d: for a cyclic range of
// d alignments (every one when d >= kSegmentLength). So a difference array over the
// alignments, two writes a word, gives the distinct words of the part's inner segments
// for every alignment at once. That holds for the words at positions kSegmentLength - 1
// to n - kSegmentLength, which lie in a segment wholly within the part whatever the
// alignment; the others, near the part's ends, are kept with their texts and gaps and
// counted when the parts are joined in order.
struct PartSegments {
    // A word near the part's ends: where it lies in the part, and its gap to its previous
    // occurrence in the part (kSegmentLength or more: none within a segment's reach).
    struct Kept {
        std::string text;
        std::uint64_t position;
        std::uint32_t gap;
    };
    std::uint64_t entries = 0;  // the words counted in the part
    // For each alignment, the distinct words the part's middle words add to their
    // segments; empty when the part has no middle.
    std::vector<std::uint64_t> inner;
    std::vector<Kept> kept;  // by position
};

// The segments of one document from its parts, in the order of the document: full
// segments only, the last partial one dropped, as one reader of the whole would count.
SegmentFigures JoinParts(const std::vector<const PartSegments*>& parts);

// What a store keeps while it counts a part, in a few arrays of fixed size.
//
// The tally goes by pairs: a middle word at position i and its previous occurrence p
// within a segment's reach (gap g = i - p < L, L being kSegmentLength) share a segment,
// where i is not new, for the L - g alignments from (-p) mod L to (-i) mod L, a cyclic
// range whose ends each depend on one position alone. So every alignment's distinct
// words follow from, by position modulo L, how many words have a previous occurrence
// within reach less how many are such a previous occurrence, and how many pairs' ranges
// wrap past L - 1: one count a word at a place the word decides, rather than a range
// written into a difference array (two such counts, and the arithmetic for them).
//
// While counting, a word leaves no more than its entry and its previous mark in the
// ring; its gap and its counts wait for the end of its block, in loops of their own.
// Among the lookups, that arithmetic and a write whose place depends on the word held
// them up more than the loops cost. The words near the part's ends are kept, and their
// pairs taken out of the counts when it ends.
class PartTally {
  public:
    // Marks as WordStore numbers them: the part's first word takes firstMark, each
    // word the next.
    explicit PartTally(std::uint32_t firstMark) : firstMark_(firstMark), markOffset_(firstMark) {}

    // The next word of the part, whose entry was last marked previous before.
    void Count(const StoreEntry* entry, std::uint32_t previous) {
        CountAt(position_, entry, previous);
    }
    // The same for a loop that keeps the position of the next word itself, from Words()
    // on; CountedTo(position) hands it back before the tally is used otherwise.
    void CountAt(std::uint64_t& position, const StoreEntry* entry, std::uint32_t previous) {
        ringEntries_[position % kRing] = entry;
        ring_[position % kRing] = previous;
        if (++position % kBlock == 0) [[unlikely]]
            EndOfBlock(position);
    }
    std::uint64_t Words() const { return position_; }
    void CountedTo(std::uint64_t position) { position_ = position; }

    // The marks are about to begin again: the words counted take their gaps by the marks
    // as they are. GapOf(previous) is the next word's, 0 for none within reach.
    void TallyAll() { TallyUpTo(position_); }
    std::uint32_t GapOf(std::uint32_t previous) const {
        return GapOf(previous, static_cast<std::uint32_t>(position_) + markOffset_);
    }
    std::uint32_t FirstMark() const { return firstMark_; }
    // They began again: the part's first word is now marked firstMark (or is out of
    // reach), the next word mark.
    void MarksBeganAgain(std::uint32_t firstMark, std::uint32_t mark) {
        firstMark_ = firstMark;
        markOffset_ = mark - static_cast<std::uint32_t>(position_);
    }

    // The part's figures; text(entry) gives an entry's word. Once only.
    template <typename Text>
    PartSegments Finish(Text text);

  private:
    struct Held {
        const StoreEntry* entry;
        std::uint32_t gap;
    };

    // The ring keeps the words of a block and the last kSegmentLength - 1 before it,
    // which may turn out to be the part's tail.
    static constexpr std::uint32_t kBlock = 1024;
    static constexpr std::uint32_t kRing = 2048;
    static_assert(kRing >= kBlock + kSegmentLength - 1 && kBlock >= kSegmentLength - 1);
    static_assert((kRing & (kRing - 1)) == 0);

    // How many words back a word marked mark was counted last, marked previous: 0 when
    // not within a segment's reach, or not in the part. Without a branch, which the mix
    // of words would make unpredictable.
    std::uint32_t GapOf(std::uint32_t previous, std::uint32_t mark) const {
        return GapOf(previous, mark, firstMark_);
    }
    static std::uint32_t GapOf(std::uint32_t previous, std::uint32_t mark,
                               std::uint32_t firstMark) {
        const std::uint32_t before = 0u - static_cast<std::uint32_t>(previous < firstMark);
        const std::uint32_t gap = (mark - previous) | before;
        return gap & (0u - static_cast<std::uint32_t>(gap < kSegmentLength));
    }
    // A gap as PartSegments::Kept has it.
    static std::uint32_t KeptGap(std::uint32_t gap) { return gap != 0 ? gap : kSegmentLength; }
    // Whether the range of the pair of a word at phase (its position modulo L) with gap
    // (not 0) wraps: when p is not a multiple of L and i lies in the same run of L
    // positions as p, or at the start of the next.
    static bool Wraps(std::uint32_t phase, std::uint32_t gap) { return phase > gap || phase == 0; }

    // Keeps the head when the first block ends, and tallies its words.
    [[gnu::noinline]] void EndOfBlock(std::uint64_t position);
    // Turns the previous marks of the words from tallied_ to end into their gaps, and
    // counts their pairs.
    void TallyUpTo(std::uint64_t end);
    // The first loop over a run of TallyUpTo, from run.gaps[0] at phase and mark on:
    // returns how many of its pairs' ranges wrap. Made twice, to use twice the lanes
    // where the processor has them: it is most of the tally's time.
    struct Run {
        std::uint32_t* gaps;  // the previous marks, the gaps once done
        std::uint16_t* previousPhases;
        std::uint32_t length;
        std::uint32_t phase;
        std::uint32_t mark;
        std::uint32_t firstMark;
    };
    static std::uint32_t CountRun(const Run& run);
    __attribute__((target("avx2"))) static std::uint32_t CountRunAvx2(const Run& run);
    // The words from 0 to position_ (at most the head's) while they are in the ring.
    void KeepHead();
    // Takes the pair of the word at position i, near an end of the part, out of the counts.
    void Untally(std::uint64_t i, std::uint32_t gap);

    std::uint32_t firstMark_;
    std::uint32_t markOffset_;  // a word's mark less its position
    std::uint64_t position_ = 0;
    std::uint64_t tallied_ = 0;  // the first word whose ring_ holds its previous mark
    std::uint64_t wraps_ = 0;    // pairs whose range of alignments wraps
    // By position modulo kSegmentLength: the words with a previous occurrence within
    // reach less the words that are one (modulo 2^32: only sums of them are read). While
    // counting, less the words that are one and less those with none, each at its own
    // phase (rather than all at one place, where each count would wait for the last):
    // Finish adds every word at its own.
    std::array<std::uint32_t, kSegmentLength> unpaired_{};
    std::vector<Held> head_;
    std::array<const StoreEntry*, kRing> ringEntries_{};
    // A word's previous mark until it is tallied, its gap after (0: none within reach).
    std::array<std::uint32_t, kRing> ring_{};
    // The phases of the previous occurrences of a run's words, as TallyUpTo counts them.
    std::array<std::uint16_t, kBlock> previousPhases_{};
};

template <typename Text>
PartSegments PartTally::Finish(Text text) {
    PartSegments part;
    const std::uint64_t n = position_;
    part.entries = n;
    TallyUpTo(n);
    if (n < kBlock)
        KeepHead();
    part.kept.reserve(head_.size() + kSegmentLength);
    for (std::size_t i = 0; i < head_.size(); ++i) {
        part.kept.push_back({std::string(text(head_[i].entry)), i, KeptGap(head_[i].gap)});
        Untally(i, head_[i].gap);
    }
    // The words after the last middle one are kept instead.
    for (std::uint64_t i = std::max<std::uint64_t>(
             head_.size(), n - std::min<std::uint64_t>(n, kSegmentLength - 1));
         i < n; ++i) {
        part.kept.push_back(
            {std::string(text(ringEntries_[i % kRing])), i, KeptGap(ring_[i % kRing])});
        Untally(i, ring_[i % kRing]);
    }
    if (n >= 2 * kSegmentLength - 1) {
        for (std::uint32_t phase = 0; phase < kSegmentLength; ++phase)
            unpaired_[phase] += static_cast<std::uint32_t>(n / kSegmentLength) +
                                static_cast<std::uint32_t>(phase < n % kSegmentLength);
        // Every middle word is new to its segment but where it shares one with its pair.
        const std::uint64_t middle = n - 2 * (kSegmentLength - 1);
        part.inner.resize(kSegmentLength);
        std::uint64_t shared = 0;
        for (std::uint32_t o = 0; o < kSegmentLength; ++o) {
            shared -= static_cast<std::int32_t>(unpaired_[o == 0 ? 0 : kSegmentLength - o]);
            part.inner[o] = middle - wraps_ - shared;
        }
    }
    return part;
}

}  // namespace tarvolen
