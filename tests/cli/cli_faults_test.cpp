// The command line where it used to lose lists, crash or hang: output paths that name
// open streams, appends at the same time, runs that fail, signals and memory running
// out. Every case keeps the old list as it was, or writes the new one whole.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>

#include "cli/cli_child.h"
#include "support/sanitizers.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using ::testing::HasSubstr;
using testing::kSanitized;
using ::testing::Not;
using testing::TempDir;

// count distinct words of first and then letters more, in the order made.
std::vector<std::string> DistinctWords(std::size_t count, int letters, char first) {
    std::vector<std::string> words;
    words.reserve(count);
    for (std::size_t n = 0; n < count; ++n) {
        std::string word(1, first);
        std::size_t rest = n;
        for (int i = 0; i < letters; ++i, rest /= 26)
            word += static_cast<char>('a' + rest % 26);
        words.push_back(std::move(word));
    }
    return words;
}

std::string Joined(const std::vector<std::string>& words, char separator) {
    std::string text;
    for (const std::string& word : words)
        text += word + separator;
    return text;
}

// The list the words make: sorted, one to a line.
std::string ListOf(std::vector<std::string> words) {
    std::sort(words.begin(), words.end());
    return Joined(words, '\n');
}

std::set<std::string> Entries(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Whether the process has a handler of its own for the signal now.
bool Catches(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1) & 1) != 0;
    }
    return false;
}

// Polls until done says so or the time is up; false then. The limit only ends a
// hang: under the sanitizers a run takes many times as long.
template <typename Done>
bool Eventually(Done done, std::chrono::seconds limit = std::chrono::seconds(300)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::vector<std::string> Shell(const std::string& script) {
    return {"/bin/sh", "-c", script};
}

// -------------------------------------------------------------------------------------

// A path that names a stream the shell opened (appending, or part-way through a
// redirection of several commands) adds the list where the stream stands; before, it
// put a new file in the place of the one the stream was writing.
TEST(CliFaultsTest, AnOutputNamingAnOpenStreamIsWrittenWhereTheStreamStands) {
    struct Case {
        std::string path;
        std::string script;  // "$0" "$@" is the run; LOG the file the stream writes
        std::string expected;
    };
    const std::string list = "alpha\nbeta\n";
    const std::vector<Case> cases = {
        {"/dev/stdout", R"(echo header >> LOG; "$0" "$@" >> LOG)", "header\n" + list},
        {"/dev/stderr", R"(echo header >> LOG; "$0" "$@" 2>> LOG)", "header\n" + list},
        {"/dev/fd/3", R"(echo header >> LOG; "$0" "$@" 3>> LOG)", "header\n" + list},
        {"/proc/self/fd/3", R"(echo header >> LOG; "$0" "$@" 3>> LOG)", "header\n" + list},
        {"/dev/stdout", R"({ echo header; "$0" "$@"; echo footer; } > LOG)",
         "header\n" + list + "footer\n"},
        {"LINK", R"({ echo header; "$0" "$@"; } > LOG)", "header\n" + list},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + ": " + c.script);
        TempDir dir;
        const std::string input = dir.Write("in.txt", "beta alpha");
        const std::string log = (dir.path() / "log.txt").string();
        std::string path = c.path;
        if (path == "LINK") {
            path = (dir.path() / "to-stdout").string();
            std::filesystem::create_symlink("/dev/stdout", path);
        }
        std::string script = c.script;
        for (std::size_t at; (at = script.find("LOG")) != std::string::npos;)
            script.replace(at, 3, "'" + log + "'");
        for (bool append : {false, true}) {
            std::filesystem::remove(log);
            std::vector<std::string> args{"-q", "-o", path, input};
            if (append)
                args.push_back("--append");
            Outcome run = Child(dir, args, std::nullopt, {}, Shell(script)).Wait();
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(TempDir::Read(log), c.expected);
        }
    }
}

// Eight runs append their lists to one file at once, twenty times over, to a new
// file and to one that exists. Each list is larger than the writer hands to the
// system in one write, so that an append not kept whole would show as records of two
// lists mixed.
TEST(CliFaultsTest, ConcurrentAppendsKeepEveryListWholeAndOnce) {
    constexpr int kRuns = 8;
    // The sanitizers look at each process's memory and threads, which a few rounds
    // show as well as many; the many rounds are for the interleavings of the appends.
    constexpr int kRounds = kSanitized ? 6 : 20;
    TempDir dir;
    std::vector<std::string> inputs;
    std::vector<std::string> lists;
    for (int i = 0; i < kRuns; ++i) {
        const std::vector<std::string> words =
            DistinctWords(125'000, 7, static_cast<char>('a' + i));
        inputs.push_back(dir.Write("in" + std::to_string(i) + ".txt", Joined(words, ' ')));
        lists.push_back(ListOf(words));
    }
    ASSERT_GT(lists[0].size(), std::size_t{1} << 20);
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::string output = (dir.path() / ("list" + std::to_string(round))).string();
        const std::string before = round % 2 == 0 ? "" : "old\n";
        if (!before.empty())
            dir.Write("list" + std::to_string(round), before);
        std::vector<std::unique_ptr<TempDir>> logs;
        std::vector<std::unique_ptr<Child>> children;
        for (int i = 0; i < kRuns; ++i) {
            logs.push_back(std::make_unique<TempDir>());
            children.push_back(std::make_unique<Child>(
                *logs.back(), std::vector<std::string>{"-q", "--append", "-o", output, inputs[i]}));
        }
        for (auto& child : children) {
            const Outcome run = child->Wait();
            EXPECT_EQ(run.status, 0) << run.err;
        }
        // The old bytes, then the lists one after another, in any order.
        const std::string contents = TempDir::Read(output);
        ASSERT_EQ(contents.compare(0, before.size(), before), 0);
        std::size_t at = before.size();
        std::vector<bool> found(kRuns, false);
        for (int n = 0; n < kRuns; ++n) {
            int which = -1;
            for (int i = 0; i < kRuns; ++i) {
                if (!found[i] && contents.compare(at, lists[i].size(), lists[i]) == 0)
                    which = i;
            }
            ASSERT_GE(which, 0) << "no whole list at byte " << at;
            found[which] = true;
            at += lists[which].size();
        }
        EXPECT_EQ(at, contents.size());
    }
}

// An input that cannot be read leaves the list short; memory that runs out leaves it
// short too. Such a run writes no list, to a file or to standard output.
TEST(CliFaultsTest, ARunThatFailsLeavesTheOldListByteForByte) {
    TempDir dir;
    const std::string input = dir.Write("in.txt", "words to count");
    const std::string folder = (dir.path() / "folder").string();
    std::filesystem::create_directory(folder);
    const std::string socketPath = (dir.path() / "socket").string();
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listening, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    for (const std::string& unreadable : {folder, socketPath}) {
        SCOPED_TRACE(unreadable);
        const std::string output = dir.Write("out.txt", "yesterday's list\n");
        for (bool append : {false, true}) {
            std::vector<std::string> args{"-o", output, input, unreadable};
            if (append)
                args.push_back("--append");
            const Outcome toFile = RunCli(dir, args);
            EXPECT_EQ(toFile.status, 1);
            EXPECT_THAT(toFile.err, HasSubstr("Unable to open the file! " + unreadable));
            EXPECT_EQ(TempDir::Read(output), "yesterday's list\n");
            EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"folder", "in.txt", "out.txt",
                                                                  "socket", "stderr", "stdout"}));
        }
        const Outcome toStdout = RunCli(dir, {"-q", "-o", "-", "--statistics", input, unreadable});
        EXPECT_EQ(toStdout.status, 1);
        EXPECT_EQ(toStdout.out, "");
    }
    ::close(listening);
}

// -------------------------------------------------------------------------------------
// Signals: the run ends at once, says nothing more, and leaves the old list.

// Enough distinct words that sorting and writing them takes a good part of a second;
// a third of them do under the sanitizers.
const std::string& ManyWords() {
    static const std::string text =
        Joined(DistinctWords(kSanitized ? 1'000'000 : 3'000'000, 5, 'a'), ' ');
    return text;
}

// Whether a file made in folder with O_TMPFILE works there.
bool UnnamedFilesWork(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

TEST(CliFaultsTest, EndingSignalsWhileWritingLeaveTheOldListAndNoOtherFile) {
    const std::string& text = ManyWords();
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
        SCOPED_TRACE(strsignal(signal));
        TempDir dir;
        if (signal == SIGKILL && !UnnamedFilesWork(dir.path())) {
            // Where the new list must have a name while it grows, a kill leaves it.
            continue;
        }
        const std::string input = dir.Write("in.txt", text);
        const std::string output = dir.Write("out.txt", "yesterday's list\n");
        Child child(dir, {"-q", "-o", output, input});
        ASSERT_GT(child.pid(), 0);
        // The new list grows in a file beside the old one, unnamed ("#inode (deleted)")
        // or hidden: once that is open, the records are being written.
        ASSERT_TRUE(Eventually([&] {
            return HasOpenIn(child.pid(), dir.path(), "#") ||
                   HasOpenIn(child.pid(), dir.path(), ".out.txt.");
        }));
        ASSERT_EQ(kill(child.pid(), signal), 0);
        const Outcome run = child.Wait(std::chrono::seconds(60));
        EXPECT_EQ(run.status, 128 + signal);
        // Ended by the program itself, everything undone, unless it was SIGKILL.
        EXPECT_EQ(run.signalled, signal == SIGKILL);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(TempDir::Read(output), "yesterday's list\n");
        EXPECT_EQ(Entries(dir.path()),
                  (std::set<std::string>{"in.txt", "out.txt", "stderr", "stdout"}));
    }
}

// A read on a pipe whose writer is idle, and the open of a FIFO that waits for its
// reader, end at the signal instead of waiting on.
TEST(CliFaultsTest, ASignalEndsAWaitOnAnIdlePipeOrAFifo) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(strsignal(signal));
        TempDir dir;
        StandardInput idle;
        idle.piped = "";
        idle.keepOpen = true;
        Child child(dir, {"-q", "-o", "-", "-"}, std::nullopt, idle);
        ASSERT_TRUE(Eventually([&] { return Catches(child.pid(), signal); }));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_EQ(kill(child.pid(), signal), 0);
        const Outcome run = child.Wait(std::chrono::seconds(20));
        EXPECT_EQ(run.status, 128 + signal);
        EXPECT_FALSE(run.signalled);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "");
    }

    TempDir dir;
    const std::string input = dir.Write("in.txt", "word");
    const std::string fifo = (dir.path() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Child child(dir, {"-o", fifo, input});
    // The summary comes once the reading is over; the handler is back for the write.
    ASSERT_TRUE(Eventually([&] {
        return TempDir::Read((dir.path() / "stderr").string()).find("words added") !=
                   std::string::npos &&
               Catches(child.pid(), SIGINT);
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_EQ(kill(child.pid(), SIGINT), 0);
    const Outcome run = child.Wait(std::chrono::seconds(20));
    EXPECT_EQ(run.status, 130);
    EXPECT_FALSE(run.signalled);
    EXPECT_THAT(run.err, Not(HasSubstr("Unable to create output file")));
}

// A reader that stops early ends the run as it ends cat or grep: by SIGPIPE, status
// 141, and nothing said.
TEST(CliFaultsTest, StandardOutputClosedEarlyEndsWith141AndNoMessage) {
    TempDir dir;
    const std::string input = dir.Write("in.txt", Joined(DistinctWords(100'000, 5, 'a'), ' '));
    const Outcome run =
        Child(dir, {"-o", "-", input}, std::nullopt, {},
              {"/bin/bash", "-c", R"("$0" "$@" | head -c 1 > /dev/null; exit "${PIPESTATUS[0]}")"})
            .Wait(std::chrono::seconds(60));
    EXPECT_EQ(run.status, 141);
    EXPECT_THAT(run.err, Not(HasSubstr("tarvolen-cli:")));
}

// -------------------------------------------------------------------------------------
// Memory running out: a message and exit status 1, never a crash, and no list.

// The address space a process has mapped, in bytes.
std::size_t MappedBytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmSize:", 0) == 0)
            return std::stoull(line.substr(7)) * 1024;
    }
    return 0;
}

// Room for half the arena, but not for the store's tables beside it: the store says so
// as it does when it has no arena at all.
TEST(CliFaultsTest, MemoryThatRunsOutAtStartUpEndsWithAMessage) {
    if (kSanitized)
        GTEST_SKIP() << "the sanitizer's shadow memory needs more address space than this";
    TempDir dir;
    const std::string input = dir.Write("in.txt", "words to count");
    const std::string output = dir.Write("out.txt", "yesterday's list\n");
    const Outcome run = Child(dir, {"-q", "-o", output, input}, std::nullopt, {},
                              Shell(R"(ulimit -v 100000 && exec "$0" "$@")"))
                            .Wait(std::chrono::seconds(60));
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.signalled);
    EXPECT_EQ(run.err, "tarvolen-cli: Unable to allocate memory buffer\n");
    EXPECT_EQ(TempDir::Read(output), "yesterday's list\n");
}

// Two million words are read; then the process is allowed only a little more address
// space than it holds, too little for the array that sorts them.
TEST(CliFaultsTest, MemoryThatRunsOutInTheSortForTheWriteEndsWithAMessage) {
    if (kSanitized)
        GTEST_SKIP() << "the sanitizer's allocator ends the process where memory runs out";
    const std::vector<std::string> words = DistinctWords(2'000'000, 5, 'a');
    // Ends on words already counted, so that the last chunk read adds nothing new.
    std::string text = Joined(words, ' ');
    const std::size_t distinct = text.size();
    for (std::size_t i = 0; text.size() < distinct + (std::size_t{1} << 20); ++i)
        text += words[i % 1000] + ' ';
    for (const bool toStdout : {false, true}) {
        SCOPED_TRACE(toStdout ? "standard output" : "file");
        TempDir dir;
        const std::string output = dir.Write("out.txt", "yesterday's list\n");
        StandardInput input;
        input.piped = text;
        input.keepOpen = true;
        // On one thread: on several, the readers' stores are given back before the
        // sort, which then has room.
        Child child(dir, {"-q", "-j", "1", "-o", toStdout ? "-" : output, "-"}, std::nullopt,
                    input);
        const pid_t pid = child.pid();
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(Eventually([&] { return child.InputTaken(); }));
        // The last chunk waits in the reader for the end of the input; it holds
        // nothing new.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::size_t held = MappedBytes(pid);
        ASSERT_GT(held, 0u);
        const rlimit limit{held + (std::size_t{8} << 20), held + (std::size_t{8} << 20)};
        ASSERT_EQ(::prlimit(pid, RLIMIT_AS, &limit, nullptr), 0);
        child.CloseInput();
        const Outcome run = child.Wait(std::chrono::seconds(60));
        EXPECT_EQ(run.status, 1);
        EXPECT_FALSE(run.signalled);
        EXPECT_EQ(run.err, "tarvolen-cli: out of memory!\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(TempDir::Read(output), "yesterday's list\n");
    }
}

// The store needs a new slab of entries for the words of the last chunk, read once the
// process may map little more than it holds: the reader that counts them (one thread
// of several, or the only one) ends the run as the store says.
TEST(CliFaultsTest, MemoryThatRunsOutWhileCountingEndsWithAMessage) {
    if (kSanitized)
        GTEST_SKIP() << "the sanitizer's allocator ends the process where memory runs out";
    // Just short of the second slab of entries, then padded to a whole number of chunks
    // with words already counted, so that every new word after it waits in the reader.
    const std::vector<std::string> words = DistinctWords((std::size_t{1} << 21) - 5000, 5, 'a');
    std::string text = Joined(words, ' ');
    for (std::size_t i = 0; text.size() % (std::size_t{256} << 10) != 0; ++i)
        text += text.size() % (std::size_t{256} << 10) < 8 ? " " : words[i % 100] + ' ';
    text += Joined(DistinctWords(20000, 4, 'b'), ' ');
    TempDir dir;
    const std::string output = dir.Write("out.txt", "yesterday's list\n");
    StandardInput input;
    input.piped = text;
    input.keepOpen = true;
    Child child(dir, {"-q", "-o", output, "-"}, std::nullopt, input);
    ASSERT_GT(child.pid(), 0);
    ASSERT_TRUE(Eventually([&] { return child.InputTaken(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::size_t held = MappedBytes(child.pid());
    ASSERT_GT(held, 0u);
    const rlimit limit{held + (std::size_t{4} << 20), held + (std::size_t{4} << 20)};
    ASSERT_EQ(::prlimit(child.pid(), RLIMIT_AS, &limit, nullptr), 0);
    child.CloseInput();
    const Outcome run = child.Wait(std::chrono::seconds(60));
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.signalled);
    EXPECT_EQ(run.err, "tarvolen-cli: out of memory!\n");
    EXPECT_EQ(TempDir::Read(output), "yesterday's list\n");
}

}  // namespace
}  // namespace tarvolen
