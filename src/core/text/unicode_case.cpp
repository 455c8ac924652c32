#include "core/text/unicode_case.h"

#include <unicode/uchar.h>

namespace tarvolen {

char32_t UpperCaseLetter(char32_t c) {
    return static_cast<char32_t>(u_toupper(static_cast<UChar32>(c)));
}

}  // namespace tarvolen
