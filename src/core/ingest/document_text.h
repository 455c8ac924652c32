#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "core/decode/text_decoder.h"
#include "core/decode/text_encoding.h"
#include "core/markup/markup_reader.h"
#include "core/text/code_page.h"

namespace tarvolen {

// How a run reads its documents besides their encoding; Add Options and the command
// line set it, and it holds for the rest of the process.
struct DocumentRules {
    MarkupMode markup = MarkupMode::ByName;  // "Read web pages as text"
    bool everyFileAsText = false;            // "Read every file as text": no binary check
};

// Bytes that the chunks of a document must have writable in front of them.
inline constexpr std::size_t kDocumentFrontRoom = kDecodeFrontRoom + kTextFrontRoom;
static_assert(kTextFrontRoom >= kMarkupFrontRoom);

// One document's way from its bytes to the text the tokenizer reads: the look at its
// first chunk (no text at all? a web page that names its encoding?), the decoding,
// and for a web page the markup reader.
class DocumentText {
  public:
    // runDecoder is the run's, already started for this document (StartFile).
    DocumentText(const std::string& path, const DocumentRules& rules, TextDecoder& runDecoder,
                 const TextEncoding& runEncoding, CodePage codePage);

    // The document's first chunk, before it is read: false when the document is no
    // text and is to be skipped.
    bool Accept(const unsigned char* bytes, std::size_t size);

    // As TextDecoder::Decode, and then MarkupReader::Read for a web page;
    // chunk[-kDocumentFrontRoom] must be writable.
    std::span<unsigned char> Read(unsigned char* chunk, std::size_t size, bool lastOfFile);

  private:
    const DocumentRules& rules_;
    const TextEncoding& runEncoding_;
    CodePage codePage_;
    TextDecoder* decoder_;
    std::optional<TextDecoder> named_;  // the encoding a web page names for itself
    std::optional<MarkupReader> markup_;
};

}  // namespace tarvolen
