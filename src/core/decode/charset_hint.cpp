#include "core/decode/charset_hint.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "core/decode/encoding_labels.h"

namespace tarvolen {

namespace {

bool IsSpace(unsigned char c) {
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

bool IsAsciiLetter(unsigned char c) {
    return (c | 0x20u) >= 'a' && (c | 0x20u) <= 'z';
}

unsigned char Lower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

std::optional<std::string> Named(std::string_view label) {
    const std::optional<std::string_view> name = EncodingOfLabel(label);
    return name ? std::optional<std::string>(*name) : std::nullopt;
}

// The HTML standard's prescan of a byte stream for its encoding, over the bytes given.
class Prescan {
  public:
    Prescan(const unsigned char* bytes, std::size_t size) : at_(bytes), end_(bytes + size) {}

    std::optional<std::string> Run() {
        for (; at_ < end_; ++at_) {
            if (Starts("<!--")) {
                // The "--" of "-->" may be those of "<!--".
                at_ += 2;
                while (at_ + 2 < end_ && !(at_[0] == '-' && at_[1] == '-' && at_[2] == '>'))
                    ++at_;
                at_ += 2;
            } else if (StartsMeta()) {
                at_ += 5;
                if (std::optional<std::string> charset = ReadMeta())
                    return charset;
            } else if (at_ + 1 < end_ && at_[0] == '<' &&
                       (IsAsciiLetter(at_[1]) ||
                        (at_ + 2 < end_ && at_[1] == '/' && IsAsciiLetter(at_[2])))) {
                while (at_ < end_ && !IsSpace(*at_) && *at_ != '>')
                    ++at_;
                std::string name;
                std::string value;
                while (ReadAttribute(name, value)) {
                }
            } else if (Starts("<!") || Starts("</") || Starts("<?")) {
                while (at_ < end_ && *at_ != '>')
                    ++at_;
            }
        }
        return std::nullopt;
    }

  private:
    bool Starts(std::string_view text) const {
        return static_cast<std::size_t>(end_ - at_) >= text.size() &&
               std::equal(text.begin(), text.end(), at_);
    }

    bool StartsMeta() const {
        if (end_ - at_ < 6 || at_[0] != '<')
            return false;
        for (int i = 0; i < 4; ++i)
            if (Lower(at_[1 + i]) != "meta"[i])
                return false;
        return IsSpace(at_[5]) || at_[5] == '/';
    }

    // The attributes of a meta element, from just after its name: the encoding they
    // name, if they name one as the standard asks.
    std::optional<std::string> ReadMeta() {
        std::vector<std::string> seen;
        bool gotPragma = false;
        std::optional<bool> needPragma;
        std::optional<std::string> charset;
        bool charsetFailed = false;
        std::string name;
        std::string value;
        while (ReadAttribute(name, value)) {
            if (std::find(seen.begin(), seen.end(), name) != seen.end())
                continue;
            seen.push_back(name);
            if (name == "http-equiv") {
                gotPragma = gotPragma || value == "content-type";
            } else if (name == "content") {
                if (charset || charsetFailed)
                    continue;
                if (std::optional<std::string> label = CharsetInContent(value)) {
                    if ((charset = Named(*label)))
                        needPragma = true;
                }
            } else if (name == "charset") {
                charset = Named(value);
                charsetFailed = !charset;
                needPragma = false;
            }
        }
        if (!needPragma || (*needPragma && !gotPragma))
            return std::nullopt;
        return charset;
    }

    // The standard's "get an attribute": lower-cased name and value, false when the
    // tag ends (or the bytes do) before another attribute.
    bool ReadAttribute(std::string& name, std::string& value) {
        name.clear();
        value.clear();
        while (at_ < end_ && (IsSpace(*at_) || *at_ == '/'))
            ++at_;
        if (at_ == end_ || *at_ == '>')
            return false;
        for (;; ++at_) {
            if (at_ == end_)
                return false;
            const unsigned char c = *at_;
            if (c == '=' && !name.empty()) {
                ++at_;
                break;
            }
            if (IsSpace(c)) {
                while (at_ < end_ && IsSpace(*at_))
                    ++at_;
                if (at_ == end_)
                    return false;
                if (*at_ != '=')
                    return true;
                ++at_;
                break;
            }
            if (c == '/' || c == '>')
                return true;
            name += static_cast<char>(Lower(c));
        }
        while (at_ < end_ && IsSpace(*at_))
            ++at_;
        if (at_ == end_)
            return false;
        if (*at_ == '"' || *at_ == '\'') {
            const unsigned char quote = *at_;
            for (++at_; at_ < end_; ++at_) {
                if (*at_ == quote) {
                    ++at_;
                    return true;
                }
                value += static_cast<char>(Lower(*at_));
            }
            return false;
        }
        if (*at_ == '>')
            return true;
        for (; at_ < end_; ++at_) {
            if (IsSpace(*at_) || *at_ == '>')
                return true;
            value += static_cast<char>(Lower(*at_));
        }
        return false;
    }

    // The standard's "extracting a character encoding from a meta element": the label
    // after "charset=" in a content value.
    static std::optional<std::string> CharsetInContent(std::string_view content) {
        std::size_t at = 0;
        for (;;) {
            const std::size_t found = content.find("charset", at);
            if (found == std::string_view::npos)
                return std::nullopt;
            at = found + 7;
            while (at < content.size() && IsSpace(static_cast<unsigned char>(content[at])))
                ++at;
            if (at < content.size() && content[at] == '=')
                break;
        }
        ++at;
        while (at < content.size() && IsSpace(static_cast<unsigned char>(content[at])))
            ++at;
        if (at == content.size())
            return std::nullopt;
        if (content[at] == '"' || content[at] == '\'') {
            const std::size_t close = content.find(content[at], at + 1);
            if (close == std::string_view::npos)
                return std::nullopt;
            return std::string(content.substr(at + 1, close - at - 1));
        }
        std::size_t stop = at;
        while (stop < content.size() && !IsSpace(static_cast<unsigned char>(content[stop])) &&
               content[stop] != ';')
            ++stop;
        return std::string(content.substr(at, stop - at));
    }

    const unsigned char* at_;
    const unsigned char* end_;
};

// XML's declaration names the encoding of a document that starts with it.
std::optional<std::string> XmlDeclared(std::string_view start) {
    if (!start.starts_with("<?xml"))
        return std::nullopt;
    const std::string_view declaration = start.substr(0, start.find("?>"));
    std::size_t at = declaration.find("encoding");
    if (at == std::string_view::npos)
        return std::nullopt;
    at += 8;
    while (at < declaration.size() && IsSpace(static_cast<unsigned char>(declaration[at])))
        ++at;
    if (at == declaration.size() || declaration[at] != '=')
        return std::nullopt;
    ++at;
    while (at < declaration.size() && IsSpace(static_cast<unsigned char>(declaration[at])))
        ++at;
    if (at == declaration.size() || (declaration[at] != '"' && declaration[at] != '\''))
        return std::nullopt;
    const std::size_t close = declaration.find(declaration[at], at + 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    return Named(declaration.substr(at + 1, close - at - 1));
}

}  // namespace

std::optional<std::string> FindCharsetHint(const unsigned char* bytes, std::size_t size) {
    size = std::min(size, kCharsetHintBytes);
    if (std::optional<std::string> declared =
            XmlDeclared({reinterpret_cast<const char*>(bytes), size}))
        return declared;
    return Prescan(bytes, size).Run();
}

}  // namespace tarvolen
