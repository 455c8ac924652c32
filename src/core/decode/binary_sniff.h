#pragma once

#include <cstddef>
#include <optional>

#include "core/decode/text_encoding.h"

namespace tarvolen {

// Whether the start of a file is text, told from its bytes alone: one home for what
// ingestion and the list reader take to be text, UTF-16 without a byte order mark
// included.

// UTF-16 text without a byte order mark gives itself away by its NUL bytes: every
// ASCII character, and every Latin-1 one, has one, always on the same side of its two
// bytes, while the NULs of a binary file fall on both sides alike. Utf16Le or Utf16Be
// when the NULs of the bytes are that pattern; nothing when there are none, or too
// few to tell, or they fall on both sides.
std::optional<EncodingKind> Utf16ByNulPattern(const unsigned char* bytes, std::size_t size);

// Whether a file whose first chunk is bytes is no text: it starts with the signature of
// a common binary format (ELF, PDF, ZIP and the office formats built on it, PNG, JPEG,
// GIF, gzip, bzip2, xz), or it holds a NUL byte and is not UTF-16 by its byte order
// mark, by the pattern of its NULs, or by the encoding chosen for it.
bool LooksBinary(const unsigned char* bytes, std::size_t size, const TextEncoding& encoding);

}  // namespace tarvolen
