#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/concordance/context_lines.h"

namespace tarvolen {

// A concordance's lines kept for a window that scrolls through them: their texts go to
// an unnamed temporary file as they are made, and only where each begins stays in
// memory (8 bytes a line), so that millions of lines cost what their places do and the
// lines on screen are read back when they are shown.
class LineSpool {
  public:
    struct Line {
        std::uint32_t document = 0;  // index into Documents()
        std::uint64_t line = 0;
        std::string left;
        std::string match;
        std::string right;
    };

    LineSpool();
    ~LineSpool();
    LineSpool(const LineSpool&) = delete;
    LineSpool& operator=(const LineSpool&) = delete;

    // False when no temporary file could be had, or a write failed: the lines kept so
    // far stay readable.
    bool Valid() const { return file_ != nullptr && !failed_; }
    // The documents' paths, each kept once; Add refers to them by index.
    std::uint32_t Document(const std::string& path);
    const std::vector<std::string>& Documents() const { return documents_; }

    void Add(std::uint32_t document, const ConcordanceLine& line);
    std::size_t Size() const { return starts_.size(); }
    Line At(std::size_t index) const;

  private:
    std::FILE* file_;
    bool failed_ = false;
    mutable bool unflushed_ = false;  // lines written are still in the stream's buffer
    std::uint64_t end_ = 0;
    std::vector<std::uint64_t> starts_;
    std::vector<std::string> documents_;
};

}  // namespace tarvolen
