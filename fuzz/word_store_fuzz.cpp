// The store under any sequence of additions (one by one, with counts, and in the
// tokenizer's prepared batches), removals, clears and walks, in arenas of a few
// bytes whose growths the memory may refuse. The model is a map of counts and the
// arena's own bookkeeping: each new word takes its length plus one byte, a
// word that would reach the arena's end first grows it by the step (compacting it to
// the live words), and after a refused growth only words present already are
// counted, until Clear.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/collect/word_store.h"
#include "fuzz_input.h"
#include "support/fakes.h"
#include "support/store_contents.h"

using namespace tarvolen;

namespace {

// Heap blocks, so that the sanitizer sees any access past the arena's end; refuses
// the obtains whose bit is set in the plan (the first 32 only).
class PlannedMemory : public ArenaMemory {
  public:
    explicit PlannedMemory(std::uint32_t refusals) : refusals_(refusals) {}
    char* Obtain(std::size_t bytes) override {
        const std::uint32_t call = calls_++;
        if (call < 32 && (refusals_ >> call & 1u) != 0)
            return nullptr;
        return static_cast<char*>(std::malloc(bytes == 0 ? 1 : bytes));
    }
    void Release(char* block, std::size_t) override { std::free(block); }
    bool Refuses(std::uint32_t call) const { return call < 32 && (refusals_ >> call & 1u) != 0; }

  private:
    std::uint32_t refusals_;
    std::uint32_t calls_ = 0;
};

struct ArenaModel {
    testing::WordCounts words;
    std::uint64_t capacity = 0;
    std::uint64_t step = 0;
    std::uint64_t used = 0;
    bool failed = false;
    std::uint32_t obtains = 0;
    std::size_t messages = 0;

    void Add(const std::string& word, std::uint32_t count, const PlannedMemory& memory) {
        if (count == 0)
            return;
        const std::uint64_t n = word.size() + 1;
        if (used + n >= capacity && !failed) {
            if (capacity > UINT32_MAX - step || memory.Refuses(obtains++)) {
                failed = true;
                ++messages;
            } else {
                capacity += step;
                used = 0;
                for (const auto& [text, c] : words)
                    used += text.size() + 1;
            }
        }
        auto it = words.find(word);
        if (used + n >= capacity) {
            if (it != words.end())
                it->second = Saturated(it->second, count);
            return;
        }
        if (it != words.end()) {
            it->second = Saturated(it->second, count);
        } else {
            words.emplace(word, count);
            used += n;
        }
    }
    static std::uint32_t Saturated(std::uint32_t a, std::uint32_t b) {
        return b > UINT32_MAX - a ? UINT32_MAX : a + b;
    }
};

void Compare(const WordStore& store, const ArenaModel& model, const testing::FakeMessages& shown) {
    FUZZ_CHECK(store.Count() == static_cast<std::int32_t>(model.words.size()),
               std::to_string(store.Count()));
    FUZZ_CHECK(store.Capacity() == model.capacity, std::to_string(store.Capacity()));
    FUZZ_CHECK(store.BytesUsed() == model.used, std::to_string(store.BytesUsed()));
    FUZZ_CHECK(shown.shown.size() == model.messages, "messages");
    for (const auto& message : shown.shown)
        FUZZ_CHECK(message.text == WordStore::kGrowthFailedText, message.text);
}

void CompareWords(const WordStore& store, const ArenaModel& model) {
    FUZZ_CHECK(testing::StoreWords(store) == model.words, "words");
    testing::WordCounts walked;
    std::size_t visits = 0;
    store.ForEachEntry([&](std::string_view word, std::uint32_t count, std::uint64_t) {
        walked.emplace(word, count);
        ++visits;
    });
    FUZZ_CHECK(walked == model.words && visits == model.words.size(), "walk");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    std::uint32_t refusals = input.Bits32();
    // Both first arenas refused would end the process, which a fuzz run cannot go on from.
    if ((refusals & 3u) == 3u)
        refusals &= ~2u;
    PlannedMemory memory(refusals);
    WordStore::Options options;
    options.initialCapacity = 2 + input.Byte() * 4u;
    options.growthStep = 1 + input.Byte() * 2u;
    options.memory = &memory;

    // Words that share beginnings (each may extend or cut the one before), of every
    // length around the inline and key sizes, of any byte but NUL.
    std::vector<std::string> vocabulary;
    const std::size_t words = 1 + input.Below(24);
    for (std::size_t i = 0; i < words; ++i) {
        std::string word;
        const std::uint8_t shape = input.Byte();
        if (!vocabulary.empty() && shape % 4 == 0)
            word = vocabulary.back().substr(0, 1 + shape / 4 % vocabulary.back().size());
        const std::size_t length = 1 + input.Below(40);
        for (std::size_t k = word.size(); k < length; ++k) {
            const std::uint8_t byte = input.Byte();
            word.push_back(byte == 0 ? 'a' : static_cast<char>(byte));
        }
        vocabulary.push_back(word);
    }

    testing::FakeMessages messages;
    WordStore store(messages, options);
    ArenaModel model;
    model.capacity = memory.Refuses(0) ? options.initialCapacity / 2 : options.initialCapacity;
    model.step = options.growthStep;
    model.obtains = memory.Refuses(0) ? 2 : 1;

    while (!input.Empty()) {
        const std::uint8_t op = input.Byte();
        const std::string& word = vocabulary[input.Below(vocabulary.size())];
        switch (op % 16) {
            case 0:
            case 1:
            case 2:
                store.AddWord(word.c_str());
                model.Add(word, 1, memory);
                break;
            case 3:
                store.AddWord(word.c_str(), word.size());
                model.Add(word, 1, memory);
                break;
            case 4:
                store.AddWord(word.c_str(), word.size(), WordStore::Hash(word.data(), word.size()));
                model.Add(word, 1, memory);
                break;
            case 5: {
                const std::uint32_t count = op < 128 ? input.Byte() : input.Bits32();
                store.AddOccurrences(word.c_str(), word.size(), count);
                model.Add(word, count, memory);
                break;
            }
            case 6:
            case 7: {
                // A batch as the tokenizer hands it over: prepared, preloaded, added.
                std::vector<WordStore::PreparedWord> batch(1 + input.Below(12));
                std::vector<const std::string*> texts;
                for (std::size_t i = 0; i < batch.size(); ++i) {
                    const std::string& text = i == 0 ? word : vocabulary[input.Below(words)];
                    texts.push_back(&text);
                    WordStore::Prepare(batch[i], text.c_str(), text.size());
                }
                store.Preload(batch.data(), batch.size());
                for (std::size_t i = 0; i < batch.size(); ++i) {
                    store.AddPrepared(batch[i]);
                    model.Add(*texts[i], 1, memory);
                }
                break;
            }
            case 8:
            case 9:
            case 10:
                store.RemoveWord(word.c_str());
                model.words.erase(word);
                break;
            case 11:
                if (op < 64) {
                    store.Clear();
                    model.words.clear();
                    model.used = 0;
                    model.failed = false;
                }
                break;
            case 12: {
                // Removing the word just visited, as the Filter does.
                const std::uint32_t keep = input.Byte() % 3 + 1;
                const std::size_t held = model.words.size();
                std::set<std::string> seen;
                testing::ForEachStoredWord(
                    store, [&](const std::string& text, std::uint32_t count) {
                        FUZZ_CHECK(seen.insert(text).second, "visited twice: " + text);
                        auto it = model.words.find(text);
                        FUZZ_CHECK(it != model.words.end() && it->second == count, text);
                        if (count % keep != 0) {
                            store.RemoveWord(text.c_str());
                            model.words.erase(it);
                        }
                    });
                FUZZ_CHECK(seen.size() == held, "a word not visited");
                break;
            }
            default:
                CompareWords(store, model);
                break;
        }
        Compare(store, model, messages);
    }
    CompareWords(store, model);
    return 0;
}
