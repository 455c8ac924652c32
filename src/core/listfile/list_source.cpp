#include "core/listfile/list_source.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/input/read_buffer.h"
#include "core/input/unnamed_file.h"
#include "core/ports/user_cancel.h"
#include "core/text/format_count.h"

namespace tarvolen {

ListSource::ListSource(const std::string& path, Streams streams, ReadBuffer& buffer,
                       const StopAsked& stopAsked, const CopyCheck& check)
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
        status_ = CopyStream(buffer, stopAsked, check);
        return;
    }
    size_ = facts.size;
    status_ = Status::Ready;
}

ListSource::~ListSource() {
    if (copy_ >= 0)
        ::close(copy_);
}

ListSource::Status ListSource::CopyStream(ReadBuffer& buffer, const StopAsked& stopAsked,
                                          const CopyCheck& check) {
    const std::string folder = TemporaryFolder();
    const auto failed = [this, &folder] {
        copyFailure_ = FormatText(kListCopyFailedFormat, folder.c_str(), std::strerror(errno));
        return Status::CopyFailed;
    };
    copy_ = OpenUnnamedFile(folder);
    if (copy_ < 0)
        return failed();
    for (;;) {
        const ssize_t n = ReadFullChunk(file_.Descriptor(), buffer.Data(), nullptr, stopAsked);
        if (n < 0)
            return Status::ReadError;
        if (!WriteAll(copy_, buffer.Data(), static_cast<std::size_t>(n)))
            return failed();
        size_ += n;
        const bool last = n < static_cast<ssize_t>(kChunkSize);
        if (check && !check(buffer.Data(), static_cast<std::size_t>(n), last))
            return Status::Refused;
        if (last)
            return Status::Ready;
    }
}

}  // namespace tarvolen
