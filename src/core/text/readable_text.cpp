#include "core/text/readable_text.h"

#include <cstddef>
#include <cstdint>

namespace tarvolen {

namespace {

// The length of the well-formed UTF-8 sequence at text[i], or 0 when there is none:
// no overlong forms, no surrogates, nothing above U+10FFFF.
std::size_t SequenceAt(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    // Only the first continuation byte has a narrower range.
    if (byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(k) < 0x80 || byte(k) > 0xBF)
            return 0;
    }
    return length;
}

// C1 controls (U+0080..U+009F) act on a terminal as the ASCII ones do (U+009B starts
// a control sequence), and the bidirectional controls (U+200E, U+200F, U+202A..U+202E,
// U+2066..U+2069) make a name read in another order than its bytes.
bool IsControlSequence(std::string_view sequence) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(sequence[k]); };
    if (sequence.size() == 2)
        return byte(0) == 0xC2 && byte(1) <= 0x9F;
    if (sequence.size() != 3 || byte(0) != 0xE2)
        return false;
    if (byte(1) == 0x80)
        return byte(2) == 0x8E || byte(2) == 0x8F || (byte(2) >= 0xAA && byte(2) <= 0xAE);
    return byte(1) == 0x81 && byte(2) >= 0xA6 && byte(2) <= 0xA9;
}

void AppendEscaped(std::string& out, unsigned char byte) {
    constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

}  // namespace

std::string ReadableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            const bool control =
                (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') || byte == 0x7F;
            if (control)
                AppendEscaped(out, byte);
            else
                out += static_cast<char>(byte);
            ++i;
            continue;
        }
        const std::size_t length = SequenceAt(text, i);
        if (length == 0) {
            AppendEscaped(out, byte);
            ++i;
            continue;
        }
        if (IsControlSequence(text.substr(i, length))) {
            for (std::size_t k = 0; k < length; ++k)
                AppendEscaped(out, static_cast<unsigned char>(text[i + k]));
        } else {
            out.append(text, i, length);
        }
        i += length;
    }
    return out;
}

}  // namespace tarvolen
