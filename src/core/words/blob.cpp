#include "core/words/blob.h"

#include <array>
#include <cstdint>
#include <istream>
#include <limits>
#include <new>
#include <ostream>

namespace tarvolen {

CArchive::CArchive(std::iostream& stream, Mode mode) : stream_(stream), mode_(mode) {}

void CArchive::WriteUInt32(std::uint32_t value) {
    const std::array<char, 4> bytes = {
        static_cast<char>(value & 0xFFu), static_cast<char>((value >> 8) & 0xFFu),
        static_cast<char>((value >> 16) & 0xFFu), static_cast<char>((value >> 24) & 0xFFu)};
    stream_.write(bytes.data(), bytes.size());
    if (!stream_) {
        throw std::ios_base::failure("archive: write failed");
    }
}

std::uint32_t CArchive::ReadUInt32() {
    unsigned char bytes[4];
    ReadBytes(bytes, sizeof bytes);
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

void CArchive::WriteBytes(const unsigned char* bytes, std::uint32_t length) {
    if (length == 0) {
        return;
    }
    stream_.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(length));
    if (!stream_) {
        throw std::ios_base::failure("archive: write failed");
    }
}

void CArchive::ReadBytes(unsigned char* bytes, std::uint32_t length) {
    if (length == 0) {
        return;
    }
    stream_.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(length));
    // A truncated archive must not pass for data: whatever was not read is garbage.
    if (stream_.gcount() != static_cast<std::streamsize>(length)) {
        throw std::ios_base::failure("archive: unexpected end of data");
    }
}

void CBlob::Attach(unsigned char* bytes, std::uint32_t length) {
    Free();
    Length = length;
    Data = bytes;
}

void CBlob::Allocate(std::uint32_t length) {
    Free();
    // Computed wide: near 4 GiB the extra quarter would wrap a 32-bit sum to a buffer
    // smaller than the length it is meant to hold.
    std::uint64_t capacity = std::uint64_t{length} + length / 4;
    if (capacity < 8) {
        capacity = 8;
    }
    if (capacity > std::numeric_limits<std::uint32_t>::max()) {
        throw std::bad_alloc();
    }
    // Fields change only once the memory is ours, so a failure leaves an empty blob.
    Data = new unsigned char[capacity];
    Capacity = static_cast<std::uint32_t>(capacity);
    Length = length;
}

void CBlob::Free() {
    if (Capacity != 0) {
        delete[] Data;
    }
    Capacity = 0;
    Length = 0;
    Data = nullptr;
}

void CBlob::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        archive.WriteUInt32(Length);
        archive.WriteBytes(Data, Length);
        return;
    }
    // A load replaces the contents, so a failed one leaves the blob empty rather than
    // holding the old bytes or a half-read buffer.
    Free();
    const std::uint32_t length = archive.ReadUInt32();
    Allocate(length);
    try {
        archive.ReadBytes(Data, length);
    } catch (...) {
        Free();
        throw;
    }
}

}  // namespace tarvolen
