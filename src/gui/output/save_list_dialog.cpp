#include "gui/output/save_list_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/output/output_paths.h"
#include "core/ports/file_picker.h"
#include "core/ports/messages.h"
#include "core/workspace.h"
#include "gui/app/dialog_units.h"
#include "gui/app/qt_paths.h"
#include "gui/util/collation_box.h"
#include "gui/util/focus.h"

namespace tarvolen {

namespace {

QRadioButton* AddRadio(const char* caption, QButtonGroup* group, int id, const DialogUnits& units,
                       int x, int y, int width, QWidget* parent) {
    auto* button = new QRadioButton(QString::fromUtf8(caption), parent);
    units.Place(button, x, y, width, 10);
    group->addButton(button, id);
    return button;
}

QCheckBox* AddCheck(const char* caption, const DialogUnits& units, int x, int y, int width,
                    QWidget* parent) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    units.Place(box, x, y, width, 10);
    return box;
}

// A radio group's value is the index of its checked button; with none checked, -1.
void CheckIndex(QButtonGroup* group, std::int32_t index) {
    if (QAbstractButton* button = group->button(index))
        button->setChecked(true);
}

}  // namespace

CSaveListDialog::CSaveListDialog(OutputOptions& options, MessagePort& messages, FilePicker& picker,
                                 CodePage listCodePage, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags | Qt::WindowMinimizeButtonHint),
      options_(options),
      messages_(messages),
      listCodePage_(listCodePage),
      picker_(picker) {
    setWindowTitle(QStringLiteral("Tarvolen"));
    const DialogUnits units = DialogUnits::FixDialog(this, 342, 159);

    // The frames come first so that the buttons they surround stack above them.
    auto* delimiterFrame = new QGroupBox(QStringLiteral("Delimiter"), this);
    units.Place(delimiterFrame, 7, 58, 61, 49);
    auto* caseFrame = new QGroupBox(QStringLiteral("Case mode"), this);
    units.Place(caseFrame, 95, 58, 71, 49);

    auto* label = new QLabel(QStringLiteral("Output word list file &name:"), this);
    units.Place(label, 7, 7, 82, 8);

    fileName_ = new QLineEdit(this);
    fileName_->setObjectName(QStringLiteral("fileName"));
    units.Place(fileName_, 7, 18, 328, 14);
    label->setBuddy(fileName_);

    browse_ = new QPushButton(QStringLiteral("&Browse"), this);
    browse_->setAutoDefault(false);
    units.Place(browse_, 285, 34, 50, 14);
    connect(browse_, &QPushButton::clicked, this, &CSaveListDialog::OnBrowse);

    delimiters_ = new QButtonGroup(this);
    AddRadio("&LF", delimiters_, 0, units, 15, 71, 24, this);
    AddRadio("C&RLF", delimiters_, 1, units, 15, 82, 34, this);
    AddRadio("S&pace", delimiters_, 2, units, 15, 94, 37, this);

    cases_ = new QButtonGroup(this);
    AddRadio("l&ower case", cases_, 0, units, 103, 73, 50, this);
    AddRadio("&UPPER CASE", cases_, 1, units, 103, 84, 61, this);

    frequency_ = AddCheck("Include &frequency data into output", units, 187, 79, 141, this);
    // The range is a third field of the frequency records: without them it has no place.
    range_ = AddCheck("Include ran&ge", units, 260, 95, 70, this);
    connect(frequency_, &QCheckBox::toggled, range_, &QCheckBox::setEnabled);
    append_ =
        AddCheck("&Append to the output file if it already exists", units, 187, 63, 148, this);
    unicode_ = AddCheck("Un&icode output", units, 187, 95, 65, this);
    unicode_->setToolTip(QString::fromUtf8(kUnicodeToolTip));
    utf8_ = AddCheck("UTF-&8 output", units, 187, 111, 65, this);
    // A UTF-8 list's 8-bit output is UTF-8 anyway: the box says so and cannot be
    // cleared; it follows only the choice of UTF-16.
    if (listCodePage_ == CodePage::Utf8) {
        utf8_->setEnabled(false);
        utf8_->setToolTip(QString::fromUtf8(kUtf8ListToolTip));
    }
    // One encoding at a time: checking either clears the other.
    connect(unicode_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            utf8_->setChecked(false);
        else if (!utf8_->isEnabled())
            utf8_->setChecked(true);
    });
    connect(utf8_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            unicode_->setChecked(false);
    });

    // Byte order first: the order saved lists have always had, which scripts read.
    auto* collationLabel = new QLabel(QStringLiteral("Alp&habetical order:"), this);
    units.Place(collationLabel, 7, 116, 62, 8);
    collation_ = new CCollationBox(CCollationBox::First::ByteOrder, this);
    units.Place(collation_, 70, 113, 110, 14);
    collationLabel->setBuddy(collation_);

    save_ = new QPushButton(QStringLiteral("&Save"), this);
    save_->setDefault(true);
    units.Place(save_, 74, 138, 50, 14);
    connect(save_, &QPushButton::clicked, this, &CSaveListDialog::OnOK);

    cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel_->setAutoDefault(false);
    units.Place(cancel_, 227, 138, 50, 14);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    QWidget* order[] = {fileName_,
                        browse_,
                        DelimiterButton(0),
                        DelimiterButton(1),
                        DelimiterButton(2),
                        CaseButton(0),
                        CaseButton(1),
                        frequency_,
                        append_,
                        unicode_,
                        range_,
                        utf8_,
                        collation_,
                        save_,
                        cancel_};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    fileName_->setFocus();
    DialogUnits::GrowToFitText(this);
    ShowFocusFromStart(this);
}

QRadioButton* CSaveListDialog::DelimiterButton(int delimiter) const {
    return static_cast<QRadioButton*>(delimiters_->button(delimiter));
}

QRadioButton* CSaveListDialog::CaseButton(int caseMode) const {
    return static_cast<QRadioButton*>(cases_->button(caseMode));
}

void CSaveListDialog::showEvent(QShowEvent* event) {
    // FileName is set between construction and showing, so the controls are filled
    // here, once, and not again when the window is merely shown anew.
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CSaveListDialog::OnInitDialog() {
    LoadControls();
    // Appending means the existing file is wanted: propose it as it is.
    if (options_.AppendOutput == 0) {
        FileName = FirstFreeFileName(FileName);
        fileName_->setText(DecodePath(FileName));
    }
}

void CSaveListDialog::LoadControls() {
    CheckIndex(delimiters_, static_cast<int>(options_.Delimiter));
    CheckIndex(cases_, options_.CaseMode);
    unicode_->setChecked(options_.UnicodeOutput != 0);
    utf8_->setChecked(options_.UnicodeOutput == 0 &&
                      (options_.Utf8Output != 0 || listCodePage_ == CodePage::Utf8));
    fileName_->setText(DecodePath(FileName));
    frequency_->setChecked(options_.IncludeFrequency != 0);
    range_->setChecked(options_.IncludeRange != 0);
    range_->setEnabled(frequency_->isChecked());
    append_->setChecked(options_.AppendOutput != 0);
    collation_->SetLocale(options_.Collate);
}

void CSaveListDialog::StoreControls() {
    options_.Delimiter = static_cast<Delimiter>(delimiters_->checkedId());
    options_.CaseMode = cases_->checkedId();
    options_.UnicodeOutput = unicode_->isChecked() ? 1 : 0;
    // Shown for a UTF-8 list only: the choice stays as it was for lists of a code page.
    if (utf8_->isEnabled())
        options_.Utf8Output = utf8_->isChecked() ? 1 : 0;
    FileName = EncodePath(fileName_->text());
    options_.IncludeFrequency = frequency_->isChecked() ? 1 : 0;
    options_.IncludeRange = range_->isChecked() ? 1 : 0;
    options_.AppendOutput = append_->isChecked() ? 1 : 0;
    options_.Collate = collation_->Locale();
}

void CSaveListDialog::OnOK() {
    StoreControls();
    // Not checked further: a name that cannot be used reaches the writer, which says so.
    if (options_.AppendOutput == 0 && PathExists(FileName) &&
        messages_.Ask(kOverwriteText, MessageButtons::YesNo) != Answer::Yes) {
        return;
    }
    accept();
}

void CSaveListDialog::OnBrowse() {
    BrowseForFile(fileName_, ".txt", kBrowseDescription, true, picker_);
}

bool BrowseForFile(QLineEdit* edit, std::string extension, std::string description, bool save,
                   FilePicker& picker) {
    if (!extension.empty() && extension.front() == '.')
        extension.erase(0, 1);
    if (description.empty())
        description = extension + " files";

    FilePickRequest request;
    request.save = save;
    request.defaultExtension = extension;
    request.initialPath = EncodePath(edit->text());
    request.filter =
        description + " (*." + extension + ")|*." + extension + "|All Files (*.*)|*.*||";
    request.filterIndex = 1;

    const FilePickResult result = picker.PickFiles(request);
    if (!result.accepted || result.paths.empty())
        return false;
    edit->setText(DecodePath(result.paths.front()));
    return true;
}

}  // namespace tarvolen
