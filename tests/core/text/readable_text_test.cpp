#include "core/text/readable_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>

namespace tarvolen {
namespace {

struct Row {
    const char* why;
    std::string in;
    std::string out;
};

TEST(ReadableText, KeepsUtf8AndEscapesEverythingElse) {
    const Row rows[] = {
        {"plain ASCII", "/home/ann/list.txt", "/home/ann/list.txt"},
        {"tab and line ends stay", "a\tb\r\nc", "a\tb\r\nc"},
        {"two-byte letter", "caf\xC3\xA9", "caf\xC3\xA9"},
        {"three-byte sign", "\xE2\x82\xAC", "\xE2\x82\xAC"},
        {"four-byte sign", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"a Windows-1252 byte alone", "caf\xE9.txt", "caf\\xE9.txt"},
        {"lone continuation", "\x80", "\\x80"},
        {"overlong slash", "\xC0\xAF", "\\xC0\\xAF"},
        {"overlong three-byte", "\xE0\x80\xAF", "\\xE0\\x80\\xAF"},
        {"surrogate", "\xED\xA0\x80", "\\xED\\xA0\\x80"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
        {"cut short at the end", "ab\xE2\x82", "ab\\xE2\\x82"},
        {"cut short by ASCII", "\xE2\x82z", "\\xE2\\x82z"},
        {"FF and FE", "\xFF\xFE", "\\xFF\\xFE"},
        {"escape and other controls", "a\x1B[2Jb\x7F", "a\\x1B[2Jb\\x7F"},
        {"NUL", std::string("a\0b", 3), "a\\x00b"},
        {"C1 control sequence introducer",
         "a\xC2\x9B"
         "2Jb",
         "a\\xC2\\x9B2Jb"},
        {"first and last C1", "\xC2\x80\xC2\x9F", "\\xC2\\x80\\xC2\\x9F"},
        {"no-break space stays",
         "a\xC2\xA0"
         "b",
         "a\xC2\xA0"
         "b"},
        {"right-to-left override", "evil\xE2\x80\xAEtxt.exe", "evil\\xE2\\x80\\xAEtxt.exe"},
        {"left-to-right embedding", "\xE2\x80\xAA", "\\xE2\\x80\\xAA"},
        {"marks", "\xE2\x80\x8E\xE2\x80\x8F", "\\xE2\\x80\\x8E\\xE2\\x80\\x8F"},
        {"isolates", "\xE2\x81\xA6\xE2\x81\xA9", "\\xE2\\x81\\xA6\\xE2\\x81\\xA9"},
        {"dash and word joiner stay", "\xE2\x80\x94\xE2\x81\xA0", "\xE2\x80\x94\xE2\x81\xA0"},
        {"empty", "", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ReadableText(row.in), row.out) << row.why;
}

// The characters a terminal would act on, by value: C0 and C1 controls but tab, LF
// and CR, DEL, and the bidirectional marks, embeddings, overrides and isolates.
bool ActsOnTerminal(std::uint32_t value) {
    return (value < 0x20 && value != '\t' && value != '\n' && value != '\r') ||
           (value >= 0x7F && value <= 0x9F) || value == 0x200E || value == 0x200F ||
           (value >= 0x202A && value <= 0x202E) || (value >= 0x2066 && value <= 0x2069);
}

// Decodes one code point the long way, by its value; nullopt where the bytes are no
// well-formed UTF-8 or a character a terminal acts on.
std::optional<std::size_t> DecodedLength(const std::string& s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    std::size_t length = b(0) < 0x80       ? 1
                         : b(0) >> 5 == 6  ? 2
                         : b(0) >> 4 == 14 ? 3
                         : b(0) >> 3 == 30 ? 4
                                           : 0;
    if (length == 0 || i + length > s.size())
        return std::nullopt;
    std::uint32_t value = length == 1 ? b(0) : b(0) & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if (b(k) >> 6 != 2)
            return std::nullopt;
        value = value << 6 | (b(k) & 0x3F);
    }
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < least[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF) ||
        ActsOnTerminal(value))
        return std::nullopt;
    return length;
}

TEST(ReadableText, RandomBytesGiveUtf8ThatSpellsThemBack) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> pick(0, 255);
    for (int round = 0; round < 20'000; ++round) {
        std::string in;
        for (int n = round % 12; n > 0; --n) {
            // Mostly high bytes, where the decisions are; never a backslash, so that the
            // escapes can be read back without doubt.
            const int value = pick(random) < 64 ? pick(random) % 128 : 0x80 | pick(random);
            in += value == '\\' ? 'x' : static_cast<char>(value);
        }
        const std::string out = ReadableText(in);
        std::string back;
        for (std::size_t i = 0; i < out.size();) {
            const std::optional<std::size_t> length = DecodedLength(out, i);
            ASSERT_TRUE(length.has_value()) << "not UTF-8, or a control, at " << i;
            const auto c = static_cast<unsigned char>(out[i]);
            if (c == '\\') {
                ASSERT_LE(i + 4, out.size());
                back += static_cast<char>(std::stoi(out.substr(i + 2, 2), nullptr, 16));
                i += 4;
                continue;
            }
            back.append(out, i, *length);
            i += *length;
        }
        ASSERT_EQ(back, in);
        // Nothing escaped that was well formed and harmless: escaping only what must
        // be means the output is the input where the input decodes.
        bool wellFormed = true;
        for (std::size_t i = 0; i < in.size() && wellFormed;) {
            const std::optional<std::size_t> length = DecodedLength(in, i);
            wellFormed = length.has_value();
            i += length.value_or(1);
        }
        if (wellFormed) {
            ASSERT_EQ(out, in);
        }
    }
}

}  // namespace
}  // namespace tarvolen
