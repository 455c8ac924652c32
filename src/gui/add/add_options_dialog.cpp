#include "gui/add/add_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

#include "core/decode/text_encoding.h"
#include "core/ports/file_picker.h"
#include "core/ports/messages.h"
#include "core/text/format_count.h"
#include "core/words/char_map.h"
#include "core/workspace.h"
#include "gui/app/dialog_units.h"
#include "gui/app/qt_paths.h"
#include "gui/util/focus.h"

namespace tarvolen {

namespace {

// In the order of LanguageIndex.
constexpr const char* kLanguageNames[kLanguageCount] = {
    "English/Latin", "French", "German", "Italian", "Russian", "Spanish", "Any language (Unicode)"};

// The word rules sit below everything else, so that the other controls keep their
// places; the dialog grows by as much.
constexpr int kRulesTop = 101;
constexpr int kRuleHeight = 10;
constexpr int kRulesHeight = 3 * kRuleHeight;
// Under how documents are read: the words in a row and across what.
constexpr int kInARowTop = kRulesTop + kRulesHeight + 22;
constexpr int kInARowHeight = 26;
// Then the lemma list.
constexpr int kLemmaTop = kInARowTop + kInARowHeight + 2;
constexpr int kLemmaHeight = 18;

}  // namespace

CAddOptionsDialog::CAddOptionsDialog(AddOptions& options, MessagePort& messages, QWidget* parent,
                                     FilePicker* picker)
    : QDialog(parent, kFixedDialogFlags),
      options_(options),
      messages_(messages),
      picker_(picker),
      lemmaFile_(options.LemmaFile) {
    setWindowTitle(QStringLiteral("Add Options"));
    // One row taller than the two ways of adding documents needed: the third way,
    // saved word lists, sits under "Directory Scan".
    // Three rows of word rules and two of how documents other than plain text are
    // read, under the buttons.
    // Then the words in a row.
    // Then the lemma list.
    const DialogUnits units =
        DialogUnits::FixDialog(this, 190, 104 + kRulesHeight + 20 + kInARowHeight + kLemmaHeight);

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
    language_->setToolTip(QString::fromUtf8(kLanguageToolTip));
    label->setBuddy(language_);

    // How the documents are decoded: beside the language, which chooses the code page
    // they are decoded into, so that the original controls keep their places.
    auto* encodingLabel = new QLabel(QStringLiteral("&Encoding:"), this);
    units.Place(encodingLabel, 100, 26, 60, 8);
    // Editable: any name iconv knows may be typed, as -e takes it; the common ones are
    // listed.
    encoding_ = new QComboBox(this);
    encoding_->setEditable(true);
    encoding_->setInsertPolicy(QComboBox::NoInsert);
    for (const EncodingChoice& choice : EncodingChoices())
        encoding_->addItem(QString::fromLatin1(choice.label), QString::fromLatin1(choice.name));
    const QRect encodingArea = units.Rect(100, 36, 83, 30);
    encoding_->setGeometry(encodingArea.x(), encodingArea.y(), encodingArea.width(),
                           encoding_->sizeHint().height());
    const QString encoding = QString::fromStdString(options_.Encoding);
    const int chosen = encoding_->findData(encoding.toLower());
    if (chosen >= 0 || encoding.isEmpty())
        encoding_->setCurrentIndex(chosen < 0 ? 0 : chosen);
    else
        encoding_->setEditText(encoding);
    encoding_->setToolTip(QString::fromUtf8(kEncodingToolTip));
    encodingLabel->setBuddy(encoding_);

    auto rule = [&](const char* text, bool checked, int row) {
        auto* box = new QCheckBox(QString::fromLatin1(text), this);
        units.Place(box, 7, kRulesTop + row * kRuleHeight, 176, kRuleHeight);
        box->setChecked(checked);
        return box;
    };
    apostrophes_ = rule("A&postrophes inside words", options_.Rules.Apostrophes, 0);
    hyphens_ = rule("&Hyphens inside words", options_.Rules.Hyphens, 1);
    digits_ = rule("Digits as le&tters", options_.Rules.Digits, 2);

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

    webPages_ = new QCheckBox(QStringLiteral("Read web pa&ges as text (markup left out)"), this);
    units.Place(webPages_, 7, kRulesTop + kRulesHeight, 176, 10);
    webPages_->setChecked(options_.Documents.markup != MarkupMode::None);
    everyFile_ = new QCheckBox(QStringLiteral("Read e&very file as text"), this);
    units.Place(everyFile_, 7, kRulesTop + kRulesHeight + 10, 176, 10);
    everyFile_->setChecked(options_.Documents.everyFileAsText);

    auto* inARowLabel = new QLabel(QStringLiteral("Words in a &row: from"), this);
    units.Place(inARowLabel, 7, kInARowTop + 2, 76, 8);
    const auto spin = [&](int value, int x) {
        auto* box = new QSpinBox(this);
        box->setRange(1, WordsInARow::kMost);
        box->setValue(std::clamp(value, 1, WordsInARow::kMost));
        units.Place(box, x, kInARowTop, 28, 12);
        box->setToolTip(QString::fromUtf8(kWordsInARowToolTip));
        return box;
    };
    inARowFrom_ = spin(options_.InARow.From, 84);
    auto* toLabel = new QLabel(QStringLiteral("to"), this);
    units.Place(toLabel, 116, kInARowTop + 2, 10, 8);
    inARowTo_ = spin(std::max(options_.InARow.To, inARowFrom_->value()), 128);
    inARowLabel->setBuddy(inARowFrom_);
    inARowLabel->setToolTip(QString::fromUtf8(kWordsInARowToolTip));
    // Raising one past the other takes the other along, so the range is never empty.
    connect(inARowFrom_, &QSpinBox::valueChanged, this, [this](int from) {
        if (inARowTo_->value() < from)
            inARowTo_->setValue(from);
    });
    connect(inARowTo_, &QSpinBox::valueChanged, this, [this](int to) {
        if (inARowFrom_->value() > to)
            inARowFrom_->setValue(to);
    });
    acrossPunctuation_ = new QCheckBox(QStringLiteral("Words in a row across p&unctuation"), this);
    units.Place(acrossPunctuation_, 7, kInARowTop + 15, 176, 10);
    acrossPunctuation_->setChecked(options_.InARow.AcrossPunctuation);
    acrossPunctuation_->setToolTip(QString::fromUtf8(kAcrossPunctuationToolTip));

    lemmaList_ = new QPushButton(QStringLiteral("Le&mma list..."), this);
    units.Place(lemmaList_, 7, kLemmaTop, 54, 14);
    lemmaList_->setToolTip(QString::fromUtf8(kLemmaListToolTip));
    lemmaList_->setEnabled(picker_ != nullptr);
    connect(lemmaList_, &QPushButton::clicked, this, [this] { PickLemmaFile(); });
    lemmaFileLabel_ = new QLabel(this);
    units.Place(lemmaFileLabel_, 65, kLemmaTop + 3, 86, 8);
    noLemmaList_ = new QPushButton(QStringLiteral("N&one"), this);
    units.Place(noLemmaList_, 155, kLemmaTop, 28, 14);
    connect(noLemmaList_, &QPushButton::clicked, this, [this] { SetLemmaFile({}); });
    SetLemmaFile(lemmaFile_);

    setTabOrder(skipShortWords_, language_);
    setTabOrder(language_, encoding_);
    setTabOrder(encoding_, apostrophes_);
    setTabOrder(apostrophes_, hyphens_);
    setTabOrder(hyphens_, digits_);
    setTabOrder(digits_, webPages_);
    setTabOrder(webPages_, everyFile_);
    setTabOrder(everyFile_, inARowFrom_);
    setTabOrder(inARowFrom_, inARowTo_);
    setTabOrder(inARowTo_, acrossPunctuation_);
    setTabOrder(acrossPunctuation_, lemmaList_);
    setTabOrder(lemmaList_, noLemmaList_);
    setTabOrder(noLemmaList_, addFiles_);
    setTabOrder(addFiles_, directoryScan_);
    setTabOrder(directoryScan_, wordList_);
    setTabOrder(wordList_, cancel_);
    skipShortWords_->setFocus();
    DialogUnits::GrowToFitText(this);
    ShowFocusFromStart(this);
}

std::string CAddOptionsDialog::ChosenEncoding() const {
    const QString typed = encoding_->currentText().trimmed();
    const int listed = encoding_->findText(typed, Qt::MatchFixedString);
    if (listed >= 0)
        return encoding_->itemData(listed).toString().toStdString();
    return typed.toStdString();
}

void CAddOptionsDialog::SetLemmaFile(const std::string& path) {
    lemmaFile_ = path;
    // The name alone fits beside the button; the whole path is in the tip.
    const QString shown = DecodePath(path);
    lemmaFileLabel_->setText(path.empty() ? QString::fromLatin1(kNoLemmaListText)
                                          : QFileInfo(shown).fileName());
    lemmaFileLabel_->setToolTip(shown);
    noLemmaList_->setEnabled(!path.empty());
}

void CAddOptionsDialog::PickLemmaFile() {
    FilePickRequest request;
    request.title = "Lemma list";
    request.defaultExtension = "txt";
    request.filter = "Text File (*.txt)|*.txt|All Files (*.*)|*.*||";
    request.initialPath = lemmaFile_;
    const FilePickResult picked = picker_->PickFiles(request);
    if (picked.accepted && !picked.paths.empty())
        SetLemmaFile(picked.paths.front());
}

void CAddOptionsDialog::Confirm(tarvolen::AddMode mode) {
    const std::string encoding = ChosenEncoding();
    if (!ParseEncoding(encoding)) {
        messages_.ShowMessage(FormatText(kUnknownEncodingFormat, encoding.c_str()),
                              MessageIcon::Warning);
        encoding_->setFocus();
        encoding_->lineEdit()->selectAll();
        return;
    }
    AddMode = mode;
    options_.SkipShortWords = skipShortWords_->isChecked() ? 1 : 0;
    options_.Language = language_->currentIndex() < 0 ? kEnglishLatin : language_->currentIndex();
    options_.Encoding = encoding;
    // Unticked, pages are read as any file; ticked, by their names (the command line
    // can also read every file as a page).
    if (!webPages_->isChecked())
        options_.Documents.markup = MarkupMode::None;
    else if (options_.Documents.markup == MarkupMode::None)
        options_.Documents.markup = MarkupMode::ByName;
    options_.Documents.everyFileAsText = everyFile_->isChecked();
    options_.Rules.Apostrophes = apostrophes_->isChecked();
    options_.Rules.Hyphens = hyphens_->isChecked();
    options_.Rules.Digits = digits_->isChecked();
    options_.InARow.From = inARowFrom_->value();
    options_.InARow.To = inARowTo_->value();
    options_.InARow.AcrossPunctuation = acrossPunctuation_->isChecked();
    options_.LemmaFile = lemmaFile_;
    accept();
}

}  // namespace tarvolen
