#include "collect/tokenizer.h"

#include <algorithm>
#include <cstring>

#include "collect/blob.h"
#include "collect/word_store.h"

namespace tarvolen {

namespace {

// A run longer than this can never be accepted, whatever follows it, so the carry
// keeps no more of it.
constexpr std::size_t kCarryLimit = MaxWordLength + 1;

// The shortest accepted length; MaxWordLength + 1 accepts nothing.
inline std::size_t MinLength(const TokenizerContext& context) {
    return static_cast<std::size_t>(std::clamp(context.minWordLength, 1, MaxWordLength + 1));
}

// minLength <= length <= MaxWordLength in one unsigned compare.
inline bool Accepted(std::size_t length, std::size_t minLength) {
    return length - minLength < MaxWordLength + 1 - minLength;
}

void AppendToCarry(std::string& carry, const unsigned char* letters, std::size_t length) {
    const std::size_t room = kCarryLimit - std::min(carry.size(), kCarryLimit);
    carry.append(reinterpret_cast<const char*>(letters), std::min(length, room));
}

// Folds the run of letters at p in place and hashes it from hash; returns the first
// byte after the run. The NUL after the chunk ends every run, since 0 is no letter.
inline unsigned char* FoldRun(const unsigned char* map, unsigned char* p, std::uint32_t& hash) {
    std::uint32_t h = hash;
    unsigned char m = map[*p];
    while (m != 0) {
        *p = m;
        h = WordStore::HashStep(h, m);
        m = map[*++p];
    }
    hash = h;
    return p;
}

// The word that began in the carry ends within this chunk at run[runLength].
void CompleteCarried(std::string& carry, const unsigned char* run, std::size_t runLength,
                     std::uint32_t hash, std::int64_t& qualified, const TokenizerContext& context) {
    const std::size_t length = carry.size() + runLength;
    if (Accepted(length, MinLength(context))) {
        char word[MaxWordLength + 1];
        std::memcpy(word, carry.data(), carry.size());
        std::memcpy(word + carry.size(), run, runLength);
        word[length] = '\0';
        ++qualified;
        context.store.AddWord(word, length, hash);
    }
    carry.clear();
}

// Words wait a few places before they reach the store, so that the chain heads they
// will look at, scattered over a 64 MB table, are on their way from memory while the
// scan goes on. They reach the store in the order in which they ended.
class WordQueue {
  public:
    explicit WordQueue(WordStore& store) : store_(store) {}
    ~WordQueue() { Flush(); }
    WordQueue(const WordQueue&) = delete;
    WordQueue& operator=(const WordQueue&) = delete;

    void Push(const unsigned char* word, std::size_t length, std::uint32_t hash) {
        store_.Prefetch(hash);
        const std::uint32_t waiting = pushed_ - done_;
        if (waiting >= kStage)
            store_.PrefetchEntry(words_[(pushed_ - kStage) & kMask].hash);
        if (waiting >= 2 * kStage)
            store_.PrefetchText(words_[(pushed_ - 2 * kStage) & kMask].hash);
        if (waiting == kDepth)
            AddOldest();
        words_[pushed_ & kMask] = {reinterpret_cast<const char*>(word), length, hash};
        ++pushed_;
    }

    void Flush() {
        while (done_ != pushed_)
            AddOldest();
    }

  private:
    // Three stages, each given a few words' time: the chain head, the first entry,
    // its text.
    static constexpr std::uint32_t kDepth = 16;
    static constexpr std::uint32_t kStage = 5;
    static constexpr std::uint32_t kMask = kDepth - 1;

    struct Pending {
        const char* word;
        std::size_t length;
        std::uint32_t hash;
    };

    void AddOldest() {
        const Pending& oldest = words_[done_ & kMask];
        store_.AddWord(oldest.word, oldest.length, oldest.hash);
        ++done_;
    }

    WordStore& store_;
    Pending words_[kDepth];
    std::uint32_t pushed_ = 0;
    std::uint32_t done_ = 0;
};

}  // namespace

void TokenizeChunk(CBlob& chunk, std::string& carry, const TokenizerContext& context) {
    const std::uint32_t n = chunk.GetLength();
    if (n == 0) {
        carry.clear();
        return;
    }
    unsigned char* const begin = chunk.GetData();
    unsigned char* const end = begin + n;
    *end = 0;  // the callers' NUL, made certain: it ends the last run
    const unsigned char* const map = context.charMap.data();
    const std::size_t minLength = MinLength(context);
    std::int64_t qualified = 0;
    WordStore& store = context.store;

    unsigned char* p = begin;
    if (map[*p] == 0) {
        // A separator first: the carried word ended with the previous chunk.
        if (Accepted(carry.size(), MinLength(context))) {
            ++qualified;
            store.AddWord(carry.c_str(), carry.size(), WordStore::Hash(carry.data(), carry.size()));
        }
        carry.clear();
    } else {
        // The chunk opens with letters: they continue the carried word, if any.
        std::uint32_t hash = WordStore::Hash(carry.data(), carry.size());
        p = FoldRun(map, p, hash);
        const auto runLength = static_cast<std::size_t>(p - begin);
        if (p == end) {
            AppendToCarry(carry, begin, runLength);
            context.qualifiedWords += qualified;
            return;
        }
        *p = 0;
        if (carry.empty()) {
            if (Accepted(runLength, minLength)) {
                ++qualified;
                store.AddWord(reinterpret_cast<const char*>(begin), runLength, hash);
            }
        } else {
            CompleteCarried(carry, begin, runLength, hash, qualified, context);
        }
    }

    // The carry is empty from here on. One table lookup per byte: separators are
    // skipped, each run of letters is folded and hashed in the same pass and, when
    // its length is accepted, handed to the store where it lies.
    WordQueue queue(store);
    for (;;) {
        while (map[*p] == 0) {
            if (p == end) {
                queue.Flush();
                context.qualifiedWords += qualified;
                return;
            }
            ++p;
        }
        unsigned char* const start = p;
        std::uint32_t hash = WordStore::kHashSeed;
        p = FoldRun(map, p, hash);
        const auto length = static_cast<std::size_t>(p - start);
        if (p == end) {
            AppendToCarry(carry, start, length);
            break;
        }
        *p++ = 0;
        if (Accepted(length, minLength)) {
            ++qualified;
            queue.Push(start, length, hash);
        }
    }
    queue.Flush();
    context.qualifiedWords += qualified;
}

void FinishFile(std::string& carry, const TokenizerContext& context) {
    if (Accepted(carry.size(), MinLength(context))) {
        ++context.qualifiedWords;
        context.store.AddWord(carry.c_str(), carry.size(),
                              WordStore::Hash(carry.data(), carry.size()));
    }
    carry.clear();
}

}  // namespace tarvolen
