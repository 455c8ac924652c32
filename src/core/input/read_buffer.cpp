#include "core/input/read_buffer.h"

#include <cstdlib>

namespace tarvolen {

namespace {

class MallocMemory : public ReadBufferMemory {
  public:
    void* Obtain(std::size_t bytes) override { return std::malloc(bytes); }
    void Release(void* block) override { std::free(block); }
};

}  // namespace

ReadBufferMemory& SystemReadBufferMemory() {
    static MallocMemory memory;
    return memory;
}

ReadBuffer::ReadBuffer(ReadBufferMemory& memory) : memory_(memory) {
    block_ = memory_.Obtain(kAllocationSize);
    if (block_ == nullptr)
        return;
    auto address = reinterpret_cast<std::uintptr_t>(block_) + kFrontRoom;
    auto aligned = (address + kReadAlignment - 1) & ~std::uintptr_t{kReadAlignment - 1};
    data_ = static_cast<unsigned char*>(block_) + kFrontRoom + (aligned - address);
}

ReadBuffer::~ReadBuffer() {
    if (block_ != nullptr)
        memory_.Release(block_);
}

}  // namespace tarvolen
