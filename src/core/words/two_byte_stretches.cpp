#include "core/words/two_byte_stretches.h"

#include <algorithm>
#include <string_view>

#include "core/decode/utf8_sequence.h"
#include "core/store/word_key.h"
#include "core/store/word_store.h"
#include "core/words/blob.h"
#include "core/words/unicode_tables.h"

namespace tarvolen {

namespace {

// Yo and yo, outside the range, where Windows-1251 has them.
constexpr char16_t kYo = u'\u0401';
constexpr char16_t kSmallYo = u'\u0451';
constexpr unsigned char kNarrowYo = 0xA8;
constexpr unsigned char kNarrowSmallYo = 0xB8;

// A stretch is narrowed and counted this many bytes at a time at most.
constexpr std::size_t kPiece = 64 * 1024;
// Shorter stretches are not worth the tokenizer's set-up.
constexpr std::size_t kWorthIt = 256;
// The scratch store holds one text's words, its long words' texts in blocks of this
// size; a store that came to hold more words than kScratchWords (8 MiB of entries) is
// let go rather than kept for the next text.
constexpr std::uint32_t kScratchCapacity = 16u << 20;
constexpr std::int32_t kScratchWords = 1 << 18;

// A store like the list's (its memory, and what a refused growth tells) for the
// words of one text.
std::unique_ptr<WordStore> MakeScratch(const WordStore& like) {
    WordStore::Options options = like.Settings();
    options.initialCapacity = kScratchCapacity;
    options.growthStep = kScratchCapacity;
    return std::make_unique<WordStore>(options);
}

}  // namespace

TwoByteStretches::TwoByteStretches(const TokenizerContext& run)
    : qualifiedWords_(run.qualifiedWords),
      store_(run.store),
      minWordLength_(run.minWordLength),
      tables_(detail::Tables()),
      range_(LinearRangeOf(CodePage::Windows1251)),
      narrow_(kPiece + kKeyReach) {
    BuildCharMap(kEnglishLatin, map_);
    for (char16_t c = range_.first; c <= range_.last; ++c)
        map_[Narrow(c)] = Narrow(tables_.lower[c]);
    map_[kNarrowYo] = map_[kNarrowSmallYo] = kNarrowSmallYo;
}

TwoByteStretches::~TwoByteStretches() = default;

unsigned char TwoByteStretches::Narrow(char16_t c) const {
    if (c >= range_.first && c <= range_.last)
        return static_cast<unsigned char>(range_.firstByte + (c - range_.first));
    return c == kYo ? kNarrowYo : c == kSmallYo ? kNarrowSmallYo : 0;
}

unsigned char* TwoByteStretches::Cut(unsigned char* p, unsigned char* end) {
    if (p < tooShortBefore_)
        return p;
    const unsigned char* at = p;
    const unsigned char* const stop = p + std::min<std::size_t>(end - p, kPiece);
    unsigned char* out = narrow_.data();
    while (at < stop) {
        DecodeUtf8Blocks(at, stop, out, range_);
        if (at == stop)
            break;
        if (*at < 0x80) {
            *out++ = *at++;
            continue;
        }
        // What the blocks leave, one sequence at a time; one that the piece's end cuts,
        // or beyond the Basic Multilingual Plane, ends the stretch.
        const Utf8Sequence sequence = ScanUtf8(at, stop);
        if (sequence.status != Utf8Status::Complete || sequence.character >= 0x10000)
            break;
        const auto c = static_cast<char16_t>(sequence.character);
        if (const unsigned char letter = Narrow(c); letter != 0) {
            *out++ = letter;
        } else {
            // Whatever only separates words with every rule off is a space here;
            // letters of other scripts, marks and joiners end the stretch.
            const auto charClass = static_cast<CharClass>(tables_.facts[c] & detail::kClassBits);
            if (charClass == CharClass::Letter || charClass == CharClass::Mark ||
                charClass == CharClass::Joiner)
                break;
            *out++ = ' ';
        }
        at += sequence.length;
    }
    // The letters that end the stretch, back to their word's start: each is one byte
    // of ASCII or two of Cyrillic.
    while (out > narrow_.data() && map_[out[-1]] != 0) {
        --out;
        at -= at[-1] < 0x80 ? 1 : 2;
    }
    if (static_cast<std::size_t>(out - narrow_.data()) < kWorthIt) {
        tooShortBefore_ = at;
        return p;
    }
    if (!scratch_)
        scratch_ = MakeScratch(store_);
    *out = 0;
    CBlob chunk;
    chunk.Attach(narrow_.data(), static_cast<std::uint32_t>(out - narrow_.data()));
    TokenizeChunk(chunk, carry_,
                  TokenizerContext{map_, minWordLength_, qualifiedWords_, *scratch_});
    return const_cast<unsigned char*>(at);
}

void TwoByteStretches::EndText() {
    if (!scratch_ || scratch_->Count() == 0)
        return;
    char word[MaxWordBytes + 1];
    std::string_view narrow;
    std::uint32_t count = 0;
    for (WordStore::Position at = scratch_->GetStartPosition(); at != WordStore::EndPosition();) {
        scratch_->GetNextEntry(at, narrow, count);
        char* out = word;
        for (const char b : narrow) {
            const auto byte = static_cast<unsigned char>(b);
            if (byte < 0x80) {
                *out++ = b;
                continue;
            }
            const char16_t c =
                byte == kNarrowSmallYo
                    ? kSmallYo
                    : static_cast<char16_t>(range_.first + (byte - range_.firstByte));
            *out++ = static_cast<char>(0xC0 | (c >> 6));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        }
        *out = 0;
        store_.AddOccurrences(word, static_cast<std::size_t>(out - word), count, 1,
                              WordStore::Found::InDocument);
    }
    if (scratch_->Count() > kScratchWords)
        scratch_.reset();
    else
        scratch_->Clear();
}

}  // namespace tarvolen
