// Every control of the Save options dialog, set in turn in the real dialog and
// confirmed: its value must reach the writer and change the bytes written. Each
// control is tried at two values, so that one whose value goes nowhere writes the
// same bytes twice and fails.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/workspace.h"
#include "gui/output/save_list_dialog.h"
#include "gui/util/collation_box.h"
#include "support/main_window_fixture.h"
#include "support/real_dialogs.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

// File name -> bytes, of every file in the run's folder.
using Written = std::map<std::string, std::string>;
using Setter = std::function<void(CSaveListDialog&, const std::string& folder)>;

struct ControlCase {
    std::string name;
    Setter contrast;
    Setter set;
    // Whether the next dialog shows the value again; null for the file's name, which
    // is proposed afresh.
    std::function<bool(const CSaveListDialog&)> shows;
    Written expected;
    const char* existing = nullptr;  // what the output file holds before the save
};

Setter Tick(QCheckBox* (CSaveListDialog::*box)() const, bool on, bool frequency = false) {
    return [box, on, frequency](CSaveListDialog& d, const std::string&) {
        d.FrequencyBox()->setChecked(frequency);
        (d.*box)()->setChecked(on);
    };
}

std::function<bool(const CSaveListDialog&)> Ticked(QCheckBox* (CSaveListDialog::*box)() const) {
    return [box](const CSaveListDialog& d) { return (d.*box)()->isChecked(); };
}

Setter Radio(QRadioButton* (CSaveListDialog::*button)(int) const, int index) {
    return [button, index](CSaveListDialog& d, const std::string&) {
        (d.*button)(index)->setChecked(true);
    };
}

std::function<bool(const CSaveListDialog&)> Chosen(QRadioButton* (CSaveListDialog::*button)(int)
                                                       const,
                                                   int index) {
    return [button, index](const CSaveListDialog& d) { return (d.*button)(index)->isChecked(); };
}

// The list below, written with every option at its start value.
constexpr const char* kPlain = "b\ncaf\xE9\n\xE0\n";

std::vector<ControlCase> Cases(testing::FakeFilePicker& picker) {
    using D = CSaveListDialog;
    const auto named = [](const char* name) {
        return [name](CSaveListDialog& d, const std::string& folder) {
            d.FileNameEdit()->setText(QString::fromStdString(folder + "/" + name));
        };
    };
    return {
        {"file name", named("a.txt"), named("b.txt"), nullptr, {{"b.txt", kPlain}}},
        {"browse",
         [](CSaveListDialog&, const std::string&) {},
         [&picker](CSaveListDialog& d, const std::string& folder) {
             picker.fileResults.push_back(FilePickResult{true, {folder + "/picked.txt"}, 1});
             QTest::mouseClick(d.BrowseButton(), Qt::LeftButton);
         },
         nullptr,
         {{"picked.txt", kPlain}}},
        {"LF",
         Radio(&D::DelimiterButton, 1),
         Radio(&D::DelimiterButton, 0),
         Chosen(&D::DelimiterButton, 0),
         {{"out.txt", kPlain}}},
        {"CRLF",
         Radio(&D::DelimiterButton, 0),
         Radio(&D::DelimiterButton, 1),
         Chosen(&D::DelimiterButton, 1),
         {{"out.txt", "b\r\ncaf\xE9\r\n\xE0\r\n"}}},
        {"space",
         Radio(&D::DelimiterButton, 0),
         Radio(&D::DelimiterButton, 2),
         Chosen(&D::DelimiterButton, 2),
         {{"out.txt", "b caf\xE9 \xE0 "}}},
        {"lower case",
         Radio(&D::CaseButton, 1),
         Radio(&D::CaseButton, 0),
         Chosen(&D::CaseButton, 0),
         {{"out.txt", kPlain}}},
        {"upper case",
         Radio(&D::CaseButton, 0),
         Radio(&D::CaseButton, 1),
         Chosen(&D::CaseButton, 1),
         {{"out.txt", "B\nCAF\xC9\n\xC0\n"}}},
        {"frequency",
         Tick(&D::FrequencyBox, false),
         Tick(&D::FrequencyBox, true),
         Ticked(&D::FrequencyBox),
         {{"out.txt", "caf\xE9,2\nb,1\n\xE0,1\n"}}},
        {"range",
         Tick(&D::RangeBox, false, true),
         Tick(&D::RangeBox, true, true),
         Ticked(&D::RangeBox),
         {{"out.txt", "caf\xE9,2,1\nb,1,1\n\xE0,1,1\n"}}},
        {"append",
         Tick(&D::AppendBox, false),
         Tick(&D::AppendBox, true),
         Ticked(&D::AppendBox),
         {{"out.txt", std::string("old\n") + kPlain}},
         "old\n"},
        {"unicode",
         Tick(&D::UnicodeBox, false),
         Tick(&D::UnicodeBox, true),
         Ticked(&D::UnicodeBox),
         {{"out.txt", std::string("b\0\n\0c\0a\0f\0\xE9\0\n\0\xE0\0\n\0", 18)}}},
        {"utf-8",
         Tick(&D::Utf8Box, false),
         Tick(&D::Utf8Box, true),
         Ticked(&D::Utf8Box),
         {{"out.txt", "b\ncaf\xC3\xA9\n\xC3\xA0\n"}}},
        {"alphabetical order",
         [](D& d, const std::string&) { d.CollationBox()->SetLocale(""); },
         [](D& d, const std::string&) { d.CollationBox()->SetLocale("fr"); },
         [](const D& d) { return d.CollationBox()->Locale() == "fr"; },
         {{"out.txt", "\xE0\nb\ncaf\xE9\n"}}},
    };
}

class SaveControlsTest : public testing::MainWindowTest {
  protected:
    SaveControlsTest() {
        workspace.Store.AddWord("caf\xE9");
        workspace.Store.AddWord("caf\xE9");
        workspace.Store.AddWord("b");
        workspace.Store.AddWord("\xE0");  // "à": last in byte order, first in French
        workspace.ListCodePage = CodePage::Windows1252;
        workspace.ListUnsaved = true;
    }

    // One save into a folder of its own, with every option at its start value but the
    // control set by set; every file the folder holds afterwards.
    Written Run(const ControlCase& c, const Setter& set) {
        const std::string folder = (dir.path() / std::to_string(++runs)).string();
        std::filesystem::create_directories(folder);
        if (c.existing != nullptr)
            dir.Write(std::to_string(runs) + "/out.txt", c.existing);
        workspace.Output = OutputOptions{};
        dialogs.saveOptions.push_back(
            testing::RealSaveOptions(messages, picker, dialogs, [&](CSaveListDialog& d) {
                d.FileNameEdit()->setText(QString::fromStdString(folder + "/out.txt"));
                set(d, folder);
                if (c.existing != nullptr && !d.AppendBox()->isChecked())
                    messages.Script(Answer::Yes);  // replace it
                QTest::mouseClick(d.SaveButton(), Qt::LeftButton);
            }));
        window->button(CMainDialog::Button::SaveWordList)->click();
        Written written;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            written[entry.path().filename().string()] =
                testing::TempDir::Read(entry.path().string());
        return written;
    }

    bool ShownAgain(const ControlCase& c) {
        bool shown = false;
        dialogs.saveOptions.push_back(
            testing::RealSaveOptions(messages, picker, dialogs, [&](CSaveListDialog& d) {
                shown = c.shows(d);
                QTest::mouseClick(d.CancelButton(), Qt::LeftButton);
            }));
        window->button(CMainDialog::Button::SaveWordList)->click();
        return shown;
    }

    testing::TempDir dir;
    int runs = 0;
};

TEST_F(SaveControlsTest, EveryControlReachesTheWriterAndChangesTheBytes) {
    for (const ControlCase& c : Cases(picker)) {
        SCOPED_TRACE(c.name);
        const Written other = Run(c, c.contrast);
        const Written written = Run(c, c.set);
        EXPECT_NE(written, other) << "the control reached nothing";
        EXPECT_EQ(written, c.expected);
        if (c.shows) {
            EXPECT_TRUE(ShownAgain(c)) << "not shown again as confirmed";
        }
    }
    EXPECT_TRUE(picker.fileResults.empty());
}

}  // namespace
}  // namespace tarvolen
