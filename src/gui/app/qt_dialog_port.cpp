#include "gui/app/qt_dialog_port.h"

#include <QString>

#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/workspace.h"
#include "gui/add/add_options_dialog.h"
#include "gui/add/dir_scan_dialog.h"
#include "gui/analysis/filter_dialog.h"
#include "gui/analysis/info_dialog.h"
#include "gui/app/progress_dialog.h"
#include "gui/app/qt_file_picker.h"
#include "gui/app/qt_paths.h"
#include "gui/output/save_list_dialog.h"

namespace tarvolen {

namespace {

// The progress window as the core sees it; the window closes when this goes.
class ProgressWindowPort : public ProgressPort {
  public:
    explicit ProgressWindowPort(QWidget* owner) { window_.Open(owner); }

    void SetBounds(int lower, int upper) override { window_.SetBounds(lower, upper); }
    int SetPosition(int position) override { return window_.SetPosition(position); }
    bool CancelRequested() override { return window_.CancelRequested(); }
    void SetFileLine(const std::string& text) override {
        // The first line shows a path: file-system bytes, not necessarily UTF-8.
        window_.SetFileLine(ReadableOnScreen(text));
    }
    void SetDetailLine(const std::string& text) override {
        window_.SetDetailLine(QString::fromUtf8(text));
    }
    void Close() override { window_.Close(); }

  private:
    CProgressDialog window_;
};

}  // namespace

QtFilePicker QtDialogPort::Picker() const {
    QtFilePicker picker(messages_, owner_.data());
    picker.SetSettings(settings_);
    return picker;
}

std::unique_ptr<ProgressPort> QtDialogPort::OpenProgress() {
    return std::make_unique<ProgressWindowPort>(owner_.data());
}

bool QtDialogPort::RunAddOptions(AddOptions& options, AddMode& addMode) {
    QtFilePicker picker = Picker();
    CAddOptionsDialog dialog(options, messages_, owner_.data(), &picker);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    addMode = dialog.AddMode;
    return true;
}

bool QtDialogPort::RunDirScan(std::string& startDirectory, std::string& typeText) {
    QtFilePicker picker = Picker();
    CDirScanDialog dialog(messages_, picker, owner_.data());
    if (!startDirectory.empty())
        dialog.StartDirectory = startDirectory;
    dialog.TypeText = typeText;
    dialog.UpdateControls();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    startDirectory = dialog.StartDirectory;
    typeText = dialog.TypeText;
    return true;
}

bool QtDialogPort::RunSaveOptions(OutputOptions& options, std::string& fileName,
                                  CodePage listCodePage) {
    QtFilePicker picker = Picker();
    CSaveListDialog dialog(options, messages_, picker, listCodePage, owner_.data());
    dialog.FileName = fileName;
    if (dialog.exec() != QDialog::Accepted)
        return false;
    fileName = dialog.FileName;
    return true;
}

bool QtDialogPort::RunFilter(std::int32_t& value, FilterMode& mode, std::string& listPath) {
    QtFilePicker picker = Picker();
    CFilterDialog dialog(messages_, picker, owner_.data());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.FilterValue;
    mode = dialog.FilterMode;
    listPath = dialog.ListPath;
    return true;
}

void QtDialogPort::ShowStatistics(const StatisticsFigures& figures, const std::string& report,
                                  const VocabularyMeasures& measures,
                                  const std::vector<std::uint32_t>& ranked) {
    QtFilePicker picker = Picker();
    CInfoDialog dialog(messages_, picker, owner_.data());
    dialog.SetText(CInfoDialog::DecodeText(report));
    dialog.SetFigures(figures);
    dialog.SetMeasures(measures, ranked);
    dialog.exec();
}

}  // namespace tarvolen
