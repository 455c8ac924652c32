#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/ingest/ingest.h"
#include "core/output/word_list_writer.h"
#include "core/store/word_store.h"
#include "support/fakes.h"
#include "support/store_contents.h"

namespace tarvolen::testing {

// A store small enough for unit tests.
inline WordStore::Options SmallStore() {
    return SmallStoreOptions(1 << 22);
}

// Ticks that advance by a fixed step on every reading.
class SteppingTicks : public TickSource {
  public:
    explicit SteppingTicks(std::uint32_t step = 0, std::uint32_t start = 1000)
        : now_(start), step_(step) {}
    std::uint32_t Now() override {
        std::uint32_t now = now_;
        now_ += step_;
        return now;
    }

  private:
    std::uint32_t now_;
    std::uint32_t step_;
};

// Records the wait cursor's calls and what was on screen when it went.
class FakeBusy : public BusyIndicator {
  public:
    explicit FakeBusy(const FakeMessages& messages) : messages_(messages) {}
    void BeginBusy() override { ++begun; }
    void EndBusy() override {
        ++ended;
        messagesWhenEnded = messages_.shown.size();
    }

    int begun = 0;
    int ended = 0;
    std::size_t messagesWhenEnded = 0;

  private:
    const FakeMessages& messages_;
};

// Each byte becomes the little-endian code unit of the same value.
inline std::string Wide(std::string_view bytes) {
    std::string wide;
    for (char c : bytes) {
        wide += c;
        wide += '\0';
    }
    return wide;
}

// The two writers of a sorted list: the words alone, and the words with their counts.
enum class Writer { List, Frequency };

inline WriteOutcome RunWriter(Writer writer, const WordStore& store, const WriterOptions& options,
                              const std::string& path, const WriterHooks& hooks) {
    return writer == Writer::List ? WriteWordList(store, options, path, hooks)
                                  : WriteFrequencyList(store, options, path, hooks);
}

inline void AddTimes(WordStore& store, const std::string& word, int times) {
    for (int i = 0; i < times; ++i)
        store.AddWord(word.c_str());
}

}  // namespace tarvolen::testing
