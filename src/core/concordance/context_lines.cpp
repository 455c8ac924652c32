#include "core/concordance/context_lines.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace tarvolen {

namespace {

// White space and control characters, line ends included, are shown as one space:
// a line of the concordance stays one line with its five fields.
// ASCII, most of every text, is told without ICU.
inline bool Blank(char32_t c) {
    if (c < 0x80)
        return c <= 0x20 || c == 0x7F;
    const auto u = static_cast<UChar32>(c);
    return u_isUWhiteSpace(u) || u_charType(u) == U_CONTROL_CHAR;
}

inline void PutUtf8(std::string& text, char32_t c) {
    if (c < 0x80)
        text.push_back(static_cast<char>(c));
    else
        AppendUtf8(text, c);
}

// One character more of a context, a blank run as one space.
inline void PushCollapsed(std::u32string& characters, char32_t c) {
    if (!Blank(c))
        characters.push_back(c);
    else if (characters.empty() || characters.back() != U' ')
        characters.push_back(U' ');
}

// One character more of a context in UTF-8, a blank run as one space; backwards: made
// from its end, the characters last first. Millions of contexts are made: they are
// written into room for the widest (4 bytes a character) and cut to size when done,
// not grown a character at a time.
class ShownText {
  public:
    ShownText(std::string& text, std::size_t width, bool backwards)
        : text_(text), backwards_(backwards) {
        text_.resize(4 * width);
        out_ = backwards ? text_.data() + text_.size() : text_.data();
    }
    std::size_t characters() const { return characters_; }
    // The text cut to what was written; its characters.
    std::size_t Done() {
        if (backwards_)
            text_.erase(0, static_cast<std::size_t>(out_ - text_.data()));
        else
            text_.resize(static_cast<std::size_t>(out_ - text_.data()));
        return characters_;
    }
    void Space() {
        if (!blank_) {
            Put(" ", 1);
            ++characters_;
            blank_ = true;
        }
    }
    void Bytes(const char* bytes, std::size_t length) {
        Put(bytes, length);
        ++characters_;
        blank_ = false;
    }
    // The plain bytes from at on (forwards) or before at (backwards), down to end, up
    // to the width or the first byte that is not plain; where it stopped. Most of a
    // context is such bytes, and a word's end costs no branch here: a blank is written
    // as a space, and kept only when the character before it was no blank.
    std::size_t Plain(const char* text, std::size_t at, std::size_t end, std::size_t width,
                      const std::array<std::uint16_t, 256>& plain) {
        char* out = out_;
        std::size_t characters = characters_;
        unsigned blank = blank_;
        const auto next = [&](std::uint16_t shown) {
            if (shown == 0)
                return false;
            // Arithmetic, not a test of the byte: a test here is a branch the processor
            // guesses wrong at every word's end.
            const unsigned isBlank = shown >> 8;
            const unsigned kept = 1 ^ (isBlank & blank);
            if (backwards_) {
                out[-1] = static_cast<char>(shown);
                out -= kept;
            } else {
                out[0] = static_cast<char>(shown);
                out += kept;
            }
            characters += kept;
            blank = isBlank;
            return true;
        };
        if (backwards_)
            while (at != end && characters < width &&
                   next(plain[static_cast<unsigned char>(text[at - 1])]))
                --at;
        else
            while (at != end && characters < width &&
                   next(plain[static_cast<unsigned char>(text[at])]))
                ++at;
        out_ = out;
        characters_ = characters;
        blank_ = blank != 0;
        return at;
    }
    void Character(char32_t c) {
        if (Blank(c)) {
            Space();
            return;
        }
        char bytes[U8_MAX_LENGTH];
        std::int32_t length = 0;
        U8_APPEND_UNSAFE(bytes, length, static_cast<UChar32>(c));
        Bytes(bytes, static_cast<std::size_t>(length));
    }

  private:
    void Put(const char* bytes, std::size_t length) {
        if (backwards_)
            out_ -= length;
        std::memcpy(out_, bytes, length);
        if (!backwards_)
            out_ += length;
    }

    std::string& text_;
    bool backwards_;
    char* out_;
    std::size_t characters_ = 0;
    bool blank_ = false;
};

}  // namespace

ContextReader::ContextReader(CodePage codePage, std::size_t width, const ConcordanceLineSink& sink)
    : codePage_(codePage), characters_(ToUnicodeTableOf(codePage)), width_(width), sink_(sink) {
    for (std::size_t b = 0; b < shown_.size(); ++b) {
        if (codePage == CodePage::Utf8 && b >= 0x80)
            break;
        const char32_t c = codePage == CodePage::Utf8 ? static_cast<char32_t>(b) : characters_[b];
        std::string bytes;
        AppendUtf8(bytes, c);
        const bool blank = Blank(c);
        shown_[b].length = static_cast<std::uint8_t>(std::min<std::size_t>(bytes.size(), 3));
        std::memcpy(shown_[b].utf8, bytes.data(), shown_[b].length);
        const bool itself =
            !blank && bytes.size() == 1 && static_cast<unsigned char>(bytes[0]) == b;
        plain_[b] = blank ? std::uint16_t{0x100 | ' '} : itself ? static_cast<std::uint16_t>(b) : 0;
    }
}

// The contexts of millions of lines are made here: a byte that is a character is shown
// through the table, without decoding.
std::size_t ContextReader::Left(std::uint64_t at, std::string& left) const {
    ShownText shown(left, width_, true);
    std::size_t i = static_cast<std::size_t>(at - windowStart_);
    while (true) {
        i = shown.Plain(window_.data(), i, 0, width_, plain_);
        if (i == 0 || shown.characters() >= width_)
            break;
        const auto byte = static_cast<unsigned char>(window_[i - 1]);
        if (codePage_ == CodePage::Utf8) {
            shown.Character(Previous(i));
        } else {
            --i;
            shown.Bytes(shown_[byte].utf8, shown_[byte].length);
        }
    }
    // The tail is collapsed already; only a blank run across its end joins ours.
    for (auto c = tail_.rbegin(); c != tail_.rend() && shown.characters() < width_; ++c)
        shown.Character(*c);
    return shown.Done();
}

bool ContextReader::Right(std::uint64_t at, bool ended, std::string& right,
                          std::size_t& characters) const {
    ShownText shown(right, width_, false);
    std::size_t i = static_cast<std::size_t>(at - windowStart_);
    while (true) {
        i = shown.Plain(window_.data(), i, window_.size(), width_, plain_);
        if (i == window_.size() || shown.characters() >= width_)
            break;
        const auto byte = static_cast<unsigned char>(window_[i]);
        if (codePage_ == CodePage::Utf8) {
            shown.Character(Next(i));
        } else {
            ++i;
            shown.Bytes(shown_[byte].utf8, shown_[byte].length);
        }
    }
    characters = shown.Done();
    return ended || characters >= width_;
}

void ContextReader::Start(const ConcordanceDocument& document,
                          std::span<const Occurrence> occurrences) {
    Reset(&document.path);
    occurrences_ = occurrences;
    first_ = document.first;
    textLength_ = document.textLength;
}

void ContextReader::Begin(const std::string& path) {
    Reset(&path);
}

void ContextReader::Reset(const std::string* path) {
    path_ = path;
    occurrences_ = {};
    first_ = 0;
    next_ = 0;
    textLength_ = 0;
    open_ = UINT64_MAX;
    head_.clear();
    headAt_ = 0;
    startsWithLf_ = false;
    window_.clear();
    windowStart_ = 0;
    textEnd_ = 0;
    tail_.clear();
    lineCursor_ = 0;
    lineEnds_ = 0;
    afterCr_ = false;
}

char32_t ContextReader::Next(std::size_t& at) const {
    const auto byte = static_cast<unsigned char>(window_[at]);
    if (codePage_ != CodePage::Utf8 || byte < 0x80) {
        ++at;
        return codePage_ == CodePage::Utf8 ? byte : characters_[byte];
    }
    auto i = static_cast<std::int32_t>(at);
    UChar32 c;
    U8_NEXT(window_.data(), i, static_cast<std::int32_t>(window_.size()), c);
    at = static_cast<std::size_t>(i);
    return c < 0 ? U'\uFFFD' : static_cast<char32_t>(c);
}

char32_t ContextReader::Previous(std::size_t& at) const {
    const auto byte = static_cast<unsigned char>(window_[at - 1]);
    if (codePage_ != CodePage::Utf8 || byte < 0x80) {
        --at;
        return codePage_ == CodePage::Utf8 ? byte : characters_[byte];
    }
    auto i = static_cast<std::int32_t>(at);
    UChar32 c;
    U8_PREV(window_.data(), 0, i, c);
    at = static_cast<std::size_t>(i);
    return c < 0 ? U'\uFFFD' : static_cast<char32_t>(c);
}

void ContextReader::Before(std::uint64_t at, std::u32string& reversed) const {
    reversed.clear();
    std::size_t i = static_cast<std::size_t>(at - windowStart_);
    while (i > 0 && reversed.size() < width_)
        PushCollapsed(reversed, Previous(i));
    // The tail is collapsed already; only a blank run across its end joins ours.
    for (auto c = tail_.rbegin(); c != tail_.rend() && reversed.size() < width_; ++c)
        PushCollapsed(reversed, *c);
}

void ContextReader::Collapsed(std::uint64_t begin, std::uint64_t end, std::string& text) const {
    text.clear();
    bool blank = false;
    std::size_t i = static_cast<std::size_t>(begin - windowStart_);
    const auto stop = static_cast<std::size_t>(end - windowStart_);
    while (i < stop) {
        const char32_t c = Next(i);
        const bool isBlank = Blank(c);
        if (!isBlank)
            PutUtf8(text, c);
        else if (!blank)
            text += ' ';
        blank = isBlank;
    }
}

// Bytes 0x0A and 0x0D are LF and CR in every code page and in UTF-8.
void ContextReader::CountLinesTo(std::uint64_t at) {
    // The window may be cut behind the lines counted, to keep the bytes of a context.
    if (at <= lineCursor_)
        return;
    const char* const p = window_.data() + (lineCursor_ - windowStart_);
    const char* const end = window_.data() + (at - windowStart_);
    // LF, CR and CR LF each end a line: every LF and every CR, less the LFs that follow
    // a CR. Counted in loops the compiler makes wide, as the whole text passes here.
    std::uint64_t lf = 0;
    std::uint64_t cr = 0;
    const char* q = p;
    // Blocks whose byte-wide sums cannot overflow, which the compiler makes wide.
    for (constexpr std::ptrdiff_t kBlock = 64; end - q >= kBlock; q += kBlock) {
        std::uint8_t blockLf = 0;
        std::uint8_t blockCr = 0;
        for (std::ptrdiff_t k = 0; k < kBlock; ++k) {
            blockLf += q[k] == '\n' ? 1 : 0;
            blockCr += q[k] == '\r' ? 1 : 0;
        }
        lf += blockLf;
        cr += blockCr;
    }
    for (; q < end; ++q) {
        lf += *q == '\n' ? 1 : 0;
        cr += *q == '\r' ? 1 : 0;
    }
    std::uint64_t pairs = afterCr_ && *p == '\n' ? 1 : 0;
    if (cr != 0) {
        for (const char* q = p; q + 1 < end; ++q) {
            q = static_cast<const char*>(std::memchr(q, '\r', static_cast<std::size_t>(end - q)));
            if (q == nullptr || q + 1 >= end)
                break;
            pairs += q[1] == '\n' ? 1 : 0;
        }
    }
    lineEnds_ += lf + cr - pairs;
    afterCr_ = end[-1] == '\r';
    lineCursor_ = at;
}

void ContextReader::WriteReady(bool ended) {
    ConcordanceLine& line = line_;
    while (next_ < occurrences_.size()) {
        const Occurrence& occurrence = occurrences_[next_];
        std::size_t right = 0;
        if (occurrence.end > textEnd_ || !Right(occurrence.end, ended, line.right, right))
            break;
        CountLinesTo(occurrence.begin);
        line.path = path_;
        line.index = first_ + next_;
        line.line = lineEnds_ + 1;
        line.leftShort = Left(occurrence.begin, line.left) < width_;
        Collapsed(occurrence.begin, occurrence.end, line.match);
        line.rightShort = right < width_;
        sink_(line);
        ++next_;
    }
    if (head_.size() < width_) {
        std::size_t i = static_cast<std::size_t>(headAt_ - windowStart_);
        while (i < window_.size() && head_.size() < width_)
            PushCollapsed(head_, Next(i));
        headAt_ = windowStart_ + i;
    }
    // The text before the next occurrence is needed no more but for its last
    // characters and its line ends (nor is the head's, once it is whole).
    std::uint64_t keep =
        next_ < occurrences_.size() ? std::min(occurrences_[next_].begin, textEnd_) : textEnd_;
    keep = std::min(keep, open_);
    if (head_.size() < width_)
        keep = std::min(keep, headAt_);
    // The bytes of most left contexts stay too: made from the collapsed tail, a context
    // would cost a decoding a character. At the end, the tail and the line ends are of
    // the whole text, for the parts beside it.
    const std::uint64_t margin = ended ? 0 : 4 * static_cast<std::uint64_t>(width_) + 64;
    keep = keep > windowStart_ + margin ? keep - margin : windowStart_;
    if (keep > windowStart_) {
        CountLinesTo(keep);
        Before(keep, before_);
        tail_.assign(before_.rbegin(), before_.rend());
        window_.erase(0, static_cast<std::size_t>(keep - windowStart_));
        windowStart_ = keep;
    }
}

void ContextReader::Cut(std::span<unsigned char> text) {
    Append(text);
    WriteReady(false);
}

void ContextReader::Append(std::span<const unsigned char> text) {
    if (textEnd_ == 0 && !text.empty())
        startsWithLf_ = text[0] == '\n';
    window_.append(reinterpret_cast<const char*>(text.data()), text.size());
    textEnd_ += text.size();
}

std::size_t ContextReader::Write(std::span<const Occurrence> waiting, std::size_t firstIndex,
                                 std::uint64_t open, bool ended) {
    occurrences_ = waiting;
    first_ = firstIndex;
    next_ = 0;
    open_ = ended ? UINT64_MAX : open;
    WriteReady(ended);
    return next_;
}

void ContextReader::EndText() {
    WriteReady(true);
}

}  // namespace tarvolen
