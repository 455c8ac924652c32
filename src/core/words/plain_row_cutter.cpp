#include "core/words/plain_row_cutter.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tarvolen {

namespace {

// The first letter at or after at, or n.
std::size_t NextLetter(const std::vector<std::uint64_t>& masks, std::size_t at, std::size_t n) {
    std::size_t k = at / 64;
    std::uint64_t bits = masks[k] & (~std::uint64_t{0} << (at % 64));
    while (bits == 0) {
        if (64 * ++k >= n)
            return n;
        bits = masks[k];
    }
    return std::min(64 * k + static_cast<std::size_t>(std::countr_zero(bits)), n);
}

}  // namespace

PlainRowCutter::PlainRowCutter(const CutterSetup& setup, RowAssembler& rows,
                               std::string_view sought)
    : map_(*setup.map),
      rows_(rows),
      minLength_(static_cast<std::size_t>(std::clamp(setup.minWordLength, 1, MaxWordLength + 1))),
      places_(setup.places),
      single_(setup.inARow.Single()),
      gaps_(CodePageGaps(setup.codePage)),
      sought_(single_ ? sought : std::string_view()) {}

void PlainRowCutter::Append(const unsigned char* letters, std::size_t count) {
    const std::size_t room = MaxWordLength - std::min<std::size_t>(length_, MaxWordLength);
    std::memcpy(word_ + std::min<std::size_t>(length_, MaxWordLength), letters,
                std::min(count, room));
    length_ += count;
}

void PlainRowCutter::Hand(const char* word, std::size_t length, std::uint64_t begin) {
    if (length >= minLength_ && length <= static_cast<std::size_t>(MaxWordLength)) {
        if (places_)
            rows_.Place(begin, begin + length);
        rows_.Take(word, length);
    } else
        rows_.Gap(GapKind::Break);  // a word not counted parts the row
}

void PlainRowCutter::EndWord(std::uint64_t end) {
    const bool handed =
        !sought_.Usable() || (length_ == sought_.size() && length_ <= MaxWordLength &&
                              std::memcmp(word_, sought_.text().data(), length_) == 0);
    if (length_ > 0 && handed)
        Hand(word_, length_, end - length_);
    length_ = 0;
}

void PlainRowCutter::Cut(std::span<unsigned char> text) {
    CutChunk(text);
    base_ += text.size();
}

void PlainRowCutter::CutChunk(std::span<unsigned char> text) {
    unsigned char* const p = text.data();
    const std::size_t n = text.size();
    FoldAndMarkLetters(map_, p, n, masks_);
    std::size_t at = 0;
    if (length_ > 0 && n > 0) {
        // Letters first go on with the word the previous chunk ended in.
        const std::size_t run = (masks_[0] & 1) != 0 ? LetterRunLength(masks_.data(), 0, 0) : 0;
        Append(p, run);
        if (run == n)
            return;
        EndWord(base_ + run);
        at = run;
    }
    if (sought_.Usable()) {
        Seek(p, n, at);
        return;
    }
    while (at < n) {
        const std::size_t start = NextLetter(masks_, at, n);
        // Single words (a concordance of one word) have nothing to learn from the gaps.
        if (!single_) {
            for (; at < start; ++at)
                rows_.Gap(gaps_[p[at]]);
        }
        if (start == n)
            return;
        const std::size_t length = LetterRunLength(masks_.data(), start / 64, start % 64);
        if (start + length == n) {
            Append(p + start, length);  // the next chunk may go on with it
            return;
        }
        // The word is handed over where it lies; the assembler copies it.
        Hand(reinterpret_cast<const char*>(p + start), length, base_ + start);
        at = start + length;
    }
}

void PlainRowCutter::Seek(const unsigned char* p, std::size_t n, std::size_t at) {
    sought_.Find(p, n, at, masks_.data(), [&](std::size_t start) {
        Hand(reinterpret_cast<const char*>(p + start), sought_.size(), base_ + start);
    });
    // A word up to the chunk's end may go on in the next one.
    const auto letter = [&](std::size_t i) { return (masks_[i / 64] >> (i % 64) & 1) != 0; };
    if (n > at && letter(n - 1)) {
        std::size_t start = n - 1;
        while (start > at && letter(start - 1))
            --start;
        Append(p + start, n - start);
    }
}

}  // namespace tarvolen
