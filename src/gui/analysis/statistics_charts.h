#pragma once

class QChart;

namespace tarvolen {

struct StatisticsFigures;

// Bar charts of the figures the statistics report prints, drawn from the same numbers
// (the report's own percentage functions), so that a chart never disagrees with the
// text beside it. Each returns a new chart for a QChartView to own.

// The number of distinct words of each length, from the shortest to the longest.
QChart* MakeLengthChart(const StatisticsFigures& figures);

// For each letter (the 26 letters, or the most frequent of a UTF-8 list's, the rest
// summed in the title: ChartLetters): the share of words starting with it and its
// share of all letters, in percent.
QChart* MakeLetterChart(const StatisticsFigures& figures);

}  // namespace tarvolen
