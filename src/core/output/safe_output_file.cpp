#include "core/output/safe_output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>

namespace tarvolen {

namespace {

// As many as the system itself follows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;
constexpr int kTemporaryNameTries = 64;

// The file that path names once every symbolic link is followed: a link is kept and
// the file it points to is replaced. A dangling link names the file it would create.
std::string FinalTarget(const std::string& path) {
    std::filesystem::path current = path;
    for (int i = 0; i < kMaxLinks; ++i) {
        struct stat status {};
        if (::lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            break;
        std::error_code error;
        const std::filesystem::path link = std::filesystem::read_symlink(current, error);
        if (error)
            break;
        current = link.is_absolute() ? link : current.parent_path() / link;
    }
    return current.string();
}

// A new file in folder beside the one named leaf, made with O_EXCL so that nothing
// else can already be there; the mode 0666 lets the umask decide as it would for a
// plain fopen.
int CreateTemporary(int folder, const std::string& leaf, std::string& name) {
    // Short enough that the hidden name stays within NAME_MAX for any target.
    const std::string stem = leaf.substr(0, 128);
    std::random_device seed;
    std::mt19937 random(seed());
    constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        std::string suffix;
        for (int i = 0; i < 8; ++i)
            suffix += kLetters[pick(random)];
        name = "." + stem + "." + suffix + ".tmp";
        const int fd =
            ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The standard stream over the seam: glibc lets a stream's writes go anywhere.
struct SeamCookie {
    OutputSeam* seam;
    int fd;
};

ssize_t SeamWrite(void* cookie, const char* bytes, std::size_t size) {
    auto* c = static_cast<SeamCookie*>(cookie);
    return c->seam->Write(c->fd, bytes, size);
}

int SeamClose(void* cookie) {
    auto* c = static_cast<SeamCookie*>(cookie);
    const int result = ::close(c->fd);
    delete c;
    return result;
}

std::FILE* StreamThroughSeam(OutputSeam* seam, int fd) {
#if defined(__GLIBC__)
    auto* cookie = new SeamCookie{seam, fd};
    cookie_io_functions_t functions{};
    functions.write = SeamWrite;
    functions.close = SeamClose;
    std::FILE* stream = ::fopencookie(cookie, "w", functions);
    if (stream == nullptr)
        delete cookie;
    return stream;
#else
    (void)seam;
    (void)fd;
    errno = ENOTSUP;
    return nullptr;
#endif
}

}  // namespace

int OutputSeam::Sync(int fd) {
    return ::fsync(fd);
}

SafeOutputFile::~SafeOutputFile() {
    Abandon();
}

bool SafeOutputFile::Open(const std::string& path, bool append, std::size_t bufferSize) {
    struct stat status {};
    const bool exists = ::stat(path.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) {
        mode_ = Mode::Direct;
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC),
                     0666);
    } else if (exists && append) {
        mode_ = Mode::Append;
        fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        struct stat opened {};
        if (fd_ >= 0 && ::fstat(fd_, &opened) == 0) {
            appendFrom_ = opened.st_size;
        } else if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    } else {
        mode_ = Mode::Replace;
        const std::filesystem::path target = FinalTarget(path);
        targetName_ = target.filename().string();
        // No name to give the new file: fopen could not have created one either.
        if (targetName_.empty()) {
            errno = ENOENT;
            return false;
        }
        // Everything after this is done relative to the folder: the hidden name is
        // longer than the target's, and a path close to PATH_MAX must still work.
        const std::string folder =
            target.has_parent_path() ? target.parent_path().string() : std::string(".");
        folder_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder_ < 0)
            return false;
        if (exists) {
            // Renaming needs only the folder's permission; a file that "wb" could not
            // open must stay refused, as it always was.
            const int probe = ::openat(folder_, targetName_.c_str(), O_WRONLY | O_CLOEXEC);
            if (probe < 0) {
                Abandon();
                return false;
            }
            ::close(probe);
        }
        fd_ = CreateTemporary(folder_, targetName_, temporaryName_);
        if (fd_ < 0) {
            temporaryName_.clear();
            Abandon();
            return false;
        }
        if (exists) {
            // Keep who may read the list. The owner only carries over when the system
            // allows it (as root); the file is still complete without it. The owner
            // goes first: changing it would clear set-id bits set before.
            (void)::fchown(fd_, status.st_uid, status.st_gid);
            ::fchmod(fd_, status.st_mode & 07777);
        }
    }
    if (fd_ < 0)
        return false;
    if (!OpenStream(append, bufferSize)) {
        Abandon();
        return false;
    }
    return true;
}

bool SafeOutputFile::OpenStream(bool append, std::size_t bufferSize) {
    const int streamFd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (streamFd < 0)
        return false;
    stream_ = seam_ != nullptr ? StreamThroughSeam(seam_, streamFd)
                               : ::fdopen(streamFd, append ? "ab" : "wb");
    if (stream_ == nullptr) {
        ::close(streamFd);
        return false;
    }
    if (seam_ != nullptr && seam_->BufferSize() > 0)
        bufferSize = seam_->BufferSize();
    buffer_ = std::make_unique<char[]>(bufferSize);
    // Without the large buffer the stream still works, only slower.
    std::setvbuf(stream_, buffer_.get(), _IOFBF, bufferSize);
    return true;
}

bool SafeOutputFile::CloseStream() {
    if (stream_ == nullptr)
        return true;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    return closed;
}

bool SafeOutputFile::Commit() {
    if (fd_ < 0)
        return false;
    bool written = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
    // A file that is about to replace another must be on the disk first: after a crash
    // the old list or the new one is found, never an empty one. An appended file is
    // synced too, so that a late write error comes while it can still be cut back.
    if (written && mode_ != Mode::Direct)
        written = (seam_ != nullptr ? seam_->Sync(fd_) : ::fsync(fd_)) == 0;
    written = CloseStream() && written;
    if (!written) {
        Abandon();
        return false;
    }
    if (mode_ == Mode::Replace) {
        if (::renameat(folder_, temporaryName_.c_str(), folder_, targetName_.c_str()) != 0) {
            Abandon();
            return false;
        }
        temporaryName_.clear();
        // The new name itself reaches the disk with the folder; the list is complete
        // either way, so a folder that cannot be synced fails nothing.
        (void)::fsync(folder_);
    }
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    // A descriptor that fails to close after its data was synced has nothing left to
    // lose; for a device or FIFO the close may still report a late error.
    return closed || mode_ != Mode::Direct;
}

void SafeOutputFile::Abandon() {
    // The stream's buffered bytes go to its own descriptor; a cut-back or a removal
    // through fd_ afterwards undoes them as well.
    CloseStream();
    if (fd_ >= 0 && mode_ == Mode::Append)
        (void)::ftruncate(fd_, appendFrom_);
    if (!temporaryName_.empty())
        ::unlinkat(folder_, temporaryName_.c_str(), 0);
    temporaryName_.clear();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (folder_ >= 0)
        ::close(folder_);
    folder_ = -1;
}

}  // namespace tarvolen
