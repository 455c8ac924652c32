#include <time.h>

#include "core/ports/ticks.h"

namespace tarvolen {

namespace {

// Milliseconds since an arbitrary point, truncated to 32 bits: it wraps after about
// 49.7 days, so callers compare ticks only by their difference.
class MonotonicTicks : public TickSource {
  public:
    std::uint32_t Now() override {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                  static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000u;
        return static_cast<std::uint32_t>(ms);
    }
};

}  // namespace

TickSource& SystemTicks() {
    static MonotonicTicks ticks;
    return ticks;
}

}  // namespace tarvolen
