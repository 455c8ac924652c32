#include "mpi/job_line.h"

#include <unistd.h>

#include <string>
#include <string_view>

namespace tarvolen {

JobLine::JobLine(bool visible, std::FILE* stream) : visible_(visible), stream_(stream) {}

bool JobLine::Watched() {
    if (::isatty(STDERR_FILENO) == 1)
        return true;
    // The launcher's own standard error, where ours ends up (on the node the job was
    // started from, the launcher is the parent).
    const std::string link = "/proc/" + std::to_string(::getppid()) + "/fd/2";
    char target[64];
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
    const std::string_view path(target, length > 0 ? static_cast<std::size_t>(length) : 0);
    return path.starts_with("/dev/pts/") || path.starts_with("/dev/tty");
}

void JobLine::Show(const std::string& text, bool now) {
    if (!visible_)
        return;
    const auto time = std::chrono::steady_clock::now();
    if (!now && drawn_ > 0 && time - last_ < std::chrono::milliseconds(100))
        return;
    last_ = time;
    std::string line = "\r" + text;
    if (text.size() < drawn_)
        line.append(drawn_ - text.size(), ' ');
    drawn_ = text.size();
    std::fputs(line.c_str(), stream_);
    std::fflush(stream_);
}

void JobLine::Clear() {
    if (!visible_ || drawn_ == 0)
        return;
    std::fprintf(stream_, "\r%*s\r", static_cast<int>(drawn_), "");
    std::fflush(stream_);
    drawn_ = 0;
}

}  // namespace tarvolen
