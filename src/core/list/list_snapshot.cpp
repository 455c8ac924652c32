#include "core/list/list_snapshot.h"

#include <algorithm>

#include "core/collect/word_store.h"
#include "core/output/word_list_writer.h"

namespace tarvolen {

void ListSnapshot::Take(const WordStore& store) {
    Clear();
    arena_ = store.ArenaBegin();
    offsets_.reserve(static_cast<std::size_t>(store.Count()));
    ForEachByFrequency(store, [this](std::string_view word, std::uint32_t count) {
        if (runs_.empty() || runs_.back().count != count)
            runs_.push_back({static_cast<std::uint32_t>(offsets_.size()), count});
        offsets_.push_back(static_cast<std::uint32_t>(word.data() - arena_));
        total_ += count;
    });
    runs_.shrink_to_fit();
}

void ListSnapshot::Clear() {
    // Swapped rather than cleared: a list that shrank gives its memory back.
    std::vector<std::uint32_t>().swap(offsets_);
    std::vector<Run>().swap(runs_);
    total_ = 0;
}

std::uint32_t ListSnapshot::Count(std::size_t row) const {
    // The last run that begins at or before the row.
    const auto after =
        std::upper_bound(runs_.begin(), runs_.end(), row,
                         [](std::size_t wanted, const Run& run) { return wanted < run.firstRow; });
    return std::prev(after)->count;
}

double ShareOf(std::uint32_t count, std::uint64_t total, double scale) {
    return total == 0 ? 0.0 : static_cast<double>(count) * scale / static_cast<double>(total);
}

}  // namespace tarvolen
