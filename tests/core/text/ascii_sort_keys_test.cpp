#include "core/text/ascii_sort_keys.h"

#include <gtest/gtest.h>
#include <unicode/ucol.h>
#include <unicode/uiter.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/text/collation.h"

namespace tarvolen {
namespace {

std::uint64_t IcuKey(const UCollator* collator, const std::string& word) {
    UCharIterator iterator;
    uiter_setUTF8(&iterator, word.data(), static_cast<std::int32_t>(word.size()));
    std::uint64_t key = 0;
    EXPECT_TRUE(IcuLeadingKey(collator, iterator, key));
    return key;
}

// Every locale ICU has: a key the table gives is the one ICU gives, on random words of
// the letters a to z and the contractions of many languages, beside each other and
// beside letters that may join them.
TEST(AsciiSortKeys, KeysAreIcusOwnInEveryLocale) {
    const std::vector<std::string> pieces = {
        "cs", "dz", "dzs", "gy", "ly", "ny", "sz", "ty", "zs", "ccs", "ddzs", "ssz", "ch", "lj",
        "nj", "dd", "ff",  "ng", "ll", "ph", "rh", "th", "aa", "ij",  "rr",   "x",   "y"};
    std::mt19937 random(48);
    for (const std::string& locale : Collation::Locales()) {
        UErrorCode status = U_ZERO_ERROR;
        UCollator* collator = ucol_open(locale.c_str(), &status);
        ASSERT_TRUE(U_SUCCESS(status)) << locale;
        const std::shared_ptr<const AsciiSortKeys> keys = AsciiSortKeys::For(collator);
        for (int i = 0; keys && i < 300; ++i) {
            std::string word;
            for (std::size_t n = 1 + random() % 7; n > 0; --n)
                word += random() % 2 == 0 ? pieces[random() % pieces.size()]
                                          : std::string(1, static_cast<char>('a' + random() % 26));
            if (std::uint64_t key = 0; keys->LeadingKey(word, key)) {
                EXPECT_EQ(key, IcuKey(collator, word)) << locale << " " << word;
            }
        }
        ucol_close(collator);
    }
}

// Where a language's contractions weigh as letters of their own, their words are keyed
// by the table, not left to the collator; where their levels differ (Danish "aa"),
// they are left.
TEST(AsciiSortKeys, ContractionsOfOneElementAreKeyed) {
    struct Case {
        const char* locale;
        const char* word;
        bool keyed;
    };
    for (const Case& c :
         {Case{"hu", "kocsis", true}, Case{"hu", "dzsungel", true}, Case{"hu", "hosszu", false},
          Case{"cs", "chata", true}, Case{"cy", "llongddu", true}, Case{"hr", "ljubav", true},
          Case{"da", "aarhus", false}, Case{"fr", "chat", true}}) {
        UErrorCode status = U_ZERO_ERROR;
        UCollator* collator = ucol_open(c.locale, &status);
        const std::shared_ptr<const AsciiSortKeys> keys = AsciiSortKeys::For(collator);
        ASSERT_NE(keys, nullptr) << c.locale;
        std::uint64_t key = 0;
        EXPECT_EQ(keys->LeadingKey(c.word, key), c.keyed) << c.locale << " " << c.word;
        if (c.keyed) {
            EXPECT_EQ(key, IcuKey(collator, c.word)) << c.locale << " " << c.word;
        }
        ucol_close(collator);
    }
}

}  // namespace
}  // namespace tarvolen
