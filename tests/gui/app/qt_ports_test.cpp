// The Qt side of the core's ports: message boxes, file dialogs and the progress
// window as the core sees it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <string>
#include <vector>

#include "core/ports/progress.h"
#include "gui/app/progress_dialog.h"
#include "gui/app/qt_dialog_port.h"
#include "gui/app/qt_file_picker.h"
#include "gui/app/qt_message_port.h"
#include "support/fakes.h"
#include "support/qt_widget_test.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

class QtMessagePortTest : public testing::QtWidgetTest {};
class QtFilePickerTest : public testing::QtWidgetTest {};
class QtDialogPortTest : public testing::QtWidgetTest {};

TEST_F(QtMessagePortTest, BoxesCarryTheTitleIconAndButtons) {
    struct Case {
        MessageIcon icon;
        QMessageBox::Icon qtIcon;
    };
    for (const Case& c : {Case{MessageIcon::Information, QMessageBox::Information},
                          Case{MessageIcon::Warning, QMessageBox::Warning},
                          Case{MessageIcon::Stop, QMessageBox::Critical},
                          Case{MessageIcon::Question, QMessageBox::Question}}) {
        auto box = QtMessagePort::BuildMessage("Unable to open the file!", c.icon, nullptr);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Tarvolen"));
        EXPECT_EQ(box->text(), QStringLiteral("Unable to open the file!"));
        EXPECT_EQ(box->icon(), c.qtIcon);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    }
}

TEST_F(QtMessagePortTest, QuestionsOfferTheirButtons) {
    auto yesNo = QtMessagePort::BuildQuestion("Sure?", MessageButtons::YesNo, nullptr);
    EXPECT_EQ(yesNo->windowTitle(), QStringLiteral("Tarvolen"));
    EXPECT_EQ(yesNo->standardButtons(), QMessageBox::Yes | QMessageBox::No);

    auto three = QtMessagePort::BuildQuestion("Save first?", MessageButtons::YesNoCancel, nullptr);
    EXPECT_EQ(three->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(three->escapeButton(), three->button(QMessageBox::Cancel));
}

TEST_F(QtMessagePortTest, TextIsPlainNotMarkup) {
    auto box = QtMessagePort::BuildMessage("<b>/tmp/a&b.txt</b>", MessageIcon::Stop, nullptr);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
}

// A file name that is no UTF-8 keeps its odd bytes readable, in boxes and in the
// progress window alike; good UTF-8 stays as it is.
TEST_F(QtMessagePortTest, NamesThatAreNoUtf8ShowTheirBytes) {
    auto box = QtMessagePort::BuildMessage("Unable to open /tmp/caf\xe9 \xc3\xa9.txt",
                                           MessageIcon::Stop, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("Unable to open /tmp/caf\\xE9 \u00e9.txt"));

    testing::FakeMessages messages;
    QtDialogPort dialogs(messages);
    std::unique_ptr<ProgressPort> progress = dialogs.OpenProgress();
    progress->SetFileLine("/tmp/a\xff.txt");
    const auto windows = QApplication::topLevelWidgets();
    const auto open = std::find_if(windows.begin(), windows.end(), [](QWidget* widget) {
        return qobject_cast<CProgressDialog*>(widget) != nullptr && widget->isVisible();
    });
    ASSERT_NE(open, windows.end());
    EXPECT_EQ(static_cast<CProgressDialog*>(*open)->fileLine()->text(),
              QStringLiteral("/tmp/a\\xFF.txt"));
}

TEST_F(QtMessagePortTest, AnswersMapToTheCore) {
    EXPECT_EQ(QtMessagePort::ToAnswer(QMessageBox::Yes), Answer::Yes);
    EXPECT_EQ(QtMessagePort::ToAnswer(QMessageBox::No), Answer::No);
    EXPECT_EQ(QtMessagePort::ToAnswer(QMessageBox::Ok), Answer::Ok);
    EXPECT_EQ(QtMessagePort::ToAnswer(QMessageBox::Cancel), Answer::Cancel);
    EXPECT_EQ(QtMessagePort::ToAnswer(QMessageBox::NoButton), Answer::Cancel);
}

TEST_F(QtFilePickerTest, FilterTextBecomesNameFilters) {
    struct Case {
        const char* filter;
        QStringList expected;
    };
    const Case cases[] = {
        {"Text File (*.txt)|*.txt|All Files (*.*)|*.*||",
         {QStringLiteral("Text File (*.txt)"), QStringLiteral("All Files (*)")}},
        {"Web pages|*.htm;*.html||", {QStringLiteral("Web pages (*.htm *.html)")}},
        {"Pages (*.htm;*.html)|*.htm;*.html||", {QStringLiteral("Pages (*.htm *.html)")}},
        {"", {}},
        {"Text|*.txt", {QStringLiteral("Text (*.txt)")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(QtFilePicker::ToNameFilters(c.filter), c.expected);
    }
}

TEST_F(QtFilePickerTest, OpenDialogForAMultipleSelection) {
    testing::TempDir dir;
    std::string first = dir.Write("a.txt", "alpha");
    dir.Write("b.txt", "beta");

    FilePickRequest request;
    request.multiSelect = true;
    request.defaultExtension = "txt";
    request.filter = "Text File (*.txt)|*.txt|All Files (*.*)|*.*||";
    request.filterIndex = 2;
    request.initialPath = first;

    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QtFilePicker::Configure(dialog, request);
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(dialog.defaultSuffix(), QString()) << "an open dialog adds nothing to a name";
    EXPECT_EQ(dialog.selectedNameFilter(), QStringLiteral("All Files (*)"));
    EXPECT_EQ(dialog.directory().absolutePath(), QString::fromStdString(dir.path().string()));

    FilePickResult result = QtFilePicker::ReadResult(dialog);
    EXPECT_TRUE(result.accepted);
    EXPECT_EQ(result.filterIndex, 2);
    EXPECT_EQ(result.paths, std::vector<std::string>{first});
}

// A name typed in the Add dialog is opened as typed, with "Text File (*.txt)" only
// filtering what the list shows.
TEST_F(QtFilePickerTest, OpenDialogOpensTheNameTyped) {
    testing::TempDir dir;
    const std::string readme = dir.Write("README", "read me");
    const std::string text = dir.Write("notes.txt", "notes");
    const std::string elsewhere = dir.Write("bin/ls", "program");
    const struct {
        std::string typed;
        std::string opened;
    } cases[] = {
        {"README", readme},
        {"notes.txt", text},
        {elsewhere, elsewhere},
    };
    for (const auto& [typed, opened] : cases) {
        SCOPED_TRACE(typed);
        FilePickRequest request;
        request.multiSelect = true;
        request.defaultExtension = "txt";
        request.filter = "Text File (*.txt)|*.txt|All Files (*.*)|*.*||";
        request.filterIndex = 1;
        request.initialPath = (dir.path() / "x").string();
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        QtFilePicker::Configure(dialog, request);
        dialog.show();
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString(typed));
        QTest::keyClick(name, Qt::Key_Return);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(QtFilePicker::ReadResult(dialog).paths, std::vector<std::string>{opened});
    }
}

TEST_F(QtFilePickerTest, SaveDialog) {
    FilePickRequest request;
    request.save = true;
    request.filter = "Text File (*.txt)|*.txt||";
    request.filterIndex = 1;
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QtFilePicker::Configure(dialog, request);
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.fileMode(), QFileDialog::AnyFile);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontConfirmOverwrite))
        << "Qt's own question would not be titled Tarvolen";
    EXPECT_EQ(QtFilePicker::ReadResult(dialog).filterIndex, 1);
}

// The question before a save replaces a file, asked through the program's messages.
TEST_F(QtFilePickerTest, ASaveOverAFileAsksFirst) {
    testing::TempDir dir;
    const std::string there = dir.Write("list.txt", "old");
    const std::string fresh = (dir.path() / "new.txt").string();
    const struct {
        std::string path;
        std::vector<Answer> script;
        bool confirmed;
    } cases[] = {
        {there, {Answer::Yes}, true},
        {there, {Answer::No}, false},
        {fresh, {}, true},
    };
    for (const auto& [path, script, confirmed] : cases) {
        SCOPED_TRACE(path);
        testing::FakeMessages messages;
        for (Answer answer : script)
            messages.Script(answer);
        EXPECT_EQ(QtFilePicker::ConfirmReplace(path, messages), confirmed);
        if (script.empty()) {
            EXPECT_TRUE(messages.asked.empty());
        } else {
            EXPECT_EQ(messages.asked, std::vector<std::string>{
                                          path + " already exists.\nDo you want to replace it?"});
        }
    }
}

TEST_F(QtDialogPortTest, ProgressWindowDisablesTheOwnerUntilItGoes) {
    testing::FakeMessages messages;
    QWidget owner;
    owner.show();
    QtDialogPort dialogs(messages, &owner);
    {
        std::unique_ptr<ProgressPort> progress = dialogs.OpenProgress();
        EXPECT_FALSE(owner.isEnabled());
        progress->SetBounds(0, 1000);
        EXPECT_EQ(progress->SetPosition(500), 0);
        progress->SetFileLine("/tmp/caf\xc3\xa9.txt");
        progress->SetDetailLine("1 words in the list; Working...");
        EXPECT_FALSE(progress->CancelRequested());
        progress->Close();
        EXPECT_TRUE(owner.isEnabled());
        // Used after Close, as an abandoned run may: nothing breaks.
        progress->SetPosition(1000);
    }
    {
        std::unique_ptr<ProgressPort> progress = dialogs.OpenProgress();
        EXPECT_FALSE(owner.isEnabled());
    }
    EXPECT_TRUE(owner.isEnabled()) << "the window closes when the object goes";
}

}  // namespace
}  // namespace tarvolen
