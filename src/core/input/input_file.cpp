#include "core/input/input_file.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/input/read_buffer.h"
#include "core/ports/user_cancel.h"

namespace tarvolen {

namespace {

int OpenPath(const std::string& path, bool standardInput, bool waitForWriter) {
    // A duplicate, so that closing the handle leaves the process's standard input be.
    if (standardInput)
        return ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    // O_NONBLOCK changes nothing for regular files, but keeps a FIFO that ended up in
    // the list from stalling the whole user interface in open() or read(). A FIFO
    // named to be read to its end waits for its writer instead, as any reader of a
    // pipe on the command line does; a writer that came later would find it gone.
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (waitForWriter ? 0 : O_NONBLOCK));
}

// The kind of file a path names, told without opening it ("-": standard input's);
// 0 when there is nothing to tell.
mode_t KindOf(const std::string& path) {
    struct stat status {};
    const int found =
        path == kStandardInputPath ? ::fstat(STDIN_FILENO, &status) : ::stat(path.c_str(), &status);
    return found == 0 ? status.st_mode : 0;
}

// Anything that is neither a regular file nor a folder has no size to go by.
bool IsStreamMode(mode_t mode) {
    return mode != 0 && !S_ISREG(mode) && !S_ISDIR(mode);
}

// The kernel's own file systems make their files up as they are read: /proc gives the
// size 0 and sysfs and its kin 4,096, whatever the text.
bool SizeMeansNothing(int fd) {
    struct statfs system {};
    if (::fstatfs(fd, &system) != 0)
        return false;
    switch (system.f_type) {
        case PROC_SUPER_MAGIC:
        case SYSFS_MAGIC:
        case DEBUGFS_MAGIC:
        case TRACEFS_MAGIC:
        case SECURITYFS_MAGIC:
        case CGROUP_SUPER_MAGIC:
        case CGROUP2_SUPER_MAGIC:
            return true;
        default:
            return false;
    }
}

}  // namespace

FileHandle::FileHandle(const std::string& path, Streams streams)
    : streams_(streams),
      standardInput_(streams == Streams::ReadToEnd && path == kStandardInputPath) {
    const bool waitForWriter =
        streams == Streams::ReadToEnd && !standardInput_ && S_ISFIFO(KindOf(path));
    fd_ = OpenPath(path, standardInput_, waitForWriter);
}

FileHandle::~FileHandle() {
    if (fd_ >= 0)
        ::close(fd_);
}

FileFacts Examine(const FileHandle& file) {
    FileFacts facts;
    struct stat status {};
    if (::fstat(file.Descriptor(), &status) != 0)
        return facts;
    facts.isDirectory = S_ISDIR(status.st_mode);
    facts.isRegular = S_ISREG(status.st_mode);
    if (S_ISREG(status.st_mode) && status.st_size > 0)
        facts.size = status.st_size;
    if (file.IsStandardInput() && S_ISREG(status.st_mode)) {
        // A redirected file may have been read part-way by whoever passed it on.
        const off_t at = ::lseek(file.Descriptor(), 0, SEEK_CUR);
        if (at > 0)
            facts.size = std::max<std::int64_t>(facts.size - at, 0);
    }
    facts.unbounded = file.ReadsStreams() && IsStreamMode(status.st_mode);
    // A regular file that says it is empty may not be, and reading it to its end costs
    // one read when it is; it never blocks, so this holds wherever streams are not read.
    if (S_ISREG(status.st_mode) && (facts.size == 0 || SizeMeansNothing(file.Descriptor()))) {
        facts.unbounded = true;
        facts.size = 0;
    }
    return facts;
}

bool IsStream(const std::string& path) {
    return IsStreamMode(KindOf(path));
}

namespace {

// A read that a signal interrupted ends the reading when a stop was asked; otherwise
// it is tried again.
void StopIfAsked(const StopAsked& stopAsked) {
    if (stopAsked && stopAsked())
        throw UserCancel{};
}

}  // namespace

ssize_t ReadChunk(int fd, unsigned char* into, ReadSeam* seam, const StopAsked& stopAsked,
                  std::size_t size) {
    for (;;) {
        ssize_t n = seam != nullptr ? seam->Read(fd, into, size) : ::read(fd, into, size);
        if (n >= 0 || errno != EINTR)
            return n;
        StopIfAsked(stopAsked);
    }
}

ssize_t ReadFullChunk(int fd, unsigned char* into, ReadSeam* seam, const StopAsked& stopAsked) {
    std::size_t filled = 0;
    while (filled < kChunkSize) {
        const std::size_t room = kChunkSize - filled;
        const ssize_t n =
            seam != nullptr ? seam->Read(fd, into + filled, room) : ::read(fd, into + filled, room);
        if (n > 0) {
            filled += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0)
            break;
        if (errno == EINTR) {
            StopIfAsked(stopAsked);
            continue;
        }
        // Standard input may have been handed over non-blocking: wait, as a blocking
        // read would.
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            struct pollfd ready {
                fd, POLLIN, 0
            };
            if (::poll(&ready, 1, -1) >= 0)
                continue;
            if (errno == EINTR) {
                StopIfAsked(stopAsked);
                continue;
            }
        }
        // A short count would pass for the end of the input: the failure must show.
        return -1;
    }
    return static_cast<ssize_t>(filled);
}

bool MeasureFiles(const std::vector<std::string>& paths, std::int64_t& total, std::string& failure,
                  Streams streams, bool passUnreadable) {
    for (auto path = paths.rbegin(); path != paths.rend(); ++path) {
        // A stream has no size to add. Opening a FIFO only to measure it would hand its
        // writer a reader that goes away at once, and the writer its broken pipe.
        if (streams == Streams::ReadToEnd && *path != kStandardInputPath && IsStream(*path))
            continue;
        FileHandle file(*path, streams);
        if (!file.IsOpen() && passUnreadable)
            continue;
        if (!file.IsOpen()) {
            failure = *path + ": " + std::strerror(errno);
            return false;
        }
        total += Examine(file).size;
    }
    return true;
}

}  // namespace tarvolen
