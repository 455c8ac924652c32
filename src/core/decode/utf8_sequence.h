#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvolen {

enum class Utf8Status : std::uint8_t { Complete, IllFormed, Cut };

struct Utf8Sequence {
    Utf8Status status;
    std::size_t length;  // bytes taken: the whole sequence, or its ill-formed start
    char32_t character;
};

// The sequence that starts at the non-ASCII byte *at, by the table of well-formed
// UTF-8 sequences (no overlong forms, no surrogates, nothing past U+10FFFF). An
// ill-formed one is as long as its longest well-formed start, at least one byte, so
// that decoding resumes at the byte that broke it.
inline Utf8Sequence ScanUtf8(const unsigned char* at, const unsigned char* end) {
    const unsigned lead = *at;
    std::size_t trail;
    char32_t character;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1;
        character = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trail = 2;
        character = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trail = 3;
        character = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return {Utf8Status::IllFormed, 1, 0};
    }
    for (std::size_t k = 1; k <= trail; ++k) {
        if (at + k >= end)
            return {Utf8Status::Cut, k, 0};
        const unsigned next = at[k];
        if (next < low || next > high)
            return {Utf8Status::IllFormed, k, 0};
        low = 0x80;
        high = 0xBF;
        character = (character << 6) | (next & 0x3F);
    }
    return {Utf8Status::Complete, trail + 1, character};
}

}  // namespace tarvolen
