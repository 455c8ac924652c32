#include "core/ingest/document_text.h"

#include <cstring>

#include "core/decode/binary_sniff.h"
#include "core/decode/charset_hint.h"

namespace tarvolen {

namespace {

bool StartsWithByteOrderMark(const unsigned char* bytes, std::size_t size) {
    return (size >= 3 && std::memcmp(bytes, "\xEF\xBB\xBF", 3) == 0) ||
           (size >= 2 &&
            (std::memcmp(bytes, "\xFF\xFE", 2) == 0 || std::memcmp(bytes, "\xFE\xFF", 2) == 0)) ||
           (size >= 4 && std::memcmp(bytes, "\0\0\xFE\xFF", 4) == 0);
}

}  // namespace

DocumentText::DocumentText(const std::string& path, const DocumentRules& rules,
                           TextDecoder& runDecoder, const TextEncoding& runEncoding,
                           CodePage codePage)
    : rules_(rules), runEncoding_(runEncoding), codePage_(codePage), decoder_(&runDecoder) {
    if (ReadsAsMarkup(rules.markup, path))
        markup_.emplace(codePage);
}

bool DocumentText::Accept(const unsigned char* bytes, std::size_t size) {
    if (!rules_.everyFileAsText && LooksBinary(bytes, size, runEncoding_))
        return false;
    // What a page says of its encoding is a hint for Automatic only, and a byte order
    // mark says more.
    if (markup_ && runEncoding_.kind == EncodingKind::Automatic &&
        !StartsWithByteOrderMark(bytes, size)) {
        if (std::optional<std::string> hint = FindCharsetHint(bytes, size)) {
            if (std::optional<TextEncoding> encoding = ParseEncoding(*hint)) {
                named_.emplace(*encoding, codePage_);
                if (named_->Valid())
                    decoder_ = &*named_;
            }
        }
    }
    return true;
}

std::span<unsigned char> DocumentText::Read(unsigned char* chunk, std::size_t size,
                                            bool lastOfFile) {
    const std::span<unsigned char> text = decoder_->Decode(chunk, size, lastOfFile);
    if (!markup_)
        return text;
    return markup_->Read(text.data(), text.size(), lastOfFile);
}

}  // namespace tarvolen
