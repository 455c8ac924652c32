#pragma once

#include <cstdint>

namespace tarvolen {

// The length of the segments over which the standardised type/token ratio is taken.
inline constexpr std::uint32_t kSegmentLength = 1000;

// What the segments of a run's documents came to: every full segment of kSegmentLength
// consecutive counted entries within one document, and the distinct entries of each,
// summed. Sums of whole numbers, so that the figures of threads and processes add up
// to the same ratio in any order.
struct SegmentFigures {
    std::uint64_t segments = 0;
    std::uint64_t distinct = 0;

    void Add(const SegmentFigures& other) {
        segments += other.segments;
        distinct += other.distinct;
    }
    bool operator==(const SegmentFigures&) const = default;
};

}  // namespace tarvolen
