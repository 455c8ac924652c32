#include "core/concordance/context_lines.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstring>

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

}  // namespace

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

bool ContextReader::After(std::uint64_t at, bool ended, std::u32string& after) const {
    after.clear();
    std::size_t i = static_cast<std::size_t>(at - windowStart_);
    while (i < window_.size() && after.size() < width_)
        PushCollapsed(after, Next(i));
    return ended || after.size() >= width_;
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
    const char* p = window_.data() + (lineCursor_ - windowStart_);
    const char* const end = window_.data() + (at - windowStart_);
    std::uint64_t lineEnds = lineEnds_;
    bool afterCr = afterCr_;
    for (; p < end; ++p) {
        // Eight bytes at a time past text without a byte up to CR (0x0D).
        while (end - p >= 8) {
            std::uint64_t eight;
            std::memcpy(&eight, p, 8);
            constexpr std::uint64_t kOnes = 0x0101010101010101ull;
            if (((eight - 14 * kOnes) & ~eight & 0x80 * kOnes) != 0)
                break;
            p += 8;
            afterCr = false;
        }
        if (p == end)
            break;
        const char c = *p;
        if (static_cast<unsigned char>(c) > '\r') {
            afterCr = false;
        } else if (c == '\r') {
            ++lineEnds;
            afterCr = true;
        } else {
            lineEnds += c == '\n' && !afterCr ? 1 : 0;
            afterCr = false;
        }
    }
    lineEnds_ = lineEnds;
    afterCr_ = afterCr;
    lineCursor_ = at;
}

void ContextReader::WriteReady(bool ended) {
    std::u32string& after = after_;
    ConcordanceLine& line = line_;
    while (next_ < occurrences_.size()) {
        const Occurrence& occurrence = occurrences_[next_];
        if (occurrence.end > textEnd_ || !After(occurrence.end, ended, after))
            break;
        CountLinesTo(occurrence.begin);
        line.path = path_;
        line.index = first_ + next_;
        line.line = lineEnds_ + 1;
        Before(occurrence.begin, before_);
        line.left.clear();
        for (auto c = before_.rbegin(); c != before_.rend(); ++c)
            PutUtf8(line.left, *c);
        Collapsed(occurrence.begin, occurrence.end, line.match);
        line.right.clear();
        for (const char32_t c : after)
            PutUtf8(line.right, c);
        line.leftShort = before_.size() < width_;
        line.rightShort = after.size() < width_;
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
