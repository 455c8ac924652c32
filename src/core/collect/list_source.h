#pragma once

#include <cstdint>
#include <string>

#include "core/collect/input_file.h"

namespace tarvolen {

class ReadBuffer;

// A word list held open for its readings: the merge checks every record before it
// counts any, so each list is read twice. A stream (a pipe, a FIFO, standard input
// where streams are read) can be read only once, and a file whose size says nothing
// (/proc, sysfs) need not give the same text twice: either is first copied whole into
// an unnamed temporary file, and read from there.
class ListSource {
  public:
    enum class Status { Ready, CannotOpen, ReadError };

    // Copies a stream through buffer's chunk. A signal that interrupts the wait for a
    // FIFO's writer or for a pipe's next bytes throws UserCancel where stopAsked says so.
    ListSource(const std::string& path, Streams streams, ReadBuffer& buffer,
               const StopAsked& stopAsked = {});
    ~ListSource();
    ListSource(const ListSource&) = delete;
    ListSource& operator=(const ListSource&) = delete;

    Status State() const { return status_; }
    // Where each reading starts over; valid when Ready.
    int Descriptor() const { return copy_ >= 0 ? copy_ : file_.Descriptor(); }
    // The bytes a reading takes: the size the list had when it was opened, or all the
    // stream gave.
    std::int64_t Size() const { return size_; }

  private:
    bool CopyStream(ReadBuffer& buffer, const StopAsked& stopAsked);

    FileHandle file_;
    int copy_ = -1;
    std::int64_t size_ = 0;
    Status status_ = Status::CannotOpen;
};

}  // namespace tarvolen
