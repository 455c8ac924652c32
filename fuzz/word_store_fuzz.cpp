// The store under any sequence of additions (one by one, with counts, and in the
// tokenizer's prepared batches), removals, clears and walks, with tiny text blocks and
// tables that double from a bucket or two, in memory that may refuse any request. The
// model is a map of counts: once the memory has refused a growth, no new word comes in
// until Clear. Which word a refusal falls on depends on how the store lays out its
// memory, so the model asks the store only about that one word.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/ingest/store_reports.h"
#include "core/store/word_batch.h"
#include "core/store/word_store.h"
#include "fuzz_input.h"
#include "support/fakes.h"
#include "support/store_contents.h"
#include "support/word_store_probe.h"

using namespace tarvolen;

namespace {

// Heap blocks, so that the sanitizer sees any access past a block's end; refuses the
// obtains whose bit is set in the plan (the first 32 only).
class PlannedMemory : public ArenaMemory {
  public:
    explicit PlannedMemory(std::uint32_t refusals) : refusals_(refusals) {}
    char* Obtain(std::size_t bytes, Use) override {
        const std::uint32_t call = calls_++;
        if (Refuses(call)) {
            ++refused;
            return nullptr;
        }
        return static_cast<char*>(std::malloc(bytes == 0 ? 1 : bytes));
    }
    void Release(char* block, std::size_t) override { std::free(block); }
    bool Refuses(std::uint32_t call) const { return call < 32 && (refusals_ >> call & 1u) != 0; }

    std::uint32_t refused = 0;

  private:
    std::uint32_t refusals_;
    std::uint32_t calls_ = 0;
};

struct StoreModel {
    testing::WordCounts words;
    bool failed = false;
    std::size_t messages = 0;

    // After the store was given count occurrences of word: refusedNow tells whether
    // the memory refused something meanwhile, held what the store then holds of it.
    void Add(const std::string& word, std::uint32_t count, bool refusedNow, std::uint32_t held) {
        if (refusedNow) {
            FUZZ_CHECK(!failed, "asked again after a refusal: " + word);
            failed = true;
            ++messages;
        }
        if (count == 0)
            return;
        auto it = words.find(word);
        if (it != words.end()) {
            it->second = Saturated(it->second, count);
        } else if (!failed) {
            words.emplace(word, count);
        } else if (refusedNow && held != 0) {
            // The word that filled the table is in; the table could not double.
            FUZZ_CHECK(held == count, word);
            words.emplace(word, count);
        }
    }
    static std::uint32_t Saturated(std::uint32_t a, std::uint32_t b) {
        return b > UINT32_MAX - a ? UINT32_MAX : a + b;
    }
};

void Compare(const WordStore& store, const StoreModel& model, const testing::FakeMessages& shown) {
    FUZZ_CHECK(store.Count() == static_cast<std::int32_t>(model.words.size()),
               std::to_string(store.Count()));
    FUZZ_CHECK(WordStoreProbe::GrowthFailed(store) == model.failed, "growth failed");
    FUZZ_CHECK(WordStoreProbe::BytesUsed(store) <= WordStoreProbe::Capacity(store),
               std::to_string(WordStoreProbe::BytesUsed(store)));
    FUZZ_CHECK(shown.shown.size() == model.messages, "messages");
    for (const auto& message : shown.shown)
        FUZZ_CHECK(message.text == kGrowthFailedText, message.text);
}

void CompareWords(const WordStore& store, const StoreModel& model) {
    FUZZ_CHECK(testing::StoreWords(store) == model.words, "words");
    testing::WordCounts walked;
    std::size_t visits = 0;
    store.ForEachEntry([&](const WordStore::HeldWord& word) {
        const std::string_view text = store.WordText(word.id);
        FUZZ_CHECK(text.data()[text.size()] == 0, "a text without its NUL");
        walked.emplace(text, word.count);
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
    options.initialBuckets = 1u << (input.Byte() % 13);
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
    WordStore store(ReportingStoreOptions(messages, options));
    StoreModel model;
    // Counts count occurrences of text into the model, as the store was just given.
    std::uint32_t refused = memory.refused;
    const auto added = [&](const std::string& text, std::uint32_t count) {
        model.Add(text, count, memory.refused != refused,
                  store.Occurrences(text.c_str(), text.size()));
        refused = memory.refused;
    };

    while (!input.Empty()) {
        const std::uint8_t op = input.Byte();
        const std::string& word = vocabulary[input.Below(vocabulary.size())];
        switch (op % 16) {
            case 0:
            case 1:
            case 2:
                store.AddWord(word.c_str());
                added(word, 1);
                break;
            case 3:
                store.AddWord(word.c_str(), word.size());
                added(word, 1);
                break;
            case 4:
                WordBatch::AddHashed(store, word.c_str(), word.size(),
                                     HashWord(word.data(), word.size()));
                added(word, 1);
                break;
            case 5: {
                const std::uint32_t count = op < 128 ? input.Byte() : input.Bits32();
                store.AddOccurrences(word.c_str(), word.size(), count);
                added(word, count);
                break;
            }
            case 6:
            case 7: {
                // A batch as the tokenizer hands it over: prepared, preloaded, added.
                std::vector<WordBatch::PreparedWord> batch(1 + input.Below(12));
                std::vector<const std::string*> texts;
                for (std::size_t i = 0; i < batch.size(); ++i) {
                    const std::string& text = i == 0 ? word : vocabulary[input.Below(words)];
                    texts.push_back(&text);
                    WordBatch::Prepare(batch[i], text.c_str(), text.size());
                }
                WordBatch::Preload(store, batch.data(), batch.size());
                for (std::size_t i = 0; i < batch.size(); ++i) {
                    WordBatch::Add(store, batch[i]);
                    added(*texts[i], 1);
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
