#pragma once

#include <cstddef>
#include <string>

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
    ConcordanceReading(const CutterSetup& setup, const ConcordanceEntry& entry, std::size_t width,
                       const ConcordanceLineSink& sink);

    // The next document, or the next part of one read on its own.
    void Start(const std::string& path);
    void Cut(std::span<unsigned char> text) override;
    void EndText() override;
    bool InWord() const override { return finder_.InWord(); }

    // The lines made since Start, and what the text read gives the parts beside it.
    std::size_t Lines() const { return written_; }
    const ContextReader& Context() const { return context_; }

  private:
    void WriteFound(bool ended);

    ConcordanceLineSink sink_;
    Concordance found_;
    OccurrenceFinder finder_;
    ContextReader context_;
    std::size_t written_ = 0;
};

}  // namespace tarvolen
