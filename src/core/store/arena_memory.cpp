#include "core/store/arena_memory.h"

#include "core/store/mapped_memory.h"

namespace tarvolen {

namespace {

static_assert(ArenaMemory::kFirstPart % kHugePage == 0);

// A store's first text block stays on small pages: see bench/README.md for what huge
// pages did there.
class MappedArenaMemory : public ArenaMemory {
  public:
    char* Obtain(std::size_t bytes, Use use) override {
        if (use != Use::Text && bytes % kHugePage == 0)
            return static_cast<char*>(
                MapHugeAligned(bytes, use == Use::FirstSlab ? kFirstPart : 0));
        return MapAnonymous(bytes);
    }
    void Release(char* block, std::size_t bytes) override { Unmap(block, bytes); }
    void FirstPartFilled(char* block) override { GrantHugePages(block, kFirstPart); }
};

}  // namespace

ArenaMemory& SystemArenaMemory() {
    static MappedArenaMemory memory;
    return memory;
}

}  // namespace tarvolen
