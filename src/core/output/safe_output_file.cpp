#include "core/output/safe_output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <random>
#include <vector>

#include "core/output/stream_path.h"

namespace tarvolen {

namespace {

// As many as the system itself follows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;
constexpr int kTemporaryNameTries = 64;
// How often an append starts again on a file that went while it waited for the lock.
constexpr int kAppendTries = 64;

std::string ProcPathOf(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

// Every path met on the way from path to the file it finally names, following one
// symbolic link at a time: a link is kept and the file it points to is replaced. A
// dangling link leads to the file it would create.
std::vector<std::filesystem::path> LinkChain(const std::string& path) {
    std::vector<std::filesystem::path> chain{path};
    for (int i = 0; i < kMaxLinks; ++i) {
        const std::filesystem::path current = chain.back();
        struct stat status {};
        if (::lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            break;
        std::error_code error;
        const std::filesystem::path link = std::filesystem::read_symlink(current, error);
        if (error)
            break;
        chain.push_back(link.is_absolute() ? link : current.parent_path() / link);
    }
    return chain;
}

// The open stream that path, or a link on its way, names. The last step of the way
// from /dev/stdout is the file the stream was opened on: only the names before it
// tell that a stream was meant.
std::optional<int> StreamAlong(const std::vector<std::filesystem::path>& chain) {
    for (const std::filesystem::path& step : chain) {
        if (std::optional<int> fd = StreamDescriptorOf(step.string()))
            return fd;
    }
    return std::nullopt;
}

// A hidden name beside the file named leaf, different on every call.
std::string HiddenName(const std::string& leaf, std::mt19937& random) {
    // Short enough that the hidden name stays within NAME_MAX for any target.
    const std::string stem = leaf.substr(0, 128);
    constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string suffix;
    for (int i = 0; i < 8; ++i)
        suffix += kLetters[pick(random)];
    return "." + stem + "." + suffix + ".tmp";
}

// A new file in folder beside the one named leaf, made with O_EXCL so that nothing
// else can already be there; the mode 0666 lets the umask decide as it would for a
// plain fopen.
int CreateTemporary(int folder, const std::string& leaf, std::string& name) {
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        name = HiddenName(leaf, random);
        const int fd =
            ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// A file without a name in folder, which a later linkat can name; -1 where the file
// system or the kernel has none such, or /proc is missing to name it through.
int CreateUnnamed(int folder) {
#ifdef O_TMPFILE
    const int fd = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0 && ::access(ProcPathOf(fd).c_str(), F_OK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
#else
    (void)folder;
    return -1;
#endif
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

bool SafeOutputFile::Interrupted() const {
    return errno == EINTR && stopRequested_ && stopRequested_();
}

bool SafeOutputFile::Open(const std::string& path, bool append, std::size_t bufferSize) {
    const std::vector<std::filesystem::path> chain = LinkChain(path);
    struct stat status {};
    const bool exists = ::stat(path.c_str(), &status) == 0;
    bool opened = false;
    if (const std::optional<int> stream = StreamAlong(chain))
        opened = OpenThroughStream(*stream);
    else if (exists && !S_ISREG(status.st_mode))
        opened = OpenDirect(path, append);
    else if (append)
        opened = OpenAppend(chain.back().string());
    else
        opened = OpenReplace(chain.back().string(), exists ? &status : nullptr);
    if (!opened || !OpenStream(bufferSize)) {
        const int reason = errno;
        Abandon();
        errno = reason;
        return false;
    }
    return true;
}

bool SafeOutputFile::OpenThroughStream(int descriptor) {
    mode_ = Mode::Direct;
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) {
        errno = EBADF;
        return false;
    }
    // The duplicate shares the stream's position: what is written lands where the
    // stream stands, and the stream stands after it afterwards.
    fd_ = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    return fd_ >= 0;
}

bool SafeOutputFile::OpenDirect(const std::string& path, bool append) {
    mode_ = Mode::Direct;
    // A FIFO's open waits for a reader; a signal may end the wait.
    do {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC),
                     0666);
    } while (fd_ < 0 && errno == EINTR && !Interrupted());
    return fd_ >= 0;
}

bool SafeOutputFile::OpenAppend(const std::string& target) {
    mode_ = Mode::Append;
    for (int attempt = 0; attempt < kAppendTries; ++attempt) {
        bool created = true;
        int fd = ::open(target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) {
            created = false;
            fd = ::open(target.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
            if (fd < 0 && errno == ENOENT)
                continue;  // gone since: make it anew
        }
        if (fd < 0)
            return false;
        // Until the lock is held and the length known, nothing may be cut back: fd_
        // takes the file only then.
        int locked = ::flock(fd, LOCK_EX);
        while (locked != 0 && errno == EINTR && !Interrupted())
            locked = ::flock(fd, LOCK_EX);
        // An append that created the file may have failed and removed it while this
        // one waited for the lock; what this one writes must go where the path leads.
        struct stat opened {};
        struct stat named {};
        if (locked != 0 || ::fstat(fd, &opened) != 0) {
            const int reason = errno;
            ::close(fd);
            errno = reason;
            return false;
        }
        if (::stat(target.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
            named.st_ino == opened.st_ino) {
            fd_ = fd;
            appendFrom_ = opened.st_size;
            // Another append may have come first and written its list into the file
            // this one made: that file is no longer this one's to remove.
            if (created && opened.st_size == 0)
                createdPath_ = target;
            return true;
        }
        ::close(fd);
    }
    errno = EAGAIN;
    return false;
}

bool SafeOutputFile::OpenReplace(const std::string& target, const struct ::stat* existing) {
    mode_ = Mode::Replace;
    const std::filesystem::path targetPath = target;
    targetName_ = targetPath.filename().string();
    // No name to give the new file: fopen could not have created one either.
    if (targetName_.empty()) {
        errno = ENOENT;
        return false;
    }
    // Everything after this is done relative to the folder: the hidden name is longer
    // than the target's, and a path close to PATH_MAX must still work.
    const std::string folder =
        targetPath.has_parent_path() ? targetPath.parent_path().string() : std::string(".");
    folder_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0)
        return false;
    targetExisted_ = existing != nullptr;
    if (targetExisted_) {
        // Renaming needs only the folder's permission; a file that "wb" could not
        // open must stay refused, as it always was.
        const int probe = ::openat(folder_, targetName_.c_str(), O_WRONLY | O_CLOEXEC);
        if (probe < 0)
            return false;
        ::close(probe);
    }
    fd_ = CreateUnnamed(folder_);
    unnamed_ = fd_ >= 0;
    if (!unnamed_)
        fd_ = CreateTemporary(folder_, targetName_, temporaryName_);
    if (fd_ < 0) {
        temporaryName_.clear();
        return false;
    }
    if (targetExisted_) {
        // Keep who may read the list. The owner only carries over when the system
        // allows it (as root); the file is still complete without it. The owner goes
        // first: changing it would clear set-id bits set before.
        (void)::fchown(fd_, existing->st_uid, existing->st_gid);
        ::fchmod(fd_, existing->st_mode & 07777);
    }
    return true;
}

bool SafeOutputFile::OpenStream(std::size_t bufferSize) {
    const int streamFd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (streamFd < 0)
        return false;
    // "wb" changes nothing about the descriptor: an appended file has O_APPEND already,
    // and a stream handed over by the shell keeps the flags it was given.
    stream_ = seam_ != nullptr ? StreamThroughSeam(seam_, streamFd) : ::fdopen(streamFd, "wb");
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

// Gives the unnamed new list a name in its folder: the target's own when there is no
// list to replace, else a hidden one that the rename then moves over the old list.
bool SafeOutputFile::NameNewFile() {
    const std::string source = ProcPathOf(fd_);
    if (!targetExisted_) {
        if (::linkat(AT_FDCWD, source.c_str(), folder_, targetName_.c_str(), AT_SYMLINK_FOLLOW) ==
            0)
            return true;
        // Made meanwhile by someone else: replace it, as a save that came later would.
        if (errno != EEXIST)
            return false;
    }
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        const std::string name = HiddenName(targetName_, random);
        if (::linkat(AT_FDCWD, source.c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporaryName_ = name;
            return ::renameat(folder_, temporaryName_.c_str(), folder_, targetName_.c_str()) == 0;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
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
        const bool placed = unnamed_ ? NameNewFile()
                                     : ::renameat(folder_, temporaryName_.c_str(), folder_,
                                                  targetName_.c_str()) == 0;
        if (!placed) {
            Abandon();
            return false;
        }
        temporaryName_.clear();
        // The new name itself reaches the disk with the folder; the list is complete
        // either way, so a folder that cannot be synced fails nothing.
        (void)::fsync(folder_);
    }
    createdPath_.clear();
    // Closing the descriptor also lets go of an append's lock.
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
    if (fd_ >= 0 && mode_ == Mode::Append) {
        // Still under the lock: whatever lies past appendFrom_ is this write's own.
        // A file this append created goes as it came, before the lock lets another
        // append in; that one then finds the path empty and starts again.
        if (!createdPath_.empty())
            ::unlink(createdPath_.c_str());
        else
            (void)::ftruncate(fd_, appendFrom_);
    }
    createdPath_.clear();
    if (!temporaryName_.empty())
        ::unlinkat(folder_, temporaryName_.c_str(), 0);
    temporaryName_.clear();
    unnamed_ = false;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (folder_ >= 0)
        ::close(folder_);
    folder_ = -1;
}

}  // namespace tarvolen
