#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/concordance/concordance_entry.h"
#include "core/concordance/occurrences.h"
#include "core/words/row_assembler.h"
#include "core/words/word_cutter.h"

namespace tarvolen {

// A cutter for the reading of a run's documents that counts nothing: it finds the
// places of one entry with a placing cutter of the run's setup (and, for an entry of
// several words, the assembler of words in a row), so that its occurrences are the
// very ones the run counts. With neighbours asked for, it keeps the three words
// before and after each occurrence too.
class OccurrenceFinder final : public WordCutter, private WordSink {
  public:
    OccurrenceFinder(const CutterSetup& setup, const ConcordanceEntry& entry, Concordance& found,
                     NeighbourReach neighbours);

    // The next document's occurrences go to found.documents.back().
    void Cut(std::span<unsigned char> text) override;
    void EndText() override;
    bool InWord() const override { return cutter_->InWord(); }

    // Where the next occurrence to be found may begin at the earliest: after the last
    // word placed, or for an entry of several words at the earliest word that may still
    // be its first.
    std::uint64_t Open() const;

    // The neighbours that are complete: found.neighbours up to Settled(). A reading
    // that hands them on as it goes forgets them, so that they cost no memory.
    std::size_t Settled() const { return waiting_; }
    void ForgetSettled(std::size_t count);

    // The first and the last three words of the text read up to its end (ids, the
    // last newest first), for the texts read beside it.
    struct Edges {
        std::vector<std::uint32_t> first;
        std::vector<std::uint32_t> last;
    };
    const Edges& EdgesOfText() const { return edges_; }
    void ForgetEdges() { edges_ = {}; }
    const std::vector<std::uint32_t>& FirstWordsSoFar() const { return first_; }
    // The ids given so far, for a reading whose neighbours have all been handed on.
    void ForgetWords();

  private:
    std::unique_ptr<WordCutter> MakeCutter(const CutterSetup& setup);
    void Take(const char* word, std::size_t bytes) override;
    void Place(std::uint64_t begin, std::uint64_t end) override { place_ = {begin, end}; }
    std::uint32_t IdOf(std::string_view word);
    // The latest word but back (0: the latest).
    const std::string& Recent(int back) const;

    struct WordHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view word) const {
            return std::hash<std::string_view>{}(word);
        }
    };

    std::string entry_;
    int entryWords_;
    Concordance& found_;
    NeighbourReach neighbours_;
    std::unordered_map<std::string, std::uint32_t, WordHash, std::equal_to<>> ids_;
    Occurrence place_;
    // The latest words of the document (a ring, the newest at recentNewest_), for the
    // left neighbours.
    static constexpr int kRecent = WordsInARow::kMost + 3;
    std::string recent_[kRecent];
    int recentNewest_ = 0;
    int recentCount_ = 0;
    // The occurrences still waiting for words on their right: from waiting_ on.
    std::size_t waiting_ = 0;
    std::vector<std::uint32_t> first_;
    Edges edges_;
    // Where the latest words begin (a ring, word n at n % kMost), and where the latest ends.
    std::uint64_t begins_[WordsInARow::kMost] = {};
    std::uint64_t begun_ = 0;
    std::uint64_t lastEnd_ = 0;
    RowAssembler rows_;
    // cutter_, where it seeks the entry alone (set as cutter_ is made).
    SeekingCutter* seeking_ = nullptr;
    std::unique_ptr<WordCutter> cutter_;
};

}  // namespace tarvolen
