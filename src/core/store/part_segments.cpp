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
    TallyUpTo(position_);
    if (position_ == kBlock)
        KeepHead();
}

// Twice the lanes where the processor has them: the loop over a run is most of the
// tally's time.
__attribute__((target_clones("avx2", "default"))) void PartTally::TallyUpTo(std::uint64_t end) {
    // In runs within which neither the ring nor the position modulo L begins again:
    // first the gaps and the counts by the words' own positions, in a loop the compiler
    // vectorises (within a run the marks follow the positions), then the counts by
    // their previous occurrences' alone.
    while (tallied_ < end) {
        const auto slot = static_cast<std::uint32_t>(tallied_ % kRing);
        const auto phase = static_cast<std::uint32_t>(tallied_ % kSegmentLength);
        const auto run = static_cast<std::uint32_t>(std::min<std::uint64_t>(
            {end - tallied_, kRing - slot, kSegmentLength - phase, kBlock}));
        const std::uint32_t mark = static_cast<std::uint32_t>(tallied_) + markOffset_;
        std::uint32_t* const gaps = &ring_[slot];
        std::uint32_t* const unpaired = &unpaired_[phase];
        std::uint32_t wraps = 0;
        for (std::uint32_t k = 0; k < run; ++k) {
            const std::uint32_t gap = GapOf(gaps[k], mark + k);
            const std::uint32_t within = gap != 0;
            const std::uint32_t at = phase + k;
            gaps[k] = gap;
            // A word with no p counts at its own phase both ways, rather than all of them
            // at one place, where each count would wait for the last.
            ++unpaired[k];
            wraps += within & Wraps(at, gap);
            previousPhases_[k] =
                static_cast<std::uint16_t>(at >= gap ? at - gap : at + kSegmentLength - gap);
        }
        for (std::uint32_t k = 0; k < run; ++k)
            --unpaired_[previousPhases_[k]];
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
    const auto phase = static_cast<std::uint32_t>(i % kSegmentLength);
    --unpaired_[phase];
    ++unpaired_[(i - gap) % kSegmentLength];
    wraps_ -= Wraps(phase, gap);
}

}  // namespace tarvolen
