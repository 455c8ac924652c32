// The Save Word List command and the exit question's save, through the main window
// with scripted dialogs and messages, writing real files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <memory>

#include "core/output/my_exception.h"
#include "core/output/rows_delimiter.h"
#include "core/output/word_list_writer.h"
#include "core/output/writer_fixture.h"
#include "core/workspace.h"
#include "gui/app/main_dialog.h"
#include "support/fakes.h"
#include "support/main_window_fixture.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using namespace tarvolen::testing;

class SaveCommandTest : public MainWindowTest {
  protected:
    SaveCommandTest() : MainWindowTest(SmallStore()) {
        AddTimes(workspace.Store, "the", 12);
        AddTimes(workspace.Store, "and", 7);
        AddTimes(workspace.Store, "zebra", 7);
        workspace.ListUnsaved = true;
        window->RefreshStatusLine();
    }

    // The Save options dialog confirms with this path and these options, and
    // records the name it was offered.
    void ScriptSave(const std::string& path, OutputOptions chosen = {}) {
        dialogs.saveOptions.push_back(
            [this, path, chosen](OutputOptions& options, std::string& fileName) {
                offered.push_back(fileName);
                options = chosen;
                fileName = path;
                return true;
            });
    }
    void ScriptCancel(OutputOptions chosen = {}) {
        dialogs.saveOptions.push_back(
            [this, chosen](OutputOptions& options, std::string& fileName) {
                offered.push_back(fileName);
                options = chosen;  // stored by a Save press before the Cancel
                return false;
            });
    }
    std::string Status() const { return MainWindowTest::Status().toStdString(); }
    std::string Out(const std::string& name = "out.txt") const {
        return (dir.path() / name).string();
    }

    TempDir dir;
    std::vector<std::string> offered;
};

TEST_F(SaveCommandTest, SavesAndMarksTheListSaved) {
    ASSERT_EQ(Status(), "3 words in the list (NOT SAVED YET)");
    window->State.LastInputPath = (dir.path() / "Release" / "in.txt").string();
    ScriptSave(Out());
    Click(CMainDialog::Button::SaveWordList);
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0], (dir.path() / "WordList.txt").string());
    EXPECT_EQ(TempDir::Read(Out()), "and\nthe\nzebra\n");
    EXPECT_FALSE(workspace.ListUnsaved);
    EXPECT_EQ(Status(), "3 words in the list");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text.rfind("Done! ", 0), 0u) << messages.shown[0].text;
    EXPECT_THAT(messages.shown[0].text,
                ::testing::EndsWith(" milliseconds taken\r\nWritten to " + Out()));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the wait cursor is gone";
}

// Words in a row delimited by spaces could not be read back: refused before the file
// is touched, and the dialog comes back for another delimiter; cancelled then, the
// list stays unsaved.
TEST_F(SaveCommandTest, WordsInARowAreNotDelimitedBySpaces) {
    ScriptSave(Out(), OutputOptions{Delimiter::Space});
    EXPECT_TRUE(window->SaveWordList()) << "a list of single words saves with spaces";
    EXPECT_EQ(TempDir::Read(Out()), "and the zebra ");
    messages.shown.clear();
    workspace.ListUnsaved = true;

    workspace.Store.AddWord("the cat");
    ScriptSave(Out(), OutputOptions{Delimiter::Space});
    ScriptCancel();
    EXPECT_FALSE(window->SaveWordList());
    EXPECT_EQ(TempDir::Read(Out()), "and the zebra ");
    EXPECT_TRUE(workspace.ListUnsaved);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kRowsNeedLineEndsText);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);

    ScriptSave(Out(), OutputOptions{Delimiter::Space});
    ScriptSave(Out(), OutputOptions{Delimiter::CRLF});
    EXPECT_TRUE(window->SaveWordList());
    EXPECT_EQ(TempDir::Read(Out()), "and\r\nthe\r\nthe cat\r\nzebra\r\n");
    EXPECT_EQ(messages.shown.size(), 3u) << "refused once more, then saved";
}

TEST_F(SaveCommandTest, ProposalBeforeAnythingWasReadIsRelative) {
    ScriptCancel();
    EXPECT_FALSE(window->SaveWordList());
    EXPECT_EQ(offered, std::vector<std::string>{"WordList.txt"});
}

TEST_F(SaveCommandTest, OptionsReachTheWriterAndTheWindowsCopies) {
    // The list's code page decides UPPER CASE, not the language confirmed last.
    workspace.ListCodePage = CodePage::Windows1251;
    workspace.Add.Language = kFrench;
    workspace.Store.AddWord("\xE0\xB8");
    ScriptSave(Out(), OutputOptions{Delimiter::CRLF, 1, 0, 1, 0});
    EXPECT_TRUE(window->SaveWordList());
    EXPECT_EQ(TempDir::Read(Out()), "THE,12\r\nAND,7\r\nZEBRA,7\r\n\xC0\xA8,1\r\n");
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Done!\r\nWritten to " + Out()});
    EXPECT_EQ(window->Delimiter, Delimiter::CRLF);
    EXPECT_EQ(window->CaseMode, 1);
    EXPECT_EQ(window->UnicodeOutput, 0);
    EXPECT_EQ(workspace.Output.IncludeFrequency, 1);
}

TEST_F(SaveCommandTest, RangeIsAThirdFieldOfTheFrequencyRecords) {
    workspace.Store.BeginDocument();
    AddTimes(workspace.Store, "zebra", 1);
    OutputOptions withRange;
    withRange.IncludeFrequency = 1;
    withRange.IncludeRange = 1;
    ScriptSave(Out(), withRange);
    EXPECT_TRUE(window->SaveWordList());
    EXPECT_EQ(TempDir::Read(Out()), "the,12,1\nzebra,8,2\nand,7,1\n");
}

// UPPER CASE that would make two words of a list with ranges one is refused in a
// message box, the file and the unsaved list as they were; one with counts joins them.
TEST_F(SaveCommandTest, UpperCaseThatJoinsWordsJoinsTheirCountsOrRefusesTheirRanges) {
    workspace.Store.Clear();
    AddTimes(workspace.Store, "isik", 2);
    AddTimes(workspace.Store, "\xC4\xB1s\xC4\xB1k", 1);
    workspace.ListCodePage = CodePage::Utf8;
    workspace.ListUnsaved = true;
    dir.Write("out.txt", "old\n");
    OutputOptions upper;
    upper.CaseMode = 1;
    upper.IncludeFrequency = 1;
    upper.IncludeRange = 1;
    ScriptSave(Out(), upper);
    Click(CMainDialog::Button::SaveWordList);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
    EXPECT_EQ(messages.shown[0].text.substr(0, 35), "UPPER CASE would write \"isik\" and \"");
    EXPECT_EQ(TempDir::Read(Out()), "old\n");
    EXPECT_TRUE(workspace.ListUnsaved);

    upper.IncludeRange = 0;
    ScriptSave(Out(), upper);
    Click(CMainDialog::Button::SaveWordList);
    EXPECT_EQ(TempDir::Read(Out()), "ISIK,3\n");
    EXPECT_FALSE(workspace.ListUnsaved);
}

TEST_F(SaveCommandTest, CancelWritesNothingButKeepsStoredOptions) {
    ScriptCancel(OutputOptions{Delimiter::Space, 1, 1, 0, 1});
    EXPECT_FALSE(window->SaveWordList());
    EXPECT_TRUE(workspace.ListUnsaved);
    EXPECT_EQ(workspace.Output.Delimiter, Delimiter::Space);
    EXPECT_EQ(window->Delimiter, Delimiter::LF) << "the window's copies change only before a write";
    EXPECT_EQ(window->AppendOutput, 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SaveCommandTest, WriteFailureShowsOneStopMessageAndALaterSaveSucceeds) {
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    ScriptSave("/dev/full");
    Click(CMainDialog::Button::SaveWordList);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kOutputErrorText);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(workspace.ListUnsaved);
    EXPECT_EQ(Status(), "3 words in the list (NOT SAVED YET)");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    ScriptSave(Out());
    Click(CMainDialog::Button::SaveWordList);
    EXPECT_EQ(TempDir::Read(Out()), "and\nthe\nzebra\n");
    EXPECT_FALSE(workspace.ListUnsaved);
}

TEST_F(SaveCommandTest, ExitYesThenCancelInTheSaveDialogStaysOpen) {
    messages.Script(Answer::Yes);
    ScriptCancel();
    Click(CMainDialog::Button::Exit);
    EXPECT_EQ(messages.asked.size(), 1u);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(workspace.ListUnsaved);
}

// The list was not written anywhere, so leaving would lose it: the window stays, the
// list unsaved, and a second Exit asks again and can save it elsewhere.
TEST_F(SaveCommandTest, ExitYesThenAFailedCreateStaysOpenWithTheListUnsaved) {
    messages.Script(Answer::Yes);
    ScriptSave(Out("missing/out.txt"));
    Click(CMainDialog::Button::Exit);
    EXPECT_EQ(messages.Texts(),
              std::vector<std::string>{std::string(kCannotCreateText) + "\r\n" +
                                       Out("missing/out.txt") + ": No such file or directory"});
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(workspace.ListUnsaved);
    EXPECT_EQ(Status(), "3 words in the list (NOT SAVED YET)");

    messages.Script(Answer::Yes);
    ScriptSave(Out());
    Click(CMainDialog::Button::Exit);
    EXPECT_EQ(messages.asked.size(), 2u);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(TempDir::Read(Out()), "and\nthe\nzebra\n");
}

TEST_F(SaveCommandTest, ExitYesThenASuccessfulSaveCloses) {
    messages.Script(Answer::Yes);
    ScriptSave(Out());
    Click(CMainDialog::Button::Exit);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(workspace.ListUnsaved);
    EXPECT_EQ(TempDir::Read(Out()), "and\nthe\nzebra\n");
}

TEST_F(SaveCommandTest, ExitYesThenAWriteFailureStaysOpenWithOneStopMessage) {
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    messages.Script(Answer::Yes);
    ScriptSave("/dev/full");
    Click(CMainDialog::Button::Exit);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kOutputErrorText);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(workspace.ListUnsaved);
}

}  // namespace
}  // namespace tarvolen
