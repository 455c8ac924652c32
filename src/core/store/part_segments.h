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

// What a store keeps while it counts a part: the difference array and the words near
// the part's ends, by entry (the texts are taken when the part ends; entries never move).
class PartTally {
  public:
    struct Held {
        const StoreEntry* entry;
        std::uint32_t gap;
    };

    // The next word of the part; gap as PartSegments::Kept has it, at most kSegmentLength.
    void Count(const StoreEntry* entry, std::uint32_t gap) {
        if (!PastHead()) [[unlikely]]
            return KeepHead(entry, gap);
        CountPastHead(entry, gap);
    }
    // Whether the words from here on may skip the test for the head.
    bool PastHead() const { return position_ >= kSegmentLength - 1; }
    void CountPastHead(const StoreEntry* entry, std::uint32_t gap) {
        ringEntries_[position_ % kRing] = entry;
        ringGaps_[position_ % kRing] = static_cast<std::uint16_t>(gap);
        if (++position_ % kBlock == 0) [[unlikely]]
            TallyUpTo(position_ - (kSegmentLength - 1));
    }

    // The part's figures; text(entry) gives an entry's word. Once only.
    template <typename Text>
    PartSegments Finish(Text text);

  private:
    // The words are tallied a block at a time, all but the last kSegmentLength - 1,
    // which may turn out to be the tail: a tight loop of its own costs less than a
    // tally between the lookups of the words. The ring holds the words not yet tallied.
    static constexpr std::uint32_t kBlock = 1024;
    static constexpr std::uint32_t kRing = 2048;
    static_assert(kRing >= kBlock + kSegmentLength - 1);

    [[gnu::noinline]] void KeepHead(const StoreEntry* entry, std::uint32_t gap) {
        head_.push_back({entry, gap});
        ++position_;
    }
    // Tallies the words from tallied_ to end.
    [[gnu::noinline]] void TallyUpTo(std::uint64_t end) {
        auto phase = static_cast<std::uint32_t>(tallied_ % kSegmentLength);
        for (; tallied_ < end; ++tallied_) {
            Tally(phase, ringGaps_[tallied_ % kRing], 1);
            phase = phase + 1 == kSegmentLength ? 0 : phase + 1;
        }
    }

    // Adds step for a word whose position is phase modulo kSegmentLength.
    // Its alignments run from (-phase) mod kSegmentLength, gap of them; the array is
    // twice as long, alignment o counting at o and o + kSegmentLength, so that a range
    // that wraps needs no second pair of writes, and one of kSegmentLength (every
    // alignment) none of its own.
    void Tally(std::uint32_t phase, std::uint32_t gap, std::int32_t step) {
        const std::uint32_t from = phase == 0 ? 0 : kSegmentLength - phase;
        diff_[from] += step;
        diff_[from + gap] -= step;
    }

    std::uint64_t position_ = 0;
    std::uint64_t tallied_ = kSegmentLength - 1;  // the first word not yet tallied
    // Within a part of at most 2^31 words; small, so that it stays in the nearest cache.
    std::array<std::int32_t, 2 * kSegmentLength> diff_{};
    std::vector<Held> head_;
    std::array<const StoreEntry*, kRing> ringEntries_{};
    std::array<std::uint16_t, kRing> ringGaps_{};
};

template <typename Text>
PartSegments PartTally::Finish(Text text) {
    PartSegments part;
    part.entries = position_;
    part.kept.reserve(head_.size() + kSegmentLength);
    for (std::size_t i = 0; i < head_.size(); ++i)
        part.kept.push_back({std::string(text(head_[i].entry)), i, head_[i].gap});
    // The words after the last middle one are kept instead.
    const std::uint64_t tail = std::max<std::uint64_t>(
        kSegmentLength - 1, position_ >= kSegmentLength - 1 ? position_ - (kSegmentLength - 1) : 0);
    TallyUpTo(tail);
    for (std::uint64_t i = tail; i < position_; ++i)
        part.kept.push_back({std::string(text(ringEntries_[i % kRing])), i, ringGaps_[i % kRing]});
    if (position_ >= 2 * kSegmentLength - 1) {
        part.inner.resize(kSegmentLength);
        std::array<std::int64_t, 2 * kSegmentLength> covered{};
        std::int64_t sum = 0;
        for (std::size_t at = 0; at < diff_.size(); ++at)
            covered[at] = sum += diff_[at];
        for (std::uint32_t o = 0; o < kSegmentLength; ++o)
            part.inner[o] = static_cast<std::uint64_t>(covered[o] + covered[o + kSegmentLength]);
    }
    return part;
}

}  // namespace tarvolen
