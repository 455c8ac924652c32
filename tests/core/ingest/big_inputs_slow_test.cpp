// Inputs past the sizes that everyday tests reach: a file over 4 GiB, a tree of
// 100,000 files, a path of 4,000 bytes, and file names that are no UTF-8.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/ingest/ingest.h"
#include "core/ingest/store_reports.h"
#include "core/input/dir_scan.h"
#include "core/input/read_buffer.h"
#include "core/output/word_list_writer.h"
#include "core/ports/ticks.h"
#include "core/words/char_map.h"
#include "core/workspace.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::FakeMessages;
using testing::FakeProgress;
using testing::TempDir;
using testing::WordCounts;
using testing::ZeroTicks;

struct BigRun {
    BigRun() {
        BuildCharMap(kEnglishLatin, workspace.Map);
        workspace.MinWordLength = 1;
    }
    IngestResult Ingest(std::vector<std::string> paths) {
        state.InputFiles = std::move(paths);
        return IngestFiles(workspace, state, IngestHooks{progress, messages, {}, ticks});
    }
    WordCounts Words() const { return testing::StoreWords(workspace.Store); }

    FakeMessages storeMessages;
    Workspace workspace{storeMessages, testing::SmallStoreOptions(1 << 24)};
    FakeProgress progress;
    FakeMessages messages;
    ZeroTicks ticks;
    IngestState state;
};

std::string SummaryText(const char* kilobytes, const char* qualified, const char* added,
                        const char* filesRead) {
    return std::string(kilobytes) + " Kb processed\r\n" + qualified + " total qualified words\r\n" +
           added + " words added\r\n0 milliseconds spent\r\n" + filesRead;
}

// Letters only: a file's or a word's own name from its number.
std::string LettersOf(std::uint32_t n) {
    std::string letters;
    do {
        letters += static_cast<char>('a' + n % 26);
        n /= 26;
    } while (n > 0);
    return letters;
}

constexpr std::int64_t kGiB = std::int64_t{1} << 30;

// Holes read as NUL bytes, which no alphabet holds: between the words lie gigabytes of
// delimiters. The words cross the 2 GiB and 4 GiB marks (both chunk boundaries too).
// NULs make a file no text by default, so this run reads every file as text.
TEST(BigInputsSlowTest, ASparseFileOverFourGiBCountsEveryWord) {
    TempDir dir;
    const std::string path = (dir.path() / "sparse.txt").string();
    const std::int64_t size = 4 * kGiB + 3 * (1 << 20) + 7;  // 4,298,113,031 bytes
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        auto put = [&](const std::string& text, std::int64_t at) {
            ASSERT_EQ(::pwrite(fd, text.data(), text.size(), at),
                      static_cast<ssize_t>(text.size()));
        };
        put("alpha ", 0);
        put("bravo", 2 * kGiB - 3);
        put("alpha", 3 * kGiB);
        put("charlie", 4 * kGiB - 2);
        put("delta", size - 5);  // the file's end ends the word
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
    }
    BigRun run;
    run.workspace.Add.Documents.everyFileAsText = true;
    const IngestResult result = run.Ingest({path});
    ASSERT_EQ(result.Outcome, IngestOutcome::Completed);
    EXPECT_EQ(run.Words(), (WordCounts{{"alpha", 2}, {"bravo", 1}, {"charlie", 1}, {"delta", 1}}));
    EXPECT_EQ(result.Summary.BytesRead, size);
    // (4,298,113,031 + 1,023) / 1,024 = 4,197,377.
    EXPECT_EQ(run.messages.Texts(),
              std::vector<std::string>{SummaryText("4,197,377", "5", "4", "1 file read")});

    // One position before each chunk, the bytes read before it in thousandths of the run.
    const std::int64_t chunks = (size + kChunkSize - 1) / kChunkSize;
    const std::vector<int>& positions = run.progress.positions;
    ASSERT_EQ(static_cast<std::int64_t>(positions.size()), chunks);
    for (std::int64_t i = 0; i < chunks; ++i) {
        const auto expected = static_cast<int>(static_cast<long double>(i) * kChunkSize * 1000 /
                                               static_cast<long double>(size));
        ASSERT_EQ(positions[static_cast<std::size_t>(i)], expected) << "chunk " << i;
    }
    // The chunks that begin at 2, 3 and 4 GiB: 2^31 * 1000 / size = 499.6, and so on.
    EXPECT_EQ(positions[static_cast<std::size_t>(2 * kGiB / kChunkSize)], 499);
    EXPECT_EQ(positions[static_cast<std::size_t>(3 * kGiB / kChunkSize)], 749);
    EXPECT_EQ(positions[static_cast<std::size_t>(4 * kGiB / kChunkSize)], 999);
}

TEST(BigInputsSlowTest, AHundredThousandSmallFilesInAScannedTree) {
    TempDir dir;
    constexpr int kFolders = 100;
    constexpr int kFilesPerFolder = 1'000;
    std::int64_t bytes = 0;
    std::vector<std::string> written;
    for (int f = 0; f < kFolders; ++f) {
        const std::filesystem::path folder = dir.path() / ("folder" + std::to_string(f));
        std::filesystem::create_directory(folder);
        for (int i = 0; i < kFilesPerFolder; ++i) {
            const auto n = static_cast<std::uint32_t>(f * kFilesPerFolder + i);
            const std::string text = "common " + LettersOf(n) + "\n";
            const std::string path = (folder / (std::to_string(n) + ".txt")).string();
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
            ::close(fd);
            bytes += static_cast<std::int64_t>(text.size());
            written.push_back(path);
        }
        // Of a type the scan does not take.
        dir.Write("folder" + std::to_string(f) + "/skipped.dat", "skipped");
    }

    BigRun run;
    std::vector<std::string> found;
    ScanDirectory(dir.path().string(), {"txt"}, found, run.progress);
    ASSERT_EQ(found.size(), written.size());
    std::sort(found.begin(), found.end());
    std::sort(written.begin(), written.end());
    ASSERT_EQ(found, written);

    const std::size_t descriptors =
        std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                      std::filesystem::directory_iterator());
    run.Ingest(found);
    const WordCounts words = run.Words();
    ASSERT_EQ(words.size(), written.size() + 1);
    EXPECT_EQ(words.at("common"), written.size());
    EXPECT_EQ(words.at(LettersOf(99'999)), 1u);
    EXPECT_EQ(run.workspace.BytesRead, bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                            std::filesystem::directory_iterator()),
              static_cast<std::ptrdiff_t>(descriptors))
        << "every file closed";
    // 1,181,722 bytes: 100,000 files of "common ", their 1 to 4 letters and a line
    // end; (1,181,722 + 1,023) / 1,024 = 1,155.
    EXPECT_EQ(bytes, 1'181'722);
    EXPECT_EQ(run.messages.Texts(), std::vector<std::string>{SummaryText(
                                        "1,155", "200,000", "100,001", "100,000 files read")});
}

// Folders of 250-byte names down to a file whose full path is 4,000 bytes.
TEST(BigInputsSlowTest, APathOfFourThousandBytesIsScannedReadAndSavedTo) {
    TempDir dir;
    std::string folder = dir.path().string();
    while (folder.size() + 1 + 250 + 1 + 100 <= 4'000)
        folder += "/" + std::string(250, 'd');
    std::filesystem::create_directories(folder);
    const std::size_t nameLength = 4'000 - folder.size() - 1;
    const std::string input = folder + "/" + std::string(nameLength - 4, 'n') + ".txt";
    ASSERT_EQ(input.size(), 4'000u);
    dir.Write(input.substr(dir.path().string().size() + 1), "deep words here");

    BigRun run;
    std::vector<std::string> found;
    ScanDirectory(dir.path().string(), {"txt"}, found, run.progress);
    EXPECT_EQ(found, std::vector<std::string>{input});
    run.Ingest({input});
    EXPECT_EQ(run.Words(), (WordCounts{{"deep", 1}, {"here", 1}, {"words", 1}}));
    EXPECT_EQ(run.state.LastInputPath, input);

    std::string output = input;
    output.replace(output.size() - 4, 4, ".out");
    FakeMessages writerMessages;
    const WriterHooks hooks{writerMessages, SystemTicks(), nullptr, {}};
    ASSERT_EQ(WriteWordList(run.workspace.Store, WriterOptions{}, output, hooks),
              WriteOutcome::Written);
    EXPECT_EQ(TempDir::Read(output), "deep\nhere\nwords\n");
    ASSERT_EQ(WriteFrequencyList(run.workspace.Store, WriterOptions{}, output, hooks),
              WriteOutcome::Written);
    EXPECT_EQ(TempDir::Read(output), "deep,1\nhere,1\nwords,1\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              2)
        << "no temporary file left beside the list";
}

// PATH_MAX counts the terminating NUL: 4,095 bytes is the longest path there is. The
// hidden file beside the list has a longer name than the list, and must still work.
TEST(BigInputsSlowTest, AListIsSavedToTheLongestPathThereIs) {
    TempDir dir;
    const std::string leaf = "a.txt";
    std::string folder = dir.path().string();
    while (folder.size() + 1 + 250 + 1 + leaf.size() < 4'095) {
        folder += '/';
        folder.append(250, 'd');
    }
    const std::size_t last = 4'095 - folder.size() - 2 - leaf.size();
    ASSERT_LE(last, 250u);
    folder += '/';
    folder.append(last, 'e');
    std::filesystem::create_directories(folder);
    const std::string output = folder + "/" + leaf;
    ASSERT_EQ(output.size(), 4'095u);
    dir.Write(output.substr(dir.path().string().size() + 1), "old\n");

    FakeMessages messages;
    WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions()));
    store.AddWord("deep");
    const WriterHooks hooks{messages, SystemTicks(), nullptr, {}};
    ASSERT_EQ(WriteWordList(store, WriterOptions{}, output, hooks), WriteOutcome::Written);
    EXPECT_EQ(TempDir::Read(output), "deep\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(BigInputsSlowTest, FileNamesThatAreNoUtf8AreFoundAndReadByTheirBytes) {
    TempDir dir;
    const std::vector<std::string> names = {"caf\xE9.txt", "\xFF\xFE.txt", "ok\xC3\xA9.txt",
                                            "d\x80ir/inner.txt", "cut\xE2\x82.txt"};
    std::vector<std::string> written;
    WordCounts expected;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string word = "word" + LettersOf(static_cast<std::uint32_t>(i));
        written.push_back(dir.Write(names[i], word + " shared"));
        expected[word] = 1;
    }
    expected["shared"] = static_cast<std::uint32_t>(names.size());

    BigRun run;
    std::vector<std::string> found;
    ScanDirectory(dir.path().string(), {"txt"}, found, run.progress);
    std::sort(found.begin(), found.end());
    std::sort(written.begin(), written.end());
    ASSERT_EQ(found, written);
    run.Ingest(found);
    EXPECT_EQ(run.Words(), expected);
    EXPECT_EQ(run.messages.shown.size(), 1u) << "the summary only: every file opened";
    // The progress window is given the bytes; turning them into text is its own affair.
    for (const std::string& path : found)
        EXPECT_NE(std::find(run.progress.fileLines.begin(), run.progress.fileLines.end(), path),
                  run.progress.fileLines.end());
}

}  // namespace
}  // namespace tarvolen
