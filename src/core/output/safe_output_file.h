#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace tarvolen {

// What lies between a list's buffered stream and its file: the system's write(2) and
// fsync(2), unless a test puts failing ones in their place.
class OutputSeam {
  public:
    virtual ~OutputSeam() = default;
    // As write(2): the number of bytes taken, or -1 with errno set.
    virtual ssize_t Write(int fd, const void* bytes, std::size_t size) = 0;
    // How much the stream gathers before it writes; 0 for what the writer asks. A small
    // one lets a test fail a write in the middle of the records.
    virtual std::size_t BufferSize() const { return 0; }
    // As fsync(2).
    virtual int Sync(int fd);
};

// A word-list file that is either written completely or not changed at all.
//
// Creating or replacing a regular file writes a new file beside the one the path
// finally names (through any symbolic links) and renames it over that only once
// everything has been written, flushed, synced and closed; the previous file keeps its
// permissions. The new file has no name until then where the file system allows it
// (O_TMPFILE), so that not even a killed process leaves it behind; elsewhere it is a
// hidden file that the write removes on every way out it survives.
//
// Appending holds an exclusive lock (flock) on the file for the whole write, so that
// appends of several processes follow one another whole; it remembers the length and
// cuts the file back to it when the write fails, the sync included, and a file the
// append created goes again. Only bytes of its own are ever cut.
//
// A path that names one of the process's open streams (/dev/stdout, /dev/fd/N) is
// written through that stream, at its position; anything else that is not a regular
// file (a device, a FIFO) cannot be replaced and is written directly. Unless Commit
// succeeds, the destructor undoes the write.
class SafeOutputFile {
  public:
    // stopRequested, when given, is asked when a wait (a FIFO's reader, another
    // append's lock) is interrupted by a signal: true gives up the open.
    explicit SafeOutputFile(OutputSeam* seam = nullptr, std::function<bool()> stopRequested = {})
        : seam_(seam), stopRequested_(std::move(stopRequested)) {}
    ~SafeOutputFile();
    SafeOutputFile(const SafeOutputFile&) = delete;
    SafeOutputFile& operator=(const SafeOutputFile&) = delete;

    // False when the path cannot be written as fopen with "ab" or "wb" could not; the
    // target has not been touched then.
    bool Open(const std::string& path, bool append, std::size_t bufferSize);
    std::FILE* stream() const { return stream_; }
    // False when the last bytes could not be written or the file not put in place;
    // the target is as it was before Open then (a device or FIFO excepted).
    bool Commit();
    // Gives up the write: the temporary file goes, an appended file is cut back.
    void Abandon();

  private:
    enum class Mode { Direct, Replace, Append };

    bool OpenThroughStream(int descriptor);
    bool OpenDirect(const std::string& path, bool append);
    bool OpenAppend(const std::string& path);
    bool OpenReplace(const std::string& path, const struct ::stat* existing);
    bool OpenStream(std::size_t bufferSize);
    bool CloseStream();
    bool Interrupted() const;
    bool NameNewFile();

    OutputSeam* seam_;
    std::function<bool()> stopRequested_;
    Mode mode_ = Mode::Direct;
    int fd_ = -1;  // the stream writes through a duplicate of it
    std::FILE* stream_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    int folder_ = -1;             // Replace: the folder of the file the path finally names
    std::string targetName_;      // Replace: that file's name in it
    std::string temporaryName_;   // Replace: the hidden name of the new list, while it has one
    bool unnamed_ = false;        // Replace: the new list has no name yet (O_TMPFILE)
    bool targetExisted_ = false;  // Replace: a list is there to be replaced
    off_t appendFrom_ = 0;        // Append: the length to cut back to
    std::string createdPath_;     // Append: the file the append created, to go on failure
};

}  // namespace tarvolen
