#include "core/collect/input_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "core/collect/read_buffer.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::TempDir;

// Puts fd on the process's standard input for the life of the object.
class StandardInputFrom {
  public:
    explicit StandardInputFrom(int fd) : saved_(::dup(STDIN_FILENO)) { ::dup2(fd, STDIN_FILENO); }
    ~StandardInputFrom() {
        ::dup2(saved_, STDIN_FILENO);
        ::close(saved_);
    }
    StandardInputFrom(const StandardInputFrom&) = delete;
    StandardInputFrom& operator=(const StandardInputFrom&) = delete;

  private:
    int saved_;
};

// The read end of a pipe that a thread fills with text in pieces, then closes.
class Pipe {
  public:
    Pipe(std::string text, std::size_t piece) {
        std::signal(SIGPIPE, SIG_IGN);
        if (::pipe2(ends_, O_CLOEXEC) != 0)
            return;
        writer_ = std::thread([end = ends_[1], text = std::move(text), piece] {
            for (std::size_t at = 0; at < text.size(); at += piece) {
                const std::size_t length = std::min(piece, text.size() - at);
                if (::write(end, text.data() + at, length) != static_cast<ssize_t>(length))
                    break;
            }
            ::close(end);
        });
    }
    ~Pipe() {
        if (ends_[0] >= 0)
            ::close(ends_[0]);
        if (writer_.joinable())
            writer_.join();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    int ReadEnd() const { return ends_[0]; }

  private:
    int ends_[2] = {-1, -1};
    std::thread writer_;
};

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
        FileHandle file(kStandardInputPath, DashPath::StandardInput);
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
        FileHandle file(kStandardInputPath, DashPath::StandardInput);
        const FileFacts facts = Examine(file);
        EXPECT_FALSE(facts.unbounded);
        EXPECT_EQ(facts.size, 6);

        std::int64_t total = 100;
        std::string failure;
        EXPECT_TRUE(
            MeasureFiles({path, kStandardInputPath, path}, total, failure, DashPath::StandardInput))
            << failure;
        EXPECT_EQ(total, 100 + 16 + 6 + 16);
    }
    ::close(fd);

    // A path that only happens to be "-" names a file, and a named path is never
    // standard input.
    FileHandle named(path, DashPath::StandardInput);
    EXPECT_FALSE(named.IsStandardInput());
    EXPECT_FALSE(Examine(named).unbounded);
    FileHandle dash(kStandardInputPath);
    EXPECT_FALSE(dash.IsStandardInput());
}

}  // namespace
}  // namespace tarvolen
