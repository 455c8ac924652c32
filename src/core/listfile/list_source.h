#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "core/input/input_file.h"

namespace tarvolen {

class ReadBuffer;

// Where the copy of a stream cannot be made: "Unable to copy it into the folder for
// temporary files %s: %s", with the folder and the system's reason.
inline constexpr const char* kListCopyFailedFormat =
    "Unable to copy it into the folder for temporary files %s: %s";

// Looks at each chunk of a stream as it is copied, in the buffer the copy went
// through, which it may change; lastOfStream: nothing follows. False refuses the list
// and stops the copy there.
using CopyCheck = std::function<bool(unsigned char* bytes, std::size_t size, bool lastOfStream)>;

// A word list held open for its readings: the merge checks every record before it
// counts any, so each list is read twice. A stream (a pipe, a FIFO, standard input
// where streams are read) can be read only once, and a file whose size says nothing
// (/proc, sysfs) need not give the same text twice: either is first copied whole into
// an unnamed temporary file ($TMPDIR, else /tmp), and read from there. The copy is
// checked as it goes, so that a list refused at its start is not copied on: an
// endless stream would fill the disk.
class ListSource {
  public:
    enum class Status { Ready, CannotOpen, ReadError, Refused, CopyFailed };

    // Copies a stream through buffer's chunk, handing each chunk to check (when
    // given) after it was written. A signal that interrupts the wait for a FIFO's
    // writer or for a pipe's next bytes throws UserCancel where stopAsked says so.
    ListSource(const std::string& path, Streams streams, ReadBuffer& buffer,
               const StopAsked& stopAsked = {}, const CopyCheck& check = {});
    ~ListSource();
    ListSource(const ListSource&) = delete;
    ListSource& operator=(const ListSource&) = delete;

    Status State() const { return status_; }
    // Where each reading starts over; valid when Ready.
    int Descriptor() const { return copy_ >= 0 ? copy_ : file_.Descriptor(); }
    // The bytes a reading takes: the size the list had when it was opened, or all the
    // stream gave.
    std::int64_t Size() const { return size_; }
    // Whether the list was copied, and every chunk of it handed to the check.
    bool Copied() const { return copy_ >= 0; }
    // CopyFailed: kListCopyFailedFormat's text.
    const std::string& CopyFailure() const { return copyFailure_; }

  private:
    Status CopyStream(ReadBuffer& buffer, const StopAsked& stopAsked, const CopyCheck& check);

    FileHandle file_;
    int copy_ = -1;
    std::int64_t size_ = 0;
    Status status_ = Status::CannotOpen;
    std::string copyFailure_;
};

}  // namespace tarvolen
