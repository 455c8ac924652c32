#include "core/input/input_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "core/input/read_buffer.h"
#include "support/standard_input.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::Pipe;
using testing::StandardInputFrom;
using testing::TempDir;

std::string Pattern(std::size_t size) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return text;
}

// Whatever the pieces the writer hands over, the reads are full chunks, then the short
// rest, then the end: the chunks a file of the same bytes gives.
TEST(ReadFullChunkTest, GathersAPipesPiecesIntoWholeChunks) {
    const std::size_t size = 2 * kChunkSize + 1234;
    const std::string text = Pattern(size);
    for (std::size_t piece :
         {std::size_t{1000}, std::size_t{4096}, std::size_t{kChunkSize + 1}, size}) {
        SCOPED_TRACE(piece);
        Pipe pipe(text, piece);
        std::vector<unsigned char> buffer(kChunkSize);
        std::string gathered;
        std::vector<ssize_t> counts;
        for (ssize_t n; (n = ReadFullChunk(pipe.ReadEnd(), buffer.data())) > 0;) {
            counts.push_back(n);
            gathered.append(reinterpret_cast<const char*>(buffer.data()),
                            static_cast<std::size_t>(n));
        }
        EXPECT_EQ(counts, (std::vector<ssize_t>{kChunkSize, kChunkSize, 1234}));
        EXPECT_EQ(gathered, text);
    }
}

TEST(ReadFullChunkTest, AFailedReadIsReportedNotTakenForTheEnd) {
    std::vector<unsigned char> buffer(kChunkSize);
    EXPECT_EQ(ReadFullChunk(-1, buffer.data()), -1);
}

// "-" is standard input only where the caller asks: a pipe there has no size and is
// read to its end; a redirected file has its size from where it is read on.
TEST(StandardInputTest, APipeIsUnboundedAndARedirectedFileHasWhatIsLeftOfIt) {
    {
        Pipe pipe("some words", 3);
        StandardInputFrom in(pipe.ReadEnd());
        FileHandle file(kStandardInputPath, Streams::ReadToEnd);
        ASSERT_TRUE(file.IsOpen());
        EXPECT_TRUE(file.IsStandardInput());
        const FileFacts facts = Examine(file);
        EXPECT_TRUE(facts.unbounded);
        EXPECT_EQ(facts.size, 0);
    }
    TempDir dir;
    const std::string path = dir.Write("doc.txt", "0123456789abcdef");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::lseek(fd, 10, SEEK_SET), 10);
    {
        StandardInputFrom in(fd);
        FileHandle file(kStandardInputPath, Streams::ReadToEnd);
        const FileFacts facts = Examine(file);
        EXPECT_FALSE(facts.unbounded);
        EXPECT_EQ(facts.size, 6);

        std::int64_t total = 100;
        std::string failure;
        EXPECT_TRUE(
            MeasureFiles({path, kStandardInputPath, path}, total, failure, Streams::ReadToEnd))
            << failure;
        EXPECT_EQ(total, 100 + 16 + 6 + 16);
    }
    ::close(fd);

    // A path that only happens to be "-" names a file, and a named path is never
    // standard input.
    FileHandle named(path, Streams::ReadToEnd);
    EXPECT_FALSE(named.IsStandardInput());
    EXPECT_FALSE(Examine(named).unbounded);
    FileHandle dash(kStandardInputPath);
    EXPECT_FALSE(dash.IsStandardInput());
}

// What is a stream is told by the file's kind, never by its name; only a run that reads
// streams reads one to its end.
TEST(StreamsTest, PipesAndDevicesAreStreamsWhereStreamsAreRead) {
    TempDir dir;
    const std::string file = dir.Write("doc.txt", "words");
    const std::string fifo = (dir.path() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A reader of a FIFO that reads streams waits in its open for a writer: here is one.
    const int writer = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    const struct {
        std::string path;
        bool stream;
    } rows[] = {
        {file, false},
        {dir.path().string(), false},
        {fifo, true},
        {"/dev/null", true},
        {(dir.path() / "missing").string(), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(IsStream(row.path), row.stream);
        FileHandle reads(row.path, Streams::ReadToEnd);
        FileHandle ignores(row.path);
        if (!reads.IsOpen())
            continue;
        EXPECT_EQ(Examine(reads).unbounded, row.stream);
        EXPECT_FALSE(Examine(ignores).unbounded);
        EXPECT_EQ(Examine(ignores).size, row.stream || row.path != file ? 0 : 5);
    }
    // "-" is whatever standard input is.
    {
        Pipe pipe("", 1);
        StandardInputFrom in(pipe.ReadEnd());
        EXPECT_TRUE(IsStream(kStandardInputPath));
    }
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    {
        StandardInputFrom in(fd);
        EXPECT_FALSE(IsStream(kStandardInputPath));
    }
    ::close(fd);

    // Measuring never opens a FIFO, which would hand its waiting writer a reader that
    // leaves at once; the system tells of every open of it.
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, fifo.c_str(), IN_OPEN), 0);
    const auto opened = [watch] {
        alignas(inotify_event) char events[4096];
        return ::read(watch, events, sizeof events) > 0;
    };
    std::int64_t total = 0;
    std::string failure;
    EXPECT_TRUE(MeasureFiles({file, fifo, file}, total, failure, Streams::ReadToEnd)) << failure;
    EXPECT_EQ(total, 10);
    EXPECT_FALSE(opened());
    { FileHandle reading(fifo, Streams::ReadToEnd); }
    EXPECT_TRUE(opened()) << "the watch sees an open";
    ::close(watch);
    ::close(writer);
}

}  // namespace
}  // namespace tarvolen
