#include "core/collect/list_source.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "core/collect/read_buffer.h"
#include "core/util/user_cancel.h"

namespace tarvolen {

namespace {

// A file of no name, gone with its last descriptor however the process ends; where the
// file system cannot make one, a named file, unlinked at once.
int OpenUnnamedFile() {
    const char* variable = std::getenv("TMPDIR");
    const std::string directory = variable != nullptr && *variable != 0 ? variable : "/tmp";
    const int fd = ::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
    std::string name = directory + "/tarvolen-list.XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0)
        ::unlink(name.c_str());
    return named;
}

bool WriteAll(int fd, const unsigned char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

ListSource::ListSource(const std::string& path, Streams streams, ReadBuffer& buffer,
                       const StopAsked& stopAsked)
    : file_(path, streams) {
    if (!file_.IsOpen()) {
        if (errno == EINTR && stopAsked && stopAsked())
            throw UserCancel{};
        return;
    }
    const FileFacts facts = Examine(file_);
    if (facts.isDirectory)
        return;
    // Standard input may be a file read part-way, which cannot be started over.
    if (facts.unbounded || file_.IsStandardInput()) {
        status_ = CopyStream(buffer, stopAsked) ? Status::Ready : Status::ReadError;
        return;
    }
    size_ = facts.size;
    status_ = Status::Ready;
}

ListSource::~ListSource() {
    if (copy_ >= 0)
        ::close(copy_);
}

bool ListSource::CopyStream(ReadBuffer& buffer, const StopAsked& stopAsked) {
    copy_ = OpenUnnamedFile();
    if (copy_ < 0)
        return false;
    for (;;) {
        const ssize_t n = ReadFullChunk(file_.Descriptor(), buffer.Data(), nullptr, stopAsked);
        if (n < 0 || !WriteAll(copy_, buffer.Data(), static_cast<std::size_t>(n)))
            return false;
        size_ += n;
        if (n < static_cast<ssize_t>(kChunkSize))
            return true;
    }
}

}  // namespace tarvolen
