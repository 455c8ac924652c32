#include "gui/analysis/statistics_charts.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QFont>
#include <QMargins>
#include <QStringList>
#include <QValueAxis>
#include <algorithm>

#include "core/analysis/statistics_report.h"

namespace tarvolen {

namespace {

QChart* MakeBarChart(const QString& title, QBarSeries* series, const QStringList& categories,
                     const QString& valueTitle, double maxValue) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->addSeries(series);
    // Figures are what the chart is for; the motion would only delay them.
    chart->setAnimationOptions(QChart::NoAnimation);

    auto* categoryAxis = new QBarCategoryAxis;
    categoryAxis->append(categories);
    // Twenty-six letters share the width: a smaller font keeps each one readable
    // instead of elided.
    QFont labels = categoryAxis->labelsFont();
    labels.setPointSizeF(labels.pointSizeF() * 0.85);
    categoryAxis->setLabelsFont(labels);
    chart->addAxis(categoryAxis, Qt::AlignBottom);
    series->attachAxis(categoryAxis);

    auto* valueAxis = new QValueAxis;
    valueAxis->setTitleText(valueTitle);
    valueAxis->setRange(0, maxValue > 0 ? maxValue : 1);
    valueAxis->applyNiceNumbers();
    chart->addAxis(valueAxis, Qt::AlignLeft);
    series->attachAxis(valueAxis);

    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->legend()->setVisible(series->count() > 1);
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

}  // namespace

QChart* MakeLengthChart(const StatisticsFigures& figures) {
    auto* words = new QBarSet(QStringLiteral("Distinct words"));
    QStringList lengths;
    double most = 0;
    for (std::int32_t n = figures.minLen; n <= figures.maxLen; ++n) {
        const std::int32_t count = WordsOfLength(figures, n);
        *words << count;
        most = std::max<double>(most, count);
        lengths << QString::number(n);
    }
    auto* series = new QBarSeries;
    series->append(words);
    return MakeBarChart(QStringLiteral("Distinct words by length"), series, lengths,
                        QStringLiteral("Words"), most);
}

QChart* MakeLetterChart(const StatisticsFigures& figures) {
    auto* first = new QBarSet(QStringLiteral("First letter (% of words)"));
    auto* all = new QBarSet(QStringLiteral("All letters (% of letters)"));
    QStringList letters;
    double most = 0;
    const LetterChart chart = ChartLetters(figures);
    for (const ChartLetter& bar : chart.bars) {
        *first << bar.firstPercent;
        *all << bar.allPercent;
        most = std::max({most, bar.firstPercent, bar.allPercent});
        letters << QString::fromStdString(bar.label);
    }
    auto* series = new QBarSeries;
    series->append(first);
    series->append(all);
    // The letters without a bar, summed in the title in the legend's order.
    const QString title =
        chart.others == 0
            ? QStringLiteral("Letters")
            : QStringLiteral("Letters: the %1 most frequent; the %2 others %3% and %4%")
                  .arg(static_cast<qulonglong>(chart.bars.size()))
                  .arg(static_cast<qulonglong>(chart.others))
                  .arg(chart.othersFirstPercent, 0, 'f', 1)
                  .arg(chart.othersAllPercent, 0, 'f', 1);
    return MakeBarChart(title, series, letters, QStringLiteral("Percent"), most);
}

}  // namespace tarvolen
