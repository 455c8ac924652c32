#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <string_view>
#include <vector>

class QChartView;
class QFormLayout;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace tarvolen {

class FilePicker;
class MessagePort;
struct StatisticsFigures;
struct VocabularyMeasures;

// The "Info" window: the report as one read-only text that keeps its lines unwrapped,
// scrolls both ways and can be read and selected with the keyboard; with figures, two
// charts of them on tabs beside it. "Copy" puts the report on the clipboard, "Save
// As..." writes the report as text or the chart shown as PNG. The owner sets the text
// (and the figures) before showing it.
class CInfoDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr const char* kSaveFilter = "Text File (*.txt)|*.txt|PNG Image (*.png)|*.png||";
    // The path, then on a line of its own why the file or the image writer failed.
    static constexpr const char* kSaveFailedFormat = "Unable to save %s\n%s";

    CInfoDialog(MessagePort& messages, FilePicker& picker, QWidget* parent = nullptr);

    // Line ends may be CR LF or LF.
    void SetText(const QString& text);
    QString Text() const;
    // Adds the charts of the figures the text reports.
    void SetFigures(const StatisticsFigures& figures);
    // Adds the "Measures" tab beside the report: the measures of the vocabulary, and
    // the Zipf plot of the list's counts ranked the highest first.
    void SetMeasures(const VocabularyMeasures& measures, const std::vector<std::uint32_t>& ranked);

    // The window's text arrives as UTF-8: whoever quotes stored words decodes them
    // from their code page first (CodePageToUtf8).
    static QString DecodeText(std::string_view text);

    void CopyReport();
    // Asks for a file name; a name ending in ".png" gets the chart shown (the length
    // chart while the report is shown), any other the report, in UTF-8.
    void SaveAs();
    bool SaveReport(const QString& path);
    bool SaveChart(QChartView* view, const QString& path);

    QTabWidget* Tabs() const { return tabs_; }
    QPlainTextEdit* TextView() const { return view_; }
    QChartView* LengthChart() const { return lengthChart_; }
    QChartView* LetterChart() const { return letterChart_; }
    QWidget* MeasuresTab() const { return measures_; }
    QChartView* ZipfChart() const { return zipfChart_; }
    // The value shown beside a measure's label ("Tokens", ...); empty when there is none.
    QString MeasureValue(const QString& label) const;
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CopyButton() const { return copy_; }
    QPushButton* SaveButton() const { return save_; }

  private:
    QChartView* AddChartTab(const QString& caption);
    void ReportSaveFailure(const QString& path, const QString& reason);

    MessagePort& messages_;
    FilePicker& picker_;
    QTabWidget* tabs_;
    QPlainTextEdit* view_;
    QChartView* lengthChart_ = nullptr;
    QChartView* letterChart_ = nullptr;
    QWidget* measures_ = nullptr;
    QFormLayout* measureRows_ = nullptr;
    QChartView* zipfChart_ = nullptr;
    QPushButton* ok_;
    QPushButton* copy_;
    QPushButton* save_;
};

}  // namespace tarvolen
