#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <vector>

#include "core/collect/word_store.h"

namespace tarvolen::testing {

// Heap blocks with guard bytes behind them: a write past the arena shows up when the
// block is released. Requests can be refused by size or from some request on.
class FakeArenaMemory : public ArenaMemory {
  public:
    static constexpr std::size_t kGuard = 64;
    static constexpr unsigned char kGuardByte = 0xA5;

    char* Obtain(std::size_t bytes) override {
        requests.push_back(bytes);
        if (refuseFrom >= 0 && static_cast<int>(requests.size()) > refuseFrom)
            return nullptr;
        char* block = new char[bytes + kGuard];
        std::memset(block + bytes, kGuardByte, kGuard);
        live[block] = bytes;
        return block;
    }
    void Release(char* block, std::size_t bytes) override {
        ASSERT_EQ(live.count(block), 1u);
        EXPECT_EQ(live[block], bytes);
        for (std::size_t i = 0; i < kGuard; ++i) {
            EXPECT_EQ(static_cast<unsigned char>(block[bytes + i]), kGuardByte)
                << "written past the arena at +" << i;
        }
        live.erase(block);
        delete[] block;
    }

    int refuseFrom = -1;  // number of requests granted before refusing; -1 never
    std::vector<std::size_t> requests;
    std::map<char*, std::size_t> live;
};

}  // namespace tarvolen::testing
