#include "core/collect/text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace tarvolen {

namespace {

constexpr std::array<EncodingChoice, 11> kChoices{{
    {"auto", "Automatic"},
    {"codepage", "Code page"},
    {"utf-8", "UTF-8"},
    {"utf-16", "UTF-16"},
    {"utf-16le", "UTF-16LE"},
    {"utf-16be", "UTF-16BE"},
    {"koi8-r", "KOI8-R"},
    {"ibm866", "IBM866"},
    {"iso-8859-5", "ISO-8859-5"},
    {"iso-8859-1", "ISO-8859-1"},
    {"iso-8859-15", "ISO-8859-15"},
}};

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool IconvKnows(const std::string& name) {
    iconv_t cd = ::iconv_open("UTF-32LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    ::iconv_close(cd);
    return true;
}

}  // namespace

std::span<const EncodingChoice> EncodingChoices() {
    return kChoices;
}

std::optional<TextEncoding> ParseEncoding(std::string_view name) {
    const std::string lower = Lower(name);
    if (lower == "auto")
        return TextEncoding{EncodingKind::Automatic, {}};
    if (lower == "codepage")
        return TextEncoding{EncodingKind::CodePage, {}};
    if (lower == "utf-8" || lower == "utf8")
        return TextEncoding{EncodingKind::Utf8, {}};
    if (lower == "utf-16" || lower == "utf16")
        return TextEncoding{EncodingKind::Utf16, {}};
    if (lower == "utf-16le" || lower == "utf16le")
        return TextEncoding{EncodingKind::Utf16Le, {}};
    if (lower == "utf-16be" || lower == "utf16be")
        return TextEncoding{EncodingKind::Utf16Be, {}};
    if (lower.empty() || !IconvKnows(lower))
        return std::nullopt;
    return TextEncoding{EncodingKind::Iconv, lower};
}

}  // namespace tarvolen
