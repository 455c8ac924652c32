#pragma once

#include <cstdint>
#include <vector>

class QChart;

namespace tarvolen {

// The Zipf plot of a list: log10 frequency against log10 rank, the counts ranked the
// highest first (RankedCounts), with the least-squares line over the first ranks
// (ZipfSlope) drawn over it and its slope in the title. A new chart for a QChartView
// to own.
QChart* MakeZipfChart(const std::vector<std::uint32_t>& ranked);

}  // namespace tarvolen
