#include "core/output/upper_case.h"

#include "core/words/char_map.h"

namespace tarvolen {

namespace {

constexpr UpperCaseTable IdentityWithAscii() {
    UpperCaseTable table{};
    for (int byte = 0; byte < 256; ++byte)
        table[byte] = static_cast<unsigned char>(byte);
    for (int byte = 'a'; byte <= 'z'; ++byte)
        table[byte] = static_cast<unsigned char>(byte - 0x20);
    return table;
}

// Windows-1252: the Latin-1 letters à..þ sit 0x20 above their capitals, except the
// division sign 0xF7; š, œ, ž and ÿ have partners elsewhere. ß (0xDF) and µ (0xB5)
// have no single-byte capital and stay.
constexpr UpperCaseTable BuildWestern() {
    UpperCaseTable table = IdentityWithAscii();
    for (int byte = 0xE0; byte <= 0xFE; ++byte) {
        if (byte != 0xF7)
            table[byte] = static_cast<unsigned char>(byte - 0x20);
    }
    table[0x9A] = 0x8A;
    table[0x9C] = 0x8C;
    table[0x9E] = 0x8E;
    table[0xFF] = 0x9F;
    return table;
}

// Windows-1251: а..я sit 0x20 above А..Я; ё and the letters of the other Cyrillic
// languages are scattered pairs.
constexpr UpperCaseTable BuildCyrillic() {
    UpperCaseTable table = IdentityWithAscii();
    for (int byte = 0xE0; byte <= 0xFF; ++byte)
        table[byte] = static_cast<unsigned char>(byte - 0x20);
    constexpr unsigned char pairs[][2] = {
        {0xB8, 0xA8}, {0xA2, 0xA1}, {0xB3, 0xB2}, {0xB4, 0xA5}, {0xBA, 0xAA},
        {0xBF, 0xAF}, {0xBC, 0xA3}, {0xBE, 0xBD}, {0x90, 0x80}, {0x83, 0x81},
        {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D}, {0x9E, 0x8E}, {0x9F, 0x8F},
    };
    for (const auto& pair : pairs)
        table[pair[0]] = pair[1];
    return table;
}

constexpr UpperCaseTable kWestern = BuildWestern();
constexpr UpperCaseTable kCyrillic = BuildCyrillic();

}  // namespace

const UpperCaseTable& UpperCaseTableOf(std::int32_t language) {
    return UpperCaseTableOf(CodePageOf(language));
}

const UpperCaseTable& UpperCaseTableOf(CodePage codePage) {
    return codePage == CodePage::Windows1251 ? kCyrillic : kWestern;
}

void UpperCaseBytes(char* bytes, std::size_t length, const UpperCaseTable& table) {
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<char>(table[static_cast<unsigned char>(bytes[i])]);
    }
}

}  // namespace tarvolen
