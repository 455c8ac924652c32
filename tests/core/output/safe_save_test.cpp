// A save that fails, wherever it fails, leaves the previous file as it was.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "core/ingest/store_reports.h"
#include "core/output/my_exception.h"
#include "core/output/safe_output_file.h"
#include "core/output/writer_fixture.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using namespace tarvolen::testing;
namespace fs = std::filesystem;

enum class Encoding { CodePage, Utf16, Utf8 };
// Append and AppendToNew append, to a list that exists and to a path with nothing yet.
enum class Mode { Create, Replace, Append, AppendToNew };
constexpr Mode kModes[] = {Mode::Create, Mode::Replace, Mode::Append, Mode::AppendToNew};

bool HasPrevious(Mode m) {
    return m == Mode::Replace || m == Mode::Append;
}

const char* Name(Writer w) {
    return w == Writer::List ? "list" : "frequency";
}
const char* Name(Encoding e) {
    return e == Encoding::CodePage ? "8-bit" : e == Encoding::Utf16 ? "UTF-16" : "UTF-8";
}
const char* Name(Mode m) {
    return m == Mode::Create    ? "create"
           : m == Mode::Replace ? "replace"
           : m == Mode::Append  ? "append"
                                : "append to new";
}

// Takes the first `budget` bytes it is offered, then fails every write as a full disk
// does.
class FailingSeam : public OutputSeam {
  public:
    explicit FailingSeam(std::size_t budget, std::size_t bufferSize = 0)
        : budget_(budget), bufferSize_(bufferSize) {}
    std::size_t BufferSize() const override { return bufferSize_; }
    ssize_t Write(int fd, const void* bytes, std::size_t size) override {
        if (budget_ == 0) {
            errno = ENOSPC;
            return -1;
        }
        const std::size_t n = std::min(size, budget_);
        const ssize_t written = ::write(fd, bytes, n);
        if (written > 0)
            budget_ -= static_cast<std::size_t>(written);
        return written;
    }

  private:
    std::size_t budget_;
    std::size_t bufferSize_;
};

// The list's records as they must reach the file, built from the words and counts
// alone: the words are plain ASCII but for 0xE9, the same character in Windows-1252
// and Latin-1.
std::string Encode(const std::string& text, Encoding encoding) {
    std::string out;
    for (unsigned char byte : text) {
        if (encoding == Encoding::Utf16) {
            out += static_cast<char>(byte);
            out += '\0';
        } else if (encoding == Encoding::Utf8 && byte >= 0x80) {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

std::string ExpectedList(Writer writer, Encoding encoding) {
    return Encode(writer == Writer::List ? "and\ncaf\xE9\nthe\nzebra\n"
                                         : "the,12\nand,7\nzebra,7\ncaf\xE9,3\n",
                  encoding);
}

WriterOptions OptionsFor(Encoding encoding, Mode mode) {
    WriterOptions options;
    options.UnicodeOutput = encoding == Encoding::Utf16 ? 1 : 0;
    options.Utf8Output = encoding == Encoding::Utf8 ? 1 : 0;
    options.AppendOutput = mode == Mode::Append || mode == Mode::AppendToNew ? 1 : 0;
    return options;
}

std::set<std::string> Entries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// What a path holds: nothing, or these bytes.
std::optional<std::string> Contents(const std::string& path) {
    if (!fs::exists(fs::symlink_status(path)))
        return std::nullopt;
    return TempDir::Read(path);
}

class SafeSaveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        AddTimes(store, "the", 12);
        AddTimes(store, "and", 7);
        AddTimes(store, "zebra", 7);
        AddTimes(store, "caf\xE9", 3);
    }
    WriterHooks Hooks(OutputSeam* seam = nullptr) {
        WriterHooks hooks{messages, ticks, nullptr, [this] { ++savedCalls; }};
        hooks.seam = seam;
        return hooks;
    }
    WriteOutcome Run(Writer writer, const WriterOptions& options, const std::string& path,
                     const WriterHooks& hooks) {
        return RunWriter(writer, store, options, path, hooks);
    }
    std::string Out(const std::string& name = "list.txt") const {
        return (dir.path() / name).string();
    }

    FakeMessages messages;
    WordStore store{ReportingStoreOptions(messages, SmallStore())};
    SteppingTicks ticks;
    TempDir dir;
    int savedCalls = 0;
};

constexpr const char* kPrevious = "yesterday's list\n";

TEST_F(SafeSaveTest, OutputFailingAfterEveryByteCountLeavesTheTargetAsItWas) {
    int injected = 0;
    // The writer's own buffer holds the whole list, which then fails as it is flushed
    // at the end; the small ones fail it between two records and inside one.
    for (std::size_t bufferSize : {std::size_t{0}, std::size_t{1}, std::size_t{7}})
        for (Writer writer : {Writer::List, Writer::Frequency}) {
            for (Encoding encoding : {Encoding::CodePage, Encoding::Utf16, Encoding::Utf8}) {
                for (Mode mode : kModes) {
                    const std::string list = ExpectedList(writer, encoding);
                    const WriterOptions options = OptionsFor(encoding, mode);
                    for (std::size_t budget = 0; budget <= list.size(); ++budget) {
                        SCOPED_TRACE(std::string(Name(writer)) + " " + Name(encoding) + " " +
                                     Name(mode) + " after " + std::to_string(budget) +
                                     " bytes, buffer " + std::to_string(bufferSize));
                        fs::remove(Out());
                        if (HasPrevious(mode))
                            dir.Write("list.txt", kPrevious);
                        const std::optional<std::string> before = Contents(Out());
                        const std::set<std::string> entriesBefore = Entries(dir.path());
                        messages.shown.clear();
                        savedCalls = 0;

                        FailingSeam seam(budget, bufferSize);
                        bool failed = false;
                        try {
                            EXPECT_EQ(Run(writer, options, Out(), Hooks(&seam)),
                                      WriteOutcome::Written);
                        } catch (const CMyException& error) {
                            failed = true;
                            EXPECT_EQ(error.GetMessage(), kOutputErrorText);
                        }
                        if (budget < list.size()) {
                            ++injected;
                            EXPECT_TRUE(failed);
                            EXPECT_EQ(Contents(Out()), before);
                            EXPECT_EQ(Entries(dir.path()), entriesBefore)
                                << "a temporary file stayed";
                            EXPECT_EQ(savedCalls, 0);
                            EXPECT_TRUE(messages.shown.empty());
                        } else {
                            EXPECT_FALSE(failed);
                            EXPECT_EQ(Contents(Out()),
                                      (mode == Mode::Append ? std::string(kPrevious) : "") + list);
                            EXPECT_EQ(savedCalls, 1);
                        }
                    }
                }
            }
        }
    std::printf("[ points   ] %d injected output failures\n", injected);
}

// Every byte was taken, but the disk reports the failure only when the file is
// synced, as a full disk over the network does.
class FailingSyncSeam : public OutputSeam {
  public:
    ssize_t Write(int fd, const void* bytes, std::size_t size) override {
        return ::write(fd, bytes, size);
    }
    int Sync(int) override {
        errno = EIO;
        return -1;
    }
};

TEST_F(SafeSaveTest, AFailedSyncLeavesTheTargetAsItWas) {
    for (Writer writer : {Writer::List, Writer::Frequency}) {
        for (Mode mode : kModes) {
            SCOPED_TRACE(std::string(Name(writer)) + " " + Name(mode));
            fs::remove(Out());
            if (HasPrevious(mode))
                dir.Write("list.txt", kPrevious);
            const std::optional<std::string> before = Contents(Out());
            const std::set<std::string> entriesBefore = Entries(dir.path());
            FailingSyncSeam seam;
            EXPECT_THROW(Run(writer, OptionsFor(Encoding::CodePage, mode), Out(), Hooks(&seam)),
                         CMyException);
            EXPECT_EQ(Contents(Out()), before);
            EXPECT_EQ(Entries(dir.path()), entriesBefore);
            EXPECT_EQ(savedCalls, 0);
        }
    }
}

TEST_F(SafeSaveTest, ReplacingKeepsTheTargetsPermissions) {
    for (mode_t mode : {0600, 0640, 0604, 0755}) {
        SCOPED_TRACE(mode);
        dir.Write("list.txt", kPrevious);
        ASSERT_EQ(::chmod(Out().c_str(), mode), 0);
        ASSERT_EQ(Run(Writer::List, WriterOptions{}, Out(), Hooks()), WriteOutcome::Written);
        struct stat status {};
        ASSERT_EQ(::stat(Out().c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, mode);
        EXPECT_EQ(TempDir::Read(Out()), ExpectedList(Writer::List, Encoding::CodePage));
    }
}

TEST_F(SafeSaveTest, ANewListGetsTheModeThatTheUmaskAllows) {
    const mode_t previous = ::umask(027);
    const WriteOutcome outcome = Run(Writer::List, WriterOptions{}, Out(), Hooks());
    ::umask(previous);
    ASSERT_EQ(outcome, WriteOutcome::Written);
    struct stat status {};
    ASSERT_EQ(::stat(Out().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
}

TEST_F(SafeSaveTest, ASymbolicLinkIsKeptAndTheFileItNamesReplaced) {
    const std::string real = dir.Write("real/list.txt", kPrevious);
    fs::create_directory(dir.path() / "links");
    const std::string absolute = (dir.path() / "links/absolute").string();
    const std::string relative = (dir.path() / "links/relative").string();
    const std::string chained = (dir.path() / "links/chained").string();
    fs::create_symlink(real, absolute);
    fs::create_symlink("../real/list.txt", relative);
    fs::create_symlink("relative", chained);
    for (const std::string& link : {absolute, relative, chained}) {
        SCOPED_TRACE(link);
        dir.Write("real/list.txt", kPrevious);
        const fs::path pointsTo = fs::read_symlink(link);
        ASSERT_EQ(Run(Writer::Frequency, WriterOptions{}, link, Hooks()), WriteOutcome::Written);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link), pointsTo);
        EXPECT_EQ(TempDir::Read(real), ExpectedList(Writer::Frequency, Encoding::CodePage));
        EXPECT_EQ(Entries(dir.path() / "real"), std::set<std::string>{"list.txt"});
        EXPECT_EQ(Entries(dir.path() / "links"),
                  (std::set<std::string>{"absolute", "relative", "chained"}));
    }
}

TEST_F(SafeSaveTest, ADanglingLinkCreatesTheFileItNames) {
    fs::create_directory(dir.path() / "real");
    fs::create_symlink("real/new.txt", Out("link"));
    ASSERT_EQ(Run(Writer::List, WriterOptions{}, Out("link"), Hooks()), WriteOutcome::Written);
    EXPECT_TRUE(fs::is_symlink(Out("link")));
    EXPECT_EQ(TempDir::Read(Out("real/new.txt")), ExpectedList(Writer::List, Encoding::CodePage));
}

TEST_F(SafeSaveTest, AFailedSaveThroughALinkLeavesLinkAndFile) {
    const std::string real = dir.Write("real/list.txt", kPrevious);
    fs::create_symlink(real, Out("link"));
    FailingSeam seam(3);
    EXPECT_THROW(Run(Writer::List, WriterOptions{}, Out("link"), Hooks(&seam)), CMyException);
    EXPECT_TRUE(fs::is_symlink(Out("link")));
    EXPECT_EQ(TempDir::Read(real), kPrevious);
    EXPECT_EQ(Entries(dir.path() / "real"), std::set<std::string>{"list.txt"});
}

// Makes a folder refuse new entries, or a file refuse to be written, for as long as it
// lives: by its mode, or for root, whom modes do not stop, by the immutable attribute
// where the file system has one.
class ReadOnly {
  public:
    explicit ReadOnly(const fs::path& path) : path_(path), folder_(fs::is_directory(path)) {
        ::chmod(path_.c_str(), folder_ ? 0555 : 0444);
        if (Refuses())
            return;
        fd_ = ::open(path_.c_str(), O_RDONLY | (folder_ ? O_DIRECTORY : 0));
        int flags = 0;
        if (fd_ >= 0 && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            immutable_ = ::ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0;
        }
    }
    ~ReadOnly() {
        if (immutable_) {
            int flags = 0;
            ::ioctl(fd_, FS_IOC_GETFLAGS, &flags);
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(fd_, FS_IOC_SETFLAGS, &flags);
        }
        if (fd_ >= 0)
            ::close(fd_);
        ::chmod(path_.c_str(), folder_ ? 0755 : 0644);
    }
    bool Refuses() const {
        if (!folder_) {
            const int fd = ::open(path_.c_str(), O_WRONLY);
            if (fd >= 0)
                ::close(fd);
            return fd < 0;
        }
        const fs::path probe = path_ / "probe";
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0)
            return true;
        ::close(fd);
        ::unlink(probe.c_str());
        return false;
    }

  private:
    fs::path path_;
    bool folder_;
    int fd_ = -1;
    bool immutable_ = false;
};

TEST_F(SafeSaveTest, ReadOnlyFolderRefusesAReplaceButTakesAnAppend) {
    dir.Write("locked/list.txt", kPrevious);
    const std::string target = Out("locked/list.txt");
    ReadOnly locked(dir.path() / "locked");
    if (!locked.Refuses())
        GTEST_SKIP() << "nothing here makes a folder read-only";

    for (Writer writer : {Writer::List, Writer::Frequency}) {
        SCOPED_TRACE(Name(writer));
        messages.shown.clear();
        EXPECT_EQ(Run(writer, WriterOptions{}, target, Hooks()), WriteOutcome::CannotCreate);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_THAT(messages.shown[0].text,
                    ::testing::StartsWith(std::string(kCannotCreateText) + "\r\n" + target + ": "));
        EXPECT_EQ(TempDir::Read(target), kPrevious);
        EXPECT_EQ(Run(writer, WriterOptions{}, Out("locked/new.txt"), Hooks()),
                  WriteOutcome::CannotCreate);
    }
    EXPECT_EQ(savedCalls, 0);
    EXPECT_EQ(Entries(dir.path() / "locked"), std::set<std::string>{"list.txt"});

    // An append needs no new entry in the folder.
    const WriterOptions append = OptionsFor(Encoding::CodePage, Mode::Append);
    EXPECT_EQ(Run(Writer::List, append, target, Hooks()), WriteOutcome::Written);
    EXPECT_EQ(TempDir::Read(target), kPrevious + ExpectedList(Writer::List, Encoding::CodePage));
}

TEST_F(SafeSaveTest, AFileThatWbCouldNotOpenStaysRefused) {
    dir.Write("list.txt", kPrevious);
    ReadOnly locked(Out());
    if (!locked.Refuses())
        GTEST_SKIP() << "nothing here makes a file read-only";
    EXPECT_EQ(Run(Writer::List, WriterOptions{}, Out(), Hooks()), WriteOutcome::CannotCreate);
    EXPECT_EQ(TempDir::Read(Out()), kPrevious);
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"list.txt"});
}

TEST_F(SafeSaveTest, DevicesAreWrittenDirectly) {
    ASSERT_EQ(Run(Writer::List, WriterOptions{}, "/dev/null", Hooks()), WriteOutcome::Written);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    if (::access("/dev/full", W_OK) == 0) {
        EXPECT_THROW(Run(Writer::Frequency, WriterOptions{}, "/dev/full", Hooks()), CMyException);
    }
    EXPECT_EQ(savedCalls, 1);
}

TEST_F(SafeSaveTest, AFifoIsWrittenAndStaysAFifo) {
    const std::string fifo = Out("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (Mode mode : {Mode::Replace, Mode::Append}) {
        SCOPED_TRACE(Name(mode));
        std::string received;
        std::thread reader([&] { received = TempDir::Read(fifo); });
        const WriteOutcome outcome =
            Run(Writer::List, OptionsFor(Encoding::Utf16, mode), fifo, Hooks());
        reader.join();
        EXPECT_EQ(outcome, WriteOutcome::Written);
        EXPECT_EQ(received, ExpectedList(Writer::List, Encoding::Utf16));
        EXPECT_TRUE(fs::is_fifo(fifo));
        EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"pipe"});
    }
}

// The command line's Ctrl-C: asked before the first record, part-way through a long
// list and after the last record, the writer stops and the target is untouched.
TEST_F(SafeSaveTest, AStopRequestLeavesTheTargetAsItWas) {
    for (int i = 0; i < 20'000; ++i)
        store.AddWord(("word" + std::to_string(i)).c_str());
    for (Writer writer : {Writer::List, Writer::Frequency}) {
        for (Mode mode : kModes) {
            for (int stopOnAsk : {1, 3, 5}) {
                SCOPED_TRACE(std::string(Name(writer)) + " " + Name(mode) + " on ask " +
                             std::to_string(stopOnAsk));
                fs::remove(Out());
                if (HasPrevious(mode))
                    dir.Write("list.txt", kPrevious);
                const std::optional<std::string> before = Contents(Out());
                int asked = 0;
                WriterHooks hooks = Hooks();
                hooks.stopRequested = [&] { return ++asked == stopOnAsk; };
                messages.shown.clear();
                EXPECT_EQ(Run(writer, OptionsFor(Encoding::CodePage, mode), Out(), hooks),
                          WriteOutcome::Stopped);
                EXPECT_EQ(asked, stopOnAsk);
                EXPECT_EQ(Contents(Out()), before);
                EXPECT_EQ(Entries(dir.path()).size(), before ? 1u : 0u);
                EXPECT_TRUE(messages.shown.empty());
                EXPECT_EQ(savedCalls, 0);
            }
        }
    }
}

TEST(SafeOutputFile, AbandoningAnAppendCutsBackWhatReachedTheDisk) {
    TempDir dir;
    const std::string path = dir.Write("list.txt", kPrevious);
    SafeOutputFile file;
    ASSERT_TRUE(file.Open(path, true, 16));
    // More than the buffer, so that some of it is on the disk already.
    const std::string extra(100, 'x');
    ASSERT_EQ(std::fwrite(extra.data(), extra.size(), 1, file.stream()), 1u);
    EXPECT_GT(fs::file_size(path), std::string(kPrevious).size());
    file.Abandon();
    EXPECT_EQ(TempDir::Read(path), kPrevious);
}

// The shell's own streams, named by their paths: the list goes where the stream
// stands, after what it wrote before, and the stream stands after the list.
TEST_F(SafeSaveTest, AStreamNamedByItsPathIsWrittenWhereItStands) {
    const std::string log = Out("log.txt");
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "header\n", 7), 7);
    const std::string link = Out("link");
    fs::create_symlink("/dev/fd/" + std::to_string(fd), link);
    std::string expected = "header\n";
    for (const std::string& path :
         {"/dev/fd/" + std::to_string(fd), "/proc/self/fd/" + std::to_string(fd),
          std::string("/dev//fd/") + std::to_string(fd), link}) {
        SCOPED_TRACE(path);
        for (Mode mode : {Mode::Replace, Mode::Append}) {
            EXPECT_EQ(Run(Writer::List, OptionsFor(Encoding::CodePage, mode), path, Hooks()),
                      WriteOutcome::Written);
            expected += ExpectedList(Writer::List, Encoding::CodePage);
            EXPECT_EQ(TempDir::Read(log), expected);
            EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), static_cast<off_t>(expected.size()));
        }
    }
    EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"link", "log.txt"}));
    ::close(fd);

    // A stream open for reading only takes nothing.
    const int input = ::open(log.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(input, 0);
    EXPECT_EQ(Run(Writer::List, WriterOptions{}, "/dev/fd/" + std::to_string(input), Hooks()),
              WriteOutcome::CannotCreate);
    EXPECT_EQ(TempDir::Read(log), expected);
    ::close(input);
}

// An append that fails holds its lock until it has cut the file back: another append
// waits, and then adds its list where the first one began.
TEST(SafeOutputFile, AFailedAppendCutsBackOnlyItsOwnBytes) {
    TempDir dir;
    const std::string path = dir.Write("list.txt", kPrevious);
    SafeOutputFile failing;
    ASSERT_TRUE(failing.Open(path, true, 16));
    const std::string own(100, 'x');
    ASSERT_EQ(std::fwrite(own.data(), own.size(), 1, failing.stream()), 1u);
    ASSERT_EQ(std::fflush(failing.stream()), 0);

    std::atomic<bool> opened{false};
    std::thread other([&] {
        SafeOutputFile file;
        ASSERT_TRUE(file.Open(path, true, 16));
        opened = true;
        ASSERT_EQ(std::fputs("other's list\n", file.stream()), 1);
        EXPECT_TRUE(file.Commit());
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(opened) << "a second append began while the first one was running";
    failing.Abandon();
    other.join();
    EXPECT_EQ(TempDir::Read(path), std::string(kPrevious) + "other's list\n");
}

extern "C" void IgnoreSignal(int) {}

// Ctrl-C while another append holds the lock: the wait ends, and the file the append
// never had is left alone.
TEST(SafeOutputFile, AnAppendStoppedWhileWaitingForTheLockLeavesTheFile) {
    TempDir dir;
    const std::string path = dir.Write("list.txt", kPrevious);
    const int holder = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    struct sigaction action {};
    struct sigaction before {};
    action.sa_handler = IgnoreSignal;
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &before), 0);

    std::atomic<bool> done{false};
    bool opened = true;
    std::thread waiter([&] {
        SafeOutputFile file(nullptr, [] { return true; });
        opened = file.Open(path, true, 16);
        done = true;
    });
    // The first signal may come before the wait has begun.
    for (int i = 0; i < 2000 && !done; ++i) {
        ::pthread_kill(waiter.native_handle(), SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!done)
        ::flock(holder, LOCK_UN);
    waiter.join();
    ::sigaction(SIGUSR1, &before, nullptr);
    ::close(holder);
    EXPECT_TRUE(done);
    EXPECT_FALSE(opened);
    EXPECT_EQ(TempDir::Read(path), kPrevious);
}

// Where the file system can, the new list has no name until it is complete: nothing
// is there to be left behind by a process that is killed while it writes.
TEST(SafeOutputFile, TheNewListHasNoNameUntilItIsComplete) {
    TempDir dir;
    const int probe = ::open(dir.path().c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0)
        GTEST_SKIP() << "no unnamed files in " << dir.path();
    ::close(probe);
    for (const bool existed : {false, true}) {
        SCOPED_TRACE(existed ? "replace" : "create");
        const std::string path = (dir.path() / "list.txt").string();
        fs::remove(path);
        if (existed)
            dir.Write("list.txt", kPrevious);
        SafeOutputFile file;
        ASSERT_TRUE(file.Open(path, false, 16));
        ASSERT_EQ(std::fputs("new list\n", file.stream()), 1);
        ASSERT_EQ(std::fflush(file.stream()), 0);
        EXPECT_EQ(Entries(dir.path()).size(), existed ? 1u : 0u);
        ASSERT_TRUE(file.Commit());
        EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"list.txt"});
        EXPECT_EQ(TempDir::Read(path), "new list\n");
    }
}

}  // namespace
}  // namespace tarvolen
