#include "core/store/text_blocks.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tarvolen {

namespace {
constexpr std::uint64_t RoundUp(std::uint64_t value, std::uint64_t multiple) {
    return (value + multiple - 1) / multiple * multiple;
}
}  // namespace

void TextBlocks::Swap(TextBlocks& other) {
    std::swap(memory_, other.memory_);
    std::swap(growthStep_, other.growthStep_);
    blocks_.swap(other.blocks_);
    bias_.swap(other.bias_);
    std::swap(current_, other.current_);
    std::swap(filled_, other.filled_);
    std::swap(capacity_, other.capacity_);
    std::swap(used_, other.used_);
}

bool TextBlocks::ObtainFirst(std::size_t initialCapacity) {
    return AddBlock(initialCapacity) || AddBlock(initialCapacity / 2);
}

bool TextBlocks::AddBlock(std::size_t bytes) {
    constexpr std::uint64_t kSpan = std::uint64_t{1} << kSpanShift;
    static_assert(kFirstBytes % kSpan == 0);
    const std::uint64_t start =
        blocks_.empty() ? kFirstBytes : RoundUp(blocks_.back().start + blocks_.back().bytes, kSpan);
    const std::uint64_t end = start + bytes;
    if (bytes == 0 || end > kSpaceBytes)
        return false;
    const auto spans = static_cast<std::size_t>(RoundUp(end, kSpan) >> kSpanShift);
    blocks_.reserve(blocks_.size() + 1);
    bias_.reserve(spans);
    char* base = memory_->Obtain(
        bytes, blocks_.empty() ? ArenaMemory::Use::Text : ArenaMemory::Use::MoreText);
    if (base == nullptr)
        return false;
    blocks_.push_back({base, bytes, start});
    bias_.resize(spans, 0);
    std::fill(bias_.begin() + static_cast<std::ptrdiff_t>(start >> kSpanShift), bias_.end(),
              reinterpret_cast<std::uintptr_t>(base) - start);
    capacity_ += bytes;
    return true;
}

std::uint32_t TextBlocks::Place(const char* text, std::size_t length) {
    const std::size_t slot = RoundUp(length + 1, std::size_t{1} << kUnitShift);
    for (;;) {
        if (current_ < blocks_.size()) {
            const Block& block = blocks_[current_];
            if (filled_ + slot + kReadPast <= block.bytes) {
                char* to = block.base + filled_;
                std::memcpy(to, text, length);
                to[length] = 0;
                const auto name = static_cast<std::uint32_t>((block.start + filled_) >> kUnitShift);
                filled_ += slot;
                used_ += slot;
                return name;
            }
            if (current_ + 1 < blocks_.size()) {
                ++current_;
                filled_ = 0;
                continue;
            }
        }
        // A text longer than a step gets a block of its own size.
        if (!AddBlock(std::max(growthStep_, slot + kReadPast)))
            return 0;
        current_ = blocks_.size() - 1;
        filled_ = 0;
    }
}

void TextBlocks::Rewind() {
    current_ = 0;
    filled_ = 0;
    used_ = 0;
}

void TextBlocks::Release() {
    for (const Block& block : blocks_)
        memory_->Release(block.base, block.bytes);
    blocks_.clear();
    bias_.clear();
    capacity_ = 0;
    Rewind();
}

}  // namespace tarvolen
