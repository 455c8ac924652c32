#include "core/decode/binary_sniff.h"

#include <cstring>
#include <string_view>

namespace tarvolen {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kSignatures[] = {
    "\177ELF"sv,
    "%PDF-"sv,
    "PK\x03\x04"sv,  // ZIP, and the office formats inside one (docx, odt, epub)
    "PK\x05\x06"sv,  // an empty ZIP
    "\x89PNG\r\n\x1A\n"sv,
    "\xFF\xD8\xFF"sv,  // JPEG
    "GIF87a"sv,
    "GIF89a"sv,
    "\x1F\x8B"sv,    // gzip
    "\3757zXZ\0"sv,  // xz: 0xFD, then "7zXZ"
};

bool StartsWith(const unsigned char* bytes, std::size_t size, std::string_view signature) {
    return size >= signature.size() && std::memcmp(bytes, signature.data(), signature.size()) == 0;
}

// "BZh" and a block size alone could start a line of text; the magic number of the
// first block (or of the end of an empty stream) cannot.
bool IsBzip2(const unsigned char* bytes, std::size_t size) {
    if (size < 10 || !StartsWith(bytes, size, "BZh") || bytes[3] < '1' || bytes[3] > '9')
        return false;
    return std::memcmp(bytes + 4, "\x31\x41\x59\x26\x53\x59", 6) == 0 ||
           std::memcmp(bytes + 4, "\x17\x72\x45\x38\x50\x90", 6) == 0;
}

// An encoding whose text holds NUL bytes of its own.
bool AllowsNul(const TextEncoding& encoding) {
    switch (encoding.kind) {
        case EncodingKind::Utf16:
        case EncodingKind::Utf16Le:
        case EncodingKind::Utf16Be:
            return true;
        case EncodingKind::Iconv:
            for (std::string_view wide : {"16", "32", "UCS"}) {
                std::string upper = encoding.iconvName;
                for (char& c : upper)
                    if (c >= 'a' && c <= 'z')
                        c = static_cast<char>(c - 'a' + 'A');
                if (upper.find(wide) != std::string::npos)
                    return true;
            }
            return false;
        default:
            return false;
    }
}

}  // namespace

std::optional<EncodingKind> Utf16ByNulPattern(const unsigned char* bytes, std::size_t size) {
    std::size_t onSide[2] = {0, 0};
    const unsigned char* end = bytes + size;
    for (const unsigned char* at = bytes; at < end; ++at) {
        at = static_cast<const unsigned char*>(std::memchr(at, 0, end - at));
        if (at == nullptr)
            break;
        ++onSide[(at - bytes) % 2];
    }
    const bool odd = onSide[1] > onSide[0];
    const std::size_t most = onSide[odd ? 1 : 0];
    const std::size_t fewest = onSide[odd ? 0 : 1];
    // Text of words no longer than twenty letters has a NUL in every 32 characters or
    // so even in Cyrillic, where only spaces, digits and punctuation carry one; a
    // character of a few Asian scripts may put one on the other side now and then. A
    // single NUL tells nothing.
    if (most < 2 || most * 64 < size || fewest * 20 > most)
        return std::nullopt;
    return odd ? EncodingKind::Utf16Le : EncodingKind::Utf16Be;
}

bool LooksBinary(const unsigned char* bytes, std::size_t size, const TextEncoding& encoding) {
    for (std::string_view signature : kSignatures)
        if (StartsWith(bytes, size, signature))
            return true;
    if (IsBzip2(bytes, size))
        return true;
    if (std::memchr(bytes, 0, size) == nullptr || AllowsNul(encoding))
        return false;
    // The byte order marks of UTF-16, and of UTF-32 (the little-endian one is UTF-16's
    // followed by two NULs).
    if (StartsWith(bytes, size, "\xFF\xFE") || StartsWith(bytes, size, "\xFE\xFF") ||
        StartsWith(bytes, size, std::string_view("\0\0\xFE\xFF", 4)))
        return false;
    return !Utf16ByNulPattern(bytes, size).has_value();
}

}  // namespace tarvolen
