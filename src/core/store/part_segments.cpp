#include "core/store/part_segments.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

namespace tarvolen {

SegmentFigures JoinParts(const std::vector<const PartSegments*>& parts) {
    std::uint64_t entries = 0;
    for (const PartSegments* part : parts)
        entries += part->entries;
    SegmentFigures figures;
    const std::uint64_t full = entries / kSegmentLength;
    figures.segments = full;

    // A segment that runs across a cut holds only kept words: its distinct words by text.
    std::unordered_set<std::string_view> across;
    std::uint64_t acrossSegment = UINT64_MAX;
    std::uint64_t begin = 0;  // the part's first entry in the document
    for (const PartSegments* part : parts) {
        const std::uint64_t end = begin + part->entries;
        if (!part->inner.empty())
            figures.distinct += part->inner[begin % kSegmentLength];
        for (const PartSegments::Kept& kept : part->kept) {
            const std::uint64_t at = begin + kept.position;
            const std::uint64_t segment = at / kSegmentLength;
            if (segment >= full)
                break;  // the document's last segment, not full
            const std::uint64_t start = segment * kSegmentLength;
            if (start >= begin && start + kSegmentLength <= end) {
                figures.distinct += kept.gap > at - start;
                continue;
            }
            if (segment != acrossSegment) {
                figures.distinct += across.size();
                across.clear();
                acrossSegment = segment;
            }
            across.insert(kept.text);
        }
        begin = end;
    }
    figures.distinct += across.size();
    return figures;
}

void PartTally::EndOfBlock(std::uint64_t position) {
    position_ = position;
    LinkUpTo(position_);
    if (position_ == kBlock)
        KeepHead();
    TallyUpTo(position_ - (kSegmentLength - 1));
}

void PartTally::LinkUpTo(std::uint64_t end) {
    // The gaps first, in a loop the compiler vectorises: within a block the marks follow
    // the positions.
    for (std::uint64_t i = linked_; i < end;) {
        const auto slot = static_cast<std::uint32_t>(i % kRing);
        const auto run = static_cast<std::uint32_t>(std::min<std::uint64_t>(end - i, kRing - slot));
        const std::uint32_t mark = static_cast<std::uint32_t>(i) + markOffset_;
        for (std::uint32_t k = 0; k < run; ++k)
            ring_[slot + k] = GapOf(ring_[slot + k], mark + k);
        i += run;
    }
    for (; linked_ < end; ++linked_) {
        const std::uint32_t gap = ring_[linked_ % kRing];
        nextGaps_[(static_cast<std::uint32_t>(linked_) - gap) % kRing] =
            static_cast<std::uint16_t>(gap);
    }
}

void PartTally::TallyUpTo(std::uint64_t end) {
    // In runs within which neither the position modulo kSegmentLength nor the ring
    // begins again, so that the loop over a run has no test but its own end.
    while (tallied_ < end) {
        const auto phase = static_cast<std::uint32_t>(tallied_ % kSegmentLength);
        const auto slot = static_cast<std::uint32_t>(tallied_ % kRing);
        const auto run = static_cast<std::uint32_t>(
            std::min<std::uint64_t>({end - tallied_, kSegmentLength - phase, kRing - slot}));
        std::uint16_t* const next = &nextGaps_[slot];
        const std::uint32_t* const gaps = &ring_[slot];
        std::uint32_t* const unpaired = &unpaired_[phase];
        std::uint32_t wraps = 0;
        for (std::uint32_t k = 0; k < run; ++k) {
            const std::uint32_t gap = next[k];
            const std::uint32_t r = phase + k;
            unpaired[k] +=
                static_cast<std::uint32_t>(gaps[k] != 0) - static_cast<std::uint32_t>(gap != 0);
            // The pair's range, from (-p) mod L for L - gap alignments, wraps when p is
            // not a multiple of L and its next occurrence is in the same run of L or at
            // its end.
            wraps += (gap != 0) & (r != 0) & (r + gap <= kSegmentLength);
            next[k] = 0;
        }
        wraps_ += wraps;
        tallied_ += run;
    }
}

void PartTally::KeepHead() {
    for (std::uint64_t i = 0; i < std::min<std::uint64_t>(position_, kSegmentLength - 1); ++i)
        head_.push_back({ringEntries_[i], ring_[i]});
}

void PartTally::Untally(std::uint64_t i, std::uint32_t gap) {
    if (gap == 0)
        return;
    const std::uint64_t p = i - gap;
    const auto phase = static_cast<std::uint32_t>(p % kSegmentLength);
    ++unpaired_[phase];
    wraps_ -= (phase != 0) & (phase + gap <= kSegmentLength);
    --unpaired_[i % kSegmentLength];
}

}  // namespace tarvolen
