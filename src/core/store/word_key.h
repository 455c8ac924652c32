#pragma once

// The key and hash arithmetic that the tokenizer and the word store share: the
// tokenizer takes a word's key and hash where the word lies in the chunk, so the
// store never reads the word a second time to find it.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tarvolen {

// The string hash the store's table is built on (and so its bucket order).
inline constexpr std::uint32_t kHashSeed = 0;
constexpr std::uint32_t HashStep(std::uint32_t hash, unsigned char byte) {
    return hash * 33u + byte;
}
// HashStep over every byte of the word (defined below).
inline std::uint32_t HashWord(const char* word, std::size_t length);

// A word's key: its first kKeyBytes bytes, NUL-padded, which for a word of up to
// kKeyBytes bytes is the whole word.
inline constexpr std::size_t kKeyBytes = 20;
struct WordKey {
    std::uint64_t a;  // bytes 0..7, first byte lowest
    std::uint64_t b;  // bytes 8..15
    std::uint32_t c;  // bytes 16..19
};
// How many bytes the padded forms may read from a word's first byte on.
inline constexpr std::size_t kKeyReach = 24;

// The tag that finds a key in the store's cache of recent words.
inline std::uint32_t TagOf(const WordKey& key) {
    const std::uint64_t mixed = (key.a ^ std::rotl(key.b, 29) ^ key.c) * 0x9E3779B97F4A7C15ull;
    return static_cast<std::uint32_t>(mixed >> 32);
}

namespace detail {

// sizeof(Word) bytes from at, whatever its alignment, the first byte lowest.
template <typename Word>
inline Word Load(const char* at) {
    Word word;
    std::memcpy(&word, at, sizeof(Word));
    return word;
}

// Copies and compares of a few bytes without a library call; every access stays
// within the n bytes given.
// The first and the last sizeof(Word) bytes of n, which overlap when n is less than
// twice that: sizeof(Word) <= n <= 2 * sizeof(Word).
template <typename Word>
inline void CopyEnds(char* to, const char* from, std::size_t n) {
    Word head, tail;
    std::memcpy(&head, from, sizeof(Word));
    std::memcpy(&tail, from + n - sizeof(Word), sizeof(Word));
    std::memcpy(to, &head, sizeof(Word));
    std::memcpy(to + n - sizeof(Word), &tail, sizeof(Word));
}

template <typename Word>
inline bool EqualEnds(const char* a, const char* b, std::size_t n) {
    Word a1, a2, b1, b2;
    std::memcpy(&a1, a, sizeof(Word));
    std::memcpy(&b1, b, sizeof(Word));
    std::memcpy(&a2, a + n - sizeof(Word), sizeof(Word));
    std::memcpy(&b2, b + n - sizeof(Word), sizeof(Word));
    return ((a1 ^ b1) | (a2 ^ b2)) == 0;
}

// Words and entries are a few to a few dozen bytes: a library call costs them more
// than the copy, in the hot paths of words in a row.
struct Bytes16 {
    char bytes[16];
};
inline void CopyShort(char* to, const char* from, std::size_t n) {
    if (n >= 8 && n <= 16)
        CopyEnds<std::uint64_t>(to, from, n);
    else if (n > 16 && n <= 32)
        CopyEnds<Bytes16>(to, from, n);
    else if (n >= 4 && n < 8)
        CopyEnds<std::uint32_t>(to, from, n);
    else
        std::memcpy(to, from, n);
}

inline bool EqualShort(const char* a, const char* b, std::size_t n) {
    if (n >= 8 && n <= 16)
        return EqualEnds<std::uint64_t>(a, b, n);
    if (n >= 4 && n < 8)
        return EqualEnds<std::uint32_t>(a, b, n);
    if (n >= 2 && n < 4)
        return EqualEnds<std::uint16_t>(a, b, n);
    return std::memcmp(a, b, n) == 0;
}

// Per length 0..20, the bits of the three key words that hold the word's own bytes.
struct KeyMask {
    std::uint64_t a, b;
    std::uint32_t c;
};

constexpr std::uint64_t LowBytes64(std::size_t bytes) {
    return bytes >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * bytes)) - 1;
}

struct KeyMasks {
    KeyMask masks[21];
    constexpr KeyMasks() : masks() {
        for (std::size_t length = 0; length <= 20; ++length) {
            masks[length].a = LowBytes64(length);
            masks[length].b = LowBytes64(length > 8 ? length - 8 : 0);
            masks[length].c = static_cast<std::uint32_t>(LowBytes64(length > 16 ? length - 16 : 0));
        }
    }
};

inline constexpr KeyMasks kKeyMasks{};

// HashOfKey: Horner's rule over a fixed 20 bytes, the bytes past the word being 0,
// gives the hash times 33^(20 - length); 33 is odd, so that factor has an inverse
// modulo 2^32 and one multiplication takes it out. The 20 steps are done pairwise in
// the lanes of 64-bit words, so the work is the same for every length.
constexpr std::uint32_t Power33(unsigned exponent) {
    std::uint32_t power = 1;
    while (exponent-- > 0)
        power *= 33u;
    return power;
}

constexpr std::uint32_t kInverse33 = [] {
    std::uint32_t inverse = 33u;  // Newton's iteration doubles the good bits each time
    for (int i = 0; i < 5; ++i)
        inverse *= 2u - 33u * inverse;
    return inverse;
}();
static_assert(33u * kInverse33 == 1u);

struct Unpowers {
    std::uint32_t values[21];
    constexpr Unpowers() : values() {
        std::uint32_t value = 1;
        for (auto& v : values) {
            v = value;
            value *= kInverse33;
        }
    }
};
inline constexpr Unpowers kUnpowers{};

// Horner's rule over the 8 bytes of x, the lowest byte first.
inline std::uint32_t Horner8(std::uint64_t x) {
    constexpr std::uint64_t kBytes = 0x00FF00FF00FF00FFull;
    constexpr std::uint64_t kPairs = 0x0000FFFF0000FFFFull;
    const std::uint64_t pairs = (x & kBytes) * 33u + ((x >> 8) & kBytes);
    const std::uint64_t quads = (pairs & kPairs) * Power33(2) + ((pairs >> 16) & kPairs);
    return static_cast<std::uint32_t>(quads) * Power33(4) + static_cast<std::uint32_t>(quads >> 32);
}

inline std::uint32_t Horner4(std::uint32_t x) {
    const std::uint32_t pairs = (x & 0x00FF00FFu) * 33u + ((x >> 8) & 0x00FF00FFu);
    return (pairs & 0xFFFFu) * Power33(2) + (pairs >> 16);
}

}  // namespace detail

// The key of a word of the given length; reads no byte beyond word[length].
inline WordKey KeyOf(const char* word, std::size_t length) {
    static_assert(std::endian::native == std::endian::little,
                  "keys hold the first byte in the lowest bits");
    // Loads of 2, 4 or 8 bytes that stay within the word and its NUL; the bytes of
    // an overlapping tail load that belong to the head are shifted out.
    const auto load64 = detail::Load<std::uint64_t>;
    const auto load32 = detail::Load<std::uint32_t>;
    WordKey key{0, 0, 0};
    if (length >= kKeyBytes) {
        key.a = load64(word);
        key.b = load64(word + 8);
        key.c = load32(word + 16);
    } else if (length >= 16) {
        key.a = load64(word);
        key.b = load64(word + 8);
        key.c = static_cast<std::uint32_t>(std::uint64_t{load32(word + length - 4)} >>
                                           (8 * (kKeyBytes - length)));
    } else if (length > 8) {
        key.a = load64(word);
        key.b = load64(word + length - 8) >> (8 * (16 - length));
    } else if (length >= 4) {
        const std::uint64_t tail = std::uint64_t{load32(word + length - 4)} >> (8 * (8 - length));
        key.a = load32(word) | (tail << 32);
    } else if (length > 0) {
        // word[length] is the NUL, so word[1] may always be read.
        std::uint16_t head;
        std::memcpy(&head, word, 2);
        key.a = head;
        if (length == 3)
            key.a |= std::uint64_t{static_cast<unsigned char>(word[2])} << 16;
    }
    return key;
}

// The same without a branch on the length, for a word followed by at least
// kKeyReach readable bytes counted from its first byte.
inline WordKey KeyOfPadded(const char* word, std::size_t length) {
    const detail::KeyMask& mask = detail::kKeyMasks.masks[length < kKeyBytes ? length : kKeyBytes];
    WordKey key;
    std::memcpy(&key.a, word, 8);
    std::memcpy(&key.b, word + 8, 8);
    std::memcpy(&key.c, word + 16, 4);
    key.a &= mask.a;
    key.b &= mask.b;
    key.c &= mask.c;
    return key;
}

inline std::uint32_t HashWord(const char* word, std::size_t length) {
    std::uint32_t hash = kHashSeed;
    if (length < 8) {
        for (std::size_t i = 0; i < length; ++i)
            hash = HashStep(hash, static_cast<unsigned char>(word[i]));
        return hash;
    }
    // Eight steps at a time in the lanes of a 64-bit word: the entries of words in a
    // row are mostly longer than a key, and a step a byte waits on the one before.
    const auto load64 = detail::Load<std::uint64_t>;
    std::size_t at = 0;
    for (; at + 8 <= length; at += 8)
        hash = hash * detail::Power33(8) + detail::Horner8(load64(word + at));
    if (const std::size_t rest = length - at) {
        // The last 8 bytes, those already taken shifted out: the rest padded with 0
        // steps, which one multiplication takes out again.
        const std::uint64_t tail = load64(word + length - 8) >> (8 * (8 - rest));
        hash = (hash * detail::Power33(8) + detail::Horner8(tail)) *
               detail::kUnpowers.values[8 - rest];
    }
    return hash;
}

// HashWord of a word of at most kKeyBytes bytes, from its key.
inline std::uint32_t HashOfKey(const WordKey& key, std::size_t length) {
    static_assert(kHashSeed == 0, "the lane arithmetic starts from 0");
    const std::uint32_t padded = detail::Horner8(key.a) * detail::Power33(12) +
                                 detail::Horner8(key.b) * detail::Power33(4) +
                                 detail::Horner4(key.c);
    return padded * detail::kUnpowers.values[kKeyBytes - length];
}

// HashWord of a word of at most kKeyBytes bytes with kKeyReach bytes readable from
// its first byte on, without a loop over its letters.
inline std::uint32_t HashPadded(const char* word, std::size_t length) {
    return HashOfKey(KeyOfPadded(word, length), length);
}

}  // namespace tarvolen
