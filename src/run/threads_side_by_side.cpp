#include "run/threads_side_by_side.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace tarvolen {

void ThreadsSideBySide::Run(std::size_t count, const std::function<void(std::size_t)>& task) {
    std::exception_ptr first;
    std::mutex mutex;
    const auto guarded = [&](std::size_t i) {
        try {
            task(i);
        } catch (...) {
            const std::lock_guard lock(mutex);
            if (!first)
                first = std::current_exception();
        }
    };
    for (std::size_t begin = 0; begin < count; begin += width_) {
        const std::size_t end = std::min(count, begin + width_);
        {
            std::vector<std::jthread> others;
            others.reserve(end - begin - 1);
            for (std::size_t i = begin + 1; i < end; ++i)
                others.emplace_back(guarded, i);
            guarded(begin);
        }  // joined
        if (first)
            std::rethrow_exception(first);
    }
}

}  // namespace tarvolen
