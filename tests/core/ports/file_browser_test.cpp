#include "core/ports/file_browser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/fakes.h"

namespace tarvolen {
namespace {

using testing::FakeFilePicker;

constexpr const char* kAddFilter = "Text File (*.txt)|*.txt|All Files (*.*)|*.*||";
constexpr std::uint32_t kAddFlags = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT;

FilePickResult Chosen(std::vector<std::string> paths, int filterIndex = 1) {
    return FilePickResult{true, std::move(paths), filterIndex};
}

std::vector<std::string> AllPaths(const CFileBrowser& browser) {
    std::vector<std::string> paths;
    CFileBrowser::Position pos = browser.GetStartPosition();
    while (pos != nullptr) {
        paths.push_back(browser.GetNextPathName(pos));
        if (paths.size() > 100)
            break;  // a position that never ends
    }
    return paths;
}

// The Add command's set-up: its own large buffer, pointed at before the run.
struct AddBrowser {
    explicit AddBrowser(FakeFilePicker& picker, std::uint32_t capacity = 260'000)
        : buffer(capacity, '\0'), browser(true, "txt", nullptr, kAddFlags, kAddFilter, picker) {
        browser.m_ofn.lpstrFile = buffer.data();
        browser.m_ofn.nMaxFile = capacity;
        browser.m_ofn.nFilterIndex = 2;
    }
    std::vector<char> buffer;
    CFileBrowser browser;
};

struct SelectionCase {
    const char* why;
    std::vector<std::string> chosen;
    std::vector<std::string> expected;
};

class FileBrowserSelection : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(FileBrowserSelection, YieldsFullPathsInBufferOrder) {
    FakeFilePicker picker;
    picker.fileResults.push_back(Chosen(GetParam().chosen));
    AddBrowser add(picker);
    ASSERT_EQ(add.browser.DoModal(), 1);
    EXPECT_EQ(AllPaths(add.browser), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, FileBrowserSelection,
    ::testing::Values(
        SelectionCase{"one file: the buffer holds its full path only",
                      {"/home/ann/Texts/a.txt"},
                      {"/home/ann/Texts/a.txt"}},
        SelectionCase{
            "three files: the directory, then each name",
            {"/home/ann/Texts/b.txt", "/home/ann/Texts/a.txt", "/home/ann/Texts/c d.htm"},
            {"/home/ann/Texts/b.txt", "/home/ann/Texts/a.txt", "/home/ann/Texts/c d.htm"}},
        SelectionCase{"files in the root: the directory already ends with the separator",
                      {"/x.txt", "/y.txt"},
                      {"/x.txt", "/y.txt"}},
        SelectionCase{"names from two folders keep their relative folder",
                      {"/data/a/x.txt", "/data/b/y.txt"},
                      {"/data/a/x.txt", "/data/b/y.txt"}}));

// Buffers written the way the dialog has always written them, parsed directly.
TEST(FileBrowser, ParsesHandWrittenBuffers) {
    struct Case {
        const char* why;
        std::string buffer;
        std::uint32_t flags;
        std::vector<std::string> expected;
    } cases[] = {
        {"one file", std::string("/Texts/a.txt\0\0", 14), kAddFlags, {"/Texts/a.txt"}},
        {"three files",
         std::string("/Texts\0b.txt\0a.txt\0c.txt\0\0", 26),
         kAddFlags,
         {"/Texts/b.txt", "/Texts/a.txt", "/Texts/c.txt"}},
        {"directory ends with the separator",
         std::string("/\0x\0y\0\0", 7),
         kAddFlags,
         {"/x", "/y"}},
        {"no multiple selection: the first string whole",
         std::string("/Texts\0b.txt\0\0", 14),
         OFN_HIDEREADONLY,
         {"/Texts"}},
    };
    for (const Case& c : cases) {
        FakeFilePicker picker;
        CFileBrowser browser(true, nullptr, nullptr, c.flags, nullptr, picker);
        std::vector<char> buffer(c.buffer.begin(), c.buffer.end());
        buffer.resize(buffer.size() + 4, '\0');
        browser.m_ofn.lpstrFile = buffer.data();
        browser.m_ofn.nMaxFile = static_cast<std::uint32_t>(buffer.size());
        EXPECT_EQ(AllPaths(browser), c.expected) << c.why;
    }
}

TEST(FileBrowser, BufferLayoutIsDirectoryThenNamesClosedByEmptyString) {
    FakeFilePicker picker;
    picker.fileResults.push_back(Chosen({"/t/a.txt", "/t/bb.txt"}));
    AddBrowser add(picker);
    ASSERT_EQ(add.browser.DoModal(), 1);
    const char expected[] = "/t\0a.txt\0bb.txt\0";  // the literal's own NUL closes it
    EXPECT_EQ(std::memcmp(add.buffer.data(), expected, sizeof expected), 0);
    EXPECT_EQ(add.buffer[sizeof expected], '\0');
    EXPECT_EQ(add.browser.GetPathName(), "/t");
}

TEST(FileBrowser, SelectionThatDoesNotFitIsRefusedAndLeavesTheBufferAlone) {
    // "/t\0a.txt\0bb.txt\0\0" is 17 bytes.
    for (std::uint32_t capacity : {16u, 17u}) {
        FakeFilePicker picker;
        picker.fileResults.push_back(Chosen({"/t/a.txt", "/t/bb.txt"}));
        AddBrowser add(picker, capacity);
        EXPECT_EQ(add.browser.DoModal(), capacity == 17u ? 1 : 2) << capacity;
        if (capacity == 16u) {
            EXPECT_EQ(std::string(add.buffer.data(), add.buffer.size()), std::string(16, '\0'));
        }
    }
}

TEST(FileBrowser, SingleFileInMultiSelectionNeedsRoomForTheClosingEmptyString) {
    // Without it the parser would read past the buffer looking for the second string.
    FakeFilePicker picker;
    picker.fileResults.push_back(Chosen({"/t/a.txt"}));
    AddBrowser add(picker, 9);  // "/t/a.txt\0" fits, the closing NUL does not
    EXPECT_EQ(add.browser.DoModal(), 2);
}

TEST(FileBrowser, RequestCarriesFilterIndexExtensionAndMultiSelection) {
    FakeFilePicker picker;
    picker.fileResults.push_back(Chosen({"/t/a.txt"}, 1));
    AddBrowser add(picker);
    ASSERT_EQ(add.browser.DoModal(), 1);
    ASSERT_EQ(picker.fileRequests.size(), 1u);
    const FilePickRequest& request = picker.fileRequests.front();
    EXPECT_FALSE(request.save);
    EXPECT_TRUE(request.multiSelect);
    EXPECT_EQ(request.filter, kAddFilter);
    EXPECT_EQ(request.filterIndex, 2);
    EXPECT_EQ(request.defaultExtension, "txt");
    EXPECT_EQ(request.initialPath, "");
    // The entry chosen when the dialog closed is read back from the record.
    EXPECT_EQ(add.browser.m_ofn.nFilterIndex, 1u);
    EXPECT_EQ(add.browser.m_ofn.lStructSize, CFileBrowser::kStructSize);
    EXPECT_EQ(add.browser.m_ofn.Flags, kAddFlags | OFN_EXPLORER);
}

TEST(FileBrowser, FilterTextBecomesNulSeparatedPairs) {
    FakeFilePicker picker;
    CFileBrowser browser(true, nullptr, nullptr, 0, "A (*.a)|*.a||", picker);
    const char expected[] = "A (*.a)\0*.a\0\0";
    EXPECT_EQ(std::memcmp(browser.m_ofn.lpstrFilter, expected, sizeof expected), 0);
    CFileBrowser none(true, nullptr, nullptr, 0, nullptr, picker);
    EXPECT_EQ(none.m_ofn.lpstrFilter, nullptr);
}

TEST(FileBrowser, CancelReturnsTwoAndKeepsFilterIndex) {
    FakeFilePicker picker;
    picker.fileResults.push_back(FilePickResult{false, {}, 1});
    AddBrowser add(picker);
    EXPECT_EQ(add.browser.DoModal(), 2);
    EXPECT_EQ(add.browser.m_ofn.nFilterIndex, 2u);
}

TEST(FileBrowser, SaveModeStartsWithTheInitialNameAndGivesOnePath) {
    FakeFilePicker picker;
    picker.fileResults.push_back(Chosen({"/out/WordList(2).txt"}));
    CFileBrowser browser(false, "txt", "/out/WordList.txt", OFN_OVERWRITEPROMPT,
                         "Text File (*.txt)|*.txt||", picker);
    ASSERT_EQ(browser.DoModal(), 1);
    EXPECT_TRUE(picker.fileRequests.front().save);
    EXPECT_FALSE(picker.fileRequests.front().multiSelect);
    EXPECT_EQ(picker.fileRequests.front().initialPath, "/out/WordList.txt");
    EXPECT_EQ(browser.GetPathName(), "/out/WordList(2).txt");
    EXPECT_EQ(AllPaths(browser), std::vector<std::string>{"/out/WordList(2).txt"});
}

TEST(FileBrowser, LongInitialNameIsCutToStayTerminated) {
    FakeFilePicker picker;
    std::string longName(300, 'n');
    CFileBrowser browser(false, nullptr, longName.c_str(), 0, nullptr, picker);
    EXPECT_EQ(browser.GetPathName(), std::string(259, 'n'));
}

}  // namespace
}  // namespace tarvolen
