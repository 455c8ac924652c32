#include "gui/add/dir_scan_dialog.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QStringList>
#include <optional>

#include "core/input/dir_scan.h"
#include "core/ports/file_picker.h"
#include "gui/app/dialog_units.h"
#include "gui/app/qt_paths.h"
#include "gui/util/focus.h"

namespace tarvolen {

CDirScanDialog::CDirScanDialog(MessagePort& messages, FilePicker& picker, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags),
      StartDirectory(DefaultStartDirectory()),
      TypeText(kDefaultScanTypes),
      messages_(messages),
      picker_(picker) {
    setWindowTitle(QString::fromLatin1(kCaption));
    const DialogUnits units = DialogUnits::FixDialog(this, 320, 114);

    auto* startLabel = new QLabel(QStringLiteral("&Starting directory"), this);
    startLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    units.Place(startLabel, 7, 7, 248, 8);

    start_ = new QLineEdit(this);
    units.Place(start_, 7, 18, 248, 14);
    startLabel->setBuddy(start_);

    browse_ = new QPushButton(QStringLiteral("&Browse"), this);
    units.Place(browse_, 263, 18, 50, 14);
    connect(browse_, &QPushButton::clicked, this, &CDirScanDialog::OnBrowse);

    // Editable: a type list may be picked or typed. Typed text never joins the list.
    types_ = new QComboBox(this);
    types_->setEditable(true);
    types_->setInsertPolicy(QComboBox::NoInsert);
    QStringList items{QStringLiteral("htm,html,txt"), QStringLiteral("*")};
    items.sort();
    types_->addItems(items);
    const QRect typesArea = units.Rect(7, 54, 118, 53);
    types_->setGeometry(typesArea.x(), typesArea.y(), typesArea.width(),
                        types_->sizeHint().height());

    auto* typesLabel = new QLabel(QStringLiteral("File &types to scan"), this);
    units.Place(typesLabel, 128, 55, 75, 8);
    typesLabel->setBuddy(types_);

    ok_ = new QPushButton(QStringLiteral("&OK"), this);
    units.Place(ok_, 73, 93, 50, 14);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &CDirScanDialog::OnOK);

    cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    units.Place(cancel_, 195, 93, 50, 14);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(start_, browse_);
    setTabOrder(browse_, types_);
    setTabOrder(types_, ok_);
    setTabOrder(ok_, cancel_);
    UpdateControls();
    start_->setFocus();
    DialogUnits::GrowToFitText(this);
    ShowFocusFromStart(this);
}

std::string CDirScanDialog::DefaultStartDirectory() {
    // The browser cache where there is one (saved pages live there); else where
    // people keep documents; else home, which always passes OK's check.
    QString start = QDir::homePath();
    for (QStandardPaths::StandardLocation location :
         {QStandardPaths::GenericCacheLocation, QStandardPaths::DocumentsLocation}) {
        const QString folder = QStandardPaths::writableLocation(location);
        if (!folder.isEmpty() && QDir(folder).exists()) {
            start = folder;
            break;
        }
    }
    return EncodePath(QDir::toNativeSeparators(start));
}

void CDirScanDialog::UpdateControls() {
    start_->setText(DecodePath(StartDirectory));
    types_->setEditText(QString::fromUtf8(TypeText));
}

void CDirScanDialog::ReadControls() {
    StartDirectory = EncodePath(start_->text());
    TypeText = types_->currentText().toUtf8().toStdString();
}

void CDirScanDialog::OnBrowse() {
    ReadControls();
    std::optional<std::string> chosen =
        picker_.PickDirectory(kSelectScanDirectoryTitle, StartDirectory);
    if (!chosen || chosen->empty())
        return;
    StartDirectory = *chosen;
    UpdateControls();
}

void CDirScanDialog::OnOK() {
    ReadControls();
    if (!ValidateDirScan(StartDirectory, TypeText, messages_))
        return;
    accept();
}

}  // namespace tarvolen
