#pragma once

#include <cstdint>
#include <string_view>

namespace tarvolen {

// Sort orders for written lists. WordOrder compares bytes as unsigned values, a prefix
// first. FrequencyOrder puts the larger count first and breaks ties by WordOrder.
// Inline: the writers' sorts call them for millions of pairs.
inline bool WordOrder(std::string_view a, std::string_view b) {
    // string_view compares through char_traits<char>, which orders as unsigned char.
    return a.compare(b) < 0;
}
inline bool FrequencyOrder(std::uint32_t countA, std::string_view a, std::uint32_t countB,
                           std::string_view b) {
    if (countA != countB)
        return countA > countB;
    return WordOrder(a, b);
}

}  // namespace tarvolen
