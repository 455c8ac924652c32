#include "core/concordance/occurrence_finder.h"

#include <algorithm>
#include <cstring>

namespace tarvolen {

namespace {

// The entry's own number of words in a row, and the single words besides, which are
// the neighbours: the assembler hands each word alone first, then the rows ending there.
WordsInARow RowsOf(const CutterSetup& setup, const ConcordanceEntry& entry) {
    WordsInARow rows = setup.inARow;
    rows.From = 1;
    rows.To = entry.words;
    return rows;
}

CutterSetup SetupOf(CutterSetup setup, const ConcordanceEntry& entry) {
    setup.inARow = RowsOf(setup, entry);
    return setup;
}

}  // namespace

OccurrenceFinder::OccurrenceFinder(const CutterSetup& setup, const ConcordanceEntry& entry,
                                   Concordance& found, NeighbourReach neighbours)
    : entry_(entry.text),
      entryWords_(entry.words),
      found_(found),
      neighbours_(neighbours),
      rows_(RowsOf(setup, entry), static_cast<WordSink&>(*this)),
      cutter_(MakeCutter(SetupOf(setup, entry))) {
    if (found_.words.empty())
        found_.words.emplace_back();
}

std::unique_ptr<WordCutter> OccurrenceFinder::MakeCutter(const CutterSetup& setup) {
    // One word and nothing of what stands beside it: no other word need be handed on.
    if (entryWords_ == 1 && !neighbours_.Any())
        if (std::unique_ptr<SeekingCutter> seeking = MakeSeekingCutter(setup, rows_, entry_)) {
            seeking_ = seeking.get();
            return seeking;
        }
    return MakePlacingCutter(setup, rows_);
}

void OccurrenceFinder::Cut(std::span<unsigned char> text) {
    found_.documents.back().textLength += text.size();
    cutter_->Cut(text);
}

void OccurrenceFinder::EndText() {
    cutter_->EndText();
    rows_.EndText();
    edges_.first = std::move(first_);
    first_.clear();
    edges_.last.clear();
    for (int k = 0; k < std::min(recentCount_, 3); ++k)
        edges_.last.push_back(IdOf(Recent(k)));
    recentCount_ = 0;
    waiting_ = found_.neighbours.size();
    begun_ = 0;
    lastEnd_ = 0;
}

std::uint64_t OccurrenceFinder::Open() const {
    const auto back = static_cast<std::uint64_t>(entryWords_ - 1);
    if (seeking_ != nullptr)
        return seeking_->Searched();
    if (back == 0)
        return lastEnd_;
    return begun_ < back ? 0 : begins_[(begun_ - back) % WordsInARow::kMost];
}

void OccurrenceFinder::ForgetSettled(std::size_t count) {
    found_.neighbours.erase(found_.neighbours.begin(),
                            found_.neighbours.begin() + static_cast<std::ptrdiff_t>(count));
    waiting_ -= count;
}

void OccurrenceFinder::ForgetWords() {
    ids_.clear();
    found_.words.resize(1);
}

std::uint32_t OccurrenceFinder::IdOf(std::string_view word) {
    if (const auto at = ids_.find(word); at != ids_.end())
        return at->second;
    const auto id = static_cast<std::uint32_t>(found_.words.size());
    ids_.emplace(word, id);
    found_.words.emplace_back(word);
    return id;
}

const std::string& OccurrenceFinder::Recent(int back) const {
    return recent_[(recentNewest_ + kRecent - back) % kRecent];
}

void OccurrenceFinder::Take(const char* word, std::size_t bytes) {
    // A word alone holds no space.
    const bool single = entryWords_ == 1 || std::memchr(word, ' ', bytes) == nullptr;
    if (single) {
        begins_[begun_++ % WordsInARow::kMost] = place_.begin;
        lastEnd_ = place_.end;
    }
    // Only the words next to an occurrence get an id: looking up every word would cost
    // more than the rest of the reading.
    if (single && neighbours_.Any()) {
        const std::string_view text(word, bytes);
        if (first_.size() < 3)
            first_.push_back(IdOf(text));
        // The words on the right as far as they are wanted, and only those: looking up
        // six words an occurrence took more than the rest of a sorted reading.
        const std::uint32_t id = waiting_ < found_.neighbours.size() ? IdOf(text) : 0;
        const auto reach = static_cast<std::size_t>(neighbours_.right);
        for (std::size_t i = waiting_; i < found_.neighbours.size(); ++i) {
            std::uint32_t* right = found_.neighbours[i].right;
            const auto slot = std::find(right, right + reach, 0u);
            *slot = id;
            if (slot + 1 == right + reach && i == waiting_)
                ++waiting_;
        }
        if (neighbours_.left > 0) {
            recentNewest_ = (recentNewest_ + 1) % kRecent;
            recent_[recentNewest_].assign(word, bytes);
            recentCount_ = std::min(recentCount_ + 1, kRecent);
        }
    }
    if (bytes != entry_.size() || std::memcmp(word, entry_.data(), bytes) != 0)
        return;
    found_.occurrences.push_back(place_);
    ++found_.documents.back().count;
    if (neighbours_.Any()) {
        Neighbours n;
        // The entry's words are the newest; the ones before them are its left.
        for (int k = 0; k < neighbours_.left; ++k) {
            const int back = entryWords_ + k;
            if (back < recentCount_)
                n.left[k] = IdOf(Recent(back));
        }
        found_.neighbours.push_back(n);
        if (neighbours_.right == 0)
            waiting_ = found_.neighbours.size();  // nothing on the right to wait for
    }
}

}  // namespace tarvolen
