#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/concordance/concordance_entry.h"
#include "core/concordance/context_lines.h"
#include "core/concordance/occurrence_finder.h"
#include "core/concordance/occurrences.h"

namespace tarvolen {

// A concordance made in one reading: each chunk of text is kept for the contexts, then
// its occurrences are found, and their lines are made as soon as the text after them
// is in hand. Only the occurrences still waiting for their right context are held, so
// the reading costs no memory per occurrence.
class ConcordanceReading final : public WordCutter {
  public:
    // Each occurrence's neighbours, once complete, in document order: ids into words.
    using NeighbourSink =
        std::function<void(const Neighbours& neighbours, const std::vector<std::string>& words)>;

    // With neighbours (for a sort), the finder keeps the words beside each occurrence
    // and hands them on as soon as they are known.
    ConcordanceReading(const CutterSetup& setup, const ConcordanceEntry& entry, std::size_t width,
                       const ConcordanceLineSink& sink, NeighbourSink neighbours = {},
                       NeighbourReach reach = kEveryNeighbour);

    // The next document, or the next part of one read on its own.
    void Start(const std::string& path);
    void Cut(std::span<unsigned char> text) override;
    void EndText() override;
    bool InWord() const override { return finder_.InWord(); }

    // The lines made since Start, and what the text read gives the parts beside it.
    std::size_t Lines() const { return written_; }
    const ContextReader& Context() const { return context_; }
    // The words at either end of the text read (with neighbours only), and their texts.
    const OccurrenceFinder::Edges& Edges() const { return finder_.EdgesOfText(); }
    const std::vector<std::string>& Words() const { return found_.words; }
    // The first words of the text being read, up to three, before its end.
    const std::vector<std::uint32_t>& FirstWordsSoFar() const { return finder_.FirstWordsSoFar(); }

  private:
    void WriteFound(bool ended);

    void HandSettled();

    ConcordanceLineSink sink_;
    NeighbourSink neighbours_;
    Concordance found_;
    OccurrenceFinder finder_;
    ContextReader context_;
    std::size_t written_ = 0;
};

}  // namespace tarvolen
