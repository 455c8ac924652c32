// Any bytes, under any encoding the C library's iconv converts from, read in chunks
// of any size into a buffer of exactly the room the decoder is promised (the room in
// front, the chunk and one byte): decoding must stay inside it, or inside its own
// buffer, however many characters a byte expands to (TSCII gives four), and the
// tokenizer's NUL after the text must land on a writable byte; for the Unicode rule
// the text must be well-formed UTF-8. ASan tells the rest.
//
// The encoding is the list's entry at the input's first two bytes, or, for an input
// that starts with '=', the name up to the first line end, so that a regression
// keeps its encoding wherever iconv lists it.
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/decode/text_decoder.h"
#include "core/decode/text_encoding.h"
#include "decoded_words.h"
#include "fuzz_input.h"

using namespace tarvolen;

namespace {

constexpr const char* kIconvNames[] = {
#include "iconv_names.inc"
    "TSCII", "CP1258", "TCVN5712-1", "UTF-7", "ISO-2022-JP-3", "BIG5-HKSCS", "EUC-JISX0213",
};
constexpr std::size_t kIconvNameCount = sizeof kIconvNames / sizeof kIconvNames[0];

std::string PickEncoding(fuzz::FuzzInput& input, std::string_view& rest) {
    rest = input.Rest();
    if (!rest.empty() && rest.front() == '=') {
        const std::size_t end = rest.find('\n');
        if (end != std::string_view::npos) {
            std::string name(rest.substr(1, end - 1));
            rest.remove_prefix(end + 1);
            return name;
        }
    }
    const std::size_t index = (std::size_t{input.Byte()} << 8 | input.Byte()) % kIconvNameCount;
    rest = input.Rest();
    return kIconvNames[index];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    std::string_view rest;
    const std::string name = PickEncoding(input, rest);
    fuzz::FuzzInput parameters(reinterpret_cast<const std::uint8_t*>(rest.data()), rest.size());
    const std::int32_t language = static_cast<std::int32_t>(parameters.Below(kLanguageCount));
    fuzz::ChunkSizes sizes(parameters.Bits32(), fuzz::MaxChunkOf(parameters.Byte()));
    const std::string_view file = parameters.Rest();

    const std::optional<TextEncoding> encoding = ParseEncoding(name);
    if (!encoding)
        return 0;  // a name iconv lists only as a target
    TextDecoder decoder(*encoding, CodePageOf(language));
    FUZZ_CHECK(decoder.Valid(), name);
    fuzz::DecodedWords words(language);
    decoder.StartFile();
    std::size_t at = 0;
    do {
        const std::size_t n = std::min(sizes.Next(), file.size() - at);
        std::vector<unsigned char> buffer(kDecodeFrontRoom + n + 1);
        unsigned char* chunk = buffer.data() + kDecodeFrontRoom;
        if (n > 0)  // an empty file's data() may be null
            std::memcpy(chunk, file.data() + at, n);
        at += n;
        const std::span<unsigned char> decoded = decoder.Decode(chunk, n, at == file.size());
        const bool inRoom =
            decoded.data() >= buffer.data() && decoded.data() < buffer.data() + buffer.size();
        if (inRoom) {
            FUZZ_CHECK(decoded.data() + decoded.size() <= chunk + n, name);
        }
        // The Unicode rule's target holds whole characters only, a cut one waiting
        // for the next chunk.
        if (language == kUnicode) {
            FUZZ_CHECK(IsWellFormedUtf8(decoded.data(), decoded.size(), true), name);
        }
        words.Take(decoded);
    } while (at < file.size());
    words.Finish();
    return 0;
}
