#pragma once

#include <QDialog>
#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tarvolen {

class FilePicker;
class MessagePort;

// Asks where a directory scan starts and which file types it collects. OK refuses a
// path that does not exist and an empty type list, keeping the dialog open.
class CDirScanDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr const char* kCaption = "Scan all files and subdirs in the specified directory";

    CDirScanDialog(MessagePort& messages, FilePicker& picker, QWidget* parent = nullptr);

    // The user's cache folder, where downloaded pages collect, where it exists; else the
    // Documents folder where it exists; else the home folder.
    static std::string DefaultStartDirectory();

    // Exchanged with the controls: UpdateControls shows them, ReadControls takes the
    // controls back (Browse and OK do that first).
    std::string StartDirectory;
    std::string TypeText;
    void UpdateControls();
    void ReadControls();

    void OnBrowse();
    void OnOK();

    QLineEdit* StartEdit() const { return start_; }
    QPushButton* BrowseButton() const { return browse_; }
    QComboBox* TypeCombo() const { return types_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

  private:
    MessagePort& messages_;
    FilePicker& picker_;
    QLineEdit* start_;
    QPushButton* browse_;
    QComboBox* types_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace tarvolen
