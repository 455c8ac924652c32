#pragma once

// Words of several languages and their order as ICU's own collator gives it, called
// here directly: the model the program's collated sorts are held to.
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace tarvolen::testing {

// The model: ICU's C++ collator for the locale, byte order among the words it finds
// equal; the words are UTF-8.
inline std::vector<std::string> ModelOrder(std::vector<std::string> words, const char* locale) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
    EXPECT_TRUE(U_SUCCESS(status));
    std::sort(words.begin(), words.end());
    std::stable_sort(words.begin(), words.end(), [&](const std::string& a, const std::string& b) {
        UErrorCode compared = U_ZERO_ERROR;
        return collator->compare(icu::UnicodeString::fromUTF8(a), icu::UnicodeString::fromUTF8(b),
                                 compared) == UCOL_LESS;
    });
    return words;
}

struct LanguageCase {
    const char* locale;
    std::vector<std::string> words;  // UTF-8
};

// Each language's own letters, and for "root" the same letter precomposed and
// decomposed ("é" and "e" + U+0301), which the collator finds equal.
inline const LanguageCase kLanguages[] = {
    {"fr", {"zèbre", "école", "eau", "effet", "cote", "côte", "coté", "côté", "élève"}},
    {"de", {"äpfel", "apfel", "zucker", "öl", "ober", "über", "uber", "straße", "strasse"}},
    {"sv", {"åsa", "ärm", "öga", "zebra", "apa", "ödla", "ål", "yxa", "über"}},
    {"tr", {"ıslak", "isim", "çay", "cam", "dağ", "dal", "şeker", "sabah", "ünlü", "uzun"}},
    {"root", {"\x65\xcc\x81t\xc3\xa9", "\xc3\xa9t\xc3\xa9", "ete", "\xc3\xa9tre", "zoo"}},
};

}  // namespace tarvolen::testing
