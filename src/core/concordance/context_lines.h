#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "core/concordance/occurrences.h"
#include "core/text/code_page.h"
#include "core/words/word_cutter.h"

namespace tarvolen {

// One line of a concordance, UTF-8: the match as the document has it, and at most the
// context's width of characters on either side, each run of white space and control
// characters shown as one space.
struct ConcordanceLine {
    const std::string* path = nullptr;  // the document's, as given or found
    std::size_t index = 0;              // the occurrence's, in Concordance::occurrences
    std::uint64_t line = 0;             // 1-based: LF, CR LF and CR each end a line
    std::string left;
    std::string match;
    std::string right;
};

using ConcordanceLineSink = std::function<void(const ConcordanceLine&)>;

// The second reading of a document: it is handed the text the cutters were handed the
// first time, and makes the line of each of the document's occurrences as soon as the
// text after it is known. It keeps the text from the next occurrence still to be
// written on (and the context before it as characters), so a long document costs no
// more memory than its longest stretch between an occurrence and its right context.
class ContextReader final : public WordCutter {
  public:
    ContextReader(CodePage codePage, std::size_t width, const ConcordanceLineSink& sink)
        : codePage_(codePage),
          characters_(ToUnicodeTableOf(codePage)),
          width_(width),
          sink_(sink) {}

    // The document read next, and its occurrences (from document.first on).
    void Start(const ConcordanceDocument& document, std::span<const Occurrence> occurrences);

    void Cut(std::span<unsigned char> text) override;
    void EndText() override;
    // The first reading went on past the file's measured end inside a word; this one
    // goes as far.
    bool InWord() const override { return textEnd_ < textLength_; }
    // Whether every occurrence got its line: not when the document has changed since.
    bool Complete() const { return next_ == occurrences_.size(); }

  private:
    void WriteReady(bool ended);
    // The collapsed text of at most width_ characters that ends at offset at, last first.
    void Before(std::uint64_t at, std::u32string& reversed) const;
    // The collapsed text from at on, or nothing when the text known so far is too short.
    bool After(std::uint64_t at, bool ended, std::u32string& after) const;
    void Collapsed(std::uint64_t begin, std::uint64_t end, std::string& text) const;
    void CountLinesTo(std::uint64_t at);
    // The character at offset at of the window, and where the next one starts.
    char32_t Next(std::size_t& at) const;
    char32_t Previous(std::size_t& at) const;

    CodePage codePage_;
    const ToUnicodeTable& characters_;
    std::size_t width_;
    const ConcordanceLineSink& sink_;
    std::span<const Occurrence> occurrences_;
    const std::string* path_ = nullptr;
    std::size_t first_ = 0;  // the index of occurrences_[0]
    std::size_t next_ = 0;
    std::uint64_t textLength_ = 0;
    std::string window_;  // the text from windowStart_ to textEnd_
    std::uint64_t windowStart_ = 0;
    std::uint64_t textEnd_ = 0;
    std::u32string tail_;  // the collapsed text before windowStart_, its last width_
    std::uint64_t lineCursor_ = 0;
    std::uint64_t lineEnds_ = 0;
    bool afterCr_ = false;
    // Kept from line to line for their memory.
    ConcordanceLine line_;
    std::u32string before_;
    std::u32string after_;
};

}  // namespace tarvolen
