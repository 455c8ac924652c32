#include "core/words/unicode_tables.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/uscript.h>

#include <memory>

namespace tarvolen {

namespace {

CharClass ClassOf(char32_t c) {
    switch (c) {
        case 0x0027:
        case 0x2019:
            return CharClass::Apostrophe;
        case 0x002D:
        case 0x2010:
        case 0x2011:
            return CharClass::Hyphen;
        case 0x00AD:
        case 0x200C:
        case 0x200D:
            return CharClass::Joiner;
        default:
            break;
    }
    switch (u_charType(static_cast<UChar32>(c))) {
        case U_UPPERCASE_LETTER:
        case U_LOWERCASE_LETTER:
        case U_TITLECASE_LETTER:
        case U_MODIFIER_LETTER:
        case U_OTHER_LETTER:
            return CharClass::Letter;
        case U_NON_SPACING_MARK:
        case U_COMBINING_SPACING_MARK:
        case U_ENCLOSING_MARK:
            return CharClass::Mark;
        case U_DECIMAL_DIGIT_NUMBER:
            return CharClass::Digit;
        default:
            return CharClass::Other;
    }
}

bool IsSegmented(char32_t c) {
    UErrorCode status = U_ZERO_ERROR;
    switch (uscript_getScript(static_cast<UChar32>(c), &status)) {
        case USCRIPT_HAN:
        case USCRIPT_HIRAGANA:
        case USCRIPT_KATAKANA:
        case USCRIPT_THAI:
        case USCRIPT_LAO:
        case USCRIPT_KHMER:
        case USCRIPT_MYANMAR:
            return true;
        default:
            return false;
    }
}

bool IsUnstable(char32_t c) {
    const auto u = static_cast<UChar32>(c);
    return u_getIntPropertyValue(u, UCHAR_NFKC_QUICK_CHECK) != UNORM_YES ||
           u_getCombiningClass(u) != 0;
}

// NFKC holds a character that is neither letter nor mark.
bool IsSpaced(char32_t c) {
    std::u16string in;
    in.push_back(static_cast<char16_t>(c));
    std::u16string normalized;
    if (!NormalizeNfkc(in, normalized))
        return false;
    for (const char16_t unit : normalized) {
        const CharClass charClass = ClassOf(unit);
        if (charClass != CharClass::Letter && charClass != CharClass::Mark)
            return true;
    }
    return false;
}

std::unique_ptr<detail::UnicodeTables> Build() {
    auto tables = std::make_unique<detail::UnicodeTables>();
    for (char32_t c = 0; c < 0x10000; ++c) {
        const CharClass charClass = ClassOf(c);
        std::uint8_t f = static_cast<std::uint8_t>(charClass);
        if (charClass != CharClass::Other && IsSegmented(c))
            f |= detail::kSegmentedBit;
        const auto lower = static_cast<char32_t>(u_tolower(static_cast<UChar32>(c)));
        // A lower case beyond the plane (none in today's data) goes the slow way.
        if (IsUnstable(c) || lower >= 0x10000)
            f |= detail::kUnstableBit;
        if ((charClass == CharClass::Letter || charClass == CharClass::Mark) && IsUnstable(c) &&
            (c < 0xD800 || c > 0xDFFF) && IsSpaced(c))
            f |= detail::kSpacedBit;
        tables->facts[c] = f;
        tables->lower[c] = static_cast<char16_t>(lower < 0x10000 ? lower : c);
        if (c >= 0x80 && c < 0x800)
            tables->twoByteLower[c] =
                f == static_cast<std::uint8_t>(CharClass::Letter) ? tables->lower[c] : u'\0';
    }
    return tables;
}

}  // namespace

bool NormalizeNfkc(const std::u16string& in, std::u16string& out) {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfkc = unorm2_getNFKCInstance(&status);
    if (U_FAILURE(status))
        return false;
    // A guess first, then exactly what ICU asks for: one character may give eighteen.
    out.resize(in.size() * 3 + 8);
    for (int attempt = 0; attempt < 2; ++attempt) {
        status = U_ZERO_ERROR;
        const std::int32_t length = unorm2_normalize(
            nfkc, reinterpret_cast<const UChar*>(in.data()), static_cast<std::int32_t>(in.size()),
            reinterpret_cast<UChar*>(out.data()), static_cast<std::int32_t>(out.size()), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(static_cast<std::size_t>(length));
            continue;
        }
        if (U_FAILURE(status))
            return false;
        out.resize(static_cast<std::size_t>(length));
        return true;
    }
    return false;
}

namespace detail {

const UnicodeTables& Tables() {
    static const std::unique_ptr<UnicodeTables> tables = Build();
    return *tables;
}

CharFacts FactsBeyondBmp(char32_t c) {
    const CharClass charClass = ClassOf(c);
    return {charClass, charClass != CharClass::Other && IsSegmented(c), true, false};
}

char32_t LowerBeyondBmp(char32_t c) {
    return static_cast<char32_t>(u_tolower(static_cast<UChar32>(c)));
}

}  // namespace detail

}  // namespace tarvolen
