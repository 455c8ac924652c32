// Web pages read as the ingestion reads them (the decoder, then the markup reader),
// in chunks of any size, each with exactly the room in front that a chunk is
// promised, through every way the decoder has: UTF-8 in place, UTF-16 and UTF-32,
// a code page widened for a list of any language, a single-byte encoding by its
// table, and multi-byte and stateful encodings through iconv.
//
// An input that starts with a byte below 0x80 is a program for a page: words whose
// letters are written as they are, in capitals or as numeric references, between
// separators of every kind the reader knows (tags with quoted '>', comments,
// declarations, script and style, the contents of a title or textarea, references to
// characters that are no letters, and a character of the encoding beyond ASCII). The
// page is written in the chosen encoding, and its words must come out, counted as the
// model counts them. Any other input is the page's bytes as they are: the reading
// must stay in its buffers (ASan tells) and give well-formed UTF-8 for a list of any
// language.
#include <iconv.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/decode/text_decoder.h"
#include "core/decode/text_encoding.h"
#include "core/ingest/document_text.h"
#include "decoded_words.h"
#include "fuzz_input.h"

using namespace tarvolen;

namespace {

using namespace std::string_view_literals;

struct Encoding {
    const char* name;       // as the person names it (ParseEncoding)
    const char* iconvName;  // what iconv writes the page in
    std::string_view byteOrderMark;
    char32_t beyondAscii;  // a character of the encoding that is no letter
};

constexpr Encoding kEncodings[] = {
    {"utf-8", "UTF-8", ""sv, U'\u3001'},
    {"auto", "UTF-16LE", "\xFF\xFE"sv, U'\U0001F600'},
    {"utf-16be", "UTF-16BE", ""sv, U'\u3000'},
    {"auto", "UTF-32LE", "\xFF\xFE\x00\x00"sv, U'\u3001'},
    {"auto", "UTF-32BE", "\x00\x00\xFE\xFF"sv, U'\u2014'},
    {"auto", "CP1252", ""sv, U'\u00A9'},  // Automatic's fallback: no UTF-8
    {"koi8-r", "KOI8-R", ""sv, U'\u00A9'},
    {"shift_jis", "SHIFT_JIS", ""sv, U'\u3001'},
    {"gb18030", "GB18030", ""sv, U'\u3001'},
    {"euc-jp", "EUC-JP", ""sv, U'\u3000'},
    {"iso-2022-jp", "ISO-2022-JP", ""sv, U'\u3001'},
};
constexpr std::size_t kEncodingCount = sizeof kEncodings / sizeof kEncodings[0];

// Separators as a page writes them: none gives a letter, whatever surrounds it.
constexpr const char* kSeparators[] = {
    " ",
    "\n",
    "<br>",
    "<p class=\"a>b\" id='c>d'>",
    "</DIV >",
    "<img src=x/>",
    "<!-- a comment, <b>not</b> text -->",
    "<!---->",
    "<!-- x --!>",
    "<script>if (a<b) x = '</p>';</script>",
    "<STYLE type=text/css>p { x: y }</style >",
    "<!DOCTYPE html>",
    "<?xml version=\"1.0\"?>",
    "</ bogus>",
    "&lt;",
    "&amp;",
    "&nbsp;",
    "&#x3001;",
    "&#12288;",
    "&#0;",
    "&#xD800;",
    "&#128;",
    "&#99999999999;",
    "&NotEqualTilde;",
    "&unknown;",  // text: the word "unknown"
    "<title>t&#x69;tle w<o>rd</title>",
    "<textarea>x<y>z &lt;/textarea&gt;</TEXTAREA>",
};
constexpr std::size_t kSeparatorCount = sizeof kSeparators / sizeof kSeparators[0];

// The words of the separators above that hold text.
void CountSeparatorWords(std::string_view separator, std::map<std::string, std::uint32_t>& words) {
    if (separator == "&unknown;") {
        ++words["unknown"];
    } else if (separator.starts_with("<title>")) {
        ++words["title"];
        ++words["w"];
        ++words["o"];
        ++words["rd"];
    } else if (separator.starts_with("<textarea>")) {
        ++words["x"];
        ++words["y"];
        ++words["z"];
        ++words["textarea"];
    }
}

void AppendUtf32(std::u32string& page, std::string_view ascii) {
    for (char c : ascii)
        page.push_back(static_cast<unsigned char>(c));
}

// The page of a program, and the words it shows.
std::u32string WritePage(fuzz::FuzzInput& input, char32_t beyondAscii,
                         std::map<std::string, std::uint32_t>& words) {
    std::u32string page;
    while (!input.Empty() && page.size() < 100'000) {
        const std::uint8_t op = input.Byte();
        if (op % 3 != 0) {
            const std::size_t separator = input.Below(kSeparatorCount + 1);
            if (separator == kSeparatorCount) {
                page.push_back(beyondAscii);
            } else {
                AppendUtf32(page, kSeparators[separator]);
                CountSeparatorWords(kSeparators[separator], words);
            }
            continue;
        }
        const std::size_t length = 1 + op / 3 % 20;
        std::string word;
        for (std::size_t i = 0; i < length; ++i) {
            const std::uint8_t pick = input.Byte();
            const char letter = static_cast<char>('a' + pick % 26);
            word += letter;
            char text[16];
            switch (pick / 26 % 5) {
                case 0:
                    text[0] = letter;
                    text[1] = 0;
                    break;
                case 1:
                    text[0] = static_cast<char>(letter - 'a' + 'A');
                    text[1] = 0;
                    break;
                case 2:
                    std::snprintf(text, sizeof text, "&#%d;", letter);
                    break;
                case 3:
                    std::snprintf(text, sizeof text, "&#X%04x;", letter);
                    break;
                default:
                    // No digit ever follows: the reference ends without its ';'.
                    std::snprintf(text, sizeof text, "&#0%d", letter);
                    break;
            }
            AppendUtf32(page, text);
        }
        ++words[word];
        page.push_back(U' ');
    }
    return page;
}

std::string Encode(const std::u32string& page, const Encoding& encoding) {
    std::string bytes(encoding.byteOrderMark);
    iconv_t cd = iconv_open(encoding.iconvName, "UTF-32LE");
    FUZZ_CHECK(cd != reinterpret_cast<iconv_t>(-1), encoding.iconvName);
    std::string in(page.size() * 4, '\0');
    for (std::size_t i = 0; i < page.size(); ++i)
        for (int k = 0; k < 4; ++k)
            in[4 * i + k] = static_cast<char>(page[i] >> (8 * k));
    std::string out(page.size() * 8 + 16, '\0');
    char* inAt = in.data();
    std::size_t inLeft = in.size();
    char* outAt = out.data();
    std::size_t outLeft = out.size();
    const std::size_t converted = iconv(cd, &inAt, &inLeft, &outAt, &outLeft);
    iconv(cd, nullptr, nullptr, &outAt, &outLeft);  // back to ASCII, for ISO-2022-JP
    iconv_close(cd);
    FUZZ_CHECK(converted != static_cast<std::size_t>(-1), encoding.iconvName);
    bytes.append(out.data(), out.size() - outLeft);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const bool program = input.Byte() < 0x80;
    const Encoding& encoding = kEncodings[input.Below(kEncodingCount)];
    const std::int32_t language = input.Byte() % 2 == 0 ? kEnglishLatin : kUnicode;
    fuzz::ChunkSizes sizes(input.Bits32(), fuzz::MaxChunkOf(input.Byte()));

    std::map<std::string, std::uint32_t> expected;
    const std::string file =
        program ? Encode(WritePage(input, encoding.beyondAscii, expected), encoding)
                : std::string(input.Rest());

    const TextEncoding textEncoding = *ParseEncoding(encoding.name);
    const CodePage codePage = CodePageOf(language);
    TextDecoder decoder(textEncoding, codePage);
    FUZZ_CHECK(decoder.Valid(), encoding.name);
    decoder.StartFile();
    const DocumentRules rules{MarkupMode::Html, true};
    DocumentText document("page.html", rules, decoder, textEncoding, codePage);
    // ASCII letters are words of both lists alike; what the Unicode rule makes of the
    // rest is the tokenizer's own business.
    fuzz::DecodedWords words(kEnglishLatin);
    std::size_t at = 0;
    do {
        const std::size_t n = std::min(sizes.Next(), file.size() - at);
        // Exactly the promised room: a write before or after it is ASan's to see.
        std::vector<unsigned char> buffer(kDocumentFrontRoom + n + 1);
        unsigned char* chunk = buffer.data() + kDocumentFrontRoom;
        if (n > 0)
            std::memcpy(chunk, file.data() + at, n);
        if (at == 0)
            FUZZ_CHECK(document.Accept(chunk, n), encoding.name);
        at += n;
        const std::span<unsigned char> text = document.Read(chunk, n, at == file.size());
        if (language == kUnicode) {
            FUZZ_CHECK(IsWellFormedUtf8(text.data(), text.size(), true), encoding.name);
        }
        words.Take(text);
    } while (at < file.size());
    words.Finish();

    if (program) {
        const testing::WordCounts read = testing::StoreWords(words.Store());
        std::string difference = std::string(encoding.name) + " " + encoding.iconvName + ":";
        for (const auto& [word, count] : read)
            if (expected[word] != count)
                difference += " read " + word + "," + std::to_string(count);
        for (const auto& [word, count] : expected)
            if (count != 0 && !read.contains(word))
                difference += " missing " + word;
        FUZZ_CHECK(read == expected, difference);
    }
    return 0;
}
