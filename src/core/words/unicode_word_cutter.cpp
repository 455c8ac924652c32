#include "core/words/unicode_word_cutter.h"

#include <unicode/ubrk.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "core/words/blob.h"

namespace tarvolen {

namespace {

inline void AppendUtf16(std::u16string& to, char32_t c) {
    if (c < 0x10000) {
        to.push_back(static_cast<char16_t>(c));
    } else {
        to.push_back(static_cast<char16_t>(U16_LEAD(c)));
        to.push_back(static_cast<char16_t>(U16_TRAIL(c)));
    }
}

inline char* PutUtf8(char* out, char32_t c) {
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// The character at p, which the caller moves past; a byte that begins no sequence
// of the text's (well-formed) UTF-8 stands for a space.
inline char32_t NextCharacter(const unsigned char*& p, const unsigned char* end) {
    const unsigned lead = *p++;
    if (lead < 0x80)
        return lead;
    std::size_t trail = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (trail == 0 || static_cast<std::size_t>(end - p) < trail)
        return U' ';
    char32_t c = lead & (0x3F >> trail);
    for (std::size_t k = 0; k < trail; ++k)
        c = (c << 6) | (*p++ & 0x3F);
    return c;
}

}  // namespace

UnicodeWordCutter::UnicodeWordCutter(const CutterSetup& setup, WordSink& sink,
                                     const TokenizerContext* asciiStore, std::string_view sought)
    : sink_(sink),
      tables_(detail::Tables()),
      digits_(setup.rules.Digits),
      apostrophes_(setup.rules.Apostrophes),
      hyphens_(setup.rules.Hyphens),
      rows_(setup.Rows()),
      places_(setup.places),
      minLength_(static_cast<std::size_t>(std::clamp(setup.minWordLength, 1, MaxWordLength + 1))),
      // Its words of ASCII letters are the tokenizer's only without word rules.
      sought_(setup.rules.Any() || rows_ ? std::string_view() : sought) {
    run_.reserve(kSegmentLimit + 1);
    const bool asciiWords = !digits_ && !apostrophes_ && !hyphens_;
    if (asciiWords && (asciiStore != nullptr || sought_.Usable()))
        BuildCharMap(kEnglishLatin, asciiMap_);
    if (asciiStore != nullptr && asciiWords) {
        asciiStore_.emplace(TokenizerContext{asciiMap_, asciiStore->minWordLength,
                                             asciiStore->qualifiedWords, asciiStore->store});
        // The Cyrillic words are counted at the text's end, all at once: not for a
        // run that counts them in the order of the text.
        if (!setup.textOrder)
            cyrillic_.emplace(*asciiStore);
    }
}

namespace {

// Stretches shorter than this are not worth the tokenizer's set-up.
constexpr std::size_t kAsciiStretch = 256;

inline bool IsAsciiLetter(unsigned char b) {
    return (b | 0x20u) - 'a' < 26u;
}

// The end of the stretch of ASCII from p on, before the letters at its end, which may
// go on in what follows it; p when it is too short to be worth the tokenizer's set-up.
unsigned char* AsciiStretchEnd(unsigned char* p, unsigned char* end) {
    unsigned char* q = p;
    while (end - q >= 8) {
        std::uint64_t eight;
        std::memcpy(&eight, q, 8);
        if ((eight & 0x8080808080808080ull) != 0)
            break;
        q += 8;
    }
    while (q < end && *q < 0x80)
        ++q;
    unsigned char* r = q;
    while (r > p && IsAsciiLetter(r[-1]))
        --r;
    return static_cast<std::size_t>(r - p) < kAsciiStretch ? p : r;
}

}  // namespace

unsigned char* UnicodeWordCutter::CutAscii(unsigned char* p, unsigned char* end) {
    unsigned char* const r = AsciiStretchEnd(p, end);
    if (r == p)
        return p;
    const unsigned char after = *r;
    *r = 0;
    // The words before the stretch are counted before its own.
    sink_.CountTaken();
    CBlob chunk;
    chunk.Attach(p, static_cast<std::uint32_t>(r - p));
    TokenizeChunk(chunk, asciiCarry_, *asciiStore_);
    *r = after;
    return r;
}

unsigned char* UnicodeWordCutter::SeekAscii(unsigned char* p, unsigned char* end) {
    unsigned char* const r = AsciiStretchEnd(p, end);
    if (r == p)
        return p;
    const auto n = static_cast<std::size_t>(r - p);
    FoldAndMarkLetters(asciiMap_, p, n, masks_);
    const std::size_t length = sought_.size();
    if (length < minLength_ || length > static_cast<std::size_t>(MaxWordLength))
        return r;
    sought_.Find(p, n, 0, masks_.data(), [&](std::size_t start) {
        if (places_)
            sink_.Place(OffsetOf(p + start), OffsetOf(p + start + length));
        sink_.Take(reinterpret_cast<const char*>(p + start), length);
    });
    return r;
}

unsigned char* UnicodeWordCutter::CutTwoByteWord(unsigned char* p, unsigned char* end) {
    // The way character by character costs a lookup and a copy into the run per
    // character and another pass to fold; a word of Cyrillic or Greek is folded here
    // in one pass, straight into the word's buffer.
    char* out = word_;
    std::size_t length = 0;
    unsigned char* q = p;
    while (q < end) {
        const unsigned b = *q;
        if (b < 0x80) {
            if (!IsAsciiLetter(static_cast<unsigned char>(b)))
                break;
            *out++ = static_cast<char>(b | 0x20u);
            ++q;
        } else if (b >= 0xC2 && b <= 0xDF && end - q >= 2 && (q[1] & 0xC0) == 0x80) {
            const char16_t lower = tables_.twoByteLower[((b & 0x1Fu) << 6) | (q[1] & 0x3Fu)];
            if (lower == 0)
                return p;
            out = PutUtf8(out, lower);
            q += 2;
        } else {
            return p;
        }
        if (++length > static_cast<std::size_t>(MaxWordLength))
            return p;
    }
    // A word at the chunk's end may go on in the next one.
    if (q == end)
        return p;
    // Without word rules an ASCII byte that is no letter only separates.
    if (length >= minLength_) {
        *out = 0;
        if (places_)
            sink_.Place(OffsetOf(p), OffsetOf(q));
        sink_.Take(word_, static_cast<std::size_t>(out - word_));
    } else if (rows_) {
        sink_.Gap(GapKind::Break);
    }
    if (rows_)
        sink_.Gap(GapKindOf(*q));
    return q + 1;
}

UnicodeWordCutter::~UnicodeWordCutter() {
    if (breaker_ != nullptr)
        ubrk_close(breaker_);
}

void UnicodeWordCutter::Cut(std::span<unsigned char> text) {
    unsigned char* p = text.data();
    unsigned char* const end = p + text.size();
    chunk_ = p;
    const bool asciiWords = !digits_ && !apostrophes_ && !hyphens_;
    if (cyrillic_)
        cyrillic_->NewChunk();
    while (p < end) {
        if (run_.empty() && *p < 0x80 && (asciiStore_ || sought_.Usable())) {
            unsigned char* const next = asciiStore_ ? CutAscii(p, end) : SeekAscii(p, end);
            if (next != p) {
                p = next;
                continue;
            }
        }
        // Outside a word, an ASCII word that ends at an ASCII byte needs nothing but
        // its letters lower-cased: it is taken where it lies.
        if (asciiWords && run_.empty() && *p < 0x80) {
            const unsigned char b = *p;
            if (!((b | 0x20u) >= 'a' && (b | 0x20u) <= 'z')) {
                if (rows_)
                    sink_.Gap(GapKindOf(b));
                ++p;
                continue;
            }
            unsigned char* q = p;
            while (q < end && ((*q | 0x20u) >= 'a' && (*q | 0x20u) <= 'z'))
                *q++ |= 0x20u;
            if (q < end && *q < 0x80) {
                const auto length = static_cast<std::size_t>(q - p);
                if (length >= minLength_ && length <= static_cast<std::size_t>(MaxWordLength)) {
                    const unsigned char after = *q;
                    *q = 0;
                    if (places_)
                        sink_.Place(OffsetOf(p), OffsetOf(q));
                    sink_.Take(reinterpret_cast<const char*>(p), length);
                    *q = after;
                } else if (rows_) {
                    sink_.Gap(GapKind::Break);
                }
                if (rows_)
                    sink_.Gap(GapKindOf(*q));
                p = q + 1;
                continue;
            }
            // Ends at the chunk's end or at a character that may continue it.
            for (; p < q; ++p)
                Push(*p, OffsetOf(p), OffsetOf(p) + 1);
            continue;
        }
        if (cyrillic_ && run_.empty() && *p >= 0xC2 && *p <= 0xDF) {
            unsigned char* const next = cyrillic_->Cut(p, end);
            if (next != p) {
                p = next;
                continue;
            }
        }
        if (asciiWords && run_.empty() && *p >= 0xC2 && *p <= 0xDF) {
            unsigned char* const next = CutTwoByteWord(p, end);
            if (next != p) {
                p = next;
                continue;
            }
        }
        const unsigned char* at = p;
        const char32_t c = NextCharacter(at, end);
        if (places_)
            taken_ = {OffsetOf(p), OffsetOf(at)};
        p += at - p;
        Take(c);
    }
    base_ += text.size();
}

void UnicodeWordCutter::TakeNormalized(char32_t c) {
    std::u16string character;
    AppendUtf16(character, c);
    std::u16string normalized;
    if (!NormalizeNfkc(character, normalized))
        return;
    for (std::size_t i = 0; i < normalized.size();) {
        char32_t unit;
        U16_NEXT(normalized.data(), i, normalized.size(), unit);
        Take(unit);
    }
}

void UnicodeWordCutter::Take(char32_t c) {
    CharClass charClass;
    bool segmented;
    if (c < 0x10000) {
        const std::uint8_t f = tables_.facts[c];
        // Its compatibility form holds a separator: read as that form, which cuts the
        // word there as text written so would be. The form holds no such character.
        if ((f & detail::kSpacedBit) != 0) {
            TakeNormalized(c);
            return;
        }
        charClass = static_cast<CharClass>(f & detail::kClassBits);
        segmented = (f & detail::kSegmentedBit) != 0;
    } else {
        const CharFacts facts = FactsOf(c);
        charClass = facts.charClass;
        segmented = facts.segmented;
    }
    const bool starts =
        charClass == CharClass::Letter || (digits_ && charClass == CharClass::Digit);
    if (starts || (charClass == CharClass::Mark && !run_.empty())) {
        if (pending_ != 0) {
            Push(pending_, pendingPlace_.begin, pendingPlace_.end);
            pending_ = 0;
        }
        if (run_.size() >= kSegmentLimit) {
            if (segmented_) {
                EndRun();
                if (charClass == CharClass::Mark)
                    return;
            } else if (starts && segmented) {
                // The letters before are too many for a word and are dropped; the
                // script after them is cut into words as ever, wherever it starts.
                EndRun();
            } else {
                tooLong_ = true;
                return;
            }
        }
        Push(c, taken_.begin, taken_.end);
        segmented_ = segmented_ || segmented;
        return;
    }
    const bool connector = charClass == CharClass::Joiner ||
                           (apostrophes_ && charClass == CharClass::Apostrophe) ||
                           (hyphens_ && charClass == CharClass::Hyphen);
    if (connector && !run_.empty() && pending_ == 0) {
        pending_ = charClass == CharClass::Apostrophe ? U'\''
                   : charClass == CharClass::Hyphen   ? U'-'
                                                      : c;
        pendingPlace_ = taken_;
        return;
    }
    if (!run_.empty())
        EndRun();
    if (rows_)
        sink_.Gap(GapKindOf(c));
}

void UnicodeWordCutter::EndText() {
    EndRun();
    base_ = 0;
    if (cyrillic_)
        cyrillic_->EndText();
}

void UnicodeWordCutter::EndRun() {
    const char32_t dangling = pending_;
    pending_ = 0;
    if (!run_.empty() && !tooLong_) {
        if (segmented_)
            Segment();
        else
            Emit(run_.data(), run_.size(), 0);
    } else if (rows_ && tooLong_) {
        sink_.Gap(GapKind::Break);
    }
    // A connector that no word character followed was a gap after all.
    if (rows_ && dangling != 0)
        sink_.Gap(GapKindOf(dangling));
    run_.clear();
    runPlaces_.clear();
    segmented_ = false;
    tooLong_ = false;
}

void UnicodeWordCutter::Segment() {
    UErrorCode status = U_ZERO_ERROR;
    if (breaker_ == nullptr) {
        breaker_ = ubrk_open(UBRK_WORD, "", nullptr, 0, &status);
        if (U_FAILURE(status))
            throw std::runtime_error("the word break iterator is not available");
    }
    utf16_.clear();
    for (char32_t c : run_)
        AppendUtf16(utf16_, c);
    ubrk_setText(breaker_, reinterpret_cast<const UChar*>(utf16_.data()),
                 static_cast<std::int32_t>(utf16_.size()), &status);
    std::u32string piece;
    std::size_t from = 0;  // the piece's first character in the run
    std::int32_t start = ubrk_first(breaker_);
    for (std::int32_t stop = ubrk_next(breaker_); stop != UBRK_DONE;
         start = stop, stop = ubrk_next(breaker_), from += piece.size()) {
        piece.clear();
        bool holdsLetter = false;
        for (std::int32_t i = start; i < stop;) {
            char32_t c;
            U16_NEXT(utf16_.data(), i, stop, c);
            const CharClass charClass = FactsOf(c).charClass;
            holdsLetter = holdsLetter || charClass == CharClass::Letter ||
                          (digits_ && charClass == CharClass::Digit);
            piece.push_back(c);
        }
        if (holdsLetter)
            Emit(piece.data(), piece.size(), from);
        else if (rows_)
            sink_.Gap(GapKind::Punctuation);  // a connector between two words
    }
}

void UnicodeWordCutter::Emit(const char32_t* characters, std::size_t count, std::size_t from) {
    const char32_t* folded = characters;
    const std::size_t written = count;
    bool unstable = false;
    for (std::size_t i = 0; i < count; ++i) {
        const char32_t c = characters[i];
        if (c >= 0x10000 || c == 0xAD || (tables_.facts[c] & detail::kUnstableBit) != 0)
            unstable = true;
    }
    if (unstable) {
        // The rare way: soft hyphens out, then NFKC by ICU.
        unfolded_.clear();
        for (std::size_t i = 0; i < count; ++i) {
            if (characters[i] != 0xAD)
                AppendUtf16(unfolded_, characters[i]);
        }
        if (!NormalizeNfkc(unfolded_, normalized_)) {
            if (rows_)
                sink_.Gap(GapKind::Break);
            return;
        }
        folded_.clear();
        for (std::size_t i = 0; i < normalized_.size();) {
            char32_t c;
            U16_NEXT(normalized_.data(), i, normalized_.size(), c);
            folded_.push_back(c);
        }
        folded = folded_.data();
        count = folded_.size();
    }
    if (count < minLength_ || count > static_cast<std::size_t>(MaxWordLength)) {
        if (rows_)
            sink_.Gap(GapKind::Break);
        return;
    }
    char* out = word_;
    for (std::size_t i = 0; i < count; ++i)
        out = PutUtf8(out, folded[i] < 0x10000 ? tables_.lower[folded[i]] : LowerOf(folded[i]));
    *out = 0;
    if (places_)
        sink_.Place(runPlaces_[from].begin, runPlaces_[from + written - 1].end);
    sink_.Take(word_, static_cast<std::size_t>(out - word_));
}

}  // namespace tarvolen
