#include "core/words/row_assembler.h"

#include <algorithm>
#include <cstring>

namespace tarvolen {

void RowAssembler::Take(const char* word, std::size_t bytes) {
    if (!gap_.Joins(inARow_.AcrossPunctuation))
        words_ = length_ = 0;
    gap_.Reset();
    const auto most = static_cast<std::size_t>(inARow_.To);
    if (words_ == most) {
        // The oldest word can begin no entry any more.
        const std::size_t drop = words_ > 1 ? starts_[1] : length_;
        std::memmove(row_, row_ + drop, length_ - drop);
        length_ -= drop;
        for (std::size_t i = 1; i < words_; ++i)
            starts_[i - 1] = starts_[i] - drop;
        --words_;
    }
    if (words_ > 0)
        row_[length_++] = ' ';
    starts_[words_++] = length_;
    std::memcpy(row_ + length_, word, bytes);
    length_ += bytes;
    row_[length_] = '\0';
    const auto longest = std::min(words_, most);
    for (auto n = static_cast<std::size_t>(inARow_.From); n <= longest; ++n) {
        const std::size_t start = starts_[words_ - n];
        entries_.Take(row_ + start, length_ - start);
    }
}

void RowAssembler::EndText() {
    words_ = length_ = 0;
    gap_.Reset();
}

}  // namespace tarvolen
