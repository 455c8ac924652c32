// Any bytes, read in chunks of any size in any of the encodings offered (and a few
// multi-byte ones iconv knows), decoded and cut into words, must give the words that
// the C library's iconv, followed by the plain model scan, gives for the whole file.
// The model decodes by the documented rules only: a character the code page lacks
// and every ill-formed or cut sequence is a separator; UTF-16 goes unit by unit, so a
// surrogate is a separator of its own; Automatic follows a byte order mark (UTF-32's
// too, read unit by unit), else decides at the first piece of the file holding a byte
// from 0x80 up (UTF-8 when that piece is well-formed UTF-8 up to a sequence its end
// may cut).
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/decode/text_decoder.h"
#include "core/decode/text_encoding.h"
#include "core/store/word_store.h"
#include "core/words/blob.h"
#include "core/words/char_map.h"
#include "core/words/tokenizer.h"
#include "decoded_words.h"
#include "fuzz_input.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/word_model.h"

using namespace tarvolen;

namespace {

constexpr const char* kEncodings[] = {
    "auto",   "codepage",   "utf-8",      "utf-16",      "utf-16le",  "utf-16be", "koi8-r",
    "ibm866", "iso-8859-5", "iso-8859-1", "iso-8859-15", "shift_jis", "gb18030",  "big5",
};
constexpr std::size_t kEncodingCount = sizeof kEncodings / sizeof kEncodings[0];

// One iconv conversion descriptor, closed on the way out.
class Iconv {
  public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        FUZZ_CHECK(cd_ != reinterpret_cast<iconv_t>(-1), std::string(from) + " -> " + to);
    }
    ~Iconv() { iconv_close(cd_); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    enum class Result { Whole, IllFormed, Cut };
    // Converts what it can of bytes; `taken` tells how many input bytes it used.
    Result Convert(std::string_view bytes, std::string& out, std::size_t& taken) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = bytes.size();
        std::string buffer(bytes.size() * 4 + 16, '\0');
        char* at = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t result = iconv(cd_, &in, &inLeft, &at, &outLeft);
        const int error = errno;
        out.append(buffer.data(), buffer.size() - outLeft);
        taken = bytes.size() - inLeft;
        if (result != static_cast<std::size_t>(-1))
            return Result::Whole;
        return error == EINVAL ? Result::Cut : Result::IllFormed;
    }

  private:
    iconv_t cd_;
};

// Code points, as UTF-32LE bytes, to the code page: one byte each, a separator for a
// character the code page lacks.
std::string ToCodePage(const std::string& utf32, CodePage codePage) {
    Iconv cd(codePage == CodePage::Windows1251 ? "CP1251" : "CP1252", "UTF-32LE");
    std::string text;
    for (std::size_t i = 0; i + 4 <= utf32.size(); i += 4) {
        std::string byte;
        std::size_t taken = 0;
        if (cd.Convert(std::string_view(utf32).substr(i, 4), byte, taken) == Iconv::Result::Whole &&
            byte.size() == 1)
            text += byte;
        else
            text += ' ';
    }
    return text;
}

const std::string kSeparator("\x20\0\0\0", 4);  // U+0020 in UTF-32LE

// A byte stream through iconv: where it stops at an ill-formed or cut sequence, one
// byte is a separator and decoding goes on after it.
std::string DecodeStream(std::string_view bytes, const char* from) {
    Iconv cd("UTF-32LE", from);
    std::string utf32;
    while (!bytes.empty()) {
        std::size_t taken = 0;
        if (cd.Convert(bytes, utf32, taken) == Iconv::Result::Whole)
            break;
        utf32 += kSeparator;
        bytes.remove_prefix(taken + 1);
    }
    return utf32;
}

std::string DecodeUtf16(std::string_view bytes, bool little) {
    Iconv cd("UTF-32LE", little ? "UTF-16LE" : "UTF-16BE");
    std::string utf32;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        std::size_t taken = 0;
        if (i + 2 > bytes.size() ||
            cd.Convert(bytes.substr(i, 2), utf32, taken) != Iconv::Result::Whole)
            utf32 += kSeparator;
    }
    return utf32;
}

// UTF-32 after its byte order mark, unit by unit: a surrogate, a value past U+10FFFF
// and a unit the end cuts are separators.
std::string DecodeUtf32(std::string_view bytes, bool little) {
    Iconv cd("UTF-32LE", little ? "UTF-32LE" : "UTF-32BE");
    std::string utf32;
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        std::size_t taken = 0;
        if (i + 4 > bytes.size() ||
            cd.Convert(bytes.substr(i, 4), utf32, taken) != Iconv::Result::Whole)
            utf32 += kSeparator;
    }
    return utf32;
}

// Whether every byte from 0x80 up belongs to well-formed UTF-8, a sequence cut by the
// end allowed unless the file ends there: the cut bytes must be the start of some
// well-formed sequence, which is tried with continuation bytes from each edge of the
// ranges the second byte may take.
bool WellFormedUtf8(std::string_view bytes, bool lastOfFile) {
    Iconv cd("UTF-32LE", "UTF-8");
    std::string ignored;
    std::size_t taken = 0;
    const Iconv::Result result = cd.Convert(bytes, ignored, taken);
    if (result == Iconv::Result::Whole)
        return true;
    if (result == Iconv::Result::IllFormed || lastOfFile)
        return false;
    const std::string cut(bytes.substr(taken));
    static constexpr unsigned char kEdges[] = {0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF};
    std::vector<std::string> tries{cut};
    for (std::size_t length = cut.size(); length < 4; ++length) {
        std::vector<std::string> longer;
        for (const std::string& start : tries) {
            for (unsigned char edge : kEdges) {
                const std::string candidate = start + static_cast<char>(edge);
                if (cd.Convert(candidate, ignored, taken) == Iconv::Result::Whole)
                    return true;
                longer.push_back(candidate);
            }
        }
        tries = std::move(longer);
    }
    return false;
}

bool StartsWith(std::string_view bytes, std::string_view mark) {
    return bytes.substr(0, mark.size()) == mark;
}

std::vector<std::size_t> Ends(const std::vector<std::size_t>& chunks) {
    std::vector<std::size_t> ends;  // where each piece ends
    std::size_t at = 0;
    for (std::size_t n : chunks) {
        at += n;
        ends.push_back(at);
    }
    return ends;
}

// The piece a decoder looks for a byte order mark in: the first chunk, run on over the
// chunks that are a strict beginning of one of the marks. Its index in ends.
std::size_t FirstPiece(std::string_view file, const std::vector<std::size_t>& ends,
                       std::initializer_list<std::string_view> marks) {
    std::size_t first = 0;
    for (std::string_view mark : marks) {
        if (file.empty() || file[0] != mark[0])
            continue;
        while (first + 1 < ends.size() && ends[first] < mark.size() &&
               StartsWith(mark, file.substr(0, ends[first])))
            ++first;
    }
    return first;
}

// UTF-16 without a mark shows by its NULs: at least two, one in every 64 bytes or
// more, and twenty times as many on one side of the pairs as on the other. Whether
// the text is little-endian (NULs in the odd places), or nothing when it is no UTF-16.
std::optional<bool> LittleEndianByNuls(std::string_view piece) {
    std::size_t nuls[2] = {0, 0};
    for (std::size_t i = 0; i < piece.size(); ++i)
        nuls[i % 2] += piece[i] == '\0' ? 1 : 0;
    const std::size_t most = std::max(nuls[0], nuls[1]);
    const std::size_t fewest = std::min(nuls[0], nuls[1]);
    if (most < 2 || most * 64 < piece.size() || fewest * 20 > most)
        return std::nullopt;
    return nuls[1] > nuls[0];
}

// The code-page text the file stands for, as UTF-32LE.
std::string ModelDecode(std::string_view file, const char* name,
                        const std::vector<std::size_t>& chunks) {
    const std::string_view encoding(name);
    if (encoding == "codepage")
        return {};
    if (encoding == "utf-8")
        return DecodeStream(file, "UTF-8");
    if (encoding == "utf-16le" || encoding == "utf-16be")
        return DecodeUtf16(file, encoding == "utf-16le");
    if (encoding == "utf-16") {
        if (StartsWith(file, "\xFF\xFE"))
            return DecodeUtf16(file.substr(2), true);
        if (StartsWith(file, "\xFE\xFF"))
            return DecodeUtf16(file.substr(2), false);
        if (file.empty())
            return {};
        const std::vector<std::size_t> ends = Ends(chunks);
        const std::size_t first = FirstPiece(file, ends, {"\xFF\xFE", "\xFE\xFF"});
        return DecodeUtf16(file, LittleEndianByNuls(file.substr(0, ends[first])).value_or(true));
    }
    if (encoding != "auto")
        return DecodeStream(file, name);
    return {};
}

// Automatic: the code page (as is) up to the piece that decides, then UTF-8 or the
// code page. The pieces are the chunks, except that the first runs on over the
// chunks that are a strict beginning of a byte order mark.
std::string ModelAutomatic(std::string_view file, const std::vector<std::size_t>& chunks,
                           CodePage codePage) {
    using namespace std::string_view_literals;
    if (StartsWith(file, "\xEF\xBB\xBF"))
        return ToCodePage(DecodeStream(file.substr(3), "UTF-8"), codePage);
    if (StartsWith(file, "\xFF\xFE\0\0"sv))
        return ToCodePage(DecodeUtf32(file.substr(4), true), codePage);
    if (StartsWith(file, "\0\0\xFE\xFF"sv))
        return ToCodePage(DecodeUtf32(file.substr(4), false), codePage);
    if (StartsWith(file, "\xFF\xFE"))
        return ToCodePage(DecodeUtf16(file.substr(2), true), codePage);
    if (StartsWith(file, "\xFE\xFF"))
        return ToCodePage(DecodeUtf16(file.substr(2), false), codePage);
    if (file.empty())
        return {};
    const std::vector<std::size_t> ends = Ends(chunks);
    const std::size_t first = FirstPiece(
        file, ends, {"\xEF\xBB\xBF", "\xFF\xFE\0\0"sv, "\0\0\xFE\xFF"sv, "\xFF\xFE", "\xFE\xFF"});
    if (const std::optional<bool> little = LittleEndianByNuls(file.substr(0, ends[first])))
        return ToCodePage(DecodeUtf16(file, *little), codePage);
    std::size_t start = 0;
    for (std::size_t piece = first; piece < ends.size(); ++piece) {
        const std::string_view bytes = file.substr(start, ends[piece] - start);
        bool high = false;
        for (char c : bytes)
            high = high || static_cast<unsigned char>(c) >= 0x80;
        if (high) {
            if (!WellFormedUtf8(bytes, ends[piece] == file.size()))
                return std::string(file);
            return std::string(file.substr(0, start)) +
                   ToCodePage(DecodeStream(file.substr(start), "UTF-8"), codePage);
        }
        start = ends[piece];
    }
    return std::string(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const char* name = kEncodings[input.Below(kEncodingCount)];
    const std::int32_t language = static_cast<std::int32_t>(input.Below(kAlphabetCount));
    fuzz::ChunkSizes sizes(input.Bits32(), fuzz::MaxChunkOf(input.Byte()));
    const std::string_view file = input.Rest();
    std::vector<std::size_t> chunks;
    for (std::size_t at = 0; at < file.size();) {
        chunks.push_back(std::min(sizes.Next(), file.size() - at));
        at += chunks.back();
    }
    const CodePage codePage = CodePageOf(language);
    std::string text;
    if (std::string_view(name) == "codepage")
        text = std::string(file);
    else if (std::string_view(name) == "auto")
        text = ModelAutomatic(file, chunks, codePage);
    else
        text = ToCodePage(ModelDecode(file, name, chunks), codePage);

    CharMap map;
    BuildCharMap(language, map);
    testing::ModelWords model;
    testing::ModelScan(text, map, 1, model);

    const std::optional<TextEncoding> encoding = ParseEncoding(name);
    FUZZ_CHECK(encoding.has_value(), name);
    TextDecoder decoder(*encoding, codePage);
    FUZZ_CHECK(decoder.Valid(), name);
    fuzz::DecodedWords words(language);
    decoder.StartFile();
    std::size_t at = 0;
    for (std::size_t n : chunks) {
        // Exactly the room the decoder may use: in front, the chunk, and one byte.
        std::vector<unsigned char> buffer(kDecodeFrontRoom + n + 1);
        unsigned char* chunk = buffer.data() + kDecodeFrontRoom;
        std::memcpy(chunk, file.data() + at, n);
        at += n;
        const std::span<unsigned char> decoded = decoder.Decode(chunk, n, at == file.size());
        // In place it stays in its room; an encoding that may expand is decoded into
        // the decoder's own buffer.
        const bool inRoom =
            decoded.data() >= buffer.data() && decoded.data() < buffer.data() + buffer.size();
        FUZZ_CHECK(!inRoom || decoded.data() + decoded.size() <= chunk + n,
                   "decoded text outside its room");
        words.Take(decoded);
    }
    words.Finish();

    FUZZ_CHECK(testing::StoreWords(words.Store()) == model.words, name);
    FUZZ_CHECK(words.Qualified() == model.qualified, name);
    return 0;
}
