#pragma once

#include <QDialog>
#include <string>

#include "core/text/code_page.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tarvolen {

class CCollationBox;
class FilePicker;
class MessagePort;
struct OutputOptions;

// The Save options dialog: the output path and the five output options. The options
// are the process's own (edited in place): Save stores every control into them before
// anything else, so they stay in force even when the person then cancels.
class CSaveListDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr const char* kOverwriteText =
        "Output file already exists, are you sure you want to overwrite it?";
    static constexpr const char* kBrowseDescription = "Word List Files";
    static constexpr const char* kUnicodeToolTip =
        "UTF-16, little-endian, without a byte order mark";
    static constexpr const char* kUtf8ListToolTip =
        "The list holds words of any language: its 8-bit output is UTF-8.";

    // The list's code page decides what 8-bit output is: for a UTF-8 list it is UTF-8,
    // whatever the option says.
    CSaveListDialog(OutputOptions& options, MessagePort& messages, FilePicker& picker,
                    CodePage listCodePage = CodePage::Windows1252, QWidget* parent = nullptr);

    // The output path (file-system bytes). Set it before the dialog is shown; after Save
    // it holds the confirmed path.
    std::string FileName;

    // Save: keeps the controls' values and ends the dialog, after the overwrite question
    // when the file exists and appending is off.
    void OnOK();
    // Lets the person pick the output file with the platform's save dialog.
    void OnBrowse();

    QLineEdit* FileNameEdit() const { return fileName_; }
    QPushButton* BrowseButton() const { return browse_; }
    QRadioButton* DelimiterButton(int delimiter) const;
    QRadioButton* CaseButton(int caseMode) const;
    QCheckBox* FrequencyBox() const { return frequency_; }
    QCheckBox* RangeBox() const { return range_; }
    QCheckBox* AppendBox() const { return append_; }
    QCheckBox* UnicodeBox() const { return unicode_; }
    QCheckBox* Utf8Box() const { return utf8_; }
    CCollationBox* CollationBox() const { return collation_; }
    QPushButton* SaveButton() const { return save_; }
    QPushButton* CancelButton() const { return cancel_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Fills the controls from FileName and the options, then proposes a free name.
    void OnInitDialog();
    void LoadControls();
    void StoreControls();

    OutputOptions& options_;
    MessagePort& messages_;
    CodePage listCodePage_;
    FilePicker& picker_;
    bool initialised_ = false;

    QLineEdit* fileName_;
    QPushButton* browse_;
    QButtonGroup* delimiters_;
    QButtonGroup* cases_;
    QCheckBox* frequency_;
    QCheckBox* range_;
    QCheckBox* append_;
    QCheckBox* unicode_;
    QCheckBox* utf8_;
    CCollationBox* collation_;
    QPushButton* save_;
    QPushButton* cancel_;
};

// Runs the file picker for one file and, when the person confirms, puts the chosen
// path into the edit. The extension may come with its dot ("." is dropped); an empty
// description becomes "<ext> files". Returns true when the edit was set.
bool BrowseForFile(QLineEdit* edit, std::string extension, std::string description, bool save,
                   FilePicker& picker);

}  // namespace tarvolen
