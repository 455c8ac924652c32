#include "cli/terminal_progress.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "run/cli_messages.h"
#include "support/standard_input.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::Pipe;
using testing::StandardInputFrom;
using ::testing::StartsWith;
using testing::TempDir;

// A stream whose bytes can be read back.
class Captured {
  public:
    Captured() : stream_(std::tmpfile()) {}
    ~Captured() { std::fclose(stream_); }
    std::FILE* stream() const { return stream_; }
    std::string Text() const {
        std::fflush(stream_);
        std::string text;
        std::rewind(stream_);
        for (int c; (c = std::fgetc(stream_)) != EOF;)
            text += static_cast<char>(c);
        std::fseek(stream_, 0, SEEK_END);
        return text;
    }

  private:
    std::FILE* stream_;
};

struct ProgressFixture : ::testing::Test {
    Captured out;
    std::uint64_t now = 5000;
    std::int32_t words = 1234567;
    volatile std::sig_atomic_t interrupted = 0;

    TerminalProgress::Setup MakeSetup(bool visible = true, int width = 80) {
        TerminalProgress::Setup setup;
        setup.stream = out.stream();
        setup.visible = visible;
        setup.width = width;
        setup.interrupted = &interrupted;
        setup.wordCount = [this] { return words; };
        setup.milliseconds = [this] { return now; };
        return setup;
    }
};

TEST_F(ProgressFixture, ShowsBarPercentFileAndWordCount) {
    TerminalProgress progress(MakeSetup());
    progress.SetBounds(0, 1000);
    progress.SetFileLine("/data/book.txt");
    EXPECT_EQ(progress.SetPosition(425), 0);
    EXPECT_EQ(progress.Line(), "[########............]  42% /data/book.txt  1,234,567 words");
    EXPECT_EQ(progress.SetPosition(1000), 425);
    EXPECT_THAT(progress.Line(), StartsWith("[####################] 100% "));
}

// A stream has no size: its own bytes read take the place of bar and percentage, and
// the line goes back to the bar for the file after it. Standard input is a stream
// when it is a pipe, and a file with a share of the bar when a file is redirected.
TEST_F(ProgressFixture, AStreamShowsItsOwnBytesReadInsteadOfAPercentage) {
    TempDir dir;
    const std::string fifo = (dir.path() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string file = dir.Write("-", "words");
    std::int64_t bytes = 1000;  // what the files before the stream gave
    TerminalProgress::Setup setup = MakeSetup(true, 200);
    setup.bytesRead = [&bytes] { return bytes; };
    TerminalProgress progress(std::move(setup));
    progress.SetBounds(0, 1000);

    progress.SetFileLine(fifo);
    bytes += 12'345'678;
    EXPECT_EQ(progress.Line(), "12,345,678 bytes read " + fifo + "  1,234,567 words");
    progress.SetFileLine(file);
    progress.SetPosition(500);
    EXPECT_EQ(progress.Line(), "[##########..........]  50% " + file + "  1,234,567 words");
    {
        Pipe pipe("", 1);
        StandardInputFrom in(pipe.ReadEnd());
        progress.SetFileLine("-");
        bytes += 42;
        EXPECT_EQ(progress.Line(), "42 bytes read standard input  1,234,567 words");
    }
    const int redirected = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(redirected, 0);
    {
        StandardInputFrom in(redirected);
        progress.SetFileLine("-");
        EXPECT_EQ(progress.Line(), "[##########..........]  50% standard input  1,234,567 words");
    }
    ::close(redirected);

    // Before the run's bounds, a "-" is only a name the directory walk met.
    progress.Close();
    progress.SetFileLine("-");
    EXPECT_EQ(progress.Line(), "Scanning -");
}

TEST_F(ProgressFixture, RedrawsAtMostEvery100Milliseconds) {
    TerminalProgress progress(MakeSetup());
    progress.SetBounds(0, 1000);
    progress.SetFileLine("f");  // first draw
    progress.SetPosition(100);  // same moment: skipped
    now += 99;
    progress.SetPosition(200);  // still too soon
    now += 1;
    progress.SetPosition(300);  // 100 ms after the first: drawn
    const std::string text = out.Text();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 2);
    EXPECT_THAT(text, HasSubstr(" 30% f"));
    EXPECT_THAT(text, Not(HasSubstr(" 20% ")));
}

TEST_F(ProgressFixture, LongPathsKeepTheirEndAndTheLineFitsTheTerminal) {
    TerminalProgress progress(MakeSetup(true, 70));
    progress.SetBounds(0, 1000);
    progress.SetFileLine("/a/very/long/directory/name/that/goes/on/chapter-one.txt");
    const std::string line = progress.Line();
    EXPECT_EQ(line.size(), 69u);
    EXPECT_THAT(line, HasSubstr("...")) << line;
    EXPECT_THAT(line, HasSubstr("chapter-one.txt  1,234,567 words"));
}

TEST_F(ProgressFixture, CloseBlanksTheLineAndAShorterLineCoversALongerOne) {
    TerminalProgress progress(MakeSetup());
    progress.SetBounds(0, 1000);
    progress.SetFileLine("a-rather-long-file-name.txt");
    const std::string first = progress.Line();
    now += 200;
    progress.SetFileLine("b");
    const std::string second = progress.Line();
    ASSERT_LT(second.size(), first.size());
    std::string drawn(1, '\r');
    drawn += first;
    drawn += '\r';
    drawn += second;
    drawn.append(first.size() - second.size(), ' ');
    EXPECT_EQ(out.Text(), drawn);
    progress.Close();
    std::string blank(first.size() + 2, ' ');
    blank.front() = '\r';
    blank.back() = '\r';
    EXPECT_THAT(out.Text(), EndsWith(blank));
}

TEST_F(ProgressFixture, ADirectoryWalkShowsWhereItIsAndWhatItFound) {
    TerminalProgress progress(MakeSetup());
    progress.SetBounds(0, 0);  // the walk cannot tell how far it has come
    progress.SetFileLine("/home/me/docs");
    progress.SetDetailLine("12 files found");
    EXPECT_EQ(progress.Line(), "Scanning /home/me/docs  12 files found");
}

TEST_F(ProgressFixture, InvisibleDrawsNothing) {
    {
        TerminalProgress progress(MakeSetup(false));
        progress.SetBounds(0, 1000);
        progress.SetFileLine("x");
        progress.SetPosition(500);
        progress.Close();
    }
    EXPECT_EQ(out.Text(), "");
}

TEST_F(ProgressFixture, CancelFollowsTheInterruptFlag) {
    TerminalProgress progress(MakeSetup(false));
    EXPECT_FALSE(progress.CancelRequested());
    interrupted = 1;
    EXPECT_TRUE(progress.CancelRequested());
    EXPECT_TRUE(progress.CancelRequested());  // stays set: everything left is stopped
}

TEST(CliMessagesTest, ErrorsNameTheFileAndInformationFollowsQuiet) {
    Captured loud;
    Captured quiet;
    for (Captured* captured : {&loud, &quiet}) {
        CliMessages messages(captured->stream(), captured == &quiet);
        const std::string path = "/x/y.txt";
        messages.SetSubject(&path);
        messages.ShowMessage("Unable to open the file!", MessageIcon::Warning);
        messages.SetSubject(nullptr);
        messages.ShowMessage("1 Kb processed\r\n2 total qualified words", MessageIcon::Information);
        messages.ShowMessage("Done! 12 milliseconds taken", MessageIcon::Information);
        messages.ShowMessage("out of memory!", MessageIcon::Stop);
        messages.HoldNotices();
        messages.ShowMessage("held", MessageIcon::Information);
        messages.ReleaseNotices(false);
        EXPECT_EQ(messages.errors(), 2);
        EXPECT_EQ(messages.notices(), 3);
    }
    EXPECT_EQ(loud.Text(),
              "tarvolen-cli: Unable to open the file! /x/y.txt\n"
              "1 Kb processed\n2 total qualified words\n"
              "tarvolen-cli: out of memory!\n");
    EXPECT_EQ(quiet.Text(),
              "tarvolen-cli: Unable to open the file! /x/y.txt\n"
              "tarvolen-cli: out of memory!\n");
}

}  // namespace
}  // namespace tarvolen
