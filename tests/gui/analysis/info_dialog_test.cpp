// The Info window with real widgets: the report text, its keyboard, the charts drawn
// from the report's own figures, Copy and Save As.
#include "gui/analysis/info_dialog.h"

#include <gtest/gtest.h>

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTextCursor>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/analysis/statistics_report.h"
#include "core/analysis/vocabulary_measures.h"
#include "core/ingest/store_reports.h"
#include "core/store/word_store.h"
#include "support/fakes.h"
#include "support/qt_widget_test.h"
#include "support/store_contents.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::TempDir;

class InfoDialogTest : public testing::QtWidgetTest {
  protected:
    InfoDialogTest() : dialog(messages, picker) {}

    void ScriptSaveAs(const std::string& path) {
        FilePickResult result;
        result.accepted = true;
        result.paths = {path};
        picker.fileResults.push_back(result);
    }

    testing::FakeMessages messages;
    testing::FakeFilePicker picker;
    CInfoDialog dialog;
};

// What the report text says, read back from the text alone: the two letter columns
// and the length table, keyed as printed ("12.5" for 12.5%).
struct PrintedFigures {
    std::map<char, std::string> firstPercent;
    std::map<char, std::string> allPercent;
    std::map<int, int> lengthCount;
};

PrintedFigures ReadReport(const std::string& report) {
    PrintedFigures printed;
    bool inLengths = false;
    std::size_t start = 0;
    while (start < report.size()) {
        std::size_t end = report.find("\r\n", start);
        const std::string line = report.substr(start, end - start);
        start = end == std::string::npos ? report.size() : end + 2;
        if (line.rfind("WordLen:", 0) == 0) {
            inLengths = true;
            continue;
        }
        char letter = 0;
        int length = 0, count = 0, firstCount = 0, allCount = 0;
        char first[16] = {}, all[16] = {}, share[16] = {};
        if (inLengths &&
            std::sscanf(line.c_str(), "%d: %d (%15[0-9.]%%)", &length, &count, share) == 3) {
            printed.lengthCount[length] = count;
        } else if (!inLengths && std::sscanf(line.c_str(), "%c: %d (%15[0-9.]%%)\t%d (%15[0-9.]%%)",
                                             &letter, &firstCount, first, &allCount, all) == 5) {
            printed.firstPercent[letter] = first;
            printed.allPercent[letter] = all;
        }
    }
    return printed;
}

std::string OneDecimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

QBarSeries* BarsOf(QChartView* view) {
    return static_cast<QBarSeries*>(view->chart()->series().at(0));
}

QStringList CategoriesOf(QChartView* view) {
    const auto axes = view->chart()->axes(Qt::Horizontal);
    return static_cast<QBarCategoryAxis*>(axes.at(0))->categories();
}

TEST_F(InfoDialogTest, ShowsTheReportReadOnlyAndUnwrapped) {
    dialog.SetText(QStringLiteral("first line\r\nA: 1 (50.0%)\t2 (66.7%)\r\n") +
                   QString(400, QLatin1Char('x')));
    dialog.show();

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Info"));
    EXPECT_EQ(dialog.Text(), QStringLiteral("first line\nA: 1 (50.0%)\t2 (66.7%)\n") +
                                 QString(400, QLatin1Char('x')));
    EXPECT_TRUE(dialog.TextView()->isReadOnly());
    EXPECT_EQ(dialog.TextView()->lineWrapMode(), QPlainTextEdit::NoWrap);
    // The long line scrolls instead of wrapping.
    EXPECT_GT(dialog.TextView()->horizontalScrollBar()->maximum(), 0);
    EXPECT_TRUE(dialog.TextView()->verticalScrollBar()->isVisible());
    EXPECT_EQ(dialog.Tabs()->count(), 1) << "no figures, no charts";

    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

// Random lists of words of every length the tokenizer keeps, with letters outside
// a..z among them: each bar of both charts must say what the report's text says.
TEST_F(InfoDialogTest, ChartsShowTheFiguresTheReportPrints) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions()));
        const int words = 1 + static_cast<int>(random() % 300);
        for (int w = 0; w < words; ++w) {
            std::string word;
            const int length = 1 + static_cast<int>(random() % 20);
            for (int i = 0; i < length; ++i) {
                // Skewed towards the early letters, with an umlaut now and then.
                const unsigned pick = random() % 30;
                word += pick < 26 ? static_cast<char>('a' + pick % (1 + round % 26))
                                  : static_cast<char>(0xE4);
            }
            store.AddWord(word.c_str());
        }
        const StatisticsFigures figures = GatherStatistics(store);
        const std::string report = FormatStatisticsReport(figures);
        const PrintedFigures printed = ReadReport(report);
        ASSERT_EQ(printed.firstPercent.size(), 26u);

        dialog.SetText(CInfoDialog::DecodeText(report));
        dialog.SetFigures(figures);
        ASSERT_EQ(dialog.Tabs()->count(), 3);

        QBarSeries* lengths = BarsOf(dialog.LengthChart());
        ASSERT_EQ(lengths->count(), 1);
        const QStringList lengthLabels = CategoriesOf(dialog.LengthChart());
        ASSERT_EQ(lengthLabels.size(), static_cast<int>(printed.lengthCount.size()));
        for (int i = 0; i < lengthLabels.size(); ++i) {
            const int length = lengthLabels[i].toInt();
            ASSERT_EQ(printed.lengthCount.count(length), 1u) << length;
            EXPECT_EQ(lengths->barSets()[0]->at(i), printed.lengthCount.at(length)) << length;
        }

        QBarSeries* letters = BarsOf(dialog.LetterChart());
        ASSERT_EQ(letters->count(), 2);
        const QStringList letterLabels = CategoriesOf(dialog.LetterChart());
        ASSERT_EQ(letterLabels.size(), 26);
        for (int k = 0; k < 26; ++k) {
            const char letter = letterLabels[k].toLatin1().at(0);
            EXPECT_EQ(letter, 'A' + k);
            EXPECT_EQ(OneDecimal(letters->barSets()[0]->at(k)), printed.firstPercent.at(letter));
            EXPECT_EQ(OneDecimal(letters->barSets()[1]->at(k)), printed.allPercent.at(letter));
        }
    }
}

// One document of two segments, ten words in the first and 500 in the second, and a
// word of a merged list: figures worked out by hand, and the Zipf line's slope by the
// textbook's centred sums.
TEST_F(InfoDialogTest, MeasuresShowTheFiguresOfAKnownList) {
    WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions()));
    store.BeginDocument();
    for (int i = 0; i < 1000; ++i)
        store.AddWord(("w" + std::to_string(i % 10)).c_str());
    for (int i = 0; i < 1000; ++i)
        store.AddWord(("x" + std::to_string(i % 500)).c_str());
    store.AddOccurrences("solo", 4, 1);
    VocabularyMeasures measures = MeasureList(store);
    measures.segments = store.TakeSegments();
    const std::vector<std::uint32_t> ranked = RankedCounts(store);
    dialog.SetMeasures(measures, ranked);

    ASSERT_EQ(dialog.Tabs()->indexOf(dialog.MeasuresTab()), 1);
    EXPECT_EQ(dialog.Tabs()->tabText(1), "&Measures");
    const std::map<QString, QString> expected = {
        {"Tokens", "2,001"},
        {"Types", "511"},
        {"Type/token ratio", "25.54%"},
        {"Standardised type/token ratio", "25.50% (2 segments of 1,000 tokens)"},
        {"Hapax legomena", "1 (0.20% of types)"},
        {"Dis legomena", "500 (97.85% of types)"},
    };
    for (const auto& [label, value] : expected)
        EXPECT_EQ(dialog.MeasureValue(label), value) << label.toStdString();

    double meanX = 0, meanY = 0;
    for (std::size_t r = 0; r < ranked.size(); ++r) {
        meanX += std::log10(r + 1.0) / ranked.size();
        meanY += std::log10(double(ranked[r])) / ranked.size();
    }
    double across = 0, along = 0;
    for (std::size_t r = 0; r < ranked.size(); ++r) {
        across += (std::log10(r + 1.0) - meanX) * (std::log10(double(ranked[r])) - meanY);
        along += (std::log10(r + 1.0) - meanX) * (std::log10(r + 1.0) - meanX);
    }
    EXPECT_EQ(dialog.ZipfChart()->chart()->title(),
              QStringLiteral("Zipf plot: slope %1 over the first 511 ranks")
                  .arg(QString::number(across / along, 'f', 2)));
    EXPECT_EQ(dialog.ZipfChart()->chart()->series().size(), 2);
}

TEST_F(InfoDialogTest, TheKeyboardScrollsSelectsAndCopiesTheReport) {
    QString text;
    for (int line = 0; line < 300; ++line)
        text += QStringLiteral("line %1\r\n").arg(line);
    dialog.SetText(text);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QPlainTextEdit* view = dialog.TextView();
    EXPECT_EQ(dialog.focusWidget(), view) << "the report has the focus from the start";
    QScrollBar* bar = view->verticalScrollBar();

    // The end comes into view, wherever the scroll range puts its last step.
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    EXPECT_TRUE(view->textCursor().atEnd());
    EXPECT_TRUE(view->viewport()->rect().contains(view->cursorRect()));
    EXPECT_GT(bar->value(), bar->maximum() / 2);
    QTest::keyClick(view, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(bar->value(), 0);
    QTest::keyClick(view, Qt::Key_PageDown);
    const int afterPage = bar->value();
    EXPECT_GT(afterPage, 0);
    QTest::keyClick(view, Qt::Key_PageUp);
    EXPECT_LT(bar->value(), afterPage);

    QTest::keyClick(view, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view->textCursor().selectedText(), QStringLiteral("line 1") + QChar(0x2029));
    QGuiApplication::clipboard()->clear();
    QTest::keySequence(view, QKeySequence::Copy);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("line 1\n"));
    dialog.close();
}

TEST_F(InfoDialogTest, CopyPutsTheWholeReportOnTheClipboard) {
    dialog.SetText(QStringLiteral("a\r\nb\r\n"));
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(dialog.CopyButton(), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("a\nb\n"));
}

TEST_F(InfoDialogTest, SaveAsWritesTheReportOrTheChartShown) {
    WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions()));
    for (const char* word : {"apple", "bee", "m\xE4h"})
        store.AddWord(word);
    const StatisticsFigures figures = GatherStatistics(store);
    dialog.SetText(QString::fromLatin1(FormatStatisticsReport(figures)));
    dialog.SetFigures(figures);
    dialog.show();
    TempDir dir;

    // The report, as shown (LF line ends, UTF-8), replacing what was there.
    const std::string text = dir.Write("report.txt", "old");
    ScriptSaveAs(text);
    QTest::mouseClick(dialog.SaveButton(), Qt::LeftButton);
    ASSERT_EQ(picker.fileRequests.size(), 1u);
    EXPECT_EQ(picker.fileRequests[0].filterIndex, 1) << "text is offered first for the report";
    EXPECT_EQ(TempDir::Read(text), dialog.Text().toUtf8().toStdString());
    EXPECT_EQ(TempDir::Read(text).substr(0, 30), "3 words, 3 min length, 5 max l");

    // The letters chart, shown: a PNG of it.
    dialog.Tabs()->setCurrentWidget(dialog.LetterChart());
    const std::string image = (dir.path() / "letters.PNG").string();
    ScriptSaveAs(image);
    QTest::mouseClick(dialog.SaveButton(), Qt::LeftButton);
    EXPECT_EQ(picker.fileRequests.back().filterIndex, 2) << "PNG is offered for a chart";
    QImage saved(QString::fromStdString(image), "PNG");
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), dialog.LetterChart()->grab().size());
    EXPECT_EQ(TempDir::Read(image).substr(1, 3), "PNG");

    // Cancel writes nothing.
    picker.fileResults.push_back(FilePickResult{});
    QTest::mouseClick(dialog.SaveButton(), Qt::LeftButton);
    EXPECT_TRUE(messages.shown.empty());
    dialog.close();
}

// A folder that is not there: the report and a chart alike say which file and why,
// once, and write nothing.
TEST_F(InfoDialogTest, AFailedSaveSaysWhy) {
    WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions()));
    store.AddWord("apple");
    const StatisticsFigures figures = GatherStatistics(store);
    dialog.SetText(QString::fromLatin1(FormatStatisticsReport(figures)));
    dialog.SetFigures(figures);
    dialog.show();
    TempDir dir;
    for (const auto& [tab, name] : {std::pair{0, "report.txt"}, std::pair{1, "lengths.png"}}) {
        SCOPED_TRACE(name);
        messages.shown.clear();
        dialog.Tabs()->setCurrentIndex(tab);
        const std::string missing = (dir.path() / "missing" / name).string();
        ScriptSaveAs(missing);
        QTest::mouseClick(dialog.SaveButton(), Qt::LeftButton);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text,
                  "Unable to save " + missing + "\nNo such file or directory");
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
    }
    dialog.close();
}

// Save As runs from a click, an event of Qt's loop, which cannot carry an exception:
// one from the picker is told like a command's, and the window stays.
TEST_F(InfoDialogTest, AFailingPickerIsToldAndTheWindowCarriesOn) {
    class ThrowingPicker : public FilePicker {
      public:
        FilePickResult PickFiles(const FilePickRequest&) override {
            throw std::runtime_error("no file dialog here");
        }
        std::optional<std::string> PickDirectory(const std::string&, const std::string&) override {
            return std::nullopt;
        }
    } throwing;
    CInfoDialog info(messages, throwing);
    info.SetText(QStringLiteral("report"));
    info.show();
    QTest::mouseClick(info.SaveButton(), Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "no file dialog here");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(info.isVisible());
    info.close();
}

}  // namespace
}  // namespace tarvolen
