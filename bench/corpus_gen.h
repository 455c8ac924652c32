#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvolen::bench {

// Prose-like text in the English/Latin alphabet: words drawn from a vocabulary of
// vocabularySize distinct words by a Zipf law (exponent 1), English-like word lengths,
// capitals at sentence starts, punctuation, spaces and line breaks. About `bytes` long.
std::string EnglishLikeText(std::size_t bytes, std::uint32_t vocabularySize = 50'000,
                            std::uint32_t seed = 1);

// Text of `words` words that are nearly all distinct (random letters, 5 to 14 of
// them), separated by single spaces and the odd line break.
std::string DistinctWordsText(std::size_t words, std::uint32_t seed = 2);

}  // namespace tarvolen::bench
