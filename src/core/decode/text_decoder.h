#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "core/decode/text_encoding.h"
#include "core/decode/utf8_blocks.h"
#include "core/text/code_page.h"

namespace tarvolen {

// Bytes that a chunk handed to TextDecoder::Decode must have writable in front of it:
// the bytes of a sequence cut by the previous chunk's end are put back there, so the
// sequence is decoded once, whole, and the chunk is never copied.
inline constexpr std::size_t kDecodeFrontRoom = 16;

// Bytes writable in front of every text Decode returns, wherever it lies, when the
// chunk had kDecodeFrontRoom + kTextFrontRoom in front of it: the reader of the text
// (the markup reader) puts back there what the previous text's end cut.
inline constexpr std::size_t kTextFrontRoom = 32;

// Turns the bytes of one document, chunk by chunk, into text of the alphabet's code
// page, so that the tokenizer and the store see exactly what the same text saved in
// that code page would give. A character the code page has becomes its byte; any other
// character, and every ill-formed sequence, becomes a separator (kNoByte). Runs of
// separators cut words exactly as one does, which is what lets an undecodable
// stretch of any length stand for a single separator.
//
// How a later part of a document decodes when a reader starts there on its own, as the
// processes that share a large file do: the document's start settles its decoding (a
// byte order mark, Automatic's choice), and from then on the bytes of a single-byte
// encoding or of UTF-8 decode the same wherever the reading starts, after an ASCII
// separator. None: the decoding of a byte depends on the bytes before it (UTF-16, a
// multi-byte or stateful iconv encoding), or the start has not said yet.
enum class PartStart : std::uint8_t { None, Bytes, Utf8, Undecided };

// The bytes a part may begin after: each ends a word under every reading a file is
// divided under, and starts none.
inline constexpr std::array<unsigned char, 4> kPartSeparators = {' ', '\t', '\n', '\r'};

// Decoding is in place where every character takes at least one input byte and gives
// one output byte, so that the output never overtakes the input: the code page, UTF-8,
// UTF-16 and the single-byte encodings. Any other encoding iconv knows may give
// several characters for one byte (TSCII gives up to four), and is decoded into a
// buffer of the decoder's own, grown to what each chunk gives.
//
// With CodePage::Utf8 as the target (the Unicode rule's runs) the text comes out as
// well-formed UTF-8 instead, every ill-formed sequence a space: in place for UTF-8
// documents, into the decoder's own buffer for every other encoding (a Windows-1252
// byte or a UTF-16 unit may take more bytes in UTF-8). Documents without a byte order
// mark that are not well-formed UTF-8 are read as Windows-1252.
class TextDecoder {
  public:
    TextDecoder(const TextEncoding& encoding, CodePage codePage);
    ~TextDecoder();
    TextDecoder(const TextDecoder&) = delete;
    TextDecoder& operator=(const TextDecoder&) = delete;

    // False when iconv could not open the encoding; the decoder must not be used then.
    bool Valid() const { return valid_; }

    // Before the first chunk of each file. A file read in parts gives decideUtf8: when
    // Automatic meets its first byte >= 0x80 it asks it what the whole file decided
    // (DecidesUtf8 on the file's own chunk), which a part's end may cut short.
    void StartFile(std::function<bool()> decideUtf8 = {});
    // Instead of StartFile, before the first chunk of a later part of a document whose
    // start gave start (Continuation). Undecided: Automatic met no byte >= 0x80 in the
    // start, and the first one this part meets asks decideUtf8.
    void StartPart(PartStart start, std::function<bool()> decideUtf8);
    // After the document's first chunk: how a later part of it decodes.
    PartStart Continuation() const;

    // Decodes the next n bytes of the file. chunk[-kDecodeFrontRoom] .. chunk[n] must
    // be writable. lastOfFile: no bytes follow (a sequence cut here is ill-formed).
    // Returns the decoded text, which starts at most kDecodeFrontRoom bytes before
    // chunk, or lies in the decoder's own buffer until the next call; either way the
    // byte after it is writable (the tokenizer puts its NUL there), and so are the
    // kTextFrontRoom bytes before it where the chunk had them before
    // chunk[-kDecodeFrontRoom].
    std::span<unsigned char> Decode(unsigned char* chunk, std::size_t n, bool lastOfFile);

  private:
    enum class Mode : std::uint8_t {
        Sniffing,   // waiting for the bytes that may be a byte order mark
        Detecting,  // Automatic, no byte >= 0x80 seen yet: bytes pass as they are
        PassThrough,
        Utf8,
        Utf16Le,
        Utf16Be,
        Utf32Le,  // by a byte order mark only
        Utf32Be,
        ByteTable,  // a single-byte encoding, through a table built with iconv
        Iconv,
    };

    std::size_t Sniff(unsigned char* begin, std::size_t size, bool lastOfFile);
    template <typename Target>
    std::size_t WalkUtf8(unsigned char* begin, std::size_t size, bool lastOfFile, Target target);
    std::size_t DecodeUtf8(unsigned char* begin, std::size_t size, bool lastOfFile);
    std::size_t DecodeUtf16(unsigned char* begin, std::size_t size, bool lastOfFile);
    // Either target, in place: four bytes give at most four.
    std::size_t DecodeUtf32(unsigned char* begin, std::size_t size, bool lastOfFile);
    // Mode::Iconv, to either target: into ownOut_, whose span it returns.
    std::span<unsigned char> DecodeIconv(unsigned char* begin, std::size_t size, bool lastOfFile);
    void PutWide(std::size_t characters);
    // The UTF-8 target's forms of the above; those that widen write to ownOut_ and
    // return its span.
    std::size_t KeepUtf8(unsigned char* begin, std::size_t size, bool lastOfFile);
    std::span<unsigned char> WidenBytes(const unsigned char* begin, std::size_t size);
    std::span<unsigned char> WidenUtf16(const unsigned char* begin, std::size_t size,
                                        bool lastOfFile);
    std::span<unsigned char> DecodeToUtf8(unsigned char* begin, std::size_t size, bool lastOfFile);
    void Hold(const unsigned char* from, std::size_t length);
    bool BuildByteTable();

    EncodingKind kind_;
    Mode startMode_;
    Mode mode_;
    bool valid_ = true;
    const FromUnicodeTable& fromUnicode_;
    LinearRange range_;
    std::array<unsigned char, kDecodeFrontRoom> pending_{};
    std::size_t pendingLength_ = 0;
    std::array<unsigned char, 256> byteTable_{};
    void* iconv_ = nullptr;  // iconv_t
    std::vector<char32_t> wide_;
    bool toUtf8_ = false;
    std::array<char32_t, 256> byteCharacters_{};  // ByteTable, UTF-8 target: each byte's character
    // The text of a chunk that does not fit in place, after kTextFrontRoom bytes and
    // with room for a byte after it.
    std::vector<unsigned char> ownOut_;
    std::span<unsigned char> OwnText(const unsigned char* end);
    std::function<bool()> decideUtf8_;
};

// Automatic's choice at the first chunk of a document that holds a byte >= 0x80: UTF-8
// when the chunk is well-formed UTF-8, else Windows-1252. Nothing for a chunk of ASCII.
std::optional<bool> DecidesUtf8(const unsigned char* chunk, std::size_t size, bool lastOfFile);

// Whether every byte >= 0x80 of the bytes belongs to a well-formed UTF-8 sequence. A
// sequence cut by the end counts as well-formed unless lastOfFile.
bool IsWellFormedUtf8(const unsigned char* bytes, std::size_t size, bool lastOfFile);

}  // namespace tarvolen
