#pragma once

#include <QPointer>

#include "gui/app/dialog_port.h"

class QWidget;

namespace tarvolen {

class MessagePort;

// The real dialogs of the main window's commands, owned by the main window.
class QtDialogPort : public DialogPort {
  public:
    QtDialogPort(MessagePort& messages, QWidget* owner = nullptr)
        : messages_(messages), owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }
    QWidget* owner() const { return owner_; }

    std::unique_ptr<ProgressPort> OpenProgress() override;
    bool RunAddOptions(AddOptions& options, AddMode& addMode) override;
    bool RunDirScan(std::string& startDirectory, std::string& typeText) override;
    bool RunSaveOptions(OutputOptions& options, std::string& fileName,
                        CodePage listCodePage) override;
    bool RunFilter(std::int32_t& value, FilterMode& mode, std::string& listPath) override;
    void ShowStatistics(const StatisticsFigures& figures, const std::string& report) override;

  private:
    MessagePort& messages_;
    QPointer<QWidget> owner_;
};

}  // namespace tarvolen
