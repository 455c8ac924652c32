#include "core/words/byte_word_cutter.h"

#include <algorithm>

namespace tarvolen {

ByteWordCutter::ByteWordCutter(const CutterSetup& setup, WordSink& sink)
    : sink_(sink),
      codePage_(setup.codePage),
      toUtf8_(setup.toUtf8),
      rows_(setup.Rows()),
      places_(setup.places),
      minLength_(static_cast<std::size_t>(std::clamp(setup.minWordLength, 1, MaxWordLength + 1))) {
    const CharMap& map = *setup.map;
    for (unsigned b = 1; b < 256; ++b) {
        if (map[b] != 0) {
            kind_[b] = kWordByte;
            stored_[b] = map[b];
        }
    }
    if (setup.rules.Digits) {
        for (unsigned b = '0'; b <= '9'; ++b) {
            kind_[b] = kWordByte;
            stored_[b] = static_cast<unsigned char>(b);
        }
    }
    // 0x92 is the right single quotation mark in both code pages.
    if (setup.rules.Apostrophes) {
        for (unsigned b : {0x27u, 0x92u}) {
            kind_[b] = kConnector;
            stored_[b] = static_cast<unsigned char>(kStoredApostrophe);
        }
    }
    if (setup.rules.Hyphens) {
        kind_[0x2D] = kConnector;
        stored_[0x2D] = static_cast<unsigned char>(kStoredHyphen);
    }
    if (rows_)
        gaps_ = CodePageGaps(codePage_);
}

void ByteWordCutter::Append(unsigned char byte) {
    if (length_ < static_cast<std::size_t>(MaxWordLength))
        word_[length_++] = static_cast<char>(byte);
    else
        tooLong_ = true;
}

void ByteWordCutter::End(std::uint64_t at) {
    const bool dangling = pending_ != 0;
    pending_ = 0;
    if (tooLong_ || length_ < minLength_) {
        if (rows_ && length_ > 0)
            sink_.Gap(GapKind::Break);
    } else {
        // Every byte of a word that is not too long is kept, a connector as one: the
        // word is its last length_ bytes, a dangling connector after it not its own.
        if (places_) {
            const std::uint64_t end = at - (dangling ? 1 : 0);
            sink_.Place(end - length_, end);
        }
        if (toUtf8_) {
            utf8_ = CodePageToUtf8(codePage_, {word_, length_});
            sink_.Take(utf8_.c_str(), utf8_.size());
        } else {
            word_[length_] = 0;
            sink_.Take(word_, length_);
        }
    }
    // A connector that no word byte followed was punctuation after all.
    if (rows_ && dangling)
        sink_.Gap(GapKind::Punctuation);
    length_ = 0;
    tooLong_ = false;
}

void ByteWordCutter::Cut(std::span<unsigned char> text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char byte = text[i];
        switch (kind_[byte]) {
            case kWordByte:
                if (pending_ != 0) {
                    Append(pending_);
                    pending_ = 0;
                }
                Append(stored_[byte]);
                break;
            case kConnector:
                if (length_ > 0 && pending_ == 0) {
                    pending_ = stored_[byte];
                    break;
                }
                End(base_ + i);
                if (rows_)
                    sink_.Gap(gaps_[byte]);
                break;
            default:
                if (length_ > 0)
                    End(base_ + i);
                if (rows_)
                    sink_.Gap(gaps_[byte]);
                break;
        }
    }
    base_ += text.size();
}

void ByteWordCutter::EndText() {
    End(base_);
    base_ = 0;
}

}  // namespace tarvolen
