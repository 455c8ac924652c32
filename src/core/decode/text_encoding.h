#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarvolen {

// How the bytes of a document are read before the tokenizer sees them.
enum class EncodingKind : std::uint8_t {
    Automatic,  // a byte order mark, else the first chunk with a byte >= 0x80, decides
    CodePage,   // the bytes as they are, in the alphabet's code page
    Utf8,
    Utf16,  // a byte order mark decides the byte order; little-endian without one
    Utf16Le,
    Utf16Be,
    Iconv,  // any other encoding the C library's iconv knows, by name
};

struct TextEncoding {
    EncodingKind kind = EncodingKind::Automatic;
    std::string iconvName;  // EncodingKind::Iconv only
};

// The encodings offered by name: the command line's name and the label of the Add
// Options list, in the order of that list.
struct EncodingChoice {
    const char* name;
    const char* label;
};
std::span<const EncodingChoice> EncodingChoices();

inline constexpr const char* kAutomaticEncodingName = "auto";

// By name, case-insensitive: one of EncodingChoices(), or any other name that iconv
// can convert from. Nothing for an unknown name.
std::optional<TextEncoding> ParseEncoding(std::string_view name);

}  // namespace tarvolen
