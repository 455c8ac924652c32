#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <thread>

namespace tarvolen::testing {

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

}  // namespace tarvolen::testing
