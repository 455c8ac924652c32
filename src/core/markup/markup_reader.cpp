#include "core/markup/markup_reader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/markup/html_references.h"

namespace tarvolen {

namespace {

bool IsAlpha(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

bool IsAlnum(unsigned char c) {
    return IsAlpha(c) || IsDigit(c);
}

bool IsHex(unsigned char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(unsigned char c) {
    if (IsDigit(c))
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

// HTML's whitespace between attributes.
bool IsSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char Lower(unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

std::string LowerCopy(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = Lower(static_cast<unsigned char>(c));
    return lower;
}

// A numeric reference to 0x80 .. 0x9F means what Windows-1252 puts there, as pages
// written in it meant (HTML5 reads them so); the five holes stay as they are.
constexpr std::array<char16_t, 32> kC1Characters = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The elements a browser lays out as blocks of their own (and <br>): text on either
// side of one is not read as one run of words, as text on either side of a blank line
// is not. Sorted, for the search. Every other element is inline ("a", "b", "em",
// "span", "strong" and the like) and parts words only as a space does.
constexpr std::array<std::string_view, 52> kBlockElements = {
    "address",    "article", "aside",   "blockquote", "body",     "br",     "caption", "center",
    "dd",         "details", "dialog",  "dir",        "div",      "dl",     "dt",      "fieldset",
    "figcaption", "figure",  "footer",  "form",       "frameset", "h1",     "h2",      "h3",
    "h4",         "h5",      "h6",      "head",       "header",   "hgroup", "hr",      "html",
    "legend",     "li",      "main",    "menu",       "nav",      "ol",     "option",  "p",
    "pre",        "section", "summary", "table",      "tbody",    "td",     "tfoot",   "th",
    "thead",      "title",   "tr",      "ul"};
static_assert(std::ranges::is_sorted(kBlockElements));

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kPastUnicode = 0x110000;

const NamedReference* FindReference(std::string_view name) {
    const std::span<const NamedReference> all = NamedReferences();
    auto found = std::lower_bound(
        all.begin(), all.end(), name,
        [](const NamedReference& entry, std::string_view key) { return entry.name < key; });
    return found != all.end() && found->name == name ? &*found : nullptr;
}

}  // namespace

std::optional<MarkupMode> ParseMarkupMode(std::string_view name) {
    const std::string lower = LowerCopy(name);
    if (lower == "auto")
        return MarkupMode::ByName;
    if (lower == "html")
        return MarkupMode::Html;
    if (lower == "none")
        return MarkupMode::None;
    return std::nullopt;
}

bool ReadsAsMarkup(MarkupMode mode, std::string_view path) {
    if (mode != MarkupMode::ByName)
        return mode == MarkupMode::Html;
    const std::string_view name = path.substr(path.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    const std::string extension = LowerCopy(name.substr(dot + 1));
    return extension == "htm" || extension == "html" || extension == "xhtml" || extension == "xml";
}

MarkupReader::MarkupReader(CodePage codePage)
    : fromUnicode_(FromUnicodeTableOf(codePage)), utf8_(codePage == CodePage::Utf8) {}

std::size_t MarkupReader::Encode(char32_t character, unsigned char* bytes) const {
    if (!utf8_) {
        bytes[0] = UnicodeToCodePage(fromUnicode_, character);
        return 1;
    }
    std::string text;
    AppendUtf8(text, character);
    std::memcpy(bytes, text.data(), text.size());
    return text.size();
}

void MarkupReader::Put(char32_t character, unsigned char*& out, const unsigned char* limit) const {
    // In UTF-8 a reference is almost always longer than its character; only one of
    // two characters can reach bytes not read yet, and that character becomes a
    // separator instead.
    unsigned char bytes[4];
    const std::size_t length = Encode(character, bytes);
    if (out + length > limit) {
        *out++ = kNoByte;
        return;
    }
    std::memcpy(out, bytes, length);
    out += length;
}

const unsigned char* MarkupReader::ReadDigits(const unsigned char* at, const unsigned char* end) {
    while (at < end && (hex_ ? IsHex(*at) : IsDigit(*at))) {
        value_ = std::min<char32_t>(value_ * (hex_ ? 16 : 10) + HexValue(*at), kPastUnicode);
        ++at;
    }
    return at;
}

char32_t MarkupReader::NumericCharacter() const {
    if (value_ == 0 || value_ >= kPastUnicode || (value_ >= 0xD800 && value_ <= 0xDFFF))
        return kReplacement;
    if (value_ >= 0x80 && value_ <= 0x9F)
        return kC1Characters[value_ - 0x80];
    return value_;
}

void MarkupReader::EndNumeric(unsigned char*& out, const unsigned char* limit) {
    Put(NumericCharacter(), out, limit);
    state_ = textState_;
}

void MarkupReader::EndTag(unsigned char*& out) {
    if (tagNameLength_ <= sizeof tagName_ &&
        std::ranges::binary_search(kBlockElements, std::string_view(tagName_, tagNameLength_)))
        *out++ = kBlockBreak;
    state_ = State::Text;
    textState_ = State::Text;
    // "<script/>" is complete in XHTML; an HTML page never writes it so.
    if (endTag_ || slash_)
        return;
    for (const char* raw : {"script", "style", "title", "textarea"}) {
        if (tagNameLength_ == std::strlen(raw) && std::memcmp(tagName_, raw, tagNameLength_) == 0) {
            std::memcpy(rawName_, raw, tagNameLength_ + 1);
            rawMatched_ = 0;
            state_ = raw[0] == 's' ? State::RawText : State::RcData;
            textState_ = raw[0] == 's' ? State::Text : State::RcData;
        }
    }
}

std::optional<bool> MarkupReader::EndsRcData(const unsigned char* at,
                                             const unsigned char* end) const {
    const std::size_t nameLength = std::strlen(rawName_);
    const std::size_t wanted = 2 + nameLength + 1;
    const std::size_t there = static_cast<std::size_t>(end - at);
    for (std::size_t i = 1; i < std::min(wanted, there); ++i) {
        const unsigned char c = at[i];
        const bool fits = i == 1               ? c == '/'
                          : i < 2 + nameLength ? Lower(c) == rawName_[i - 2]
                                               : IsSpace(c) || c == '/' || c == '>';
        if (!fits)
            return false;
    }
    if (there < wanted)
        return std::nullopt;
    return true;
}

void MarkupReader::Hold(const unsigned char* from, const unsigned char* end) {
    heldLength_ = static_cast<std::size_t>(end - from);
    std::memcpy(held_, from, heldLength_);
}

void MarkupReader::ReadText(const unsigned char*& at, const unsigned char* end, bool lastOfFile,
                            unsigned char*& out) {
    while (at < end && *at != '<' && *at != '&')
        *out++ = *at++;
    if (at == end)
        return;
    if (*at == '<') {
        if (state_ == State::Text) {
            // Whatever follows, '<' separates words, and as white space: an inline
            // element keeps words in a row (a block element ends the row itself).
            *out++ = ' ';
            ++at;
            state_ = State::TagOpen;
            return;
        }
        const std::optional<bool> ends = EndsRcData(at, end);
        if (!ends && !lastOfFile) {
            Hold(at, end);
            at = end;
            return;
        }
        if (ends.value_or(false)) {
            // The element's end tag; its attributes and '>' are read as any tag's.
            *out++ = ' ';
            at += 2 + std::strlen(rawName_);
            endTag_ = true;
            slash_ = false;
            state_ = State::InTag;
            textState_ = State::Text;
        } else {
            *out++ = *at++;
        }
        return;
    }
    const Reference reference = ReadReference(at, end, lastOfFile, out);
    if (reference.needsMore) {
        Hold(at, end);
        at = end;
        return;
    }
    at += reference.consumed;
}

MarkupReader::Reference MarkupReader::ReadReference(const unsigned char* at,
                                                    const unsigned char* end, bool lastOfFile,
                                                    unsigned char*& out) {
    const unsigned char* name = at + 1;
    if (name < end && *name == '#') {
        const unsigned char* digits = name + 1;
        const bool hex = digits < end && (*digits == 'x' || *digits == 'X');
        if (hex)
            ++digits;
        if (digits == end && !lastOfFile)
            return {0, true};
        if (digits < end && (hex ? IsHex(*digits) : IsDigit(*digits))) {
            state_ = State::Digits;
            hex_ = hex;
            value_ = 0;
            return {static_cast<std::size_t>(digits - at), false};
        }
        // "&#" without digits is text.
        *out++ = '&';
        return {1, false};
    }
    const unsigned char* run = name;
    while (run < end && IsAlnum(*run) &&
           static_cast<std::size_t>(run - name) < kLongestReferenceName)
        ++run;
    const std::size_t length = static_cast<std::size_t>(run - name);
    if (run == end && length < kLongestReferenceName && !lastOfFile)
        return {0, true};
    const std::string_view letters(reinterpret_cast<const char*>(name), length);
    if (run < end && *run == ';' && length > 0) {
        if (const NamedReference* found = FindReference(std::string(letters) + ';')) {
            const unsigned char* limit = at + length + 2;
            Put(found->first, out, limit);
            if (found->second != 0)
                Put(found->second, out, limit);
            return {length + 2, false};
        }
    }
    // A few old names need no ';', and the longest of them that starts the letters is
    // meant: "&notit;" is "¬it;".
    for (std::size_t k = length; k > 0; --k) {
        if (const NamedReference* found = FindReference(letters.substr(0, k))) {
            const unsigned char* limit = at + k + 1;
            Put(found->first, out, limit);
            if (found->second != 0)
                Put(found->second, out, limit);
            return {k + 1, false};
        }
    }
    *out++ = '&';
    return {1, false};
}

std::size_t MarkupReader::ReadRawText(const unsigned char* at, const unsigned char* end) {
    const std::size_t nameLength = std::strlen(rawName_);
    const unsigned char* p = at;
    while (p < end) {
        if (rawMatched_ == 0) {
            const void* open = std::memchr(p, '<', static_cast<std::size_t>(end - p));
            if (open == nullptr)
                return static_cast<std::size_t>(end - at);
            p = static_cast<const unsigned char*>(open) + 1;
            rawMatched_ = 1;
            continue;
        }
        const unsigned char c = *p;
        if (rawMatched_ == 1) {
            if (c == '/') {
                rawMatched_ = 2;
                ++p;
            } else {
                rawMatched_ = 0;
            }
            continue;
        }
        const std::size_t matched = rawMatched_ - 2;
        if (matched < nameLength) {
            if (Lower(c) == rawName_[matched]) {
                ++rawMatched_;
                ++p;
            } else {
                rawMatched_ = 0;
            }
            continue;
        }
        rawMatched_ = 0;
        if (IsSpace(c) || c == '/' || c == '>') {
            // The element's end tag; its attributes and '>' are read as any tag's.
            endTag_ = true;
            slash_ = false;
            state_ = State::InTag;
            return static_cast<std::size_t>(p - at);
        }
    }
    return static_cast<std::size_t>(p - at);
}

// A numeric reference whose digits ran up to the previous chunk's end gives its
// character once they end, before what this chunk gives: in the room in front of it
// where the character takes more bytes than this chunk's part of the reference. False
// while the digits still run to the chunk's end.
bool MarkupReader::EndCarriedReference(const unsigned char*& at, const unsigned char* end,
                                       bool lastOfFile, unsigned char*& first,
                                       unsigned char*& out) {
    unsigned char* begin = out;
    at = ReadDigits(at, end);
    if (at == end && !lastOfFile)
        return false;
    if (at < end && *at == ';')
        ++at;
    unsigned char bytes[4];
    const std::size_t length = Encode(NumericCharacter(), bytes);
    out = begin + (at - begin);
    first = out - length;
    std::memcpy(first, bytes, length);
    state_ = textState_;
    return true;
}

// The text, tags, comments and references from at to the chunk's end. One loop over
// every state, as a browser's tokenizer has it: a byte at a time through a switch
// costs less than handing groups of states to functions of their own.
void MarkupReader::ReadMarkup(const unsigned char* at, const unsigned char* end, bool lastOfFile,
                              unsigned char*& out) {
    while (at < end) {
        const unsigned char c = *at;
        switch (state_) {
            case State::Text:
            case State::RcData:
                ReadText(at, end, lastOfFile, out);
                break;
            case State::TagOpen:
                if (IsAlpha(c)) {
                    endTag_ = false;
                    tagNameLength_ = 0;
                    state_ = State::TagName;
                } else if (c == '/') {
                    ++at;
                    state_ = State::EndTagOpen;
                } else if (c == '!') {
                    ++at;
                    state_ = State::DeclOpen;
                } else if (c == '?') {
                    ++at;
                    state_ = State::BogusComment;
                } else {
                    state_ = State::Text;
                }
                break;
            case State::EndTagOpen:
                if (IsAlpha(c)) {
                    endTag_ = true;
                    tagNameLength_ = 0;
                    state_ = State::TagName;
                } else if (c == '>') {
                    ++at;
                    state_ = State::Text;
                } else {
                    state_ = State::BogusComment;
                }
                break;
            case State::TagName:
                slash_ = false;
                if (IsSpace(c) || c == '/') {
                    slash_ = c == '/';
                    state_ = State::InTag;
                } else if (c == '>') {
                    EndTag(out);
                } else {
                    if (tagNameLength_ < sizeof tagName_)
                        tagName_[tagNameLength_] = Lower(c);
                    ++tagNameLength_;
                }
                ++at;
                break;
            case State::InTag:
                if (c == '>')
                    EndTag(out);
                else if (c == '=')
                    state_ = State::AfterEquals;
                slash_ = c == '/';
                ++at;
                break;
            case State::AfterEquals:
                if (c == '"' || c == '\'') {
                    quote_ = c;
                    state_ = State::Quoted;
                    ++at;
                } else if (IsSpace(c)) {
                    ++at;
                } else {
                    state_ = State::InTag;
                }
                break;
            case State::Quoted: {
                const void* close = std::memchr(at, quote_, static_cast<std::size_t>(end - at));
                if (close == nullptr) {
                    at = end;
                } else {
                    at = static_cast<const unsigned char*>(close) + 1;
                    slash_ = false;
                    state_ = State::InTag;
                }
                break;
            }
            case State::DeclOpen:
                if (c == '-') {
                    ++at;
                    state_ = State::DeclDash;
                } else {
                    state_ = State::BogusComment;
                }
                break;
            case State::DeclDash:
                if (c == '-') {
                    ++at;
                    // "<!-->" and "<!--->" are whole comments.
                    dashes_ = 2;
                    bang_ = false;
                    state_ = State::Comment;
                } else {
                    state_ = State::BogusComment;
                }
                break;
            case State::Comment:
                if (c == '-') {
                    dashes_ = bang_ ? 1 : dashes_ + 1;
                    bang_ = false;
                } else if (c == '>' && dashes_ >= 2) {
                    state_ = State::Text;
                } else if (c == '!' && dashes_ >= 2 && !bang_) {
                    bang_ = true;
                } else {
                    dashes_ = 0;
                    bang_ = false;
                    const void* dash = std::memchr(at, '-', static_cast<std::size_t>(end - at));
                    at = dash == nullptr ? end : static_cast<const unsigned char*>(dash);
                    break;
                }
                ++at;
                break;
            case State::BogusComment: {
                const void* close = std::memchr(at, '>', static_cast<std::size_t>(end - at));
                if (close == nullptr) {
                    at = end;
                } else {
                    at = static_cast<const unsigned char*>(close) + 1;
                    state_ = State::Text;
                }
                break;
            }
            case State::RawText:
                at += ReadRawText(at, end);
                break;
            case State::Digits:
                at = ReadDigits(at, end);
                if (at == end)
                    break;
                if (*at == ';')
                    ++at;
                EndNumeric(out, at);
                break;
        }
    }
}

std::span<unsigned char> MarkupReader::Read(unsigned char* text, std::size_t size,
                                            bool lastOfFile) {
    unsigned char* begin = text - heldLength_;
    std::memcpy(begin, held_, heldLength_);
    const unsigned char* at = begin;
    const unsigned char* end = text + size;
    heldLength_ = 0;
    unsigned char* first = begin;
    unsigned char* out = begin;
    if (state_ == State::Digits && !EndCarriedReference(at, end, lastOfFile, first, out))
        return {begin, 0};
    ReadMarkup(at, end, lastOfFile, out);
    if (lastOfFile) {
        if (state_ == State::Digits)
            EndNumeric(out, end);
        state_ = State::Text;
        textState_ = State::Text;
    }
    return {first, static_cast<std::size_t>(out - first)};
}

}  // namespace tarvolen
