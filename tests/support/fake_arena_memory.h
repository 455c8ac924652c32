#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

#include "core/store/word_store.h"

namespace tarvolen::testing {

// Heap blocks with guard bytes behind them: a write past a block shows up when the
// block is released. Requests can be refused from some request on, counting all of
// them or only those of one use.
class FakeArenaMemory : public ArenaMemory {
  public:
    static constexpr std::size_t kGuard = 64;
    static constexpr unsigned char kGuardByte = 0xA5;

    char* Obtain(std::size_t bytes, Use use) override {
        if (beforeObtain)
            beforeObtain(use);
        requests.push_back(bytes);
        const bool text = use == Use::Text || use == Use::MoreText;
        (text ? textRequests : tableRequests).push_back(bytes);
        const auto refusedFrom = [](int from, std::size_t made) {
            return from >= 0 && static_cast<int>(made) > from;
        };
        if (refusedFrom(refuseFrom, requests.size()) ||
            refusedFrom(text ? refuseTextFrom : refuseTablesFrom,
                        (text ? textRequests : tableRequests).size()))
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
                << "written past the block at +" << i;
        }
        live.erase(block);
        delete[] block;
    }
    void FirstPartFilled(char* block) override { filled.push_back(block); }

    // The number of requests granted before refusing (-1: never): of all, of the
    // text blocks, of the tables (entries and heads).
    int refuseFrom = -1;
    int refuseTextFrom = -1;
    int refuseTablesFrom = -1;
    std::function<void(Use)> beforeObtain;  // to look at the stores as they grow
    std::vector<std::size_t> requests;
    std::vector<std::size_t> textRequests;
    std::vector<std::size_t> tableRequests;
    std::map<char*, std::size_t> live;
    std::vector<char*> filled;  // the blocks whose first part was filled, in turn
};

}  // namespace tarvolen::testing
