#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/words/blob.h"
#include "core/words/tokenizer.h"

namespace tarvolen::testing {

// Hands the tokenizer one chunk in a buffer of exactly its bytes and the NUL after
// them, as the reading loop does: a read beyond is a fault the sanitizer sees.
inline void TokenizeExactChunk(std::string_view bytes, std::string& carry,
                               const TokenizerContext& context) {
    std::vector<unsigned char> buffer(bytes.begin(), bytes.end());
    buffer.push_back(0);
    CBlob chunk;
    chunk.Attach(buffer.data(), static_cast<std::uint32_t>(bytes.size()));
    TokenizeChunk(chunk, carry, context);
}

}  // namespace tarvolen::testing
