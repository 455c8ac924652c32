#pragma once

#include <algorithm>
#include <vector>

namespace tarvolen::bench {

// The middle of the rounds' figures: one slow round on a shared machine moves it less
// than it moves a mean.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace tarvolen::bench
