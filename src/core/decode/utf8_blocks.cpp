#include "core/decode/utf8_blocks.h"

#include <immintrin.h>

#include <array>
#include <cstdint>
#include <cstring>

namespace tarvolen {

namespace {

// For each 8-bit mask of the bytes to keep, the shuffle that packs them to the front.
struct PackShuffles {
    constexpr PackShuffles() : table{} {
        for (int mask = 0; mask < 256; ++mask) {
            int n = 0;
            for (int bit = 0; bit < 8; ++bit) {
                if (mask & (1 << bit))
                    table[mask][n++] = static_cast<std::uint8_t>(bit);
            }
            for (; n < 8; ++n)
                table[mask][n] = 0x80;
        }
    }
    std::uint8_t table[256][8];
};
constexpr PackShuffles kPack{};

__attribute__((target("ssse3,popcnt"))) void DecodeBlocksSsse3(const unsigned char*& at,
                                                               const unsigned char* end,
                                                               unsigned char*& out,
                                                               const LinearRange& range) {
    const __m128i high = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i topTwo = _mm_set1_epi8(static_cast<char>(0xC0));
    const __m128i topThree = _mm_set1_epi8(static_cast<char>(0xE0));
    const __m128i low5 = _mm_set1_epi16(0x1F);
    const __m128i low6 = _mm_set1_epi16(0x3F);
    // Unsigned range test by signed compares after moving the range's start to -32768.
    const __m128i bias = _mm_set1_epi16(static_cast<short>(0x8000 - range.first));
    const __m128i limit =
        _mm_set1_epi16(static_cast<short>(0x8000 + (range.last - range.first) - 0x10000 + 1));
    const __m128i shift = _mm_set1_epi16(static_cast<short>(range.first - range.firstByte));

    while (end - at >= 17) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const unsigned highMask = static_cast<unsigned>(_mm_movemask_epi8(v));
        if (highMask == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
            at += 16;
            out += 16;
            continue;
        }
        const unsigned cont = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(v, topTwo), high)));
        const unsigned lead = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(v, topThree), topTwo)));
        // Anything above ASCII must be a lead of two bytes or its continuation; each
        // lead's continuation must follow it (a lead in the last place borrows at[16]).
        const unsigned nextIsCont = (at[16] & 0xC0) == 0x80 ? 1u << 16 : 0;
        if ((cont | lead) != highMask || (lead << 1) != (cont | nextIsCont))
            return;

        // Each lead and the byte after it, as a 16-bit character in the lead's lane.
        const __m128i next =
            _mm_or_si128(_mm_srli_si128(v, 1), _mm_slli_si128(_mm_cvtsi32_si128(at[16]), 15));
        const __m128i zero = _mm_setzero_si128();
        const __m128i leadLo = _mm_unpacklo_epi8(v, zero);
        const __m128i leadHi = _mm_unpackhi_epi8(v, zero);
        const __m128i nextLo = _mm_unpacklo_epi8(next, zero);
        const __m128i nextHi = _mm_unpackhi_epi8(next, zero);
        const __m128i charLo = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(leadLo, low5), 6),
                                            _mm_and_si128(nextLo, low6));
        const __m128i charHi = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(leadHi, low5), 6),
                                            _mm_and_si128(nextHi, low6));
        // In range: lanes whose biased value lies below the limit.
        const __m128i inLo = _mm_cmpgt_epi16(limit, _mm_add_epi16(charLo, bias));
        const __m128i inHi = _mm_cmpgt_epi16(limit, _mm_add_epi16(charHi, bias));
        const unsigned inRange =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(inLo, inHi)));
        if ((lead & ~inRange) != 0)
            return;

        const __m128i bytes =
            _mm_packus_epi16(_mm_sub_epi16(charLo, shift), _mm_sub_epi16(charHi, shift));
        const __m128i leads = _mm_cmpeq_epi8(_mm_and_si128(v, topThree), topTwo);
        const __m128i decoded =
            _mm_or_si128(_mm_and_si128(leads, bytes), _mm_andnot_si128(leads, v));

        // Drop the continuations; a lead in the last place takes at[16] with it.
        const unsigned keep = ~cont & 0xFFFF;
        const __m128i packLo = _mm_shuffle_epi8(
            decoded, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kPack.table[keep & 0xFF])));
        const __m128i packHi = _mm_shuffle_epi8(
            _mm_srli_si128(decoded, 8),
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kPack.table[keep >> 8])));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packLo);
        out += _mm_popcnt_u32(keep & 0xFF);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packHi);
        out += _mm_popcnt_u32(keep >> 8);
        at += nextIsCont != 0 ? 17 : 16;
    }
}

bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("popcnt");
    return has;
}

}  // namespace

LinearRange LinearRangeOf(CodePage codePage) {
    if (codePage == CodePage::Windows1251)
        return {u'\u0410', u'\u044F', 0xC0};
    return {u'\u00A0', u'\u00FF', 0xA0};
}

const unsigned char* SkipTwoByteUtf8Blocks(const unsigned char* at, const unsigned char* end) {
#if defined(__SSE2__)
    const __m128i high = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i topTwo = _mm_set1_epi8(static_cast<char>(0xC0));
    // 0xC2..0xDF as signed bytes: above -63 and below -32 (0xC0 and 0xC1 are overlong).
    const __m128i belowLead = _mm_set1_epi8(-63);
    const __m128i aboveLead = _mm_set1_epi8(-32);
    while (end - at >= 17) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const unsigned highMask = static_cast<unsigned>(_mm_movemask_epi8(v));
        if (highMask == 0) {
            at += 16;
            continue;
        }
        const unsigned cont = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(v, topTwo), high)));
        const unsigned lead = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpgt_epi8(v, belowLead), _mm_cmplt_epi8(v, aboveLead))));
        const unsigned nextIsCont = (at[16] & 0xC0) == 0x80 ? 1u << 16 : 0;
        if ((cont | lead) != highMask || (lead << 1) != (cont | nextIsCont))
            return at;
        at += nextIsCont != 0 ? 17 : 16;
    }
#endif
    return at;
}

void DecodeUtf8Blocks(const unsigned char*& at, const unsigned char* end, unsigned char*& out,
                      const LinearRange& range) {
    if (HasSsse3())
        DecodeBlocksSsse3(at, end, out, range);
}

}  // namespace tarvolen
