#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarvolen {

// The first eight bytes of a text, forwards or from its end, as one big-endian number,
// zero-padded: for texts without NUL, unequal numbers order them as a comparison of
// their bytes does, so a sort reads the texts themselves only on equal ones.
inline std::uint64_t LeadingBytes(std::string_view text, bool backwards = false) {
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < 8 && i < text.size(); ++i) {
        const char byte = backwards ? text[text.size() - 1 - i] : text[i];
        key |= static_cast<std::uint64_t>(static_cast<unsigned char>(byte)) << (56 - 8 * i);
    }
    return key;
}

}  // namespace tarvolen
