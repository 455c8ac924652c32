#pragma once

#include <QPointer>

#include "gui/app/dialog_port.h"
#include "gui/app/qt_file_picker.h"

class QWidget;

namespace tarvolen {

class CAppSettings;
class MessagePort;

// The real dialogs of the main window's commands, owned by the main window.
class QtDialogPort : public DialogPort {
  public:
    QtDialogPort(MessagePort& messages, QWidget* owner = nullptr)
        : messages_(messages), owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }
    // The file dialogs of the dialogs keep their folders here.
    void SetSettings(CAppSettings* settings) { settings_ = settings; }
    QWidget* owner() const { return owner_; }

    std::unique_ptr<ProgressPort> OpenProgress() override;
    bool RunAddOptions(AddOptions& options, AddMode& addMode) override;
    bool RunDirScan(std::string& startDirectory, std::string& typeText) override;
    bool RunSaveOptions(OutputOptions& options, std::string& fileName,
                        CodePage listCodePage) override;
    bool RunFilter(std::int32_t& value, FilterMode& mode, std::string& listPath) override;
    void ShowStatistics(const StatisticsFigures& figures, const std::string& report,
                        const VocabularyMeasures& measures,
                        const std::vector<std::uint32_t>& ranked) override;

  private:
    // A file picker for a dialog of the owner's.
    QtFilePicker Picker() const;

    MessagePort& messages_;
    QPointer<QWidget> owner_;
    CAppSettings* settings_ = nullptr;
};

}  // namespace tarvolen
