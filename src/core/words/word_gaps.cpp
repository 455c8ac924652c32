#include "core/words/word_gaps.h"

#include <unicode/uchar.h>

namespace tarvolen {

GapKind GapKindOf(char32_t c) {
    switch (c) {
        case U' ':
        case U'\t':
            return GapKind::Space;
        case U'\r':
            return GapKind::CarriageReturn;
        case U'\n':
            return GapKind::LineFeed;
        default:
            break;
    }
    if (c < 0x80)
        return c < 0x20 || c == 0x7F ? GapKind::Break : GapKind::Punctuation;
    // Beyond ASCII ICU knows the categories; gaps are few beside the words' letters.
    switch (u_charType(static_cast<UChar32>(c))) {
        case U_SPACE_SEPARATOR:
            return GapKind::Space;
        case U_CONTROL_CHAR:
        case U_LINE_SEPARATOR:
        case U_PARAGRAPH_SEPARATOR:
            return GapKind::Break;
        default:
            return GapKind::Punctuation;
    }
}

std::array<GapKind, 256> CodePageGaps(CodePage codePage) {
    std::array<GapKind, 256> gaps{};
    for (unsigned b = 0; b < 256; ++b) {
        const char32_t c = CodePageToUnicode(codePage, static_cast<unsigned char>(b));
        gaps[b] = u_isalpha(static_cast<UChar32>(c)) ? GapKind::Break : GapKindOf(c);
    }
    return gaps;
}

}  // namespace tarvolen
