#include "core/wordtable/delete_question.h"

#include <gtest/gtest.h>

namespace tarvolen {
namespace {

TEST(DeleteQuestion, NamesTheWordsOrTheFirstTwoAndHowManyMore) {
    const std::vector<std::string> words{"co", "mp", "x"};
    const struct {
        std::size_t count;
        const char* question;
    } cases[] = {
        {1, "Delete \"co\"?"},
        {2, "Delete \"co\" and \"mp\"?"},
        {3, "Delete \"co\", \"mp\" and \"x\"?"},
        {5, "Delete \"co\", \"mp\" and 3 more?"},
        {1234, "Delete \"co\", \"mp\" and 1,232 more?"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DeleteQuestion(words, c.count), c.question) << c.count;
}

}  // namespace
}  // namespace tarvolen
