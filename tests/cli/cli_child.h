#pragma once

// tarvolen-cli started as a user starts it, for the tests of the command line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace tarvolen {

struct Outcome {
    int status = -1;         // exit status, or 128 + signal; -1 when it did not end in time
    bool signalled = false;  // ended by a signal rather than by exiting
    std::string out;
    std::string err;
};

// What the child reads on standard input: a file (a regular one has a size), or text
// written into a pipe piece by piece, as a slow producer upstream writes it; with
// keepOpen, the pipe then stays open and idle until CloseInput or the child's end.
struct StandardInput {
    std::string path = "/dev/null";
    std::optional<std::string> piped;
    std::size_t pieceSize = 4096;
    bool keepOpen = false;
};

// Starts tarvolen-cli with args; standard output and error go to files of dir (or
// standard output to stdoutPath when given), standard input is /dev/null unless said.
// A launcher (a shell with its -c script) runs first and gets the program and its
// arguments as "$0" "$@".
class Child {
  public:
    Child(const testing::TempDir& dir, const std::vector<std::string>& args,
          std::optional<std::string> stdoutPath = std::nullopt, StandardInput input = {},
          const std::vector<std::string>& launcher = {})
        : outPath_(stdoutPath.value_or((dir.path() / "stdout").string())),
          errPath_((dir.path() / "stderr").string()),
          captureOut_(!stdoutPath) {
        std::vector<std::string> argv_strings = launcher;
        argv_strings.push_back(TARVOLEN_CLI_PATH);
        // The suite runs on one thread, and once more on TARVOLEN_TEST_JOBS threads with
        // files of a few kilobytes cut into parts: every case gives the same bytes.
        const char* jobs = std::getenv("TARVOLEN_TEST_JOBS");
        if (jobs == nullptr || *jobs == 0)
            jobs = "1";
        argv_strings.insert(argv_strings.end(), {"-j", jobs});
        std::vector<char*> environment;
        for (char** variable = environ; *variable != nullptr; ++variable)
            environment.push_back(*variable);
        std::string smallParts = "TARVOLEN_LEAST_THREAD_PART=4096";
        if (std::string_view(jobs) != "1" && std::getenv("TARVOLEN_LEAST_THREAD_PART") == nullptr)
            environment.push_back(smallParts.data());
        environment.push_back(nullptr);
        argv_strings.insert(argv_strings.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : argv_strings)
            argv.push_back(arg.data());
        argv.push_back(nullptr);

        int pipeEnds[2] = {-1, -1};
        if (input.piped) {
            // A child that ends early must fail the test, not kill it.
            std::signal(SIGPIPE, SIG_IGN);
            if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
                return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (input.piped) {
            posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], 0);
        } else {
            posix_spawn_file_actions_addopen(&actions, 0, input.path.c_str(), O_RDONLY, 0);
        }
        posix_spawn_file_actions_addopen(&actions, 1, outPath_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        // The child starts as from a shell, whatever this process ignores: a signal
        // ignored at exec would stay ignored in it.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP})
            sigaddset(&defaults, signal);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
        const int failed =
            posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), environment.data());
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0)
            pid_ = -1;
        if (input.piped) {
            ::close(pipeEnds[0]);
            if (input.keepOpen)
                inputEnd_ = pipeEnds[1];
            writer_ = std::thread([end = pipeEnds[1], text = std::move(*input.piped),
                                   piece = input.pieceSize, closeAfter = !input.keepOpen,
                                   done = &writerDone_] {
                for (std::size_t at = 0; at < text.size(); at += piece) {
                    const std::size_t length = std::min(piece, text.size() - at);
                    if (::write(end, text.data() + at, length) != static_cast<ssize_t>(length))
                        break;
                }
                if (closeAfter)
                    ::close(end);
                *done = true;
            });
        }
    }

    pid_t pid() const { return pid_; }

    // Whether all the piped text is in the pipe and the child has taken it out (with
    // keepOpen; the pipe is still open then).
    bool InputTaken() {
        int waiting = 0;
        return writerDone_ && inputEnd_ >= 0 && ::ioctl(inputEnd_, FIONREAD, &waiting) == 0 &&
               waiting == 0;
    }

    // Ends a kept-open standard input: the child reads its end.
    void CloseInput() {
        if (writer_.joinable())
            writer_.join();
        if (inputEnd_ >= 0)
            ::close(inputEnd_);
        inputEnd_ = -1;
    }

    // Waits for the end, at most limit; a child still running then is killed and the
    // test fails, but the suite goes on.
    Outcome Wait(std::chrono::seconds limit = std::chrono::seconds(120)) {
        Outcome outcome;
        int raw = 0;
        bool waited = false;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (pid_ > 0 && !waited) {
            const pid_t ended = waitpid(pid_, &raw, WNOHANG);
            if (ended == pid_)
                waited = true;
            else if (ended < 0)
                break;
            else if (std::chrono::steady_clock::now() > deadline)
                break;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (!waited && pid_ > 0)
            ADD_FAILURE() << "tarvolen-cli did not end within " << limit.count() << " s";
        if (writer_.joinable())
            writer_.join();
        if (!waited)
            return outcome;
        pid_ = -1;
        CloseInput();
        if (WIFEXITED(raw)) {
            outcome.status = WEXITSTATUS(raw);
        } else if (WIFSIGNALED(raw)) {
            outcome.status = 128 + WTERMSIG(raw);
            outcome.signalled = true;
        }
        if (captureOut_)
            outcome.out = testing::TempDir::Read(outPath_);
        outcome.err = testing::TempDir::Read(errPath_);
        return outcome;
    }

    ~Child() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        CloseInput();
    }

  private:
    std::thread writer_;
    std::string outPath_;
    std::string errPath_;
    bool captureOut_;
    int inputEnd_ = -1;  // the pipe kept open, keepOpen
    std::atomic<bool> writerDone_{false};
    pid_t pid_ = -1;
};

inline Outcome RunCli(const testing::TempDir& dir, const std::vector<std::string>& args) {
    return Child(dir, args).Wait();
}

// The fds of a process that point at path.
inline bool HasOpen(pid_t pid, const std::string& path) {
    std::error_code error;
    const std::filesystem::path fds = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
        std::error_code ignored;
        if (std::filesystem::read_symlink(entry.path(), ignored) == path)
            return true;
    }
    return false;
}

// A file below folder whose name begins with prefix that the process has open.
inline bool HasOpenIn(pid_t pid, const std::filesystem::path& folder, const std::string& prefix) {
    std::error_code error;
    const std::filesystem::path fds = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
        std::error_code ignored;
        const std::filesystem::path target = std::filesystem::read_symlink(entry.path(), ignored);
        if (target.parent_path() == folder &&
            target.filename().string().compare(0, prefix.size(), prefix) == 0)
            return true;
    }
    return false;
}

}  // namespace tarvolen
