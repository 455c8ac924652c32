#include "core/text/code_page.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace tarvolen {
namespace {

// Our tables against the C library's: the same character for every byte, and no
// character where it has none.
TEST(CodePageTest, TablesAgreeWithIconv) {
    for (auto [codePage, name] :
         {std::pair{CodePage::Windows1252, "CP1252"}, std::pair{CodePage::Windows1251, "CP1251"}}) {
        iconv_t cd = iconv_open("UTF-32LE", name);
        ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
        const FromUnicodeTable& back = FromUnicodeTableOf(codePage);
        for (int byte = 0; byte < 256; ++byte) {
            SCOPED_TRACE(std::string(name) + " byte " + std::to_string(byte));
            char in = static_cast<char>(byte);
            char* inAt = &in;
            std::size_t inLeft = 1;
            unsigned char out[4] = {};
            char* outAt = reinterpret_cast<char*>(out);
            std::size_t outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            const bool defined =
                iconv(cd, &inAt, &inLeft, &outAt, &outLeft) != static_cast<std::size_t>(-1);
            const char32_t expected =
                defined ? char32_t(out[0] | out[1] << 8 | out[2] << 16) : char32_t(0xFFFD);
            EXPECT_EQ(CodePageToUnicode(codePage, static_cast<unsigned char>(byte)), expected);
            if (defined) {
                EXPECT_EQ(back[expected], byte);
            }
        }
        iconv_close(cd);
    }
}

TEST(CodePageTest, Utf8OfCodePageText) {
    EXPECT_EQ(CodePageToUtf8(CodePage::Windows1251, "\xEC\xE8\xF0"), "\xD0\xBC\xD0\xB8\xD1\x80");
    EXPECT_EQ(CodePageToUtf8(CodePage::Windows1252, "caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(CodePageToUtf8(CodePage::Windows1252, "\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(UnicodeToCodePage(FromUnicodeTableOf(CodePage::Windows1251), 0x1F600), kNoByte);
    EXPECT_EQ(UnicodeToCodePage(FromUnicodeTableOf(CodePage::Windows1251), 0x0451), 0xB8);
}

}  // namespace
}  // namespace tarvolen
