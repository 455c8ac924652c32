#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace tarvolen::fuzz {

// A disagreement with the model: libFuzzer keeps the input as a crash, the replay
// test fails.
[[noreturn]] inline void Fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "model mismatch: %s %s\n", what, detail.c_str());
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                        \
    do {                                                                                     \
        if (!(condition))                                                                    \
            ::tarvolen::fuzz::Fail(#condition " at " __FILE__ ":" FUZZ_LINE_TEXT, (detail)); \
    } while (0)
#define FUZZ_STRINGIFY(x) #x
#define FUZZ_LINE_STRING(x) FUZZ_STRINGIFY(x)
#define FUZZ_LINE_TEXT FUZZ_LINE_STRING(__LINE__)

// Takes the parameters of a run from the front of the input; past its end every
// value is 0, so that any input, however short, means one run.
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint32_t Bits32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | Byte();
        return value;
    }
    // A value in 0..count-1.
    std::size_t Below(std::size_t count) { return count == 0 ? 0 : Byte() % count; }

    // Everything not taken yet.
    std::string_view Rest() const {
        return at_ < size_
                   ? std::string_view(reinterpret_cast<const char*>(data_ + at_), size_ - at_)
                   : std::string_view();
    }
    bool Empty() const { return at_ >= size_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Chunk sizes from a seed: 1..maxChunk each, as reads of any length would give.
class ChunkSizes {
  public:
    ChunkSizes(std::uint32_t seed, std::size_t maxChunk)
        : state_(seed | 1u), maxChunk_(maxChunk == 0 ? 1 : maxChunk) {}
    std::size_t Next() {
        // xorshift32: enough to vary the cuts, and the same on every platform.
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return 1 + state_ % maxChunk_;
    }

  private:
    std::uint32_t state_;
    std::size_t maxChunk_;
};

// The chunk sizes worth trying: single bytes, the tokenizer's 64-byte groups and
// their neighbours, and the ingestion's whole block.
inline std::size_t MaxChunkOf(std::uint8_t pick) {
    constexpr std::size_t kSizes[] = {1, 2, 3, 5, 7, 16, 31, 63, 64, 65, 127, 200, 1000, 262'144};
    return kSizes[pick % (sizeof kSizes / sizeof kSizes[0])];
}

}  // namespace tarvolen::fuzz
