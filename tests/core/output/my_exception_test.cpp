#include "core/output/my_exception.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace tarvolen {
namespace {

TEST(ThrowOutputError, ThrowsTheOutputErrorByValue) {
    try {
        ThrowOutputError();
        FAIL() << "ThrowOutputError returned";
    } catch (const CMyException& e) {
        EXPECT_EQ(e.GetMessage(), "Unable to write to the output file");
        EXPECT_STREQ(e.what(), "Unable to write to the output file");
        EXPECT_EQ(e.GetCode(), 0);
    }
}

struct MessageCase {
    std::size_t capacity;
    std::string expected;
};

class GetErrorMessageTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(GetErrorMessageTest, TruncatesAndTerminatesInsideTheBuffer) {
    const CMyException e(kOutputErrorText, 0);
    const std::size_t capacity = GetParam().capacity;
    // Guard bytes after the buffer show any write past the capacity.
    std::vector<char> storage(capacity + 8, '#');
    unsigned int helpContext = 12345;

    EXPECT_TRUE(e.GetErrorMessage(storage.data(), capacity, &helpContext));

    EXPECT_EQ(std::string(storage.data()), GetParam().expected);
    for (std::size_t i = capacity; i < storage.size(); ++i) {
        EXPECT_EQ(storage[i], '#') << "byte " << i << " written past the buffer";
    }
    EXPECT_EQ(helpContext, 12345u);
}

const std::size_t kFitting = std::strlen(kOutputErrorText) + 1;

INSTANTIATE_TEST_SUITE_P(Capacities, GetErrorMessageTest,
                         ::testing::Values(MessageCase{10, "Unable to"}, MessageCase{1, ""},
                                           MessageCase{kFitting, kOutputErrorText},
                                           MessageCase{kFitting - 1,
                                                       "Unable to write to the output fil"},
                                           MessageCase{256, kOutputErrorText}));

TEST(GetErrorMessage, ZeroCapacityWritesNothing) {
    const CMyException e(kOutputErrorText, 0);
    char byte = '#';
    EXPECT_TRUE(e.GetErrorMessage(&byte, 0));
    EXPECT_EQ(byte, '#');
}

}  // namespace
}  // namespace tarvolen
