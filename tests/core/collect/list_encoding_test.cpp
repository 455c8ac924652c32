// A list is UTF-16 by its mark or by where its NULs fall, never by a stray NUL.
#include "core/collect/list_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvolen {
namespace {

// ASCII text as UTF-16 without a mark.
std::string AsUtf16(const std::string& ascii, bool little) {
    std::string out;
    for (char c : ascii) {
        out += little ? c : '\0';
        out += little ? '\0' : c;
    }
    return out;
}

std::string Bytes(const char* bytes, std::size_t size) {
    return std::string(bytes, size);
}

TEST(ListEncodingTest, Utf16OnlyWhereItsNulsFallAsUtf16PutsThem) {
    using enum EncodingKind;
    const struct {
        const char* why;
        std::string bytes;
        EncodingKind kind;
    } rows[] = {
        {"no NUL: as documents are read", "word,3\nnext\n", Automatic},
        {"a stray NUL in a word", Bytes("ab\0cd,3\n", 8), Automatic},
        {"a stray NUL, odd size", Bytes("ab\0cd,3", 7), Automatic},
        {"a NUL after each of two words", Bytes("alpha\0\nbeta\0\n", 13), Automatic},
        {"an even one of those", Bytes("alpha\0\nbeta\n", 12), Automatic},
        {"a unit of two NULs", Bytes("a\0\0\0b\0", 6), Automatic},
        {"little-endian with counts", AsUtf16("word,3\nnext,12\n", true), Utf16Le},
        {"big-endian with counts", AsUtf16("word,3\nnext,12\n", false), Utf16Be},
        {"one word, nothing after it", AsUtf16("word", true), Utf16Le},
        // река лес: Cyrillic holds no NUL, only the line ends do.
        {"Russian, little-endian",
         Bytes("\x40\x04\x35\x04\x3A\x04\x30\x04\x0A\x00\x3B\x04\x35\x04\x41\x04\x0A\x00", 18),
         Utf16Le},
        // РОСА: the capital Er's low byte is a space.
        {"Russian capitals, big-endian",
         Bytes("\x04\x20\x04\x1E\x04\x21\x04\x10\x00\x0A\x04\x20\x04\x10\x00\x0D\x00\x0A", 18),
         Utf16Be},
        {"a mark: the reader follows it", "\xFF\xFE" + AsUtf16("word\n", true), Automatic},
    };
    for (const auto& row : rows) {
        const TextEncoding encoding =
            ListEncodingOf(row.bytes, static_cast<std::int64_t>(row.bytes.size()), TextEncoding{});
        EXPECT_EQ(encoding.kind, row.kind) << row.why;
    }
    // Only Automatic looks; a chosen encoding stands.
    const TextEncoding chosen{EncodingKind::Utf8, {}};
    EXPECT_EQ(ListEncodingOf(AsUtf16("word\n", true), 10, chosen).kind, EncodingKind::Utf8);
}

}  // namespace
}  // namespace tarvolen
