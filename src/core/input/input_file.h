#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/input/read_buffer.h"

namespace tarvolen {

// Reading documents and lists: the open, the facts and the reads that ingestion and
// list merging share.

// A path of "-" names standard input where the caller reads streams (the documents of
// a command-line run); there, too, a pipe or a device named by its path (a FIFO, the
// /dev/fd/N of a shell's process substitution, /dev/stdin) is read to its end, having
// no size. Elsewhere "-" is a file name and anything but a regular file has the size
// 0, so that a pipe found in a folder cannot stall a window. A list that is a stream
// is copied once and read from the copy (ListSource).
inline constexpr const char* kStandardInputPath = "-";
enum class Streams { Ignored, ReadToEnd };

// Owns one open file descriptor; closes it on every way out, unwinding included.
class FileHandle {
  public:
    explicit FileHandle(const std::string& path, Streams streams = Streams::Ignored);
    ~FileHandle();
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }
    bool IsStandardInput() const { return standardInput_; }
    bool ReadsStreams() const { return streams_ == Streams::ReadToEnd; }

  private:
    int fd_;
    Streams streams_;
    bool standardInput_;
};

struct FileFacts {
    bool isDirectory = false;
    bool isRegular = false;
    std::int64_t size = 0;  // 0 when it cannot be known, or for anything but a regular file
    // A stream (standard input, a pipe, a terminal), or a regular file whose size says
    // nothing (0, or any on /proc and sysfs): known only at its end, so it is read
    // until a read gives nothing.
    bool unbounded = false;
};

FileFacts Examine(const FileHandle& file);

// Whether a run that reads streams reads path as one, told without opening it (a
// FIFO's writer would take an open for the reader it waits for).
bool IsStream(const std::string& path);

// What lies between the reading loop and its file: the system's read(2), unless a
// test puts a failing one in its place.
class ReadSeam {
  public:
    virtual ~ReadSeam() = default;
    // As read(2): the number of bytes read, 0 at the end, or -1 with errno set.
    virtual ssize_t Read(int fd, unsigned char* into, std::size_t size) = 0;
};

// Asked when a signal interrupts a read: true ends it with UserCancel, else the read
// is repeated. A read that waits on an idle pipe ends so at Ctrl-C.
using StopAsked = std::function<bool()>;

// One read of up to size bytes; -1 on failure.
ssize_t ReadChunk(int fd, unsigned char* into, ReadSeam* seam = nullptr,
                  const StopAsked& stopAsked = {}, std::size_t size = kChunkSize);

// Reads until a chunk is full or the input ends, as a file's read would: a pipe hands
// over a few kilobytes at a time, and the decoder's first look at the text should not
// depend on how the writer at the other end happened to split it. -1 on failure.
ssize_t ReadFullChunk(int fd, unsigned char* into, ReadSeam* seam = nullptr,
                      const StopAsked& stopAsked = {});

// Adds up the sizes of all paths, last path first, as a run reads them. On a path
// that cannot be opened, stops and gives the system's reason, naming the path; with
// passUnreadable, counts it as empty instead (its reading will tell).
bool MeasureFiles(const std::vector<std::string>& paths, std::int64_t& total, std::string& failure,
                  Streams streams = Streams::Ignored, bool passUnreadable = false);

}  // namespace tarvolen
