// The Add command through the main window, and its two dialogs as real widgets.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/input/dir_scan.h"
#include "core/workspace.h"
#include "gui/add/add_options_dialog.h"
#include "gui/add/dir_scan_dialog.h"
#include "gui/app/dialog_units.h"
#include "gui/app/main_dialog.h"
#include "support/fakes.h"
#include "support/main_window_fixture.h"
#include "support/qt_widget_test.h"
#include "support/real_dialogs.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

class AddOptionsDialogTest : public testing::QtWidgetTest {
  protected:
    testing::FakeMessages messages;
};

using testing::FakeFilePicker;
using testing::FakeMessages;
using testing::FakeProgress;
using testing::TempDir;

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

using testing::RealAddOptions;

void Choose(CAddOptionsDialog& dialog, int language, bool skipShort, QPushButton* button) {
    dialog.LanguageList()->setCurrentIndex(language);
    dialog.SkipShortWordsBox()->setChecked(skipShort);
    QTest::mouseClick(button, Qt::LeftButton);
}

FilePickResult Chosen(std::vector<std::string> paths, int filterIndex = 2) {
    return FilePickResult{true, std::move(paths), filterIndex};
}

class AddCommandTest : public testing::MainWindowTest {
  protected:
    void ClickAdd() { Click(CMainDialog::Button::Add); }

    // Add Options confirmed with "Add File(s)" or "Directory Scan" and nothing changed.
    void ConfirmAddOptions(AddMode mode, bool skipShort = false) {
        dialogs.addOptions.push_back([mode, skipShort](AddOptions& options, AddMode& addMode) {
            options.SkipShortWords = skipShort;
            addMode = mode;
            return true;
        });
    }

    std::vector<std::string> Words() const { return testing::SortedStoreWords(workspace.Store); }

    TempDir dir;
};

// --- the Add Options dialog ----------------------------------------------------------

TEST_F(AddOptionsDialogTest, ConfirmStoresControlsAndCancelKeepsThePreviousValues) {
    AddOptions options;
    {
        CAddOptionsDialog dialog(options, messages);
        dialog.show();
        // The first Add of a process: English/Latin, box cleared.
        EXPECT_EQ(dialog.LanguageList()->currentText(), "English/Latin");
        EXPECT_EQ(dialog.LanguageList()->count(), kLanguageCount);
        EXPECT_FALSE(dialog.SkipShortWordsBox()->isChecked());
        Choose(dialog, kRussian, true, dialog.DirectoryScanButton());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.AddMode, CAddOptionsDialog::kDirectoryScan);
    }
    EXPECT_EQ(options.Language, kRussian);
    EXPECT_EQ(options.SkipShortWords, 1);
    {
        CAddOptionsDialog dialog(options, messages);
        dialog.show();
        EXPECT_EQ(dialog.LanguageList()->currentText(), "Russian");
        EXPECT_TRUE(dialog.SkipShortWordsBox()->isChecked());
        Choose(dialog, kFrench, false, dialog.CancelButton());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    EXPECT_EQ(options.Language, kRussian);
    EXPECT_EQ(options.SkipShortWords, 1);
    EXPECT_EQ(options.OpenFilterIndex, 2);  // not the dialog's business
}

TEST_F(AddOptionsDialogTest, UnicodeEntryAndWordRulesAreKeptOnlyWhenConfirmed) {
    AddOptions options;
    {
        CAddOptionsDialog dialog(options, messages);
        dialog.show();
        EXPECT_EQ(dialog.LanguageList()->itemText(kUnicode), "Any language (Unicode)");
        EXPECT_EQ(dialog.LanguageList()->toolTip(), QString::fromUtf8(kLanguageToolTip));
        for (QCheckBox* box : {dialog.ApostrophesBox(), dialog.HyphensBox(), dialog.DigitsBox()}) {
            EXPECT_FALSE(box->isChecked());
        }
        EXPECT_EQ(dialog.ApostrophesBox()->text(), "A&postrophes inside words");
        EXPECT_EQ(dialog.HyphensBox()->text(), "&Hyphens inside words");
        EXPECT_EQ(dialog.DigitsBox()->text(), "Digits as le&tters");
        dialog.LanguageList()->setCurrentIndex(kUnicode);
        dialog.ApostrophesBox()->click();
        dialog.DigitsBox()->click();
        QTest::mouseClick(dialog.AddFilesButton(), Qt::LeftButton);
    }
    EXPECT_EQ(options.Language, kUnicode);
    EXPECT_EQ(options.Rules, (WordRules{true, false, true}));
    {
        CAddOptionsDialog dialog(options, messages);
        dialog.show();
        EXPECT_TRUE(dialog.ApostrophesBox()->isChecked());
        EXPECT_FALSE(dialog.HyphensBox()->isChecked());
        dialog.HyphensBox()->click();
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    }
    EXPECT_EQ(options.Rules, (WordRules{true, false, true}));
}

TEST_F(AddOptionsDialogTest, EncodingStartsAutomaticAndIsKeptOnlyWhenConfirmed) {
    AddOptions options;
    {
        CAddOptionsDialog dialog(options, messages);
        dialog.show();
        EXPECT_EQ(dialog.EncodingList()->currentText(), "Automatic");
        EXPECT_EQ(dialog.EncodingList()->itemText(0), "Automatic");
        EXPECT_EQ(dialog.EncodingList()->count(), static_cast<int>(EncodingChoices().size()));
        dialog.EncodingList()->setCurrentIndex(dialog.EncodingList()->findText("KOI8-R"));
        QTest::mouseClick(dialog.AddFilesButton(), Qt::LeftButton);
    }
    EXPECT_EQ(options.Encoding, "koi8-r");
    {
        CAddOptionsDialog dialog(options, messages);
        dialog.show();
        EXPECT_EQ(dialog.EncodingList()->currentText(), "KOI8-R");
        dialog.EncodingList()->setCurrentIndex(0);
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    }
    EXPECT_EQ(options.Encoding, "koi8-r");
}

// Any name iconv knows may be typed, as -e takes it; an unknown one is refused at OK
// with a message that names it, and the dialog stays open.
TEST_F(AddOptionsDialogTest, TheEncodingBoxTakesAnyNameIconvKnows) {
    AddOptions options;
    {
        CAddOptionsDialog dialog(options, messages);
        dialog.show();
        EXPECT_TRUE(dialog.EncodingList()->isEditable());
        for (const char* listed : {"Windows-1250", "Windows-1251", "Windows-1252", "ISO-8859-1",
                                   "ISO-8859-2", "ISO-8859-15", "KOI8-R", "KOI8-U", "Shift_JIS",
                                   "EUC-JP", "GB18030", "Big5", "EUC-KR"})
            EXPECT_GE(dialog.EncodingList()->findText(listed), 0) << listed;
        dialog.EncodingList()->setEditText("no-such-encoding");
        QTest::mouseClick(dialog.AddFilesButton(), Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(messages.Texts().size(), 1u);
        EXPECT_NE(messages.Texts()[0].find("\"no-such-encoding\" is not known"), std::string::npos);
        EXPECT_EQ(options.Encoding, kAutomaticEncodingName);

        dialog.EncodingList()->setEditText("ISO-8859-7");
        QTest::mouseClick(dialog.AddFilesButton(), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_EQ(options.Encoding, "ISO-8859-7");
    {
        // Shown again as typed; a listed name typed in another case is the entry.
        CAddOptionsDialog dialog(options, messages);
        dialog.show();
        EXPECT_EQ(dialog.EncodingList()->currentText(), "ISO-8859-7");
        dialog.EncodingList()->setEditText("koi8-u");
        QTest::mouseClick(dialog.AddFilesButton(), Qt::LeftButton);
    }
    EXPECT_EQ(options.Encoding, "koi8-u");
    EXPECT_EQ(messages.Texts().size(), 1u);
}

TEST_F(AddOptionsDialogTest, EnterActsAsAddFilesAndEscapeCancels) {
    struct Case {
        const char* focus;
        int key;
        bool accepted;
    } cases[] = {{"list", Qt::Key_Return, true},
                 {"box", Qt::Key_Enter, true},
                 {"list", Qt::Key_Escape, false}};
    for (const Case& c : cases) {
        AddOptions options;
        CAddOptionsDialog dialog(options, messages);
        dialog.show();
        dialog.LanguageList()->setCurrentIndex(kGerman);
        dialog.AddMode = CAddOptionsDialog::kDirectoryScan;  // must be overwritten
        QWidget* target = std::string(c.focus) == "list"
                              ? static_cast<QWidget*>(dialog.LanguageList())
                              : static_cast<QWidget*>(dialog.SkipShortWordsBox());
        QTest::keyClick(target, static_cast<Qt::Key>(c.key));
        EXPECT_FALSE(dialog.isVisible()) << c.focus << " " << c.key;
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted) << c.focus << " " << c.key;
        if (c.accepted) {
            EXPECT_EQ(dialog.AddMode, CAddOptionsDialog::kAddFiles);
            EXPECT_EQ(options.Language, kGerman);
        } else {
            EXPECT_EQ(options.Language, kEnglishLatin);
        }
    }
}

TEST_F(AddOptionsDialogTest, ControlsArePlacedInDialogUnits) {
    AddOptions options;
    CAddOptionsDialog dialog(options, messages);
    const DialogUnits units(dialog.font());
    // Drawn in dialog units, then stretched as a whole where a text needs more room.
    const LayoutStretch stretch = DialogUnits::StretchOf(&dialog);
    EXPECT_GE(stretch.across, 1.0);
    EXPECT_GE(stretch.down, 1.0);
    // The word rules' three rows below the rest, then how documents are read, then the
    // words in a row, then the lemma list.
    EXPECT_EQ(dialog.size(), stretch.Apply(units.Size(190, 198)));
    EXPECT_EQ(dialog.ApostrophesBox()->geometry(), stretch.Apply(units.Rect(7, 101, 176, 10)));
    EXPECT_EQ(dialog.DigitsBox()->geometry(), stretch.Apply(units.Rect(7, 121, 176, 10)));
    EXPECT_EQ(dialog.WebPagesBox()->geometry(), stretch.Apply(units.Rect(7, 131, 176, 10)));
    EXPECT_EQ(dialog.EveryFileBox()->geometry(), stretch.Apply(units.Rect(7, 141, 176, 10)));
    EXPECT_EQ(dialog.InARowFromBox()->geometry(), stretch.Apply(units.Rect(84, 153, 28, 12)));
    EXPECT_EQ(dialog.InARowToBox()->geometry(), stretch.Apply(units.Rect(128, 153, 28, 12)));
    EXPECT_EQ(dialog.AcrossPunctuationBox()->geometry(),
              stretch.Apply(units.Rect(7, 168, 176, 10)));
    EXPECT_EQ(dialog.LemmaListButton()->geometry(), stretch.Apply(units.Rect(7, 181, 54, 14)));
    EXPECT_EQ(dialog.NoLemmaListButton()->geometry(), stretch.Apply(units.Rect(155, 181, 28, 14)));
    EXPECT_EQ(dialog.WordListButton()->geometry(), stretch.Apply(units.Rect(68, 83, 54, 14)));
    EXPECT_EQ(dialog.AddFilesButton()->geometry(), stretch.Apply(units.Rect(7, 65, 50, 14)));
    EXPECT_EQ(dialog.DirectoryScanButton()->geometry(), stretch.Apply(units.Rect(68, 65, 54, 14)));
    EXPECT_EQ(dialog.CancelButton()->geometry(), stretch.Apply(units.Rect(133, 65, 50, 14)));
    EXPECT_EQ(dialog.windowTitle(), "Add Options");
}

// "Lemma list..." asks the picker for the file and shows its name; "None" drops it;
// only a confirmed dialog changes the options.
TEST_F(AddOptionsDialogTest, LemmaListIsChosenAndDropped) {
    AddOptions options;
    FakeFilePicker picker;
    CAddOptionsDialog dialog(options, messages, nullptr, &picker);
    EXPECT_EQ(dialog.LemmaFileLabel()->text(), "(none)");
    EXPECT_FALSE(dialog.NoLemmaListButton()->isEnabled());
    picker.fileResults.push_back(FilePickResult{true, {"/data/de/lemmas.txt"}, 1});
    QTest::mouseClick(dialog.LemmaListButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.LemmaFileLabel()->text(), "lemmas.txt");
    EXPECT_EQ(options.LemmaFile, "");
    picker.fileResults.push_back(FilePickResult{});  // cancelled: the list stays
    QTest::mouseClick(dialog.LemmaListButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.AddFilesButton(), Qt::LeftButton);
    EXPECT_EQ(options.LemmaFile, "/data/de/lemmas.txt");

    CAddOptionsDialog again(options, messages, nullptr, &picker);
    EXPECT_EQ(again.LemmaFileLabel()->text(), "lemmas.txt");
    EXPECT_EQ(picker.fileRequests.back().initialPath, "/data/de/lemmas.txt");
    QTest::mouseClick(again.NoLemmaListButton(), Qt::LeftButton);
    QTest::mouseClick(again.AddFilesButton(), Qt::LeftButton);
    EXPECT_EQ(options.LemmaFile, "");
}

// --- OnAdd and AddFiles ---------------------------------------------------------------

TEST_F(AddCommandTest, OptionsAreRememberedAcrossRunsAndRestoredAfterCancel) {
    std::vector<std::pair<int, bool>> shown;
    dialogs.addOptions.push_back(RealAddOptions(
        messages, [](CAddOptionsDialog& d) { Choose(d, kRussian, true, d.AddFilesButton()); },
        &shown));
    picker.fileResults.push_back(FilePickResult{});  // the open dialog is cancelled
    ClickAdd();
    dialogs.addOptions.push_back(RealAddOptions(
        messages, [](CAddOptionsDialog& d) { Choose(d, kSpanish, false, d.CancelButton()); },
        &shown));
    ClickAdd();
    dialogs.addOptions.push_back(RealAddOptions(
        messages, [](CAddOptionsDialog& d) { QTest::mouseClick(d.CancelButton(), Qt::LeftButton); },
        &shown));
    ClickAdd();

    EXPECT_EQ(shown, (std::vector<std::pair<int, bool>>{
                         {kEnglishLatin, false}, {kRussian, true}, {kRussian, true}}));
    EXPECT_EQ(workspace.Add.Language, kRussian);
    EXPECT_EQ(window->SkipShortWords, 1);
    // The confirmed language's alphabet is in force: Cyrillic capital A folds to small a.
    EXPECT_EQ(workspace.Map[0xC0], 0xE0);
    EXPECT_EQ(picker.fileRequests.size(), 1u);
    EXPECT_TRUE(messages.shown.empty());
}

// "Read web pages as text" starts ticked and "Read every file as text" not; what was
// confirmed is shown next time and holds for the process.
TEST_F(AddCommandTest, HowDocumentsAreReadIsKeptForTheProcess) {
    std::vector<std::pair<bool, bool>> shown;
    const auto drive = [this, &shown](bool webPages, bool everyFile, bool confirm) {
        return RealAddOptions(
            messages, [&shown, webPages, everyFile, confirm](CAddOptionsDialog& d) {
                shown.emplace_back(d.WebPagesBox()->isChecked(), d.EveryFileBox()->isChecked());
                d.WebPagesBox()->setChecked(webPages);
                d.EveryFileBox()->setChecked(everyFile);
                QTest::mouseClick(confirm ? d.AddFilesButton() : d.CancelButton(), Qt::LeftButton);
            });
    };
    dialogs.addOptions.push_back(drive(false, true, true));
    picker.fileResults.push_back(FilePickResult{});
    ClickAdd();
    dialogs.addOptions.push_back(drive(true, false, false));
    ClickAdd();
    EXPECT_EQ(shown, (std::vector<std::pair<bool, bool>>{{true, false}, {false, true}}));
    EXPECT_EQ(workspace.Add.Documents.markup, MarkupMode::None);
    EXPECT_TRUE(workspace.Add.Documents.everyFileAsText);
}

// A UTF-8 file read with the confirmed encoding lands in the store as the code page's
// letters, and the list remembers the code page it was collected under.
TEST_F(AddCommandTest, Utf8FilesReadAsTheirLettersAndTheListKeepsItsCodePage) {
    const std::string russian =
        dir.Write("ru.txt", "\xD0\x9C\xD0\xB8\xD1\x80 \xD0\xB4\xD0\xBE\xD0\xBC");
    dialogs.addOptions.push_back(RealAddOptions(
        messages, [](CAddOptionsDialog& d) { Choose(d, kRussian, false, d.AddFilesButton()); }));
    picker.fileResults.push_back(Chosen({russian}));
    ClickAdd();
    EXPECT_EQ(Words(), (std::vector<std::string>{"\xE4\xEE\xEC", "\xEC\xE8\xF0"}));
    EXPECT_EQ(workspace.ListCodePage, CodePage::Windows1251);
}

// Words of the other code page would be saved and shown as the wrong letters: the
// Add asks first, and No adds nothing and keeps the options.
TEST_F(AddCommandTest, MixingCodePagesAsksFirst) {
    const std::string german = dir.Write("de.txt",
                                         "M\xC3\xA4"
                                         "dchen");
    for (Answer answer : {Answer::No, Answer::Yes}) {
        SCOPED_TRACE(answer == Answer::Yes ? "Yes" : "No");
        workspace.Store.Clear();
        workspace.Store.AddWord("\xEC\xE8\xF0");
        workspace.ListCodePage = CodePage::Windows1251;
        workspace.Add.Language = kRussian;
        messages.shown.clear();
        messages.asked.clear();
        messages.Script(answer);
        dialogs.addOptions.push_back(RealAddOptions(
            messages, [](CAddOptionsDialog& d) { Choose(d, kGerman, false, d.AddFilesButton()); }));
        if (answer == Answer::Yes)
            picker.fileResults.push_back(Chosen({german}));
        ClickAdd();
        ASSERT_EQ(messages.asked.size(), 1u);
        EXPECT_NE(messages.asked[0].find("Windows-1251"), std::string::npos) << messages.asked[0];
        EXPECT_NE(messages.asked[0].find("Windows-1252"), std::string::npos) << messages.asked[0];
        if (answer == Answer::No) {
            EXPECT_EQ(workspace.Add.Language, kRussian);
            EXPECT_EQ(Words(), std::vector<std::string>{"\xEC\xE8\xF0"});
            EXPECT_TRUE(picker.fileRequests.empty());
        } else {
            EXPECT_EQ(workspace.Add.Language, kGerman);
            EXPECT_EQ(Words(), (std::vector<std::string>{"m\xE4"
                                                         "dchen",
                                                         "\xEC\xE8\xF0"}));
            // The list keeps the code page of its first words.
            EXPECT_EQ(workspace.ListCodePage, CodePage::Windows1251);
        }
    }
    // The same language, or an empty list, asks nothing.
    workspace.Store.Clear();
    messages.asked.clear();
    dialogs.addOptions.push_back(RealAddOptions(
        messages, [](CAddOptionsDialog& d) { Choose(d, kFrench, false, d.CancelButton()); }));
    ClickAdd();
    EXPECT_TRUE(messages.asked.empty());
}

// "Word List..." merges the chosen saved lists, counts included, with the progress
// window and the summary; a refused list adds nothing of itself.
TEST_F(AddCommandTest, WordListButtonMergesTheChosenLists) {
    const std::string first = dir.Write("a.txt", "the,12\nand,7\n");
    const std::string second = dir.Write("b.txt", "The,3\r\nyak,2\r\n");
    const std::string bad = dir.Write("bad.txt", "zebra,x\n");
    dialogs.addOptions.push_back(RealAddOptions(messages, [](CAddOptionsDialog& d) {
        Choose(d, kEnglishLatin, false, d.WordListButton());
    }));
    picker.fileResults.push_back(Chosen({first, second, bad}));
    ClickAdd();

    ASSERT_EQ(picker.fileRequests.size(), 1u);
    EXPECT_TRUE(picker.fileRequests[0].multiSelect);
    EXPECT_NE(picker.fileRequests[0].filter.find("Word List (*.txt)"), std::string::npos);
    EXPECT_EQ(testing::StoreWords(workspace.Store),
              (testing::WordCounts{{"and", 7}, {"the", 15}, {"yak", 2}}));
    EXPECT_EQ(dialogs.progressWindows.size(), 1u);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(StartsWith(messages.shown[0].text, "The word list " + bad + " was not merged"));
    EXPECT_TRUE(StartsWith(messages.shown[1].text,
                           "1 Kb processed\r\n24 total qualified words\r\n"
                           "3 words added\r\n"));
    EXPECT_TRUE(workspace.ListUnsaved);
}

// Add File(s) whose one file cannot be read stops before reading and says that
// nothing was added.
TEST_F(AddCommandTest, AnOnlyFileThatCannotBeReadAddsNothingAndSaysSo) {
    workspace.Store.AddWord("kept");
    const std::string missing = (dir.path() / "missing.txt").string();
    ConfirmAddOptions(AddMode::Files);
    picker.fileResults.push_back(Chosen({missing}));
    ClickAdd();
    EXPECT_EQ(
        messages.Texts(),
        std::vector<std::string>{missing + ": No such file or directory\r\n\r\nNothing was added "
                                           "to the list."});
    EXPECT_TRUE(dialogs.progressWindows.empty());
    EXPECT_EQ(Words(), std::vector<std::string>{"kept"});
}

TEST_F(AddCommandTest, ShortWordOptionSetsMinimumWordLength) {
    std::string text = dir.Write("t.txt", "a an the word words");
    for (bool skipShort : {true, false}) {
        workspace.Store.Clear();
        ConfirmAddOptions(AddMode::Files, skipShort);
        picker.fileResults.push_back(Chosen({text}));
        ClickAdd();
        EXPECT_EQ(workspace.MinWordLength, skipShort ? 4 : 1);
        const std::vector<std::string> expected =
            skipShort ? std::vector<std::string>{"word", "words"}
                      : std::vector<std::string>{"a", "an", "the", "word", "words"};
        EXPECT_EQ(Words(), expected);
        EXPECT_EQ(workspace.QualifiedWords, skipShort ? 2 : 5);
    }
}

TEST_F(AddCommandTest, ChosenFilesAreCountedWithStatusLineAndSummary) {
    std::string first = dir.Write("one.txt", "Alpha beta\ngamma");
    std::string second = dir.Write("two.txt", "beta DELTA");
    ConfirmAddOptions(AddMode::Files);
    picker.fileResults.push_back(Chosen({first, second}, 1));
    ClickAdd();

    ASSERT_EQ(picker.fileRequests.size(), 1u);
    const FilePickRequest& request = picker.fileRequests.front();
    EXPECT_TRUE(request.multiSelect);
    EXPECT_EQ(request.filter, "Text File (*.txt)|*.txt|All Files (*.*)|*.*||");
    EXPECT_EQ(request.defaultExtension, "txt");
    EXPECT_EQ(request.filterIndex, 2);  // "All Files (*.*)" the first time

    EXPECT_EQ(window->State.InputFiles, (std::vector<std::string>{first, second}));
    EXPECT_EQ(Words(), (std::vector<std::string>{"alpha", "beta", "delta", "gamma"}));
    EXPECT_TRUE(workspace.ListUnsaved);
    EXPECT_EQ(Status(), "4 words in the list (NOT SAVED YET)");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(StartsWith(messages.shown[0].text,
                           "1 Kb processed\r\n5 total qualified words\r\n4 words added\r\n"))
        << messages.shown[0].text;
    // The entry picked this time is where the next open dialog starts.
    EXPECT_EQ(workspace.Add.OpenFilterIndex, 1);
    ConfirmAddOptions(AddMode::Files);
    picker.fileResults.push_back(FilePickResult{});
    ClickAdd();
    EXPECT_EQ(picker.fileRequests.back().filterIndex, 1);
    EXPECT_EQ(messages.shown.size(), 1u);  // a cancelled open dialog says nothing
}

// --- the directory scan ---------------------------------------------------------------

TEST_F(AddCommandTest, DirectoryScanCollectsTypedFilesAndIngestsThem) {
    dir.Write("a.TXT", "zeta");
    dir.Write("sub/b.txt", "eta theta");
    dir.Write("sub/c.htm", "iota");
    dir.Write("readme", "kappa");
    ConfirmAddOptions(AddMode::DirectoryScan);
    std::string seenStart, seenTypes;
    std::string root = dir.path().string();
    dialogs.dirScan.push_back([&](std::string& start, std::string& types) {
        seenStart = start;
        seenTypes = types;
        start = root + "/";
        types = ".txt";
        return true;
    });
    ClickAdd();

    EXPECT_EQ(seenStart, "");  // the dialog proposes its own default
    EXPECT_EQ(seenTypes, kDefaultScanTypes);
    EXPECT_EQ(window->ScanTypes, std::vector<std::string>{"txt"});
    std::vector<std::string> files = window->State.InputFiles;
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{root + "/a.TXT", root + "/sub/b.txt"}));
    EXPECT_EQ(Words(), (std::vector<std::string>{"eta", "theta", "zeta"}));
    EXPECT_EQ(Status(), "3 words in the list (NOT SAVED YET)");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(StartsWith(messages.shown[0].text, "1 Kb processed\r\n3 total qualified words"));

    // Two progress windows: the walk's, then the ingestion's; both closed.
    ASSERT_EQ(dialogs.progressWindows.size(), 2u);
    const FakeProgress& walk = *dialogs.progressWindows[0];
    EXPECT_EQ(walk.fileLines.front(), root);
    EXPECT_EQ(walk.detailLines.front(), "0 files found");
    EXPECT_GE(walk.closeCalls, 1);
    EXPECT_GE(dialogs.progressWindows[1]->closeCalls, 1);
}

TEST_F(AddCommandTest, CancelDuringTheWalkAddsNothing) {
    dir.Write("a/b/c/d.txt", "lambda");
    dir.Write("e.txt", "mu");
    workspace.Store.AddWord("kept");
    workspace.ListUnsaved = false;
    window->RefreshStatusLine();
    ConfirmAddOptions(AddMode::DirectoryScan, true);
    dialogs.dirScan.push_back([&](std::string& start, std::string&) {
        start = dir.path().string();
        return true;
    });
    // Cancel on the last check: every directory has been entered by then.
    dialogs.onOpenProgress = [](FakeProgress& progress) { progress.CancelOnPoll(5); };
    ClickAdd();

    EXPECT_EQ(workspace.MinWordLength, 4);          // set before the scan dialog
    EXPECT_EQ(dialogs.progressWindows.size(), 1u);  // no ingestion
    EXPECT_GE(dialogs.progressWindows[0]->closeCalls, 1);
    EXPECT_EQ(dialogs.progressWindows[0]->polls, 5);
    EXPECT_EQ(Words(), std::vector<std::string>{"kept"});
    EXPECT_FALSE(workspace.ListUnsaved);
    EXPECT_EQ(Status(), "1 words in the list");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(AddCommandTest, CancelledScanDialogChangesNothing) {
    ConfirmAddOptions(AddMode::DirectoryScan);
    window->State.InputFiles = {"/earlier"};
    dialogs.dirScan.push_back([](std::string&, std::string&) { return false; });
    ClickAdd();
    EXPECT_TRUE(dialogs.progressWindows.empty());
    EXPECT_EQ(window->State.InputFiles, std::vector<std::string>{"/earlier"});
    EXPECT_TRUE(messages.shown.empty());
}

// --- the directory-scan dialog ---------------------------------------------------------

class DirScanDialogTest : public testing::QtWidgetTest {
  protected:
    DirScanDialogTest() : dialog(messages, picker) { dialog.show(); }

    void Type(const std::string& start, const QString& types) {
        dialog.StartEdit()->setText(QString::fromStdString(start));
        dialog.TypeCombo()->setEditText(types);
    }
    void ClickOk() { QTest::mouseClick(dialog.OkButton(), Qt::LeftButton); }

    FakeMessages messages;
    FakeFilePicker picker;
    CDirScanDialog dialog;
    TempDir dir;
};

// Sets an environment variable for the life of a test.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const std::string& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name, QByteArray::fromStdString(value));
    }
    ~ScopedEnvironment() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

  private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

// Never a folder that OK would refuse: the cache only where it exists, else the
// Documents folder where it exists, else home.
TEST_F(DirScanDialogTest, StartsInAFolderThatExists) {
    const std::string home = dir.path().string();
    ScopedEnvironment homeVariable("HOME", home);
    ScopedEnvironment cacheVariable("XDG_CACHE_HOME", home + "/cache");
    ScopedEnvironment configVariable("XDG_CONFIG_HOME", home + "/config");
    EXPECT_EQ(CDirScanDialog::DefaultStartDirectory(), home);
    std::filesystem::create_directory(dir.path() / "Documents");
    EXPECT_EQ(CDirScanDialog::DefaultStartDirectory(), home + "/Documents");
    std::filesystem::create_directory(dir.path() / "cache");
    EXPECT_EQ(CDirScanDialog::DefaultStartDirectory(), home + "/cache");
}

TEST_F(DirScanDialogTest, StartsFromTheDefaults) {
    EXPECT_EQ(dialog.windowTitle(), "Scan all files and subdirs in the specified directory");
    EXPECT_EQ(dialog.StartEdit()->text().toStdString(), CDirScanDialog::DefaultStartDirectory());
    EXPECT_FALSE(CDirScanDialog::DefaultStartDirectory().empty());
    EXPECT_EQ(dialog.TypeCombo()->currentText(), "htm,html,txt");
    ASSERT_EQ(dialog.TypeCombo()->count(), 2);
    EXPECT_EQ(dialog.TypeCombo()->itemText(0), "*");
    EXPECT_EQ(dialog.TypeCombo()->itemText(1), "htm,html,txt");
    EXPECT_TRUE(dialog.TypeCombo()->isEditable());
    const DialogUnits units(dialog.font());
    const LayoutStretch stretch = DialogUnits::StretchOf(&dialog);
    EXPECT_EQ(dialog.size(), stretch.Apply(units.Size(320, 114)));
    EXPECT_EQ(dialog.BrowseButton()->geometry(), stretch.Apply(units.Rect(263, 18, 50, 14)));
}

TEST_F(DirScanDialogTest, OkChecksPathThenTypesAndStaysOpenOnFailure) {
    Type((dir.path() / "missing").string(), "");
    ClickOk();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Specified path does not exist!"});
    // The input is left as typed.
    EXPECT_EQ(dialog.StartEdit()->text().toStdString(), (dir.path() / "missing").string());

    Type(dir.path().string(), "");
    ClickOk();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(messages.Texts().back(), "Empty type list!");

    Type(dir.path().string(), " .;");  // only separators: passes, and means all files
    ClickOk();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.StartDirectory, dir.path().string());
    EXPECT_EQ(dialog.TypeText, " .;");
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(DirScanDialogTest, BrowseTakesTheTypedTextAndThenThePickedFolder) {
    Type("/typed", "txt");
    picker.directoryResults.push_back(dir.path().string());
    QTest::mouseClick(dialog.BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(picker.directoryTitles, std::vector<std::string>{"Select the directory to scan"});
    EXPECT_EQ(dialog.StartEdit()->text().toStdString(), dir.path().string());
    EXPECT_EQ(dialog.TypeCombo()->currentText(), "txt");  // read back, shown again

    picker.directoryResults.push_back(std::nullopt);  // cancelled: nothing changes
    QTest::mouseClick(dialog.BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.StartEdit()->text().toStdString(), dir.path().string());
    EXPECT_TRUE(dialog.isVisible());
}

}  // namespace
}  // namespace tarvolen
