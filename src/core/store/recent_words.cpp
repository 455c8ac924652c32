#include "core/store/recent_words.h"

#include "core/store/mapped_memory.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tarvolen {

// Mapped, not allocated: untouched slots cost no memory, and a table given back leaves
// the allocator's thresholds as they were.
RecentWords::~RecentWords() {
    Unmap(slots_, Slots() * sizeof(Slot));
}

bool RecentWords::Obtain() {
    slots_ = reinterpret_cast<Slot*>(MapAnonymous(Slots() * sizeof(Slot)));
    return slots_ != nullptr;
}

void RecentWords::Forget() {
    std::memset(slots_, 0, Slots() * sizeof(Slot));
}

void RecentWords::Grow() {
    const unsigned shift = std::max(shift_ - 2, 32 - kMostBits);
    auto* const slots =
        reinterpret_cast<Slot*>(MapAnonymous((std::size_t{1} << (32 - shift)) * sizeof(Slot)));
    if (slots == nullptr)
        return;
    Unmap(slots_, Slots() * sizeof(Slot));
    slots_ = slots;
    shift_ = shift;
}

void RecentWords::Swap(RecentWords& other) {
    std::swap(slots_, other.slots_);
    std::swap(shift_, other.shift_);
}

}  // namespace tarvolen
