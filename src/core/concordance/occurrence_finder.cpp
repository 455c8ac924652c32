#include "core/concordance/occurrence_finder.h"

#include <algorithm>
#include <cstring>

namespace tarvolen {

OccurrenceFinder::OccurrenceFinder(const CutterSetup& setup, const ConcordanceEntry& entry,
                                   Concordance& found, bool neighbours)
    : entry_(entry.text), entryWords_(entry.words), found_(found), neighbours_(neighbours) {
    CutterSetup placing = setup;
    // The entry's own number of words in a row, and the single words beside them: the
    // neighbours are words, and an entry of one word needs no assembler.
    placing.inARow.From = 1;
    placing.inARow.To = entry.words;
    if (entry.words > 1)
        rows_.emplace(placing.inARow, static_cast<WordSink&>(*this));
    cutter_ = MakePlacingCutter(
        placing, rows_ ? static_cast<WordSink&>(*rows_) : static_cast<WordSink&>(*this));
    if (found_.words.empty())
        found_.words.emplace_back();
}

void OccurrenceFinder::Cut(std::span<unsigned char> text) {
    found_.documents.back().textLength += text.size();
    cutter_->Cut(text);
}

void OccurrenceFinder::EndText() {
    cutter_->EndText();
    if (rows_)
        rows_->EndText();
    recentCount_ = 0;
    waiting_ = found_.occurrences.size();
}

std::uint32_t OccurrenceFinder::IdOf(const char* word, std::size_t bytes) {
    const auto [at, added] =
        ids_.try_emplace(std::string(word, bytes), static_cast<std::uint32_t>(found_.words.size()));
    if (added)
        found_.words.emplace_back(word, bytes);
    return at->second;
}

void OccurrenceFinder::Take(const char* word, std::size_t bytes) {
    // The assembler hands each word alone first, then the rows that end with it; a
    // word holds no space.
    const bool single = entryWords_ == 1 || std::memchr(word, ' ', bytes) == nullptr;
    if (single && neighbours_) {
        const std::uint32_t id = IdOf(word, bytes);
        for (std::size_t i = waiting_; i < found_.occurrences.size(); ++i) {
            std::uint32_t* right = found_.neighbours[i].right;
            const auto slot = std::find(right, right + 3, 0u);
            *slot = id;
            if (slot == right + 2 && i == waiting_)
                ++waiting_;
        }
        std::move(recent_ + 1, recent_ + kRecent, recent_);
        recent_[kRecent - 1] = id;
        recentCount_ = std::min(recentCount_ + 1, kRecent);
    }
    if (bytes != entry_.size() || std::memcmp(word, entry_.data(), bytes) != 0)
        return;
    found_.occurrences.push_back(place_);
    ++found_.documents.back().count;
    if (neighbours_) {
        Neighbours n;
        // The entry's words are the newest; the ones before them are its left.
        for (int k = 0; k < 3; ++k) {
            const int back = entryWords_ + k;
            if (back < recentCount_)
                n.left[k] = recent_[kRecent - 1 - back];
        }
        found_.neighbours.push_back(n);
    }
}

}  // namespace tarvolen
