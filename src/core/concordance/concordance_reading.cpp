#include "core/concordance/concordance_reading.h"

#include <utility>

namespace tarvolen {

ConcordanceReading::ConcordanceReading(const CutterSetup& setup, const ConcordanceEntry& entry,
                                       std::size_t width, const ConcordanceLineSink& sink,
                                       NeighbourSink neighbours, NeighbourReach reach)
    : sink_(sink),
      neighbours_(std::move(neighbours)),
      finder_(setup, entry, found_, neighbours_ ? reach : NeighbourReach{}),
      context_(setup.codePage, width, sink_) {}

void ConcordanceReading::Start(const std::string& path) {
    found_.documents.assign(1, ConcordanceDocument{path, 0, 0, 0});
    found_.occurrences.clear();
    context_.Begin(found_.documents.back().path);
    written_ = 0;
    finder_.ForgetEdges();
    // Every neighbour of the text before was handed on: its words need no id any more.
    if (neighbours_)
        finder_.ForgetWords();
}

void ConcordanceReading::Cut(std::span<unsigned char> text) {
    // Before the finder folds the text in place.
    context_.Append(text);
    finder_.Cut(text);
    WriteFound(false);
    HandSettled();
}

void ConcordanceReading::EndText() {
    finder_.EndText();
    WriteFound(true);
    HandSettled();
}

void ConcordanceReading::HandSettled() {
    if (!neighbours_)
        return;
    const std::size_t settled = finder_.Settled();
    for (std::size_t i = 0; i < settled; ++i)
        neighbours_(found_.neighbours[i], found_.words);
    finder_.ForgetSettled(settled);
}

void ConcordanceReading::WriteFound(bool ended) {
    const std::size_t lines = context_.Write(found_.occurrences, written_, finder_.Open(), ended);
    found_.occurrences.erase(found_.occurrences.begin(),
                             found_.occurrences.begin() + static_cast<std::ptrdiff_t>(lines));
    written_ += lines;
}

}  // namespace tarvolen
