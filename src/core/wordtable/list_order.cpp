#include "core/wordtable/list_order.h"

#include <algorithm>
#include <numeric>
#include <string_view>

#include "core/store/word_store.h"
#include "core/text/collation.h"
#include "core/text/leading_bytes.h"
#include "core/wordtable/list_snapshot.h"
#include "core/wordtable/list_text.h"

namespace tarvolen {

namespace {

// A 32-bit key per row, the row itself below it: one sort of plain numbers, which
// for millions of rows is much cheaper than a comparison that looks anything up.
template <typename KeyOf>
std::vector<std::uint32_t> SortByNumber(const ListSnapshot& snapshot, bool descending,
                                        KeyOf keyOf) {
    std::vector<std::uint64_t> keyed(snapshot.size());
    for (std::size_t row = 0; row < snapshot.size(); ++row) {
        std::uint32_t key = keyOf(row);
        if (descending)
            key = ~key;
        keyed[row] = static_cast<std::uint64_t>(key) << 32 | row;
    }
    std::sort(keyed.begin(), keyed.end());
    std::vector<std::uint32_t> order(keyed.size());
    std::transform(keyed.begin(), keyed.end(), order.begin(),
                   [](std::uint64_t k) { return static_cast<std::uint32_t>(k); });
    return order;
}

std::vector<std::uint32_t> SortByWord(const ListSnapshot& snapshot, bool backwards,
                                      CodePage encoding) {
    struct Keyed {
        std::uint64_t key;
        std::uint32_t row;
    };
    std::vector<Keyed> keyed(snapshot.size());
    for (std::uint32_t row = 0; row < snapshot.size(); ++row)
        keyed[row] = {LeadingBytes(snapshot.Word(row), backwards), row};
    std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        if (a.key != b.key)
            return a.key < b.key;
        const std::string_view x = snapshot.Word(a.row);
        const std::string_view y = snapshot.Word(b.row);
        return backwards ? BackwardsOrder(encoding, x, y) : WordOrder(x, y);
    });
    std::vector<std::uint32_t> order(keyed.size());
    std::transform(keyed.begin(), keyed.end(), order.begin(), [](const Keyed& k) { return k.row; });
    return order;
}

// Each row keyed by the first bytes of its sort key, made once; the collator compares
// only the rows whose first bytes tie, which are few.
std::vector<std::uint32_t> SortByCollation(const ListSnapshot& snapshot, const Collation& collation,
                                           CodePage encoding) {
    struct Keyed {
        std::uint64_t key;
        std::uint32_t row;
    };
    std::vector<Keyed> keyed(snapshot.size());
    for (std::uint32_t row = 0; row < snapshot.size(); ++row)
        keyed[row] = {collation.LeadingKey(snapshot.Word(row), encoding), row};
    std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        if (a.key != b.key)
            return a.key < b.key;
        return collation.Before(snapshot.Word(a.row), snapshot.Word(b.row), encoding);
    });
    std::vector<std::uint32_t> order(keyed.size());
    std::transform(keyed.begin(), keyed.end(), order.begin(), [](const Keyed& k) { return k.row; });
    return order;
}

// The keyword list's order of the compared rows.
std::vector<std::uint32_t> SortByKeyness(const ListSnapshot& snapshot) {
    struct Keyed {
        double g2;
        std::uint64_t leadingBytes;
        std::uint32_t row;
    };
    std::vector<Keyed> keyed(snapshot.size());
    KeynessMemo memo(snapshot.TotalOccurrences(), snapshot.ReferenceOccurrences());
    for (std::uint32_t row = 0; row < snapshot.size(); ++row) {
        keyed[row] = {memo.Of(snapshot.Count(row), snapshot.ReferenceCount(row)).g2,
                      LeadingBytes(snapshot.Word(row)), row};
    }
    std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        return KeywordBefore(
            a.g2, a.leadingBytes, [&] { return snapshot.Word(a.row); }, b.g2, b.leadingBytes,
            [&] { return snapshot.Word(b.row); });
    });
    std::vector<std::uint32_t> order(keyed.size());
    std::transform(keyed.begin(), keyed.end(), order.begin(), [](const Keyed& k) { return k.row; });
    return order;
}

std::vector<std::uint32_t> SortByLogRatio(const ListSnapshot& snapshot, bool descending) {
    std::vector<std::pair<double, std::uint32_t>> keyed(snapshot.size());
    KeynessMemo memo(snapshot.TotalOccurrences(), snapshot.ReferenceOccurrences());
    for (std::uint32_t row = 0; row < snapshot.size(); ++row) {
        const double ratio = memo.Of(snapshot.Count(row), snapshot.ReferenceCount(row)).logRatio;
        keyed[row] = {descending ? -ratio : ratio, row};
    }
    std::sort(keyed.begin(), keyed.end());
    std::vector<std::uint32_t> order(keyed.size());
    std::transform(keyed.begin(), keyed.end(), order.begin(),
                   [](const std::pair<double, std::uint32_t>& k) { return k.second; });
    return order;
}

}  // namespace

std::vector<std::uint32_t> RowOrder::ToVector() const {
    if (!rows_.empty())
        return rows_;
    std::vector<std::uint32_t> rows(size_);
    std::iota(rows.begin(), rows.end(), 0u);
    if (reversed_)
        std::reverse(rows.begin(), rows.end());
    return rows;
}

RowOrder SortRows(const ListSnapshot& snapshot, ListSort sort, CodePage encoding,
                  const Collation* collation) {
    switch (sort.key) {
        case ListSortKey::Rank:
            return RowOrder(snapshot.size(), sort.descending);
        case ListSortKey::Word:
        case ListSortKey::WordBackwards: {
            std::vector<std::uint32_t> order =
                sort.key == ListSortKey::Word && collation != nullptr
                    ? SortByCollation(snapshot, *collation, encoding)
                    : SortByWord(snapshot, sort.key == ListSortKey::WordBackwards, encoding);
            if (sort.descending)
                std::reverse(order.begin(), order.end());
            return RowOrder(std::move(order));
        }
        case ListSortKey::Count:
            // Descending is FrequencyOrder itself: the rows are in it already.
            if (sort.descending)
                return RowOrder(snapshot.size(), false);
            return RowOrder(SortByNumber(snapshot, false,
                                         [&](std::size_t row) { return snapshot.Count(row); }));
        case ListSortKey::Length:
            return RowOrder(SortByNumber(snapshot, sort.descending, [&](std::size_t row) {
                return static_cast<std::uint32_t>(ListWordLength(encoding, snapshot.Word(row)));
            }));
        case ListSortKey::Range:
            return RowOrder(SortByNumber(snapshot, sort.descending,
                                         [&](std::size_t row) { return snapshot.Range(row); }));
        case ListSortKey::ReferenceCount:
        case ListSortKey::Keyness:
        case ListSortKey::LogRatio:
            break;
    }
    if (!snapshot.Comparing())
        return RowOrder(snapshot.size(), false);
    switch (sort.key) {
        case ListSortKey::ReferenceCount:
            return RowOrder(SortByNumber(snapshot, sort.descending, [&](std::size_t row) {
                return snapshot.ReferenceCount(row);
            }));
        case ListSortKey::Keyness: {
            std::vector<std::uint32_t> order = SortByKeyness(snapshot);
            if (!sort.descending)
                std::reverse(order.begin(), order.end());
            return RowOrder(std::move(order));
        }
        case ListSortKey::LogRatio:
            return RowOrder(SortByLogRatio(snapshot, sort.descending));
        default:
            break;
    }
    return RowOrder(snapshot.size(), false);
}

}  // namespace tarvolen
