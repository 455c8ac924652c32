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

namespace {

// The body of PartTally::CountRun, for each target it is made for. The arrays are the
// tally's own, which never overlap: said so, the loop is vectorised.
template <typename Run, typename GapOf, typename Wraps>
[[gnu::always_inline]] inline std::uint32_t CountRunBody(const Run& run, GapOf gapOf, Wraps wraps) {
    std::uint32_t* __restrict const gaps = run.gaps;
    std::uint16_t* __restrict const previousPhases = run.previousPhases;
    const std::uint32_t phase = run.phase;
    const std::uint32_t mark = run.mark;
    const std::uint32_t firstMark = run.firstMark;
    const std::uint32_t length = run.length;
    std::uint32_t wrapping = 0;
    for (std::uint32_t k = 0; k < length; ++k) {
        const std::uint32_t gap = gapOf(gaps[k], mark + k, firstMark);
        const std::uint32_t within = gap != 0;
        const std::uint32_t at = phase + k;
        gaps[k] = gap;
        wrapping += within & wraps(at, gap);
        // p's phase; a word with no p counts at its own (PartTally::unpaired_).
        previousPhases[k] =
            static_cast<std::uint16_t>(at >= gap ? at - gap : at + kSegmentLength - gap);
    }
    return wrapping;
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

}  // namespace

std::uint32_t PartTally::CountRun(const Run& run) {
    if (HasAvx2())
        return CountRunAvx2(run);
    return CountRunBody(
        run, [](auto... a) { return GapOf(a...); }, [](auto... a) { return Wraps(a...); });
}

std::uint32_t PartTally::CountRunAvx2(const Run& run) {
    return CountRunBody(
        run, [](auto... a) { return GapOf(a...); }, [](auto... a) { return Wraps(a...); });
}

void PartTally::TallyUpTo(std::uint64_t end) {
    // In runs within which neither the ring nor the position modulo L begins again:
    // first the gaps, the wraps and where each word counts, in a loop the compiler
    // vectorises (within a run the marks follow the positions), then the counts alone.
    while (tallied_ < end) {
        const auto slot = static_cast<std::uint32_t>(tallied_ % kRing);
        const auto phase = static_cast<std::uint32_t>(tallied_ % kSegmentLength);
        const auto length = static_cast<std::uint32_t>(std::min<std::uint64_t>(
            {end - tallied_, kRing - slot, kSegmentLength - phase, kBlock}));
        wraps_ += CountRun({&ring_[slot], previousPhases_.data(), length, phase,
                            static_cast<std::uint32_t>(tallied_) + markOffset_, firstMark_});
        for (std::uint32_t k = 0; k < length; ++k)
            --unpaired_[previousPhases_[k]];
        tallied_ += length;
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
