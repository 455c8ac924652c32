#include "core/words/row_assembler.h"

#include <algorithm>
#include <cstring>

#include "core/store/word_key.h"

namespace tarvolen {

void RowAssembler::Take(const char* word, std::size_t bytes) {
    // Single words, as a placing cutter hands them for a concordance of one word.
    if (inARow_.To == 1) {
        if (placed_)
            entries_.Place(place_.begin, place_.end);
        entries_.Take(word, bytes);
        return;
    }
    if (!gap_.Joins(inARow_.AcrossPunctuation))
        EndRow();
    gap_.Reset();
    const auto most = static_cast<std::size_t>(inARow_.To);
    if (words_ == most) {
        // The oldest word can begin no entry any more.
        for (std::size_t i = 1; i < words_; ++i)
            starts_[i - 1] = starts_[i];
        if (placed_)
            std::move(places_ + 1, places_ + words_, places_);
        --words_;
        carried_ -= carried_ > 0;
    }
    // Past a cut, a word after it begins no entry of this reader's.
    if (carrying_ && carried_ == 0)
        return;
    const std::size_t begin = words_ > 0 ? starts_[0] : end_;
    if (end_ + 1 + bytes + 1 > sizeof row_) {
        // The row moves back to the buffer's start once in a while, not once a word.
        std::memmove(row_, row_ + begin, end_ - begin);
        for (std::size_t i = 0; i < words_; ++i)
            starts_[i] -= begin;
        end_ -= begin;
    }
    if (words_ > 0)
        row_[end_++] = ' ';
    if (placed_)
        places_[words_] = place_;
    starts_[words_++] = end_;
    detail::CopyShort(row_ + end_, word, bytes);
    end_ += bytes;
    row_[end_] = '\0';
    const auto longest = std::min(words_, most);
    const std::size_t shortest = carrying_
                                     ? std::max<std::size_t>(inARow_.From, words_ - carried_ + 1)
                                     : static_cast<std::size_t>(inARow_.From);
    for (auto n = shortest; n <= longest; ++n) {
        const std::size_t start = starts_[words_ - n];
        if (placed_)
            entries_.Place(places_[words_ - n].begin, place_.end);
        entries_.Take(row_ + start, end_ - start);
    }
}

void RowAssembler::EndText() {
    EndRow();
    gap_.Reset();
    carrying_ = false;
}

void RowAssembler::EndRow() {
    words_ = 0;
    end_ = 0;
    carried_ = 0;
}

}  // namespace tarvolen
