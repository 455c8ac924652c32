#include "core/decode/text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace tarvolen {

namespace {

// The common encodings of the alphabets and of Chinese, Japanese and Korean text, each
// a name iconv knows; any other name of iconv's may be given as well.
constexpr std::array<EncodingChoice, 21> kChoices{{
    {"auto", "Automatic"},
    {"codepage", "Code page"},
    {"utf-8", "UTF-8"},
    {"utf-16", "UTF-16"},
    {"utf-16le", "UTF-16LE"},
    {"utf-16be", "UTF-16BE"},
    {"windows-1250", "Windows-1250"},
    {"windows-1251", "Windows-1251"},
    {"windows-1252", "Windows-1252"},
    {"iso-8859-1", "ISO-8859-1"},
    {"iso-8859-2", "ISO-8859-2"},
    {"iso-8859-5", "ISO-8859-5"},
    {"iso-8859-15", "ISO-8859-15"},
    {"koi8-r", "KOI8-R"},
    {"koi8-u", "KOI8-U"},
    {"ibm866", "IBM866"},
    {"shift_jis", "Shift_JIS"},
    {"euc-jp", "EUC-JP"},
    {"gb18030", "GB18030"},
    {"big5", "Big5"},
    {"euc-kr", "EUC-KR"},
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
