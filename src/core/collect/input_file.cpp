#include "core/collect/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/collect/read_buffer.h"

namespace tarvolen {

FileHandle::FileHandle(const std::string& path)
    // O_NONBLOCK changes nothing for regular files, but keeps a FIFO that ended up in
    // the list from stalling the whole user interface in open() or read().
    : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}

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
    if (S_ISREG(status.st_mode) && status.st_size > 0)
        facts.size = status.st_size;
    return facts;
}

ssize_t ReadChunk(int fd, unsigned char* into, ReadSeam* seam) {
    for (;;) {
        ssize_t n =
            seam != nullptr ? seam->Read(fd, into, kChunkSize) : ::read(fd, into, kChunkSize);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

bool MeasureFiles(const std::vector<std::string>& paths, std::int64_t& total,
                  std::string& failure) {
    for (auto path = paths.rbegin(); path != paths.rend(); ++path) {
        FileHandle file(*path);
        if (!file.IsOpen()) {
            failure = *path + ": " + std::strerror(errno);
            return false;
        }
        total += Examine(file).size;
    }
    return true;
}

}  // namespace tarvolen
