#include "core/wordtable/list_snapshot.h"

#include <algorithm>

#include "core/output/word_list_writer.h"
#include "core/store/word_store.h"

namespace tarvolen {

void ListSnapshot::Take(const WordStore& store, const WordStore* reference, bool referenceOnly) {
    Clear();
    store_ = &store;
    documents_ = store.DocumentCount();
    ids_.reserve(static_cast<std::size_t>(store.Count()));
    ForEachByFrequency(store, [this](std::uint32_t id, std::uint32_t count) {
        if (runs_.empty() || runs_.back().count != count)
            runs_.push_back({static_cast<std::uint32_t>(ids_.size()), count});
        ids_.push_back(id);
        total_ += count;
    });
    runs_.shrink_to_fit();
    Compare(reference, referenceOnly);
}

void ListSnapshot::Compare(const WordStore* reference, bool referenceOnly) {
    std::vector<std::uint32_t>().swap(referenceOnly_);
    std::vector<std::uint32_t>().swap(referenceCounts_);
    referenceTotal_ = 0;
    comparing_ = reference != nullptr;
    if (reference == nullptr)
        return;

    reference_ = reference;
    struct Only {
        std::uint64_t leadingBytes;
        std::string_view word;
        std::uint32_t count;
        WordStore::WordId id;
    };
    std::vector<Only> only;
    reference->ForEachEntry([&](const WordStore::HeldWord& held) {
        referenceTotal_ += held.count;
        if (!referenceOnly)
            return;
        const std::string_view word = reference->WordText(held.id);
        if (store_->Occurrences(word.data(), word.size()) == 0)
            only.push_back({held.leadingBytes, word, held.count, held.id});
    });
    std::sort(only.begin(), only.end(), [](const Only& x, const Only& y) {
        return x.leadingBytes != y.leadingBytes ? x.leadingBytes < y.leadingBytes
                                                : WordOrder(x.word, y.word);
    });
    referenceOnly_.reserve(only.size());
    for (const Only& word : only)
        referenceOnly_.push_back(word.id);

    // The reference's own words came with their counts; the list's are looked up.
    referenceCounts_.reserve(size());
    for (std::size_t row = 0; row < ids_.size(); ++row) {
        const std::string_view word = Word(row);
        referenceCounts_.push_back(reference->Occurrences(word.data(), word.size()));
    }
    for (const Only& word : only)
        referenceCounts_.push_back(word.count);
}

void ListSnapshot::Clear() {
    // Swapped rather than cleared: a list that shrank gives its memory back.
    std::vector<std::uint32_t>().swap(ids_);
    std::vector<Run>().swap(runs_);
    std::vector<std::uint32_t>().swap(referenceOnly_);
    std::vector<std::uint32_t>().swap(referenceCounts_);
    total_ = 0;
    documents_ = 0;
    referenceTotal_ = 0;
    comparing_ = false;
}

std::string_view ListSnapshot::Word(std::size_t row) const {
    return InList(row) ? store_->WordText(ids_[row])
                       : reference_->WordText(referenceOnly_[row - ids_.size()]);
}

std::uint32_t ListSnapshot::Count(std::size_t row) const {
    if (!InList(row))
        return 0;
    // The last run that begins at or before the row.
    const auto after =
        std::upper_bound(runs_.begin(), runs_.end(), row,
                         [](std::size_t wanted, const Run& run) { return wanted < run.firstRow; });
    return std::prev(after)->count;
}

std::uint32_t ListSnapshot::Range(std::size_t row) const {
    if (!InList(row))
        return 0;
    const std::string_view word = Word(row);
    return store_->RangeOf(word.data(), word.size());
}

double ShareOf(std::uint32_t count, std::uint64_t total, double scale) {
    return total == 0 ? 0.0 : static_cast<double>(count) * scale / static_cast<double>(total);
}

}  // namespace tarvolen
