#include "core/text/format_count.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace tarvolen {
namespace {

struct Count32Case {
    std::int32_t value;
    const char* expected;
};

class FormatCountTest : public ::testing::TestWithParam<Count32Case> {};

TEST_P(FormatCountTest, GroupsDigitsWithComma) {
    EXPECT_EQ(FormatCount(GetParam().value, ','), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormatCountTest,
    ::testing::Values(Count32Case{0, "0"}, Count32Case{7, "7"}, Count32Case{999, "999"},
                      Count32Case{1000, "1,000"}, Count32Case{1234567, "1,234,567"},
                      Count32Case{1000000000, "1,000,000,000"}, Count32Case{-1234, "-1,234"},
                      Count32Case{-7, "-7"}, Count32Case{1000005, "1,000,005"},
                      Count32Case{100, "100"}, Count32Case{10000, "10,000"},
                      Count32Case{std::numeric_limits<std::int32_t>::max(), "2,147,483,647"},
                      Count32Case{std::numeric_limits<std::int32_t>::min(), "-2,147,483,648"}));

struct Count64Case {
    std::int64_t value;
    const char* expected;
};

class FormatCount64Test : public ::testing::TestWithParam<Count64Case> {};

TEST_P(FormatCount64Test, GroupsDigitsWithComma) {
    EXPECT_EQ(FormatCount64(GetParam().value, ','), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormatCount64Test,
    ::testing::Values(
        Count64Case{0, "0"}, Count64Case{1000, "1,000"},
        Count64Case{1000000000000LL, "1,000,000,000,000"},
        Count64Case{1000000000000000LL, "1,000,000,000,000,000"},
        Count64Case{1000000000000000000LL, "1,000,000,000,000,000,000"},
        Count64Case{4294967296LL, "4,294,967,296"}, Count64Case{1000005, "1,000,005"},
        Count64Case{std::numeric_limits<std::int64_t>::max(), "9,223,372,036,854,775,807"},
        Count64Case{std::numeric_limits<std::int64_t>::min(), "-9,223,372,036,854,775,808"}));

TEST(FormatCountSeparator, UsesTheGivenCharacter) {
    EXPECT_EQ(FormatCount(1234567, '.'), "1.234.567");
    EXPECT_EQ(FormatCount64(1000000000000LL, ' '), "1 000 000 000 000");
}

TEST(FormatText, FormatsLikePrintf) {
    EXPECT_EQ(FormatText("%s(%d)", "WordList", 3), "WordList(3)");
    EXPECT_EQ(FormatText("%d words removed", 0), "0 words removed");
    EXPECT_EQ(FormatText("%s", ""), "");
}

TEST(FormatText, HoldsResultsOfAnyLength) {
    const std::string word(100000, 'x');
    const std::string result = FormatText("[%s|%s]", word.c_str(), "end");
    EXPECT_EQ(result.size(), word.size() + 6);
    EXPECT_EQ(result, "[" + word + "|end]");
}

}  // namespace
}  // namespace tarvolen
