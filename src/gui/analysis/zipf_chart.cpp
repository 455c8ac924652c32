#include "gui/analysis/zipf_chart.h"

#include <QChart>
#include <QLineSeries>
#include <QMargins>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "core/analysis/vocabulary_measures.h"
#include "core/text/format_count.h"

namespace tarvolen {

namespace {

// Points closer than this along the rank axis draw as one: a list of millions of words
// would otherwise give the chart millions of points to place, where a few thousand show
// the same curve.
constexpr double kRankStep = 0.002;

}  // namespace

QChart* MakeZipfChart(const std::vector<std::uint32_t>& ranked) {
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setMargins(QMargins(4, 4, 4, 4));

    auto* points = new QScatterSeries;
    points->setName(QStringLiteral("Entries"));
    points->setMarkerSize(4);
    points->setBorderColor(Qt::transparent);
    double lastX = -1;
    double maxX = 1;
    double maxY = 1;
    for (std::size_t i = 0; i < ranked.size(); ++i) {
        const double x = std::log10(static_cast<double>(i + 1));
        if (x - lastX < kRankStep && i + 1 != ranked.size())
            continue;
        lastX = x;
        const double y = std::log10(static_cast<double>(ranked[i]));
        points->append(x, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
    }
    chart->addSeries(points);

    const std::optional<double> slope = ZipfSlope(ranked);
    const std::size_t fitted = std::min(kZipfFitRanks, ranked.size());
    if (slope) {
        // The line through the fitted points' mean, as least squares puts it.
        double meanX = 0, meanY = 0;
        for (std::size_t i = 0; i < fitted; ++i) {
            meanX += std::log10(static_cast<double>(i + 1));
            meanY += std::log10(static_cast<double>(ranked[i]));
        }
        meanX /= static_cast<double>(fitted);
        meanY /= static_cast<double>(fitted);
        const double endX = std::log10(static_cast<double>(fitted));
        auto* line = new QLineSeries;
        line->setName(QStringLiteral("Least squares"));
        line->append(0, meanY - *slope * meanX);
        line->append(endX, meanY + *slope * (endX - meanX));
        chart->addSeries(line);
    }
    // The slope with a decimal point whatever the desktop's locale, as the measures
    // beside it are written.
    chart->setTitle(slope ? QStringLiteral("Zipf plot: slope %1 over the first %2 ranks")
                                .arg(QString::number(*slope, 'f', 2),
                                     QString::fromStdString(
                                         FormatCount64(static_cast<std::int64_t>(fitted), ',')))
                          : QStringLiteral("Zipf plot: too few entries for a slope"));

    auto* rankAxis = new QValueAxis;
    rankAxis->setTitleText(QStringLiteral("log10 rank"));
    rankAxis->setRange(0, std::ceil(maxX));
    chart->addAxis(rankAxis, Qt::AlignBottom);
    auto* frequencyAxis = new QValueAxis;
    frequencyAxis->setTitleText(QStringLiteral("log10 frequency"));
    frequencyAxis->setRange(0, std::ceil(maxY));
    chart->addAxis(frequencyAxis, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(rankAxis);
        series->attachAxis(frequencyAxis);
    }
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

}  // namespace tarvolen
