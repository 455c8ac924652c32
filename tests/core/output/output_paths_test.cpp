#include "core/output/output_paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::TempDir;

struct PathRow {
    const char* why;
    const char* path;
    const char* directory;
};

class DirectoryOfPathTest : public ::testing::TestWithParam<PathRow> {};

TEST_P(DirectoryOfPathTest, KeepsUpToTheLastSeparator) {
    EXPECT_EQ(DirectoryOfPath(GetParam().path), GetParam().directory) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, DirectoryOfPathTest,
    ::testing::Values(
        PathRow{"plain folder", "/texts/a.txt", "/texts/"},
        PathRow{"a final debug folder goes", "/proj/Debug/in.txt", "/proj/"},
        PathRow{"a final release folder goes", "/proj/Release/in.txt", "/proj/"},
        PathRow{"any letter case", "/proj/rElEaSe/in.txt", "/proj/"},
        PathRow{"release not last stays", "/proj/Release/sub/in.txt", "/proj/Release/sub/"},
        PathRow{"only one folder goes", "/proj/debug/release/in.txt", "/proj/debug/"},
        PathRow{"a name ending in debug is not that folder", "/proj/xdebug/in.txt",
                "/proj/xdebug/"},
        PathRow{"debug right under the root", "/debug/in.txt", "/"},
        PathRow{"relative debug without a leading separator", "debug/in.txt", "debug/"},
        PathRow{"root", "/a.txt", "/"}, PathRow{"no separator", "a.txt", ""},
        PathRow{"empty", "", ""},
        PathRow{"backslash is an ordinary byte here", "C:\\Texts\\a.txt", ""}));

TEST(DefaultOutputPath, FollowsTheLastFileRead) {
    EXPECT_EQ(DefaultOutputPath("/docs/a.txt"), "/docs/WordList.txt");
    EXPECT_EQ(DefaultOutputPath("/work/Release/in.txt"), "/work/WordList.txt");
    EXPECT_EQ(DefaultOutputPath(""), "WordList.txt");
}

// The name of the list saved last, in an earlier run too; its folder where nothing
// was read.
TEST(DefaultOutputPath, TakesTheNameOfTheListSavedLast) {
    EXPECT_EQ(DefaultOutputPath("/docs/a.txt", "/lists/mine.txt"), "/docs/mine.txt");
    EXPECT_EQ(DefaultOutputPath("", "/lists/mine.txt"), "/lists/mine.txt");
    EXPECT_EQ(DefaultOutputPath("", "mine.txt"), "mine.txt");
    EXPECT_EQ(DefaultOutputPath("/docs/a.txt", "/lists/"), "/docs/WordList.txt");
    EXPECT_EQ(DefaultOutputPath("", ""), "WordList.txt");
}

class FirstFreeFileNameTest : public ::testing::Test {
  protected:
    std::string At(const std::string& name) const { return (dir.path() / name).string(); }
    void Touch(const std::string& name) const { dir.Write(name, "x"); }

    TempDir dir;
};

TEST_F(FirstFreeFileNameTest, FreePathIsKept) {
    EXPECT_EQ(FirstFreeFileName(At("WordList.txt")), At("WordList.txt"));
}

TEST_F(FirstFreeFileNameTest, NumbersGoBetweenNameAndExtension) {
    Touch("WordList.txt");
    EXPECT_EQ(FirstFreeFileName(At("WordList.txt")), At("WordList(2).txt"));
    Touch("WordList(2).txt");
    EXPECT_EQ(FirstFreeFileName(At("WordList.txt")), At("WordList(3).txt"));
}

TEST_F(FirstFreeFileNameTest, AGapIsFilledFirst) {
    Touch("WordList.txt");
    Touch("WordList(3).txt");
    EXPECT_EQ(FirstFreeFileName(At("WordList.txt")), At("WordList(2).txt"));
}

TEST_F(FirstFreeFileNameTest, ADirectoryCountsAsTaken) {
    std::filesystem::create_directory(dir.path() / "out.txt");
    EXPECT_EQ(FirstFreeFileName(At("out.txt")), At("out(2).txt"));
}

TEST_F(FirstFreeFileNameTest, DotInAFolderIsNoExtension) {
    Touch("v1.0/list");
    EXPECT_EQ(FirstFreeFileName(At("v1.0/list")), At("v1.0/list(2)"));
}

TEST_F(FirstFreeFileNameTest, OnlyTheLastDotStartsTheExtension) {
    Touch("a.b.txt");
    EXPECT_EQ(FirstFreeFileName(At("a.b.txt")), At("a.b(2).txt"));
}

TEST_F(FirstFreeFileNameTest, AllNumbersTakenGivesThePathBack) {
    Touch("w.txt");
    for (int n = 2; n <= 9'999; ++n)
        Touch("w(" + std::to_string(n) + ").txt");
    EXPECT_EQ(FirstFreeFileName(At("w.txt")), At("w.txt"));
}

TEST_F(FirstFreeFileNameTest, LastNumberIsStillOffered) {
    Touch("w.txt");
    for (int n = 2; n <= 9'998; ++n)
        Touch("w(" + std::to_string(n) + ").txt");
    EXPECT_EQ(FirstFreeFileName(At("w.txt")), At("w(9999).txt"));
}

}  // namespace
}  // namespace tarvolen
