#pragma once

#include <cstddef>
#include <functional>

namespace tarvolen {

// Work a step may split into tasks that run at once: the command line lends the
// threads it counted with; the window, which runs on one thread, runs them in turn.
class SideBySide {
  public:
    virtual ~SideBySide() = default;
    // How many tasks run at once at most; 1 runs them in turn.
    virtual std::size_t Width() const = 0;
    // task(0) to task(count - 1), each once; returns when all have ended. The first
    // exception a task throws is thrown again here once the tasks running have
    // ended; those not started by then are not.
    virtual void Run(std::size_t count, const std::function<void(std::size_t)>& task) = 0;
};

// Runs every task in turn on the calling thread.
SideBySide& OneAtATime();

}  // namespace tarvolen
