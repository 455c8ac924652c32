#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

#include "core/workspace.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace tarvolen {

class FilePicker;
class MessagePort;

// "Add Options": the language, the encoding of the documents, the short-word option,
// the word rules, how web pages and files that are no text are read, how many words
// in a row an entry holds, the lemma list, and the way to add. Any Add button confirms the dialog
// and stores the controls into the options, unless the encoding typed is not one that iconv knows;
// Cancel, Escape and the close box leave the options as they were.
//
// Enter acts as "Add File(s)", the default button, while the check box or the
// language list has the focus; on a focused push button it presses that button.
inline constexpr const char* kUnknownEncodingFormat =
    "The encoding \"%s\" is not known. Choose one of the list, or type a name that iconv "
    "knows (\"iconv --list\" shows them).";
inline constexpr const char* kEncodingToolTip =
    "How the documents are read. Choose one of the list, or type any name that iconv "
    "knows, as tarvolen-cli's -e takes it.";
inline constexpr const char* kWordsInARowToolTip =
    "Count runs of consecutive words (n-grams) as entries of their own, their words joined "
    "by a space: from 2 to 2 counts pairs of words, from 1 to 3 single words, pairs and "
    "triples. Punctuation, a blank line and the end of a document end a run.";
inline constexpr const char* kAcrossPunctuationToolTip =
    "Words with punctuation, symbols or digits between them are still in a row; a blank "
    "line, a word that is not counted and the end of a document still end it.";
inline constexpr const char* kLemmaListToolTip =
    "Count each form as its headword: a file of lines \"be -> is, was, were\", one "
    "headword a line, as tarvolen-cli's --lemmas reads it.";
inline constexpr const char* kNoLemmaListText = "(none)";
inline constexpr const char* kLanguageToolTip =
    "French, Italian and Spanish count the letters a-z only (and \u00F1 for Spanish); "
    "\"Any language (Unicode)\" keeps every letter of every script.";

class CAddOptionsDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr tarvolen::AddMode kAddFiles = tarvolen::AddMode::Files;
    static constexpr tarvolen::AddMode kDirectoryScan = tarvolen::AddMode::DirectoryScan;
    static constexpr tarvolen::AddMode kWordList = tarvolen::AddMode::WordList;

    // messages says why an encoding is refused; picker chooses the lemma list (without
    // one, "Lemma list..." is disabled).
    CAddOptionsDialog(AddOptions& options, MessagePort& messages, QWidget* parent = nullptr,
                      FilePicker* picker = nullptr);

    // How the dialog was confirmed: kAddFiles, kDirectoryScan or kWordList.
    tarvolen::AddMode AddMode = kAddFiles;

    QCheckBox* SkipShortWordsBox() const { return skipShortWords_; }
    QComboBox* LanguageList() const { return language_; }
    QComboBox* EncodingList() const { return encoding_; }
    QCheckBox* WebPagesBox() const { return webPages_; }
    QCheckBox* EveryFileBox() const { return everyFile_; }
    QCheckBox* ApostrophesBox() const { return apostrophes_; }
    QCheckBox* HyphensBox() const { return hyphens_; }
    QCheckBox* DigitsBox() const { return digits_; }
    // "Words in a row: from [1] to [8]"; from never exceeds to.
    QSpinBox* InARowFromBox() const { return inARowFrom_; }
    QSpinBox* InARowToBox() const { return inARowTo_; }
    QCheckBox* AcrossPunctuationBox() const { return acrossPunctuation_; }
    // "Lemma list...", the file's name beside it, and the button that drops the list.
    QPushButton* LemmaListButton() const { return lemmaList_; }
    QLabel* LemmaFileLabel() const { return lemmaFileLabel_; }
    QPushButton* NoLemmaListButton() const { return noLemmaList_; }
    // The lemma list the dialog will confirm; empty for none.
    void SetLemmaFile(const std::string& path);
    QPushButton* AddFilesButton() const { return addFiles_; }
    QPushButton* DirectoryScanButton() const { return directoryScan_; }
    QPushButton* WordListButton() const { return wordList_; }
    QPushButton* CancelButton() const { return cancel_; }

  private:
    void Confirm(tarvolen::AddMode mode);
    // The encoding's name as iconv and -e take it: a listed entry's, or as typed.
    std::string ChosenEncoding() const;
    void PickLemmaFile();

    AddOptions& options_;
    MessagePort& messages_;
    QCheckBox* skipShortWords_;
    QComboBox* language_;
    QComboBox* encoding_;
    QCheckBox* webPages_;
    QCheckBox* everyFile_;
    QCheckBox* apostrophes_;
    QCheckBox* hyphens_;
    QCheckBox* digits_;
    QSpinBox* inARowFrom_;
    QSpinBox* inARowTo_;
    QCheckBox* acrossPunctuation_;
    FilePicker* picker_;
    std::string lemmaFile_;
    QPushButton* lemmaList_;
    QLabel* lemmaFileLabel_;
    QPushButton* noLemmaList_;
    QPushButton* addFiles_;
    QPushButton* directoryScan_;
    QPushButton* wordList_;
    QPushButton* cancel_;
};

}  // namespace tarvolen
