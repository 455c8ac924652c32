#include "gui/collect/add_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "core/collect/char_map.h"
#include "core/collect/text_encoding.h"
#include "core/workspace.h"
#include "gui/app/dialog_units.h"
#include "gui/util/focus.h"

namespace tarvolen {

namespace {

// In the order of LanguageIndex.
constexpr const char* kLanguageNames[kLanguageCount] = {"English/Latin", "French",  "German",
                                                        "Italian",       "Russian", "Spanish"};

}  // namespace

CAddOptionsDialog::CAddOptionsDialog(AddOptions& options, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags), options_(options) {
    setWindowTitle(QStringLiteral("Add Options"));
    // One row taller than the two ways of adding documents needed: the third way,
    // saved word lists, sits under "Directory Scan".
    const DialogUnits units = DialogUnits::FixDialog(this, 190, 104);

    skipShortWords_ =
        new QCheckBox(QStringLiteral("Filter out too &short words (3 or less symbols)"), this);
    units.Place(skipShortWords_, 7, 7, 176, 10);
    skipShortWords_->setChecked(options_.SkipShortWords != 0);

    auto* label = new QLabel(QStringLiteral("&Language:"), this);
    units.Place(label, 7, 26, 35, 8);

    // A drop-down list's rectangle includes its open list; closed, it is as high as the
    // style draws it.
    language_ = new QComboBox(this);
    for (const char* name : kLanguageNames)
        language_->addItem(QString::fromLatin1(name));
    const QRect listArea = units.Rect(7, 36, 67, 30);
    language_->setGeometry(listArea.x(), listArea.y(), listArea.width(),
                           language_->sizeHint().height());
    const bool known = options_.Language >= 0 && options_.Language < kLanguageCount;
    language_->setCurrentIndex(known ? options_.Language : kEnglishLatin);
    label->setBuddy(language_);

    // How the documents are decoded: beside the language, which chooses the code page
    // they are decoded into, so that the original controls keep their places.
    auto* encodingLabel = new QLabel(QStringLiteral("&Encoding:"), this);
    units.Place(encodingLabel, 100, 26, 60, 8);
    encoding_ = new QComboBox(this);
    for (const EncodingChoice& choice : EncodingChoices())
        encoding_->addItem(QString::fromLatin1(choice.label), QString::fromLatin1(choice.name));
    const QRect encodingArea = units.Rect(100, 36, 83, 30);
    encoding_->setGeometry(encodingArea.x(), encodingArea.y(), encodingArea.width(),
                           encoding_->sizeHint().height());
    const int chosen = encoding_->findData(QString::fromStdString(options_.Encoding));
    encoding_->setCurrentIndex(chosen < 0 ? 0 : chosen);
    encodingLabel->setBuddy(encoding_);

    addFiles_ = new QPushButton(QStringLiteral("Add &File(s)"), this);
    units.Place(addFiles_, 7, 65, 50, 14);
    addFiles_->setDefault(true);
    connect(addFiles_, &QPushButton::clicked, this, [this] { Confirm(kAddFiles); });

    directoryScan_ = new QPushButton(QStringLiteral("&Directory Scan"), this);
    units.Place(directoryScan_, 68, 65, 54, 14);
    connect(directoryScan_, &QPushButton::clicked, this, [this] { Confirm(kDirectoryScan); });

    wordList_ = new QPushButton(QStringLiteral("&Word List..."), this);
    units.Place(wordList_, 68, 83, 54, 14);
    connect(wordList_, &QPushButton::clicked, this, [this] { Confirm(kWordList); });

    cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    units.Place(cancel_, 133, 65, 50, 14);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(skipShortWords_, language_);
    setTabOrder(language_, encoding_);
    setTabOrder(encoding_, addFiles_);
    setTabOrder(addFiles_, directoryScan_);
    setTabOrder(directoryScan_, wordList_);
    setTabOrder(wordList_, cancel_);
    skipShortWords_->setFocus();
    DialogUnits::GrowToFitText(this);
    ShowFocusFromStart(this);
}

void CAddOptionsDialog::Confirm(tarvolen::AddMode mode) {
    AddMode = mode;
    options_.SkipShortWords = skipShortWords_->isChecked() ? 1 : 0;
    options_.Language = language_->currentIndex() < 0 ? kEnglishLatin : language_->currentIndex();
    options_.Encoding = encoding_->currentData().toString().toStdString();
    accept();
}

}  // namespace tarvolen
