#include "core/words/tokenizer.h"

#include <immintrin.h>
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "core/store/word_batch.h"
#include "core/store/word_key.h"
#include "core/store/word_store.h"
#include "core/words/blob.h"

namespace tarvolen {

namespace {

// A run longer than this can never be accepted, whatever follows it, so the carry
// keeps no more of it.
constexpr std::size_t kCarryLimit = MaxWordLength + 1;

// The shortest accepted length; MaxWordLength + 1 accepts nothing.
inline std::size_t MinLength(const TokenizerContext& context) {
    return static_cast<std::size_t>(std::clamp(context.minWordLength, 1, MaxWordLength + 1));
}

// minLength <= length <= MaxWordLength in one unsigned compare.
inline bool Accepted(std::size_t length, std::size_t minLength) {
    return length - minLength < MaxWordLength + 1 - minLength;
}

void AppendToCarry(std::string& carry, const unsigned char* letters, std::size_t length) {
    const std::size_t room = kCarryLimit - std::min(carry.size(), kCarryLimit);
    carry.append(reinterpret_cast<const char*>(letters), std::min(length, room));
}

// Folds the run of letters at p in place and hashes it from hash; returns the first
// byte after the run. The NUL after the chunk ends every run, since 0 is no letter.
inline unsigned char* FoldRun(const unsigned char* map, unsigned char* p, std::uint32_t& hash) {
    std::uint32_t h = hash;
    unsigned char m = map[*p];
    while (m != 0) {
        *p = m;
        h = HashStep(h, m);
        m = map[*++p];
    }
    hash = h;
    return p;
}

// The word that began in the carry ends within this chunk at run[runLength].
void CompleteCarried(std::string& carry, const unsigned char* run, std::size_t runLength,
                     std::uint32_t hash, std::int64_t& qualified, const TokenizerContext& context) {
    const std::size_t length = carry.size() + runLength;
    if (Accepted(length, MinLength(context))) {
        char word[MaxWordLength + 1];
        std::memcpy(word, carry.data(), carry.size());
        std::memcpy(word + carry.size(), run, runLength);
        word[length] = '\0';
        ++qualified;
        WordBatch::AddHashed(context.store, word, length, hash);
    }
    carry.clear();
}

// The map restated for a byte-parallel pass over ASCII text: bit h of lowNibble[l]
// is set when byte 16h + l (below 0x80) is a letter, highNibbleBit[h] is 1 << h for
// h < 8 and 0 above, and a letter below 0x80 folds by adding delta[its high nibble].
// Usable only when that last rule holds for every such letter (capitals in whole
// rows of 16, say); highLetters tells whether any byte from 0x80 up is a letter,
// in which case the groups holding such bytes go the table way.
struct NibbleMap {
    alignas(16) unsigned char lowNibble[16] = {};
    alignas(16) unsigned char highNibbleBit[16] = {};
    alignas(16) unsigned char delta[16] = {};
    bool usable = true;
    bool highLetters = false;
};

NibbleMap DeriveNibbleMap(const unsigned char* map) {
    NibbleMap nibbles;
    bool deltaSet[8] = {};
    for (unsigned h = 0; h < 8; ++h)
        nibbles.highNibbleBit[h] = static_cast<unsigned char>(1u << h);
    for (unsigned c = 0; c < 0x80; ++c) {
        if (map[c] == 0)
            continue;
        const unsigned h = c >> 4u;
        nibbles.lowNibble[c & 15u] |= static_cast<unsigned char>(1u << h);
        const auto d = static_cast<unsigned char>(map[c] - c);
        if (deltaSet[h] && nibbles.delta[h] != d)
            nibbles.usable = false;
        deltaSet[h] = true;
        nibbles.delta[h] = d;
    }
    for (unsigned c = 0x80; c < 256; ++c)
        nibbles.highLetters = nibbles.highLetters || map[c] != 0;
    return nibbles;
}

// The table way for one stretch of up to 64 bytes; returns its letter bits.
inline std::uint64_t FoldAndMarkTable(const std::uint16_t* table, unsigned char* group,
                                      unsigned count) {
    std::uint64_t mask = 0;
    for (unsigned j = 0; j < count; ++j) {
        const std::uint16_t entry = table[group[j]];
        group[j] = static_cast<unsigned char>(entry);
        mask |= static_cast<std::uint64_t>(entry >> 8u) << j;
    }
    return mask;
}

void BuildFoldTable(const unsigned char* map, std::uint16_t* table) {
    for (unsigned c = 0; c < 256; ++c)
        table[c] = map[c] != 0 ? static_cast<std::uint16_t>(0x100u | map[c])
                               : static_cast<std::uint16_t>(c);
}

// FoldAndMark for a map with a usable NibbleMap, 32 bytes at a time: the letter
// test is two nibble lookups, the fold one masked add. Only whole 64-byte groups are
// loaded wide; the rest of the text, and with highLetters every 32 bytes holding a
// byte from 0x80 up, take the table way.
__attribute__((target("avx2"))) void FoldAndMarkAvx2(const unsigned char* map,
                                                     const NibbleMap& nibbles, unsigned char* bytes,
                                                     std::size_t n, std::uint64_t* masks) {
    std::uint16_t table[256];
    BuildFoldTable(map, table);
    const __m256i lowTable = _mm256_broadcastsi128_si256(
        _mm_load_si128(reinterpret_cast<const __m128i*>(nibbles.lowNibble)));
    const __m256i highTable = _mm256_broadcastsi128_si256(
        _mm_load_si128(reinterpret_cast<const __m128i*>(nibbles.highNibbleBit)));
    const __m256i deltaTable = _mm256_broadcastsi128_si256(
        _mm_load_si128(reinterpret_cast<const __m128i*>(nibbles.delta)));
    const __m256i nibbleMask = _mm256_set1_epi8(0x0F);
    const __m256i zero = _mm256_setzero_si256();
    const bool highLetters = nibbles.highLetters;
    const std::size_t whole = n / 64;
    for (std::size_t k = 0; k < whole; ++k) {
        std::uint64_t mask = 0;
        for (unsigned half = 0; half < 2; ++half) {
            unsigned char* at = bytes + 64 * k + 32 * half;
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
            std::uint32_t bits;
            if (highLetters && _mm256_movemask_epi8(v) != 0) {
                bits = static_cast<std::uint32_t>(FoldAndMarkTable(table, at, 32));
            } else {
                const __m256i high = _mm256_and_si256(_mm256_srli_epi16(v, 4), nibbleMask);
                const __m256i low = _mm256_and_si256(v, nibbleMask);
                const __m256i hits = _mm256_and_si256(_mm256_shuffle_epi8(lowTable, low),
                                                      _mm256_shuffle_epi8(highTable, high));
                const __m256i notLetter = _mm256_cmpeq_epi8(hits, zero);
                const __m256i delta =
                    _mm256_andnot_si256(notLetter, _mm256_shuffle_epi8(deltaTable, high));
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), _mm256_add_epi8(v, delta));
                bits = ~static_cast<std::uint32_t>(_mm256_movemask_epi8(notLetter));
            }
            mask |= static_cast<std::uint64_t>(bits) << (32 * half);
        }
        masks[k] = mask;
    }
    masks[whole] = FoldAndMarkTable(table, bytes + 64 * whole, static_cast<unsigned>(n % 64));
    masks[whole + 1] = 0;
}

// Folds the letters of bytes[0..n-1] in place and sets bit j of masks[k] when byte
// 64k + j is a letter. One load from a table of 256 entries per byte, each the byte
// to store (the letter's lower case, or the byte itself) and, above it, a letter
// bit: no branch depends on the text, so the cost per byte is the same for any mix
// of words and separators. masks gets n / 64 + 2 words; the ones past the text are 0.
void FoldAndMark(const unsigned char* map, unsigned char* bytes, std::size_t n,
                 std::uint64_t* masks) {
    std::uint16_t table[256];
    BuildFoldTable(map, table);
    const std::size_t whole = n / 64;
    for (std::size_t k = 0; k <= whole; ++k) {
        const unsigned count = k < whole ? 64u : static_cast<unsigned>(n % 64);
        masks[k] = FoldAndMarkTable(table, bytes + 64 * k, count);
    }
    masks[whole + 1] = 0;
}

bool HasAvx2() {
    return __builtin_cpu_supports("avx2");
}

// Accepted words of a stretch of the chunk, collected before they reach the store,
// which first loads what their lookups will read, all of them at once.
class FoundWords {
  public:
    static constexpr std::size_t kFlushAt = 256;

    // Words still waiting when an exception (memory running out in the store)
    // leaves the scan are dropped with the abandoned run; nothing is flushed on the
    // way out, where a second failure could not be reported.
    explicit FoundWords(WordStore& store) : store_(store) {}
    FoundWords(const FoundWords&) = delete;
    FoundWords& operator=(const FoundWords&) = delete;

    using Found = WordBatch::PreparedWord;

    // The scan writes found words from Free() on, advancing its own pointer only
    // for the accepted ones (no branch on that), and hands the pointer back with
    // Commit: the count stays in a register while the scan runs.
    Found* Free() { return words_ + size_; }
    void Commit(const Found* next) { size_ = static_cast<std::size_t>(next - words_); }
    static bool Full(const Found* next, const FoundWords& batch) {
        return next >= batch.words_ + kFlushAt;
    }
    std::size_t Size() const { return size_; }

    void Flush() {
        WordBatch::Preload(store_, words_, size_);
        WordBatch::AddRun(store_, words_, size_);
        size_ = 0;
    }

  private:
    WordStore& store_;
    // One 64-byte group adds at most 32 words after the batch was found not full.
    Found words_[kFlushAt + 32];
    std::size_t size_ = 0;
};

}  // namespace

void FoldAndMarkLetters(const CharMap& charMap, unsigned char* bytes, std::size_t n,
                        std::vector<std::uint64_t>& masks) {
    masks.assign(n / 64 + 2, 0);
    const unsigned char* const map = charMap.data();
    const NibbleMap nibbles = DeriveNibbleMap(map);
    if (nibbles.usable && HasAvx2())
        FoldAndMarkAvx2(map, nibbles, bytes, n, masks.data());
    else
        FoldAndMark(map, bytes, n, masks.data());
}

void TokenizeChunk(CBlob& chunk, std::string& carry, const TokenizerContext& context) {
    const std::uint32_t n = chunk.GetLength();
    if (n == 0) {
        carry.clear();
        return;
    }
    unsigned char* const begin = chunk.GetData();
    unsigned char* const end = begin + n;
    *end = 0;  // the callers' NUL, made certain: it ends the last run
    const unsigned char* const map = context.charMap.data();
    const std::size_t minLength = MinLength(context);
    std::int64_t qualified = 0;
    WordStore& store = context.store;

    unsigned char* p = begin;
    if (map[*p] == 0) {
        // A separator first: the carried word ended with the previous chunk.
        if (Accepted(carry.size(), MinLength(context))) {
            ++qualified;
            store.AddWord(carry.c_str(), carry.size());
        }
        carry.clear();
    } else {
        // The chunk opens with letters: they continue the carried word, if any.
        std::uint32_t hash = HashWord(carry.data(), carry.size());
        p = FoldRun(map, p, hash);
        const auto runLength = static_cast<std::size_t>(p - begin);
        if (p == end) {
            AppendToCarry(carry, begin, runLength);
            context.qualifiedWords += qualified;
            return;
        }
        *p = 0;
        if (carry.empty()) {
            if (Accepted(runLength, minLength)) {
                ++qualified;
                WordBatch::AddHashed(store, reinterpret_cast<const char*>(begin), runLength, hash);
            }
        } else {
            CompleteCarried(carry, begin, runLength, hash, qualified, context);
        }
    }

    // The carry is empty from here on, and p is at a separator. The rest of the
    // chunk is folded in one pass that also marks its letters; the words are then
    // found from the marks, hashed without a loop over their letters and handed to
    // the store where they lie.
    const std::size_t total = static_cast<std::size_t>(end - p);
    std::vector<std::uint64_t> masks;
    FoldAndMarkLetters(context.charMap, p, total, masks);
    // From here on a word's hash and key may read kKeyReach bytes from its start,
    // when they stay before the chunk's NUL.
    const std::size_t paddedLimit = total + 1 >= kKeyReach ? total + 1 - kKeyReach : 0;
    FoundWords batch(store);
    FoundWords::Found* out = batch.Free();
    std::uint64_t previous = 0;  // bit 63 of the group before: p itself is a separator
    const std::size_t groups = total / 64 + 1;
    for (std::size_t k = 0; k < groups; ++k) {
        const std::uint64_t mask = masks[k];
        std::uint64_t starts = mask & ~((mask << 1) | previous);
        previous = mask >> 63;
        while (starts != 0) {
            const auto j = static_cast<unsigned>(std::countr_zero(starts));
            starts &= starts - 1;
            const std::size_t at = 64 * k + j;
            const std::size_t length = LetterRunLength(masks.data(), k, j);
            unsigned char* const word = p + at;
            if (at + length == total) {
                // Runs up to the end of the chunk: the next chunk may continue it.
                AppendToCarry(carry, word, length);
                break;
            }
            const bool accepted = Accepted(length, minLength);
            const auto* text = reinterpret_cast<const char*>(word);
            // A separator inside the chunk ends the word. Where the key may be read
            // past the word, it is stored after the key has been taken, so that the
            // key's wide loads need not wait for this byte.
            if (at <= paddedLimit && length <= MaxWordLength) [[likely]] {
                WordBatch::PreparePadded(*out, text, length);
                word[length] = 0;
            } else {
                word[length] = 0;
                if (accepted)
                    WordBatch::Prepare(*out, text, length);
            }
            out += accepted;
        }
        if (FoundWords::Full(out, batch)) {
            batch.Commit(out);
            qualified += static_cast<std::int64_t>(batch.Size());
            batch.Flush();
            out = batch.Free();
        }
    }
    batch.Commit(out);
    qualified += static_cast<std::int64_t>(batch.Size());
    batch.Flush();
    context.qualifiedWords += qualified;
}

void FinishFile(std::string& carry, const TokenizerContext& context) {
    if (Accepted(carry.size(), MinLength(context))) {
        ++context.qualifiedWords;
        context.store.AddWord(carry.c_str(), carry.size());
    }
    carry.clear();
}

}  // namespace tarvolen
