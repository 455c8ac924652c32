// The main window with real widgets: status line, Reset, Exit, Help and the one
// dispatch point of every command.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <stdexcept>
#include <string>

#include "core/output/my_exception.h"
#include "core/ports/user_cancel.h"
#include "core/words/char_map.h"
#include "core/workspace.h"
#include "gui/app/main_dialog.h"
#include "support/fakes.h"
#include "support/main_window_fixture.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::TempDir;

// "aaaa", "aaab", ... : n distinct words of four letters, one per line.
std::string DistinctWords(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) {
        int v = i;
        char word[5] = {};
        for (int k = 3; k >= 0; --k) {
            word[k] = static_cast<char>('a' + v % 26);
            v /= 26;
        }
        text += word;
        text += '\n';
    }
    return text;
}

class MainDialogTest : public testing::MainWindowTest {
  protected:
    void AddWords(int n, bool unsaved) {
        std::string words = DistinctWords(n);
        std::size_t start = 0;
        while (start < words.size()) {
            std::size_t end = words.find('\n', start);
            workspace.Store.AddWord(words.substr(start, end - start).c_str());
            start = end + 1;
        }
        workspace.ListUnsaved = unsaved;
        window->RefreshStatusLine();
    }
};

TEST_F(MainDialogTest, StartsWithAnEmptySavedList) {
    EXPECT_EQ(Status(), QStringLiteral("0 words in the list"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tarvolen"));
    EXPECT_EQ(window->banner()->text(), QStringLiteral("Tarvolen v" TARVOLEN_VERSION));
    EXPECT_EQ(window->banner()->font().pointSize(), 14);
    EXPECT_FALSE(workspace.ListUnsaved);
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "the window has a fixed size";
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
}

TEST_F(MainDialogTest, ButtonsCarryTheirCaptionsInOrder) {
    const std::pair<CMainDialog::Button, const char*> expected[] = {
        {CMainDialog::Button::Add, "Add..."},
        {CMainDialog::Button::SaveWordList, "Save Word List"},
        {CMainDialog::Button::Statistics, "Statistics"},
        {CMainDialog::Button::Filter, "Filter"},
        {CMainDialog::Button::Reset, "Reset"},
        {CMainDialog::Button::Exit, "Exit"},
    };
    int previousTop = -1;
    for (const auto& [which, caption] : expected) {
        QPushButton* button = window->button(which);
        EXPECT_EQ(testing::Shown(button->text()), QString::fromUtf8(caption));
        EXPECT_GT(button->y(), previousTop) << caption;
        EXPECT_LE(button->geometry().right(), window->width()) << caption;
        previousTop = button->y();
    }
}

TEST_F(MainDialogTest, IngestionOfNewWordsMarksTheListUnsaved) {
    TempDir dir;
    std::string path = dir.Write("words.txt", DistinctWords(1234));
    BuildCharMap(kEnglishLatin, workspace.Map);
    workspace.MinWordLength = 4;
    window->State.InputFiles = {path};

    window->IngestFiles();

    EXPECT_EQ(workspace.Store.Count(), 1234);
    EXPECT_TRUE(workspace.ListUnsaved);
    EXPECT_EQ(Status(), QStringLiteral("1,234 words in the list (NOT SAVED YET)"));
    ASSERT_EQ(dialogs.progressWindows.size(), 1u);
    EXPECT_GE(dialogs.progressWindows[0]->closeCalls, 1) << "the progress window was closed";
    EXPECT_EQ(window->State.LastInputPath, path);
    ASSERT_EQ(messages.shown.size(), 1u) << "the summary";
    EXPECT_NE(messages.shown[0].text.find("1,234 words added"), std::string::npos);
}

TEST_F(MainDialogTest, SavedWordsShowNoSuffix) {
    AddWords(1234, false);
    EXPECT_EQ(Status(), QStringLiteral("1,234 words in the list"));
}

TEST_F(MainDialogTest, ResetAnsweredYesDiscardsTheList) {
    AddWords(1234, true);
    messages.Script(Answer::Yes);
    Click(CMainDialog::Button::Reset);

    EXPECT_EQ(messages.asked,
              std::vector<std::string>{"Are you sure you want to discard 1,234 words?"});
    EXPECT_EQ(workspace.Store.Count(), 0);
    EXPECT_FALSE(workspace.ListUnsaved);
    EXPECT_EQ(Status(), QStringLiteral("0 words in the list"));
}

TEST_F(MainDialogTest, ResetAnsweredNoChangesNothing) {
    AddWords(1234, true);
    messages.Script(Answer::No);
    Click(CMainDialog::Button::Reset);

    EXPECT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(workspace.Store.Count(), 1234);
    EXPECT_TRUE(workspace.ListUnsaved);
    EXPECT_EQ(Status(), QStringLiteral("1,234 words in the list (NOT SAVED YET)"));
}

TEST_F(MainDialogTest, ResetOfAnEmptyListAsksNothingAndClearsTheMark) {
    workspace.ListUnsaved = true;
    Click(CMainDialog::Button::Reset);

    EXPECT_TRUE(messages.asked.empty());
    EXPECT_FALSE(workspace.ListUnsaved);
    EXPECT_EQ(Status(), QStringLiteral("0 words in the list"));
}

TEST_F(MainDialogTest, ExitWithUnsavedWordsAnsweredCancelStaysOpen) {
    AddWords(3, true);
    messages.Script(Answer::Cancel);
    Click(CMainDialog::Button::Exit);

    EXPECT_EQ(messages.asked,
              std::vector<std::string>{"You have 3 words in the UNSAVED list. Would you like to "
                                       "save them first?"});
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(workspace.ListUnsaved);
}

TEST_F(MainDialogTest, ExitWithUnsavedWordsAnsweredNoCloses) {
    AddWords(3, true);
    messages.Script(Answer::No);
    Click(CMainDialog::Button::Exit);

    EXPECT_EQ(messages.asked.size(), 1u);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainDialogTest, ExitAnsweredYesWithTheSaveDialogLeftStaysOpen) {
    AddWords(3, true);
    messages.Script(Answer::Yes);
    dialogs.saveOptions.push_back([](OutputOptions&, std::string&) { return false; });
    Click(CMainDialog::Button::Exit);

    EXPECT_EQ(messages.asked.size(), 1u);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(workspace.ListUnsaved);
    EXPECT_EQ(Status(), QStringLiteral("3 words in the list (NOT SAVED YET)"));
}

TEST_F(MainDialogTest, ExitAnsweredYesSavesAndCloses) {
    TempDir dir;
    std::string out = (dir.path() / "list.txt").string();
    AddWords(3, true);
    messages.Script(Answer::Yes);
    dialogs.saveOptions.push_back([&](OutputOptions&, std::string& fileName) {
        fileName = out;
        return true;
    });
    Click(CMainDialog::Button::Exit);

    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(workspace.ListUnsaved);
    EXPECT_EQ(TempDir::Read(out), "aaaa\naaab\naaac\n");
}

// The exit save fails half-way: the error is shown once and nothing is left behind
// the person's back, so the window stays with the list still unsaved.
TEST_F(MainDialogTest, ExitWithAnOutputErrorStaysOpen) {
    AddWords(3, true);
    messages.Script(Answer::Yes);
    dialogs.saveOptions.push_back([](OutputOptions&, std::string& fileName) {
        fileName = "/dev/full";
        return true;
    });
    Click(CMainDialog::Button::Exit);

    std::vector<std::string> stops;
    for (const auto& shown : messages.shown) {
        if (shown.icon == MessageIcon::Stop)
            stops.push_back(shown.text);
    }
    EXPECT_EQ(stops, std::vector<std::string>{"Unable to write to the output file"});
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(workspace.ListUnsaved);
    EXPECT_EQ(Status(), QStringLiteral("3 words in the list (NOT SAVED YET)"));
}

TEST_F(MainDialogTest, EscapeAndTheCloseBoxAskLikeExit) {
    AddWords(2, true);
    messages.Script(Answer::Cancel);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());

    messages.Script(Answer::Cancel);
    EXPECT_FALSE(window->close()) << "the close box is refused while the person cancels";
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(messages.asked.size(), 2u);

    messages.Script(Answer::No);
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainDialogTest, EnterDoesNotLeaveBehindTheQuestionsBack) {
    AddWords(2, true);
    window->setFocus();
    window->accept();
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(messages.asked.empty());
}

TEST_F(MainDialogTest, ExitAsksNothingWhenNothingIsUnsaved) {
    struct Case {
        const char* name;
        int words;
        bool unsaved;
    };
    for (const Case& c : {Case{"saved list", 5, false}, Case{"empty list", 0, true}}) {
        SCOPED_TRACE(c.name);
        window = std::make_unique<CMainDialog>(workspace, messages, dialogs, picker);
        window->show();
        AddWords(c.words, c.unsaved);
        Click(CMainDialog::Button::Exit);
        EXPECT_TRUE(messages.asked.empty());
        EXPECT_FALSE(window->isVisible());
    }
}

TEST_F(MainDialogTest, OutputErrorIsShownOnceWithTheStopIconAndTheWindowCarriesOn) {
    window->RunCommand([] { ThrowOutputError(); });

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Unable to write to the output file");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isEnabled());

    // Still usable: the next command runs.
    messages.Script(Answer::Yes);
    AddWords(1, true);
    Click(CMainDialog::Button::Reset);
    EXPECT_EQ(workspace.Store.Count(), 0);
}

TEST_F(MainDialogTest, UserCancelEndsTheCommandSilently) {
    bool after = false;
    window->RunCommand([&] {
        throw UserCancel{};
        after = true;
    });
    EXPECT_FALSE(after);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(messages.asked.empty());
}

TEST_F(MainDialogTest, OtherErrorsAreShownWithTheirText) {
    window->RunCommand([] { throw std::runtime_error("disk on fire"); });
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "disk on fire");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
}

TEST_F(MainDialogTest, F1ShowsTheCommands) {
    // F1 is a window shortcut: it reaches the window that has the keyboard.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window->button(CMainDialog::Button::Add), Qt::Key_F1);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("Save Word List"), std::string::npos);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
}

}  // namespace
}  // namespace tarvolen
