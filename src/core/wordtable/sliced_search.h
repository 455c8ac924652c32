#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/ports/ticks.h"
#include "core/wordtable/list_order.h"
#include "core/wordtable/list_snapshot.h"

namespace tarvolen {

// A search over the rows of an order made a slice at a time, so that a window can
// answer its events between slices however long each word takes to match (a regular
// expression has no time limit of its own: "(a+)+$" takes long over every word of
// a's). The clock is looked at between rows; a search started anew drops the old one.
class SlicedSearch {
  public:
    // From the first row of an order of rows rows.
    void Start(std::size_t rows) {
        rows_ = rows;
        next_ = 0;
    }
    bool Done() const { return next_ >= rows_; }
    // The share of the rows looked at, 0 to 100.
    int Percent() const { return rows_ == 0 ? 100 : static_cast<int>(next_ * 100 / rows_); }

    // Matches rows from where the last slice ended until budget milliseconds have
    // passed (one row at least) or the rows end; appends the matching ones to shown.
    template <typename Match>
    void Slice(const ListSnapshot& snapshot, const RowOrder& order, Match match,
               std::vector<std::uint32_t>& shown, TickSource& ticks, std::uint32_t budget) {
        const std::uint32_t start = ticks.Now();
        while (next_ < rows_) {
            const std::uint32_t row = order[next_++];
            if (match(snapshot.Word(row)))
                shown.push_back(row);
            if (static_cast<std::uint32_t>(ticks.Now() - start) >= budget)
                break;
        }
    }

  private:
    std::size_t rows_ = 0;
    std::size_t next_ = 0;
};

}  // namespace tarvolen
