#include "gui/analysis/info_dialog.h"

#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageWriter>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/analysis/vocabulary_measures.h"
#include "core/ports/file_picker.h"
#include "core/ports/messages.h"
#include "core/text/format_count.h"
#include "gui/analysis/statistics_charts.h"
#include "gui/analysis/zipf_chart.h"
#include "gui/app/dialog_units.h"
#include "gui/app/qt_paths.h"
#include "gui/util/command_guard.h"
#include "gui/util/focus.h"

namespace tarvolen {

namespace {

constexpr Qt::WindowFlags kResizableDialogFlags =
    Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
    Qt::WindowCloseButtonHint;

QPushButton* AddButton(const QString& caption, QVBoxLayout* column, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    column->addWidget(button);
    return button;
}

// A view owns the chart it is given but only lets go of the one it had, its empty
// default included: that one is deleted here.
void ReplaceChart(QChartView* view, QChart* chart) {
    QChart* previous = view->chart();
    view->setChart(chart);
    delete previous;
}

}  // namespace

CInfoDialog::CInfoDialog(MessagePort& messages, FilePicker& picker, QWidget* parent)
    : QDialog(parent, kResizableDialogFlags), messages_(messages), picker_(picker) {
    setWindowTitle(QStringLiteral("Info"));
    setFont(DialogUnits::DialogFont());
    const DialogUnits units(font());
    // The classic size is the least; charts want more room, so the window starts
    // larger and may grow further.
    setMinimumSize(units.Size(370, 257));
    resize(units.Size(460, 290));

    tabs_ = new QTabWidget(this);
    view_ = new QPlainTextEdit;
    view_->setObjectName(QStringLiteral("infoText"));
    view_->setReadOnly(true);
    // Read-only text shows no cursor; these give it one, so the keyboard can scroll,
    // select and copy as in any viewer.
    view_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    view_->setLineWrapMode(QPlainTextEdit::NoWrap);
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Columns of figures line up in a fixed-pitch font.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    view_->setFont(fixed);
    view_->setTabStopDistance(QFontMetrics(fixed).horizontalAdvance(QLatin1Char(' ')) * 8);
    view_->setTabChangesFocus(true);
    tabs_->addTab(view_, QStringLiteral("&Report"));

    auto* buttons = new QVBoxLayout;
    ok_ = AddButton(QStringLiteral("&OK"), buttons, this);
    ok_->setObjectName(QStringLiteral("okButton"));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    copy_ = AddButton(QStringLiteral("&Copy"), buttons, this);
    connect(copy_, &QPushButton::clicked, this,
            [this] { RunGuarded(messages_, [this] { CopyReport(); }); });
    save_ = AddButton(QStringLiteral("Save &As..."), buttons, this);
    connect(save_, &QPushButton::clicked, this,
            [this] { RunGuarded(messages_, [this] { SaveAs(); }); });
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(units.X(7), units.Y(7), units.X(7), units.Y(7));
    layout->setSpacing(units.X(7));
    layout->addWidget(tabs_, 1);
    layout->addLayout(buttons);

    view_->setFocus();
    ShowFocusFromStart(this);
}

QChartView* CInfoDialog::AddChartTab(const QString& caption) {
    auto* view = new QChartView;
    view->setRenderHint(QPainter::Antialiasing);
    tabs_->addTab(view, caption);
    return view;
}

void CInfoDialog::SetFigures(const StatisticsFigures& figures) {
    if (lengthChart_ == nullptr) {
        lengthChart_ = AddChartTab(QStringLiteral("Word &lengths"));
        letterChart_ = AddChartTab(QStringLiteral("L&etters"));
    }
    ReplaceChart(lengthChart_, MakeLengthChart(figures));
    ReplaceChart(letterChart_, MakeLetterChart(figures));
}

void CInfoDialog::SetMeasures(const VocabularyMeasures& measures,
                              const std::vector<std::uint32_t>& ranked) {
    if (measures_ == nullptr) {
        measures_ = new QWidget;
        measures_->setObjectName(QStringLiteral("measures"));
        auto* column = new QVBoxLayout(measures_);
        measureRows_ = new QFormLayout;
        column->addLayout(measureRows_);
        zipfChart_ = new QChartView;
        zipfChart_->setRenderHint(QPainter::Antialiasing);
        column->addWidget(zipfChart_, 1);
        tabs_->insertTab(1, measures_, QStringLiteral("&Measures"));
    }
    while (measureRows_->rowCount() > 0)
        measureRows_->removeRow(0);
    for (const MeasureLine& line : MeasureLines(measures)) {
        auto* value = new QLabel(QString::fromStdString(line.value));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // A caption, not a buddy: the values are read, not typed into.
        measureRows_->addRow(new QLabel(QString::fromStdString(line.label) + QLatin1Char(':')),
                             value);
    }
    ReplaceChart(zipfChart_, MakeZipfChart(ranked));
}

QString CInfoDialog::MeasureValue(const QString& label) const {
    if (measureRows_ == nullptr)
        return {};
    for (int row = 0; row < measureRows_->rowCount(); ++row) {
        auto* name =
            qobject_cast<QLabel*>(measureRows_->itemAt(row, QFormLayout::LabelRole)->widget());
        auto* value =
            qobject_cast<QLabel*>(measureRows_->itemAt(row, QFormLayout::FieldRole)->widget());
        if (name != nullptr && value != nullptr && name->text() == label + QLatin1Char(':'))
            return value->text();
    }
    return {};
}

void CInfoDialog::SetText(const QString& text) {
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    view_->setPlainText(lines);
}

QString CInfoDialog::Text() const {
    return view_->toPlainText();
}

QString CInfoDialog::DecodeText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void CInfoDialog::CopyReport() {
    QGuiApplication::clipboard()->setText(Text());
}

void CInfoDialog::SaveAs() {
    const bool chartShown = tabs_->currentWidget() != view_;
    FilePickRequest request;
    request.save = true;
    request.defaultExtension = chartShown ? "png" : "txt";
    request.initialPath = chartShown ? "statistics.png" : "statistics.txt";
    request.filter = kSaveFilter;
    request.filterIndex = chartShown ? 2 : 1;
    const FilePickResult result = picker_.PickFiles(request);
    if (!result.accepted || result.paths.empty())
        return;

    const QString path = DecodePath(result.paths.front());
    if (path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) && lengthChart_ != nullptr) {
        QWidget* shown = tabs_->currentWidget();
        auto* view = shown == measures_ ? zipfChart_
                     : chartShown       ? static_cast<QChartView*>(shown)
                                        : lengthChart_;
        SaveChart(view, path);
    } else {
        SaveReport(path);
    }
}

bool CInfoDialog::SaveReport(const QString& path) {
    // Written aside and renamed into place, so a failed save leaves an older file whole.
    QSaveFile file(path);
    const QByteArray bytes = Text().toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    ReportSaveFailure(path, file.errorString());
    return false;
}

bool CInfoDialog::SaveChart(QChartView* view, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        ReportSaveFailure(path, file.errorString());
        return false;
    }
    QImageWriter writer(&file, "png");
    if (!writer.write(view->grab().toImage())) {
        ReportSaveFailure(path, writer.errorString());
        return false;
    }
    if (!file.commit()) {
        ReportSaveFailure(path, file.errorString());
        return false;
    }
    return true;
}

void CInfoDialog::ReportSaveFailure(const QString& path, const QString& reason) {
    messages_.ShowMessage(
        FormatText(kSaveFailedFormat, EncodePath(path).c_str(), reason.toUtf8().constData()),
        MessageIcon::Stop);
}

}  // namespace tarvolen
