#include "core/decode/text_decoder.h"

#include "core/decode/binary_sniff.h"
#include "core/decode/utf8_blocks.h"
#include "core/decode/utf8_sequence.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tarvolen {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

inline bool AllAscii(const unsigned char* at) {
    std::uint64_t eight;
    std::memcpy(&eight, at, sizeof eight);
    return (eight & kHighBits) == 0;
}

bool HasHighByte(const unsigned char* bytes, std::size_t size) {
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        if (!AllAscii(bytes + i))
            return true;
    }
    for (; i < size; ++i) {
        if (bytes[i] >= 0x80)
            return true;
    }
    return false;
}

iconv_t AsIconv(void* handle) {
    return static_cast<iconv_t>(handle);
}

const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

// iconv writes what it decodes as UTF-32LE into a scratch buffer of this many
// characters before the characters are mapped to bytes.
constexpr std::size_t kWideCharacters = 4096;

char32_t LoadUtf32Le(const char32_t* at) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(at);
    return static_cast<char32_t>(bytes[0]) | static_cast<char32_t>(bytes[1]) << 8 |
           static_cast<char32_t>(bytes[2]) << 16 | static_cast<char32_t>(bytes[3]) << 24;
}

}  // namespace

bool IsWellFormedUtf8(const unsigned char* bytes, std::size_t size, bool lastOfFile) {
    const unsigned char* at = bytes;
    const unsigned char* end = bytes + size;
    while (at < end) {
        if (end - at >= 8 && AllAscii(at)) {
            at += 8;
            continue;
        }
        if (*at < 0x80) {
            ++at;
            continue;
        }
        const Utf8Sequence sequence = ScanUtf8(at, end);
        if (sequence.status == Utf8Status::IllFormed)
            return false;
        if (sequence.status == Utf8Status::Cut)
            return !lastOfFile;
        at += sequence.length;
    }
    return true;
}

std::optional<bool> DecidesUtf8(const unsigned char* chunk, std::size_t size, bool lastOfFile) {
    if (!HasHighByte(chunk, size))
        return std::nullopt;
    return IsWellFormedUtf8(chunk, size, lastOfFile);
}

TextDecoder::TextDecoder(const TextEncoding& encoding, CodePage codePage)
    : kind_(encoding.kind),
      fromUnicode_(FromUnicodeTableOf(codePage)),
      range_(LinearRangeOf(codePage)),
      toUtf8_(codePage == CodePage::Utf8) {
    switch (encoding.kind) {
        case EncodingKind::Automatic:
        case EncodingKind::Utf16:
            startMode_ = Mode::Sniffing;
            break;
        case EncodingKind::CodePage:
            startMode_ = Mode::PassThrough;
            break;
        case EncodingKind::Utf8:
            startMode_ = Mode::Utf8;
            break;
        case EncodingKind::Utf16Le:
            startMode_ = Mode::Utf16Le;
            break;
        case EncodingKind::Utf16Be:
            startMode_ = Mode::Utf16Be;
            break;
        case EncodingKind::Iconv:
            iconv_ = ::iconv_open("UTF-32LE", encoding.iconvName.c_str());
            if (AsIconv(iconv_) == kNoIconv) {
                iconv_ = nullptr;
                valid_ = false;
                startMode_ = Mode::PassThrough;
                break;
            }
            startMode_ = BuildByteTable() ? Mode::ByteTable : Mode::Iconv;
            if (startMode_ == Mode::Iconv)
                wide_.resize(kWideCharacters);
            break;
    }
    mode_ = startMode_;
}

TextDecoder::~TextDecoder() {
    if (iconv_ != nullptr)
        ::iconv_close(AsIconv(iconv_));
}

// A single-byte encoding turns each byte into one character on its own; then one
// table lookup a byte does the whole conversion. Anything else (a multi-byte or a
// stateful encoding) leaves some byte incomplete alone, and goes through iconv itself.
bool TextDecoder::BuildByteTable() {
    for (int byte = 0; byte < 256; ++byte) {
        ::iconv(AsIconv(iconv_), nullptr, nullptr, nullptr, nullptr);
        char in = static_cast<char>(byte);
        char* inAt = &in;
        std::size_t inLeft = 1;
        char32_t out[2];
        char* outAt = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof out;
        const std::size_t result = ::iconv(AsIconv(iconv_), &inAt, &inLeft, &outAt, &outLeft);
        const std::size_t produced = (sizeof out - outLeft) / sizeof(char32_t);
        if (result == static_cast<std::size_t>(-1)) {
            if (errno != EILSEQ)
                return false;
            byteTable_[byte] = kNoByte;
            byteCharacters_[byte] = U' ';
        } else if (produced == 1) {
            byteTable_[byte] = UnicodeToCodePage(fromUnicode_, LoadUtf32Le(out));
            byteCharacters_[byte] = LoadUtf32Le(out);
        } else {
            return false;
        }
    }
    ::iconv(AsIconv(iconv_), nullptr, nullptr, nullptr, nullptr);
    return true;
}

void TextDecoder::StartFile(std::function<bool()> decideUtf8) {
    mode_ = startMode_;
    pendingLength_ = 0;
    decideUtf8_ = std::move(decideUtf8);
    if (iconv_ != nullptr)
        ::iconv(AsIconv(iconv_), nullptr, nullptr, nullptr, nullptr);
}

void TextDecoder::StartPart(PartStart start, std::function<bool()> decideUtf8) {
    StartFile(std::move(decideUtf8));
    switch (start) {
        case PartStart::Utf8:
            mode_ = Mode::Utf8;
            break;
        case PartStart::Undecided:
            mode_ = Mode::Detecting;
            break;
        default:
            mode_ = startMode_ == Mode::ByteTable ? Mode::ByteTable : Mode::PassThrough;
            break;
    }
}

PartStart TextDecoder::Continuation() const {
    switch (mode_) {
        case Mode::Detecting:
            return PartStart::Undecided;
        case Mode::PassThrough:
            return PartStart::Bytes;
        case Mode::ByteTable:
            // The reader of a part starts after an ASCII separator, which must be one here.
            for (unsigned char byte : kPartSeparators)
                if (byteCharacters_[byte] != byte)
                    return PartStart::None;
            return PartStart::Bytes;
        case Mode::Utf8:
            return PartStart::Utf8;
        default:
            return PartStart::None;
    }
}

void TextDecoder::Hold(const unsigned char* from, std::size_t length) {
    std::memmove(pending_.data(), from, length);
    pendingLength_ = length;
}

std::span<unsigned char> TextDecoder::Decode(unsigned char* chunk, std::size_t n, bool lastOfFile) {
    unsigned char* begin = chunk - pendingLength_;
    std::memcpy(begin, pending_.data(), pendingLength_);
    std::size_t size = n + pendingLength_;
    pendingLength_ = 0;

    if (mode_ == Mode::Sniffing) {
        const std::size_t mark = Sniff(begin, size, lastOfFile);
        if (mode_ == Mode::Sniffing)
            return {begin, 0};
        begin += mark;
        size -= mark;
    }
    if (mode_ == Mode::Detecting) {
        const std::optional<bool> utf8 = DecidesUtf8(begin, size, lastOfFile);
        if (!utf8)
            return {begin, size};
        mode_ = (decideUtf8_ ? decideUtf8_() : *utf8) ? Mode::Utf8 : Mode::PassThrough;
    }
    if (mode_ == Mode::Utf32Le || mode_ == Mode::Utf32Be)
        return {begin, DecodeUtf32(begin, size, lastOfFile)};
    if (toUtf8_)
        return DecodeToUtf8(begin, size, lastOfFile);

    std::size_t decoded = size;
    switch (mode_) {
        case Mode::Utf8:
            decoded = DecodeUtf8(begin, size, lastOfFile);
            break;
        case Mode::Utf16Le:
        case Mode::Utf16Be:
            decoded = DecodeUtf16(begin, size, lastOfFile);
            break;
        case Mode::ByteTable:
            for (std::size_t i = 0; i < size; ++i)
                begin[i] = byteTable_[begin[i]];
            break;
        case Mode::Iconv:
            return DecodeIconv(begin, size, lastOfFile);
        default:
            break;
    }
    return {begin, decoded};
}

// Looks for a byte order mark at the start of the file and returns its length. While
// the bytes so far could still begin a mark, they are held and the mode stays.
std::size_t TextDecoder::Sniff(unsigned char* begin, std::size_t size, bool lastOfFile) {
    struct Mark {
        const char* bytes;
        std::size_t length;
        Mode mode;
        bool utf16;
    };
    // UTF-32's little-endian mark begins with UTF-16's: it is looked for first.
    static constexpr Mark kMarks[] = {
        {"\xEF\xBB\xBF", 3, Mode::Utf8, false},
        {"\xFF\xFE\x00\x00", 4, Mode::Utf32Le, false},
        {"\x00\x00\xFE\xFF", 4, Mode::Utf32Be, false},
        {"\xFF\xFE", 2, Mode::Utf16Le, true},
        {"\xFE\xFF", 2, Mode::Utf16Be, true},
    };
    const bool automatic = kind_ == EncodingKind::Automatic;
    for (const Mark& mark : kMarks) {
        if (!automatic && !mark.utf16)
            continue;
        const std::size_t compared = std::min(size, mark.length);
        if (std::memcmp(begin, mark.bytes, compared) != 0)
            continue;
        if (compared == mark.length) {
            mode_ = mark.mode;
            return mark.length;
        }
        if (!lastOfFile) {
            Hold(begin, size);
            return 0;
        }
    }
    // Without a mark, UTF-16 still shows by its NULs.
    const std::optional<EncodingKind> utf16 = Utf16ByNulPattern(begin, size);
    if (utf16)
        mode_ = *utf16 == EncodingKind::Utf16Be ? Mode::Utf16Be : Mode::Utf16Le;
    else
        mode_ = automatic ? Mode::Detecting : Mode::Utf16Le;
    return 0;
}

// The loop both UTF-8 targets share. Most of a text goes by blocks (Target::Blocks),
// ASCII eight bytes at a time, and what is left one sequence at a time: Target::Put
// writes a whole sequence, Target::kIllFormed stands for one that is not, and a
// sequence the chunk cuts short is held for the next chunk. The store of eight ASCII
// bytes may overlap the eight just loaded, never bytes still to be read: out never
// passes at.
template <typename Target>
std::size_t TextDecoder::WalkUtf8(unsigned char* begin, std::size_t size, bool lastOfFile,
                                  Target target) {
    const unsigned char* at = begin;
    const unsigned char* end = begin + size;
    unsigned char* out = begin;
    while (at < end) {
        target.Blocks(begin, at, end, out);
        if (at == end)
            break;
        if (end - at >= 8 && AllAscii(at)) {
            if (out != at)
                std::memmove(out, at, 8);
            at += 8;
            out += 8;
            continue;
        }
        if (*at < 0x80) {
            *out++ = *at++;
            continue;
        }
        if (target.TwoBytes(at, end, out))
            continue;
        const Utf8Sequence sequence = ScanUtf8(at, end);
        if (sequence.status == Utf8Status::Complete) {
            out = target.Put(out, at, sequence);
        } else if (sequence.status == Utf8Status::IllFormed) {
            *out++ = Target::kIllFormed;
        } else {
            if (!lastOfFile)
                Hold(at, static_cast<std::size_t>(end - at));
            else
                *out++ = Target::kIllFormed;
            break;
        }
        at += sequence.length;
    }
    return static_cast<std::size_t>(out - begin);
}

namespace {

// UTF-8 to the list's code page, one byte a character.
struct ToCodePage {
    static constexpr unsigned char kIllFormed = kNoByte;
    const FromUnicodeTable& table;
    const LinearRange& range;

    void Blocks(const unsigned char*, const unsigned char*& at, const unsigned char* end,
                unsigned char*& out) const {
        DecodeUtf8Blocks(at, end, out, range);
    }
    static bool TwoBytes(const unsigned char*&, const unsigned char*, unsigned char*&) {
        return false;
    }
    unsigned char* Put(unsigned char* out, const unsigned char*,
                       const Utf8Sequence& sequence) const {
        *out++ = UnicodeToCodePage(table, sequence.character);
        return out;
    }
};

// UTF-8 kept as UTF-8, ill-formed bytes made spaces. Until the first ill-formed byte
// the text stays where it is, and blocks of ASCII and two-byte sequences need only
// checking. What stops the blocks is taken a sequence at a time, for a block's length
// before they are tried again. Copies are spelled out byte by byte: a call to memmove
// for two bytes costs more.
struct KeptUtf8 {
    static constexpr unsigned char kIllFormed = ' ';
    const unsigned char* retry;

    void Blocks(unsigned char* begin, const unsigned char*& at, const unsigned char* end,
                unsigned char*& out) {
        if (out != at || at < retry)
            return;
        at = SkipTwoByteUtf8Blocks(at, end);
        out = begin + (at - begin);
        retry = at + 16;
    }
    // Two bytes: the letters of Greek, Cyrillic, Hebrew, Arabic and Latin with accents.
    static bool TwoBytes(const unsigned char*& at, const unsigned char* end, unsigned char*& out) {
        if (*at < 0xC2 || *at > 0xDF || end - at < 2 || (at[1] & 0xC0) != 0x80)
            return false;
        out[0] = at[0];
        out[1] = at[1];
        out += 2;
        at += 2;
        return true;
    }
    static unsigned char* Put(unsigned char* out, const unsigned char* at,
                              const Utf8Sequence& sequence) {
        for (std::size_t k = 0; k < sequence.length; ++k)
            out[k] = at[k];
        return out + sequence.length;
    }
};

}  // namespace

std::size_t TextDecoder::DecodeUtf8(unsigned char* begin, std::size_t size, bool lastOfFile) {
    return WalkUtf8(begin, size, lastOfFile, ToCodePage{fromUnicode_, range_});
}

// Surrogates, paired or not, stand for characters beyond the Basic Multilingual
// Plane, which no code page has: each becomes a separator on its own.
std::size_t TextDecoder::DecodeUtf16(unsigned char* begin, std::size_t size, bool lastOfFile) {
    const FromUnicodeTable& table = fromUnicode_;
    const std::size_t units = size / 2;
    const bool little = mode_ == Mode::Utf16Le;
    for (std::size_t i = 0; i < units; ++i) {
        const unsigned first = begin[2 * i];
        const unsigned second = begin[2 * i + 1];
        const unsigned unit = little ? (second << 8 | first) : (first << 8 | second);
        begin[i] = table[unit];
    }
    std::size_t decoded = units;
    if (size % 2 != 0) {
        if (!lastOfFile)
            Hold(begin + size - 1, 1);
        else
            begin[decoded++] = kNoByte;
    }
    return decoded;
}

namespace {

inline unsigned char* PutUtf8(unsigned char* out, char32_t c);

}  // namespace

// What no text may hold (a surrogate, a value past U+10FFFF) is a separator.
std::size_t TextDecoder::DecodeUtf32(unsigned char* begin, std::size_t size, bool lastOfFile) {
    const bool little = mode_ == Mode::Utf32Le;
    const std::size_t units = size / 4;
    unsigned char* out = begin;
    for (std::size_t i = 0; i < units; ++i) {
        const unsigned char* at = begin + 4 * i;
        const char32_t c = little ? char32_t{at[0]} | char32_t{at[1]} << 8 | char32_t{at[2]} << 16 |
                                        char32_t{at[3]} << 24
                                  : char32_t{at[3]} | char32_t{at[2]} << 8 | char32_t{at[1]} << 16 |
                                        char32_t{at[0]} << 24;
        const bool scalar = c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
        if (toUtf8_)
            out = PutUtf8(out, scalar ? c : U' ');
        else
            *out++ = scalar ? UnicodeToCodePage(fromUnicode_, c) : kNoByte;
    }
    if (size % 4 != 0) {
        if (!lastOfFile)
            Hold(begin + 4 * units, size % 4);
        else
            *out++ = toUtf8_ ? ' ' : kNoByte;
    }
    return static_cast<std::size_t>(out - begin);
}

namespace {

inline unsigned char* PutUtf8(unsigned char* out, char32_t c) {
    if (c < 0x80) {
        *out++ = static_cast<unsigned char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<unsigned char>(0xC0 | (c >> 6));
        *out++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<unsigned char>(0xE0 | (c >> 12));
        *out++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<unsigned char>(0xF0 | (c >> 18));
        *out++ = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    }
    return out;
}

// A character no text may hold becomes a space in the UTF-8 target.
inline char32_t Scalar(char32_t c) {
    return c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) ? U' ' : c;
}

}  // namespace

std::span<unsigned char> TextDecoder::DecodeToUtf8(unsigned char* begin, std::size_t size,
                                                   bool lastOfFile) {
    switch (mode_) {
        case Mode::Utf8:
            return {begin, KeepUtf8(begin, size, lastOfFile)};
        case Mode::Utf16Le:
        case Mode::Utf16Be:
            return WidenUtf16(begin, size, lastOfFile);
        case Mode::Iconv:
            return DecodeIconv(begin, size, lastOfFile);
        default:
            return WidenBytes(begin, size);
    }
}

std::size_t TextDecoder::KeepUtf8(unsigned char* begin, std::size_t size, bool lastOfFile) {
    return WalkUtf8(begin, size, lastOfFile, KeptUtf8{begin});
}

// Windows-1252 (Automatic's fallback, or the bytes as they are), or a single-byte
// encoding through its table.
std::span<unsigned char> TextDecoder::WidenBytes(const unsigned char* begin, std::size_t size) {
    ownOut_.resize(kTextFrontRoom + 3 * size + 8);
    unsigned char* out = ownOut_.data() + kTextFrontRoom;
    const bool table = mode_ == Mode::ByteTable;
    const ToUnicodeTable& western = ToUnicodeTableOf(CodePage::Windows1252);
    std::size_t i = 0;
    while (i < size) {
        // ASCII eight bytes at a time where the encoding keeps ASCII as it is.
        if (!table && size - i >= 8 && AllAscii(begin + i)) {
            std::memcpy(out, begin + i, 8);
            out += 8;
            i += 8;
            continue;
        }
        const unsigned char byte = begin[i++];
        char32_t c;
        if (table) {
            c = byteCharacters_[byte];
        } else {
            c = western[byte];
            if (c == 0xFFFD)
                c = U' ';
        }
        out = PutUtf8(out, Scalar(c));
    }
    return OwnText(out);
}

// Surrogate pairs become the characters they stand for; a lone surrogate is a space.
// A high surrogate at the end of a chunk waits for the next one.
std::span<unsigned char> TextDecoder::WidenUtf16(const unsigned char* begin, std::size_t size,
                                                 bool lastOfFile) {
    ownOut_.resize(kTextFrontRoom + 3 * (size / 2) + 2);
    unsigned char* out = ownOut_.data() + kTextFrontRoom;
    const bool little = mode_ == Mode::Utf16Le;
    auto unitAt = [&](std::size_t i) -> char32_t {
        const unsigned first = begin[2 * i];
        const unsigned second = begin[2 * i + 1];
        return little ? (second << 8 | first) : (first << 8 | second);
    };
    const std::size_t units = size / 2;
    std::size_t i = 0;
    for (; i < units; ++i) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 == units) {
                if (!lastOfFile)
                    break;  // held below, with an odd byte after it if any
                out = PutUtf8(out, U' ');
                continue;
            }
            const char32_t next = unitAt(i + 1);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                out = PutUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        out = PutUtf8(out, Scalar(unit));
    }
    if (i < units || size % 2 != 0) {
        if (!lastOfFile)
            Hold(begin + 2 * i, size - 2 * i);
        else
            out = PutUtf8(out, U' ');
    }
    return OwnText(out);
}

// Maps the characters iconv left in wide_ to the target, at the end of ownOut_.
void TextDecoder::PutWide(std::size_t characters) {
    const std::size_t at = ownOut_.size();
    ownOut_.resize(at + (toUtf8_ ? 4 : 1) * characters);
    unsigned char* out = ownOut_.data() + at;
    for (std::size_t i = 0; i < characters; ++i) {
        const char32_t c = LoadUtf32Le(&wide_[i]);
        if (toUtf8_)
            out = PutUtf8(out, Scalar(c));
        else
            *out++ = UnicodeToCodePage(fromUnicode_, c);
    }
    ownOut_.resize(static_cast<std::size_t>(out - ownOut_.data()));
}

std::span<unsigned char> TextDecoder::DecodeIconv(unsigned char* begin, std::size_t size,
                                                  bool lastOfFile) {
    const std::size_t wideBytes = wide_.size() * sizeof(char32_t);
    ownOut_.assign(kTextFrontRoom, 0);
    char* in = reinterpret_cast<char*>(begin);
    std::size_t inLeft = size;
    while (inLeft > 0) {
        char* wideAt = reinterpret_cast<char*>(wide_.data());
        std::size_t wideLeft = wideBytes;
        const std::size_t result = ::iconv(AsIconv(iconv_), &in, &inLeft, &wideAt, &wideLeft);
        const int error = errno;
        PutWide((wideBytes - wideLeft) / sizeof(char32_t));
        if (result != static_cast<std::size_t>(-1) || error == E2BIG)
            continue;
        if (error == EINVAL && !lastOfFile && inLeft <= kDecodeFrontRoom) {
            Hold(reinterpret_cast<unsigned char*>(in), inLeft);
            break;
        }
        // Ill-formed, or cut by the end of the file: one byte is a separator, and
        // decoding resumes after it. glibc's ISO-2022-CN-EXT reports a shift-out with
        // no set designated after it has passed the byte, so at the end of the input
        // there may be no byte left to skip.
        ownOut_.push_back(toUtf8_ ? ' ' : kNoByte);
        if (inLeft == 0)
            break;
        ++in;
        --inLeft;
    }
    if (lastOfFile) {
        // Some encodings hold a letter back until they see whether a combining mark
        // follows (CP1258, TCVN5712-1); the end of the file lets it go.
        char* wideAt = reinterpret_cast<char*>(wide_.data());
        std::size_t wideLeft = wideBytes;
        ::iconv(AsIconv(iconv_), nullptr, nullptr, &wideAt, &wideLeft);
        PutWide((wideBytes - wideLeft) / sizeof(char32_t));
        ::iconv(AsIconv(iconv_), nullptr, nullptr, nullptr, nullptr);
    }
    const std::size_t length = ownOut_.size() - kTextFrontRoom;
    ownOut_.push_back(0);  // the byte after the text is writable
    return {ownOut_.data() + kTextFrontRoom, length};
}

std::span<unsigned char> TextDecoder::OwnText(const unsigned char* end) {
    unsigned char* const text = ownOut_.data() + kTextFrontRoom;
    return {text, static_cast<std::size_t>(end - text)};
}

}  // namespace tarvolen
