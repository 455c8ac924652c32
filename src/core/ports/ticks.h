#pragma once

#include <cstdint>

namespace tarvolen {

// A 32-bit millisecond tick, wrapping like the platform's; injectable for tests.
class TickSource {
  public:
    virtual ~TickSource() = default;
    virtual std::uint32_t Now() = 0;
};
TickSource& SystemTicks();

}  // namespace tarvolen
