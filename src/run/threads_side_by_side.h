#pragma once

#include <cstddef>
#include <functional>

#include "core/ports/side_by_side.h"

namespace tarvolen {

// Tasks on threads of their own, as many at once as -j allows: the calling thread
// takes the first of each round.
class ThreadsSideBySide final : public SideBySide {
  public:
    explicit ThreadsSideBySide(std::size_t width) : width_(width < 1 ? 1 : width) {}
    std::size_t Width() const override { return width_; }
    void Run(std::size_t count, const std::function<void(std::size_t)>& task) override;

  private:
    std::size_t width_;
};

}  // namespace tarvolen
