#pragma once

#include <array>
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
    // The context ran into the start (left) or the end (right) of the text read: a part
    // of a file read on its own completes it from the parts beside it.
    bool leftShort = false;
    bool rightShort = false;
};

using ConcordanceLineSink = std::function<void(const ConcordanceLine&)>;

// The second reading of a document: it is handed the text the cutters were handed the
// first time, and makes the line of each of the document's occurrences as soon as the
// text after it is known. It keeps the text from the next occurrence still to be
// written on (and the context before it as characters), so a long document costs no
// more memory than its longest stretch between an occurrence and its right context.
class ContextReader final : public WordCutter {
  public:
    ContextReader(CodePage codePage, std::size_t width, const ConcordanceLineSink& sink);

    // The document read next, and its occurrences (from document.first on).
    void Start(const ConcordanceDocument& document, std::span<const Occurrence> occurrences);

    void Cut(std::span<unsigned char> text) override;
    void EndText() override;
    // The first reading went on past the file's measured end inside a word; this one
    // goes as far.
    bool InWord() const override { return textEnd_ < textLength_; }
    // Whether every occurrence got its line: not when the document has changed since.
    bool Complete() const { return next_ == occurrences_.size(); }

    // The one reading that finds the occurrences as it goes: the text is appended
    // before the finder cuts it (which folds it in place), then the lines of those
    // found so far are made where the text after them is known. open is where the
    // next occurrence to be found may begin at the earliest; the text from there on is
    // kept. Returns how many of waiting got their lines (the first ones).
    void Begin(const std::string& path);
    void Append(std::span<const unsigned char> text);
    std::size_t Write(std::span<const Occurrence> waiting, std::size_t firstIndex,
                      std::uint64_t open, bool ended);

    // What a part of a file gives the parts beside it, once it has been read: its first
    // and last characters of context (collapsed, at most the width; the whole text when
    // shorter, HeadWhole), its line ends, and whether it begins with LF or ends with CR
    // (a CR LF across a cut ends one line).
    const std::u32string& Head() const { return head_; }
    bool HeadWhole() const { return head_.size() < width_; }
    const std::u32string& Tail() const { return tail_; }
    std::uint64_t LineEnds() const { return lineEnds_; }
    bool StartsWithLf() const { return startsWithLf_; }
    bool EndsWithCr() const { return afterCr_; }
    std::size_t width() const { return width_; }

  private:
    void Reset(const std::string* path);
    void WriteReady(bool ended);
    // The collapsed text of at most width_ characters that ends at offset at, last first.
    void Before(std::uint64_t at, std::u32string& reversed) const;
    void Collapsed(std::uint64_t begin, std::uint64_t end, std::string& text) const;
    // The same two contexts in UTF-8, as a line shows them; Left gives its number of
    // characters, Right whether the text known so far holds it.
    std::size_t Left(std::uint64_t at, std::string& left) const;
    bool Right(std::uint64_t at, bool ended, std::string& right, std::size_t& characters) const;
    void CountLinesTo(std::uint64_t at);
    // The character at offset at of the window, and where the next one starts.
    char32_t Next(std::size_t& at) const;
    char32_t Previous(std::size_t& at) const;

    // A byte's character as a context shows it, where a byte is a character (every
    // byte of a code page, ASCII in UTF-8): its UTF-8.
    struct ShownByte {
        char utf8[3] = {};
        std::uint8_t length = 0;
    };

    CodePage codePage_;
    const ToUnicodeTable& characters_;
    std::array<ShownByte, 256> shown_{};
    // By byte, where a byte is a character (of a code page, ASCII in UTF-8): the byte
    // itself where a context shows it so, a space with 0x100 for a blank, 0 for every
    // other.
    std::array<std::uint16_t, 256> plain_{};
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
    std::uint64_t open_ = UINT64_MAX;  // the text from here on is kept
    std::u32string head_;
    std::uint64_t headAt_ = 0;  // where the head goes on
    bool startsWithLf_ = false;
    // Kept from line to line for their memory.
    ConcordanceLine line_;
    std::u32string before_;
};

}  // namespace tarvolen
