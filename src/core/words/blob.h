#pragma once

#include <cstdint>
#include <iosfwd>

namespace tarvolen {

// A small archive of our own: little-endian fixed-width integers and raw bytes over
// a std::iostream. Failures (a short read or write) throw std::ios_base::failure.
class CArchive {
  public:
    enum class Mode { Store, Load };
    CArchive(std::iostream& stream, Mode mode);
    bool IsStoring() const { return mode_ == Mode::Store; }
    void WriteUInt32(std::uint32_t value);
    std::uint32_t ReadUInt32();
    void WriteBytes(const unsigned char* bytes, std::uint32_t length);
    void ReadBytes(unsigned char* bytes, std::uint32_t length);

  private:
    std::iostream& stream_;
    Mode mode_;
};

// A byte buffer that either owns its bytes (Capacity > 0) or borrows a caller's
// (Capacity == 0). Each chunk of a file reaches the tokenizer as a blob borrowing the
// run's read buffer.
class CBlob {
  public:
    CBlob() = default;
    ~CBlob() { Free(); }
    CBlob(const CBlob&) = delete;
    CBlob& operator=(const CBlob&) = delete;

    // Borrows bytes; the caller keeps ownership.
    void Attach(unsigned char* bytes, std::uint32_t length);
    // Owns a new buffer of Capacity = length + length / 4, at least 8 bytes.
    // Throws std::bad_alloc when it cannot be had.
    void Allocate(std::uint32_t length);
    void Free();
    // Storing: 32-bit little-endian length, then the bytes. Loading: the reverse,
    // into an owned buffer; a short read throws std::ios_base::failure and leaves the
    // blob empty.
    void Serialize(CArchive& archive);

    std::uint32_t GetCapacity() const { return Capacity; }
    std::uint32_t GetLength() const { return Length; }
    unsigned char* GetData() const { return Data; }

  private:
    std::uint32_t Capacity = 0;
    std::uint32_t Length = 0;
    unsigned char* Data = nullptr;
};

}  // namespace tarvolen
