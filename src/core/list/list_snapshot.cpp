#include "core/list/list_snapshot.h"

#include "core/collect/word_store.h"
#include "core/output/word_list_writer.h"

namespace tarvolen {

void ListSnapshot::Take(const WordStore& store) {
    Clear();
    arena_ = store.ArenaBegin();
    rows_.reserve(static_cast<std::size_t>(store.Count()));
    ForEachByFrequency(store, [this](std::string_view word, std::uint32_t count) {
        rows_.push_back({static_cast<std::uint32_t>(word.data() - arena_), count});
        total_ += count;
    });
}

void ListSnapshot::Clear() {
    // swap rather than clear(): a list that shrank gives its memory back.
    std::vector<Row>().swap(rows_);
    total_ = 0;
}

double ShareOf(std::uint32_t count, std::uint64_t total, double scale) {
    return total == 0 ? 0.0 : static_cast<double>(count) * scale / static_cast<double>(total);
}

}  // namespace tarvolen
