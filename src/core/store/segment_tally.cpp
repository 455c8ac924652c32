#include "core/store/segment_tally.h"

#include <algorithm>

namespace tarvolen {

void SegmentTally::Grow(std::uint32_t entry) {
    stamps_.resize(std::max<std::size_t>(std::size_t{entry} + 1, 2 * stamps_.size()));
}

void SegmentTally::Close() {
    ++figures_.segments;
    figures_.distinct += distinct_;
    NextSegment();
}

void SegmentTally::NextSegment() {
    filled_ = 0;
    distinct_ = 0;
    if (++segment_ != 0)
        return;
    // After 4,294,967,295 segments the numbers begin again: no stamp may still name one.
    std::fill(stamps_.begin(), stamps_.end(), 0);
    segment_ = 1;
}

}  // namespace tarvolen
