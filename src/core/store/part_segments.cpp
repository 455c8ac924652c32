#include "core/store/part_segments.h"

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

}  // namespace tarvolen
