#include "core/words/lemma_map.h"

#include <algorithm>

namespace tarvolen {

LemmaMap::Conflict LemmaMap::Add(std::string_view head, std::string_view form, std::int64_t line) {
    const auto known = index_.find(form);
    auto [at, added] = headIndex_.try_emplace(std::string(head), heads_.size());
    if (added)
        heads_.emplace_back(head);
    if (known != index_.end()) {
        const FormEntry& entry = forms_[known->second];
        if (entry.head != at->second)
            return {known->second, entry.line};
        return {};
    }
    index_.emplace(std::string(form), static_cast<std::uint32_t>(forms_.size()));
    forms_.push_back({std::string(form), at->second, line});
    return {};
}

void FormTally::Add(const LemmaMap& map,
                    const std::unordered_map<std::uint32_t, std::uint64_t>& seen) {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [form, count] : seen)
        forms_[map.HeadOf(form)][map.Form(form)] += count;
}

void FormTally::Add(const std::string& head, const std::string& form, std::uint64_t count) {
    const std::lock_guard<std::mutex> lock(mutex_);
    forms_[head][form] += count;
}

FormTally::FormCounts FormTally::FormsOf(const std::string& head) const {
    FormCounts counts;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto found = forms_.find(head);
        if (found == forms_.end())
            return counts;
        counts.assign(found->second.begin(), found->second.end());
    }
    std::sort(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    return counts;
}

bool FormTally::Empty() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return forms_.empty();
}

void FormTally::Clear() {
    const std::lock_guard<std::mutex> lock(mutex_);
    forms_.clear();
}

bool MapEntry(const LemmaMap& map, std::string_view entry, std::string& mapped, FormTally* tally,
              std::uint64_t count) {
    const std::size_t space = entry.find(' ');
    if (space == std::string_view::npos) {
        const std::uint32_t form = map.Find(entry);
        if (form == LemmaMap::kNoForm)
            return false;
        mapped = map.HeadOf(form);
        if (tally != nullptr)
            tally->Add(mapped, map.Form(form), count);
        return true;
    }
    bool changed = false;
    std::string row;
    for (std::string_view rest = entry; !rest.empty();) {
        const std::size_t end = rest.find(' ');
        const std::string_view word = rest.substr(0, end);
        const std::uint32_t form = map.Find(word);
        changed = changed || form != LemmaMap::kNoForm;
        if (!row.empty())
            row.push_back(' ');
        if (form == LemmaMap::kNoForm)
            row.append(word);
        else
            row.append(map.HeadOf(form));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    if (changed)
        mapped = std::move(row);
    return changed;
}

void LemmaSink::HandInTally() {
    if (tally_ != nullptr && !seen_.empty())
        tally_->Add(map_, seen_);
    seen_.clear();
}

}  // namespace tarvolen
