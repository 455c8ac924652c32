#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvolen {

// The store's direct-mapped cache of recently counted words by tag (word_batch.h says
// why it exists). It is sized to the list: a list of a few thousand words looks its
// slots up in a table that stays in the processor's nearer caches, and a larger list
// gets more slots once it has more words than slots, up to kMostBits.
class RecentWords {
  public:
    struct Slot {
        std::uint32_t tag;
        std::uint32_t index;  // the entry's; 0: empty
    };
    static constexpr unsigned kFirstBits = 14;
    static constexpr unsigned kMostBits = 16;

    RecentWords() = default;
    RecentWords(const RecentWords&) = delete;
    RecentWords& operator=(const RecentWords&) = delete;
    ~RecentWords();

    // False when the memory is not to be had.
    bool Obtain();
    Slot& At(std::uint32_t tag) { return slots_[tag >> shift_]; }
    const Slot& At(std::uint32_t tag) const { return slots_[tag >> shift_]; }
    void Forget();
    // With words more than slots, a table four times the size, empty: its slots are
    // only hints, and a table that cannot be had leaves the one there is.
    void Fit(std::size_t words) {
        if (words > Slots() && shift_ > 32 - kMostBits) [[unlikely]]
            Grow();
    }
    std::size_t Slots() const { return std::size_t{1} << (32 - shift_); }
    void Swap(RecentWords& other);

  private:
    void Grow();

    Slot* slots_ = nullptr;
    unsigned shift_ = 32 - kFirstBits;
};

}  // namespace tarvolen
