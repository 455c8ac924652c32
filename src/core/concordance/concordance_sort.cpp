#include "core/concordance/concordance_sort.h"

#include <algorithm>
#include <numeric>
#include <string>

namespace tarvolen {

std::optional<std::vector<ConcordanceKey>> ParseConcordanceKeys(std::string_view text) {
    std::vector<ConcordanceKey> keys;
    std::size_t at = 0;
    for (;;) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string_view key = text.substr(at, comma - at);
        if (key.size() != 2 || key[1] < '1' || key[1] > '3' || keys.size() == 3)
            return std::nullopt;
        const int place = key[1] - '0';
        if (key[0] == 'L' || key[0] == 'l')
            keys.push_back(static_cast<ConcordanceKey>(-place));
        else if (key[0] == 'R' || key[0] == 'r')
            keys.push_back(static_cast<ConcordanceKey>(place));
        else
            return std::nullopt;
        if (comma == text.size())
            return keys;
        at = comma + 1;
    }
}

std::vector<std::uint32_t> SortedOccurrences(const Concordance& concordance,
                                             const std::vector<ConcordanceKey>& keys) {
    // Each distinct word's rank in byte order; none (id 0) ranks first.
    std::vector<std::uint32_t> byText(concordance.words.size());
    std::iota(byText.begin(), byText.end(), 0u);
    std::sort(byText.begin() + (byText.empty() ? 0 : 1), byText.end(),
              [&](std::uint32_t a, std::uint32_t b) {
                  return concordance.words[a] < concordance.words[b];
              });
    std::vector<std::uint32_t> rank(byText.size());
    for (std::size_t r = 0; r < byText.size(); ++r)
        rank[byText[r]] = static_cast<std::uint32_t>(r);
    auto word = [&](std::uint32_t occurrence, ConcordanceKey key) {
        const Neighbours& n = concordance.neighbours[occurrence];
        return rank[key < 0 ? n.left[-key - 1] : n.right[key - 1]];
    };
    std::vector<std::uint32_t> order(concordance.occurrences.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        for (const ConcordanceKey key : keys) {
            const std::uint32_t x = word(a, key);
            const std::uint32_t y = word(b, key);
            if (x != y)
                return x < y;
        }
        return false;
    });
    return order;
}

}  // namespace tarvolen
