// The Save options dialog with real widgets: shown, never exec()'d; its questions
// are answered by FakeMessages and its file picker by FakeFilePicker.
#include "gui/output/save_list_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>

#include "core/workspace.h"
#include "gui/app/dialog_units.h"
#include "support/fakes.h"
#include "support/qt_widget_test.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

class BrowseForFileTest : public testing::QtWidgetTest {};

using testing::FakeFilePicker;
using testing::FakeMessages;
using testing::TempDir;

class SaveListDialogTest : public testing::QtWidgetTest {
  protected:
    void TearDown() override {
        dialog.reset();
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty()) << "a window was left behind";
    }

    // A new dialog over the process's options, as every save makes one.
    CSaveListDialog& Open(const std::string& fileName,
                          CodePage listCodePage = CodePage::Windows1252) {
        dialog = std::make_unique<CSaveListDialog>(options, messages, picker, listCodePage);
        dialog->FileName = fileName;
        dialog->show();
        return *dialog;
    }
    std::string At(const std::string& name) const { return (dir.path() / name).string(); }
    static void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    std::string Shown() const { return dialog->FileNameEdit()->text().toStdString(); }

    OutputOptions options;
    FakeMessages messages;
    FakeFilePicker picker;
    TempDir dir;
    std::unique_ptr<CSaveListDialog> dialog;
};

// A UTF-8 list's 8-bit output is UTF-8: the box says so, and the choice made for lists
// of a code page is kept for them.
TEST_F(SaveListDialogTest, AUtf8ListShowsUtf8OutputTickedAndFixed) {
    Open(At("WordList.txt"), CodePage::Utf8);
    EXPECT_TRUE(dialog->Utf8Box()->isChecked());
    EXPECT_FALSE(dialog->Utf8Box()->isEnabled());
    EXPECT_EQ(dialog->UnicodeBox()->text(), "Un&icode output");
    EXPECT_EQ(dialog->UnicodeBox()->toolTip(), "UTF-16, little-endian, without a byte order mark");
    Click(dialog->UnicodeBox());
    EXPECT_FALSE(dialog->Utf8Box()->isChecked()) << "UTF-16 is no UTF-8";
    Click(dialog->UnicodeBox());
    EXPECT_TRUE(dialog->Utf8Box()->isChecked());
    Click(dialog->SaveButton());
    EXPECT_EQ(options.Utf8Output, 0);
    EXPECT_EQ(options.UnicodeOutput, 0);

    Open(At("WordList.txt"), CodePage::Windows1252);
    EXPECT_FALSE(dialog->Utf8Box()->isChecked());
    EXPECT_TRUE(dialog->Utf8Box()->isEnabled());
}

TEST_F(SaveListDialogTest, StartsWithTheDefaults) {
    Open(At("WordList.txt"));
    EXPECT_TRUE(dialog->DelimiterButton(0)->isChecked());
    EXPECT_TRUE(dialog->CaseButton(0)->isChecked());
    EXPECT_FALSE(dialog->FrequencyBox()->isChecked());
    EXPECT_FALSE(dialog->AppendBox()->isChecked());
    EXPECT_FALSE(dialog->UnicodeBox()->isChecked());
    EXPECT_EQ(Shown(), At("WordList.txt"));
    EXPECT_EQ(dialog->windowTitle(), "Tarvolen");
}

TEST_F(SaveListDialogTest, ControlsSitOnTheirDialogUnitRectangles) {
    Open(At("WordList.txt"));
    const DialogUnits units(dialog->font());
    // The rectangles are the minimum: the long check box captions stretch the layout.
    const LayoutStretch stretch = DialogUnits::StretchOf(dialog.get());
    EXPECT_GE(stretch.across, 1.0);
    EXPECT_EQ(dialog->size(), stretch.Apply(units.Size(342, 159)));
    EXPECT_EQ(dialog->FileNameEdit()->geometry(), stretch.Apply(units.Rect(7, 18, 328, 14)));
    EXPECT_EQ(dialog->SaveButton()->geometry(), stretch.Apply(units.Rect(74, 138, 50, 14)));
    EXPECT_EQ(dialog->AppendBox()->geometry(), stretch.Apply(units.Rect(187, 63, 148, 10)));
    EXPECT_GE(dialog->AppendBox()->width(), dialog->AppendBox()->sizeHint().width());
    EXPECT_TRUE(dialog->SaveButton()->isDefault());
}

TEST_F(SaveListDialogTest, ProposesTheFirstFreeName) {
    dir.Write("WordList.txt", "x");
    dir.Write("WordList(2).txt", "x");
    Open(At("WordList.txt"));
    EXPECT_EQ(Shown(), At("WordList(3).txt"));
    EXPECT_EQ(dialog->FileName, At("WordList(3).txt"));
}

TEST_F(SaveListDialogTest, ChoicesAreRememberedForTheNextSave) {
    Open(At("a.txt"));
    Click(dialog->DelimiterButton(1));
    Click(dialog->CaseButton(1));
    Click(dialog->UnicodeBox());
    Click(dialog->SaveButton());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->FileName, At("a.txt"));
    EXPECT_EQ(options.Delimiter, Delimiter::CRLF);
    EXPECT_EQ(options.CaseMode, 1);
    EXPECT_EQ(options.UnicodeOutput, 1);
    EXPECT_EQ(options.IncludeFrequency, 0);
    EXPECT_EQ(options.AppendOutput, 0);

    Open(At("b.txt"));
    EXPECT_TRUE(dialog->DelimiterButton(1)->isChecked());
    EXPECT_TRUE(dialog->CaseButton(1)->isChecked());
    EXPECT_TRUE(dialog->UnicodeBox()->isChecked());
    EXPECT_FALSE(dialog->FrequencyBox()->isChecked());
}

// UTF-8 and "Unicode output" are two encodings of one file: at most one is checked.
TEST_F(SaveListDialogTest, Utf8AndUnicodeOutputExcludeEachOther) {
    Open(At("a.txt"));
    EXPECT_FALSE(dialog->Utf8Box()->isChecked());
    Click(dialog->Utf8Box());
    EXPECT_TRUE(dialog->Utf8Box()->isChecked());
    Click(dialog->UnicodeBox());
    EXPECT_TRUE(dialog->UnicodeBox()->isChecked());
    EXPECT_FALSE(dialog->Utf8Box()->isChecked());
    Click(dialog->Utf8Box());
    EXPECT_FALSE(dialog->UnicodeBox()->isChecked());
    Click(dialog->SaveButton());
    EXPECT_EQ(options.Utf8Output, 1);
    EXPECT_EQ(options.UnicodeOutput, 0);

    Open(At("b.txt"));
    EXPECT_TRUE(dialog->Utf8Box()->isChecked());
    EXPECT_FALSE(dialog->UnicodeBox()->isChecked());
}

TEST_F(SaveListDialogTest, RangeGoesWithTheFrequencyData) {
    Open(At("a.txt"));
    EXPECT_FALSE(dialog->RangeBox()->isEnabled());
    Click(dialog->FrequencyBox());
    ASSERT_TRUE(dialog->RangeBox()->isEnabled());
    Click(dialog->RangeBox());
    Click(dialog->SaveButton());
    EXPECT_EQ(options.IncludeFrequency, 1);
    EXPECT_EQ(options.IncludeRange, 1);
}

TEST_F(SaveListDialogTest, CancelKeepsTheOptionsAsTheyWere) {
    Open(At("a.txt"));
    Click(dialog->DelimiterButton(2));
    Click(dialog->FrequencyBox());
    Click(dialog->CancelButton());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(options.Delimiter, Delimiter::LF);
    EXPECT_EQ(options.IncludeFrequency, 0);
}

TEST_F(SaveListDialogTest, OverwriteNoThenCancelStillKeepsTheChoices) {
    const std::string existing = dir.Write("list.txt", "old");
    Open(At("WordList.txt"));
    dialog->FileNameEdit()->setText(QString::fromStdString(existing));
    Click(dialog->DelimiterButton(2));
    Click(dialog->FrequencyBox());
    messages.Script(Answer::No);
    Click(dialog->SaveButton());
    ASSERT_EQ(messages.asked, std::vector<std::string>{CSaveListDialog::kOverwriteText});
    EXPECT_TRUE(dialog->isVisible()) << "No leaves the dialog open";
    EXPECT_EQ(Shown(), existing);
    Click(dialog->CancelButton());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(TempDir::Read(existing), "old");

    // Save stored the choices before it asked; they outlive the cancelled dialog.
    Open(At("WordList.txt"));
    EXPECT_TRUE(dialog->DelimiterButton(2)->isChecked());
    EXPECT_TRUE(dialog->FrequencyBox()->isChecked());
}

TEST_F(SaveListDialogTest, OverwriteYesSaves) {
    const std::string existing = dir.Write("list.txt", "old");
    Open(At("WordList.txt"));
    dialog->FileNameEdit()->setText(QString::fromStdString(existing));
    messages.Script(Answer::Yes);
    Click(dialog->SaveButton());
    EXPECT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->FileName, existing);
}

TEST_F(SaveListDialogTest, AppendProposesThePlainNameAndAsksNothing) {
    dir.Write("WordList.txt", "old");
    options.AppendOutput = 1;
    Open(At("WordList.txt"));
    EXPECT_EQ(Shown(), At("WordList.txt"));
    EXPECT_TRUE(dialog->AppendBox()->isChecked());
    Click(dialog->SaveButton());  // an unexpected question would fail the test
    EXPECT_TRUE(messages.asked.empty());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->FileName, At("WordList.txt"));
}

TEST_F(SaveListDialogTest, UncheckingAppendBringsTheQuestionBack) {
    dir.Write("WordList.txt", "old");
    options.AppendOutput = 1;
    Open(At("WordList.txt"));
    Click(dialog->AppendBox());
    messages.Script(Answer::No);
    Click(dialog->SaveButton());
    EXPECT_EQ(messages.asked.size(), 1u);
    EXPECT_TRUE(dialog->isVisible());
    dialog->reject();
}

TEST_F(SaveListDialogTest, BrowsePutsTheChosenPathIntoTheEdit) {
    Open(At("WordList.txt"));
    picker.fileResults.push_back({true, {At("chosen.txt")}, 1});
    Click(dialog->BrowseButton());
    ASSERT_EQ(picker.fileRequests.size(), 1u);
    const FilePickRequest& request = picker.fileRequests[0];
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.defaultExtension, "txt");
    EXPECT_EQ(request.initialPath, At("WordList.txt"));
    EXPECT_EQ(request.filter, "Word List Files (*.txt)|*.txt|All Files (*.*)|*.*||");
    EXPECT_EQ(Shown(), At("chosen.txt"));
    EXPECT_EQ(options.Delimiter, Delimiter::LF) << "Browse changes no option";
}

TEST_F(SaveListDialogTest, CancelledBrowseLeavesTheEditAlone) {
    Open(At("WordList.txt"));
    picker.fileResults.push_back({});
    Click(dialog->BrowseButton());
    EXPECT_EQ(Shown(), At("WordList.txt"));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(BrowseForFileTest, DescriptionDefaultsToTheExtension) {
    FakeFilePicker picker;
    QLineEdit edit(QStringLiteral("start.dat"));
    picker.fileResults.push_back({});
    EXPECT_FALSE(BrowseForFile(&edit, "dat", "", false, picker));
    ASSERT_EQ(picker.fileRequests.size(), 1u);
    EXPECT_FALSE(picker.fileRequests[0].save);
    EXPECT_EQ(picker.fileRequests[0].filter, "dat files (*.dat)|*.dat|All Files (*.*)|*.*||");
    EXPECT_EQ(edit.text(), "start.dat");
}

TEST_F(SaveListDialogTest, EmptyNameIsPassedOnUnchecked) {
    Open("");
    EXPECT_EQ(Shown(), "");
    Click(dialog->SaveButton());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->FileName, "");
}

}  // namespace
}  // namespace tarvolen
