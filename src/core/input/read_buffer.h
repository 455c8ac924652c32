#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvolen {

inline constexpr std::uint32_t kChunkSize = 262'144;
inline constexpr std::uint32_t kReadAlignment = 1'024;

// Where the read buffer's memory comes from; tests substitute a source that refuses.
class ReadBufferMemory {
  public:
    virtual ~ReadBufferMemory() = default;
    // nullptr when the memory cannot be had.
    virtual void* Obtain(std::size_t bytes) = 0;
    virtual void Release(void* block) = 0;
};

ReadBufferMemory& SystemReadBufferMemory();

// The one buffer an ingestion run reads every chunk of every file into: kChunkSize
// data bytes and the NUL the tokenizer needs after them, starting on a kReadAlignment
// boundary so that whole pages land in it, with kFrontRoom writable bytes before
// them, where the decoder puts back a sequence the previous chunk cut and the markup
// reader a character reference.
class ReadBuffer {
  public:
    // The block obtained: enough to round its start up and still hold chunk and NUL.
    static constexpr std::size_t kFrontRoom = 48;
    static constexpr std::size_t kAllocationSize = kFrontRoom + kChunkSize + kReadAlignment + 1;

    explicit ReadBuffer(ReadBufferMemory& memory = SystemReadBufferMemory());
    ~ReadBuffer();
    ReadBuffer(const ReadBuffer&) = delete;
    ReadBuffer& operator=(const ReadBuffer&) = delete;

    // False when the memory could not be had; the buffer must not be used then.
    bool Valid() const { return data_ != nullptr; }
    // kChunkSize + 1 writable bytes, aligned to kReadAlignment, and kFrontRoom before.
    unsigned char* Data() const { return data_; }

  private:
    ReadBufferMemory& memory_;
    void* block_ = nullptr;
    unsigned char* data_ = nullptr;
};

}  // namespace tarvolen
