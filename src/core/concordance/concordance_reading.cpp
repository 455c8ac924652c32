#include "core/concordance/concordance_reading.h"

namespace tarvolen {

ConcordanceReading::ConcordanceReading(const CutterSetup& setup, const ConcordanceEntry& entry,
                                       std::size_t width, const ConcordanceLineSink& sink)
    : sink_(sink), finder_(setup, entry, found_, false), context_(setup.codePage, width, sink_) {}

void ConcordanceReading::Start(const std::string& path) {
    found_.documents.assign(1, ConcordanceDocument{path, 0, 0, 0});
    found_.occurrences.clear();
    context_.Begin(found_.documents.back().path);
    written_ = 0;
}

void ConcordanceReading::Cut(std::span<unsigned char> text) {
    // Before the finder folds the text in place.
    context_.Append(text);
    finder_.Cut(text);
    WriteFound(false);
}

void ConcordanceReading::EndText() {
    finder_.EndText();
    WriteFound(true);
}

void ConcordanceReading::WriteFound(bool ended) {
    const std::size_t lines = context_.Write(found_.occurrences, written_, finder_.Open(), ended);
    found_.occurrences.erase(found_.occurrences.begin(),
                             found_.occurrences.begin() + static_cast<std::ptrdiff_t>(lines));
    written_ += lines;
}

}  // namespace tarvolen
