// What the program keeps between runs, in a settings file of a temporary folder.
#include "gui/app/app_settings.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <string>

#include "core/text/collation.h"
#include "core/workspace.h"
#include "gui/app/qt_file_picker.h"
#include "gui/util/collation_box.h"
#include "gui/wordtable/row_table_view.h"
#include "gui/wordtable/word_list_model.h"
#include "gui/wordtable/word_list_window.h"
#include "support/main_window_fixture.h"
#include "support/real_dialogs.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::TempDir;

class AppSettingsTest : public testing::QtWidgetTest {
  protected:
    QString Path() const { return QString::fromStdString((dir.path() / "tarvolen.conf").string()); }

    // As the program starts: the options of a new process, then those kept.
    struct Started {
        AddOptions add;
        OutputOptions output;
    };
    Started Start() const {
        CAppSettings settings(Path());
        Started started;
        settings.LoadAddOptions(started.add);
        settings.LoadOutputOptions(started.output);
        return started;
    }

    TempDir dir;
};

void ExpectDefaults(const AddOptions& add, const OutputOptions& output) {
    const AddOptions a;
    EXPECT_EQ(add.Language, a.Language);
    EXPECT_EQ(add.SkipShortWords, a.SkipShortWords);
    EXPECT_EQ(add.Encoding, a.Encoding);
    EXPECT_EQ(add.Rules, a.Rules);
    EXPECT_EQ(add.Documents.markup, a.Documents.markup);
    EXPECT_EQ(add.Documents.everyFileAsText, a.Documents.everyFileAsText);
    EXPECT_EQ(add.OpenFilterIndex, a.OpenFilterIndex);
    EXPECT_EQ(add.InARow, a.InARow);
    const OutputOptions o;
    EXPECT_EQ(output.Delimiter, o.Delimiter);
    EXPECT_EQ(output.CaseMode, o.CaseMode);
    EXPECT_EQ(output.UnicodeOutput, o.UnicodeOutput);
    EXPECT_EQ(output.Utf8Output, o.Utf8Output);
    EXPECT_EQ(output.IncludeFrequency, o.IncludeFrequency);
    EXPECT_EQ(output.IncludeRange, o.IncludeRange);
    EXPECT_EQ(output.AppendOutput, o.AppendOutput);
}

TEST_F(AppSettingsTest, TheFirstStartKeepsTodaysDefaults) {
    CAppSettings settings(Path());
    EXPECT_FALSE(settings.Problem().has_value());
    const Started started = Start();
    ExpectDefaults(started.add, started.output);
    EXPECT_EQ(settings.LastSavedFile(), "");
    EXPECT_FALSE(settings.ListSortOrder().has_value());
    EXPECT_TRUE(settings.ListColumnWidths(8).empty());
    EXPECT_TRUE(settings.ListGeometry().isEmpty());
}

TEST_F(AppSettingsTest, WhatWasStoredIsWhatTheNextStartLoads) {
    {
        CAppSettings settings(Path());
        AddOptions add;
        add.Language = kGerman;
        add.SkipShortWords = 1;
        add.Encoding = "ISO-8859-7";
        add.Rules = {true, false, true};
        add.Documents.markup = MarkupMode::None;
        add.Documents.everyFileAsText = true;
        add.OpenFilterIndex = 1;
        add.InARow = {2, 5, true};
        settings.StoreAddOptions(add);
        OutputOptions output;
        output.Delimiter = Delimiter::Space;
        output.CaseMode = 1;
        output.Utf8Output = 1;
        output.IncludeFrequency = 1;
        output.IncludeRange = 1;
        output.AppendOutput = 1;
        output.Collate = "de";
        settings.StoreOutputOptions(output);
        settings.SetLastSavedFile("/home/user/lists/caf\xC3\xA9.txt");
        settings.SetFolder("open-text-file", QString::fromStdString(dir.path().string()));
        settings.SetListSortOrder({ListSortKey::WordBackwards, true});
        settings.SetListColumnWidths({40, 100, 70, 50, 60, 50, 50, 30});
    }
    const Started started = Start();
    EXPECT_EQ(started.add.Language, kGerman);
    EXPECT_EQ(started.add.SkipShortWords, 1);
    EXPECT_EQ(started.add.Encoding, "ISO-8859-7");
    EXPECT_EQ(started.add.Rules, (WordRules{true, false, true}));
    EXPECT_EQ(started.add.Documents.markup, MarkupMode::None);
    EXPECT_TRUE(started.add.Documents.everyFileAsText);
    EXPECT_EQ(started.add.OpenFilterIndex, 1);
    EXPECT_EQ(started.add.InARow, (WordsInARow{2, 5, true}));
    EXPECT_EQ(started.output.Delimiter, Delimiter::Space);
    EXPECT_EQ(started.output.CaseMode, 1);
    EXPECT_EQ(started.output.Utf8Output, 1);
    EXPECT_EQ(started.output.IncludeFrequency, 1);
    EXPECT_EQ(started.output.IncludeRange, 1);
    EXPECT_EQ(started.output.AppendOutput, 1);
    EXPECT_EQ(started.output.Collate, "de");
    CAppSettings settings(Path());
    EXPECT_EQ(settings.LastSavedFile(), "/home/user/lists/caf\xC3\xA9.txt");
    EXPECT_EQ(settings.Folder("open-text-file").toStdString(), dir.path().string());
    EXPECT_EQ(settings.ListSortOrder(), (ListSort{ListSortKey::WordBackwards, true}));
    EXPECT_EQ(settings.ListColumnWidths(8), (std::vector<int>{40, 100, 70, 50, 60, 50, 50, 30}));
    // A folder that is gone is no place to open a dialog in.
    std::filesystem::remove_all(dir.path() / "gone");
    settings.SetFolder("save", QString::fromStdString((dir.path() / "gone").string()));
    EXPECT_TRUE(settings.Folder("save").isEmpty());
}

// A value that makes no sense falls back to its own default; the others are kept.
TEST_F(AppSettingsTest, NonsenseValuesFallBackOneByOne) {
    dir.Write("tarvolen.conf",
              "[add]\nlanguage=99\nencoding=no-such-encoding\napostrophes=maybe\nhyphens=true\n"
              "words-in-a-row-from=5\nwords-in-a-row-to=3\n"
              "words-in-a-row-across-punctuation=true\n"
              "[save]\ndelimiter=7\ncase=x\nutf-16=true\nutf-8=true\ncollation=klingon\n"
              "[word-list]\nsort=shuffled\ndescending=true\ncolumn-widths=10, 20\n"
              "collation=xx_YY\n");
    const Started started = Start();
    EXPECT_EQ(started.add.Language, kEnglishLatin);
    EXPECT_EQ(started.add.Encoding, kAutomaticEncodingName);
    EXPECT_EQ(started.add.Rules, (WordRules{false, true, false}));
    EXPECT_EQ(started.add.InARow, (WordsInARow{1, 1, true})) << "a range from 5 to 3 is none";
    EXPECT_EQ(started.output.Delimiter, Delimiter::LF);
    EXPECT_EQ(started.output.CaseMode, 0);
    EXPECT_EQ(started.output.UnicodeOutput, 1);
    EXPECT_EQ(started.output.Utf8Output, 0) << "one encoding at a time";
    EXPECT_EQ(started.output.Collate, "") << "a language without an order: byte order";
    CAppSettings settings(Path());
    EXPECT_FALSE(settings.ListSortOrder().has_value());
    EXPECT_FALSE(settings.ListCollation().has_value());
    EXPECT_TRUE(settings.ListColumnWidths(8).empty());
}

// A damaged file never stops the start: defaults, said once, the file kept aside.
TEST_F(AppSettingsTest, ADamagedFileFallsBackToTheDefaultsAndSaysSoOnce) {
    dir.Write("tarvolen.conf", std::string("[add]\nlanguage=2\n[[[\n\x01\xFF=====\n"));
    {
        CAppSettings settings(Path());
        ASSERT_TRUE(settings.Problem().has_value());
        EXPECT_NE(settings.Problem()->find("is damaged"), std::string::npos);
        EXPECT_NE(settings.Problem()->find("tarvolen.conf.damaged"), std::string::npos);
        AddOptions add;
        settings.LoadAddOptions(add);
        EXPECT_EQ(add.Language, kEnglishLatin);
        settings.StoreAddOptions(add);
    }
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "tarvolen.conf.damaged"));
    EXPECT_FALSE(CAppSettings(Path()).Problem().has_value());
}

TEST_F(AppSettingsTest, AnUnreadableFileFallsBackToTheDefaults) {
    std::filesystem::create_directory(dir.path() / "tarvolen.conf");
    CAppSettings settings(Path());
    ASSERT_TRUE(settings.Problem().has_value());
    EXPECT_NE(settings.Problem()->find("cannot be read"), std::string::npos);
    const Started started = Start();
    ExpectDefaults(started.add, started.output);
}

TEST_F(AppSettingsTest, ResetStartsFromTheDefaults) {
    {
        CAppSettings settings(Path());
        AddOptions add;
        add.Language = kRussian;
        settings.StoreAddOptions(add);
    }
    ASSERT_EQ(Start().add.Language, kRussian);
    CAppSettings::Reset(Path());
    const Started started = Start();
    ExpectDefaults(started.add, started.output);
}

TEST_F(AppSettingsTest, TheDefaultFileIsInTheXdgConfigurationFolder) {
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    ASSERT_FALSE(config.isEmpty()) << "the tests keep their own configuration folder";
    EXPECT_EQ(CAppSettings::DefaultPath(),
              QString::fromLocal8Bit(config) + QStringLiteral("/tarvolen/tarvolen.conf"));
}

TEST(FolderKey, EachDialogKeepsItsOwnFolder) {
    const struct {
        bool save;
        const char* title;
        const char* filter;
        const char* key;
    } cases[] = {
        {false, "", "Text File (*.txt)|*.txt|All Files (*.*)|*.*||", "open-text-file-txt"},
        {false, "", "Word List (*.txt)|*.txt|All Files (*.*)|*.*||", "open-word-list-txt"},
        {true, "Export Word List", "Comma-separated values (*.csv)|*.csv||",
         "save-export-word-list"},
    };
    for (const auto& c : cases) {
        FilePickRequest request;
        request.save = c.save;
        request.title = c.title;
        request.filter = c.filter;
        EXPECT_EQ(QtFilePicker::FolderKey(request).toStdString(), c.key);
    }
}

// Through the main window: the confirmed Add and Save options, the list saved last and
// the Word List window are there again at the next start.
class KeptByTheWindowTest : public testing::MainWindowTest {
  protected:
    KeptByTheWindowTest() : settings(std::make_unique<CAppSettings>(Path())) {
        window->SetSettings(settings.get());
    }
    // The settings go before the window.
    ~KeptByTheWindowTest() override { window->SetSettings(nullptr); }
    QString Path() const { return QString::fromStdString((dir.path() / "tarvolen.conf").string()); }

    TempDir dir;
    std::unique_ptr<CAppSettings> settings;
};

TEST_F(KeptByTheWindowTest, OptionsAndTheLastSavedListAreKeptForTheNextRun) {
    const std::string text = dir.Write("in/doc.txt", "don't stop");
    dialogs.addOptions.push_back(testing::RealAddOptions(messages, [](CAddOptionsDialog& d) {
        d.LanguageList()->setCurrentIndex(kGerman);
        d.ApostrophesBox()->setChecked(true);
        QTest::mouseClick(d.AddFilesButton(), Qt::LeftButton);
    }));
    picker.fileResults.push_back(FilePickResult{true, {text}, 1});
    Click(CMainDialog::Button::Add);
    const std::string out = (dir.path() / "mine.txt").string();
    std::vector<std::string> proposed;
    dialogs.saveOptions.push_back([&](OutputOptions& options, std::string& fileName) {
        proposed.push_back(fileName);
        options.Delimiter = Delimiter::CRLF;
        fileName = out;
        return true;
    });
    Click(CMainDialog::Button::SaveWordList);
    EXPECT_EQ(TempDir::Read(out), "don't\r\nstop\r\n");

    // The next save proposes the name saved last, beside the file read last.
    dialogs.saveOptions.push_back([&](OutputOptions&, std::string& fileName) {
        proposed.push_back(fileName);
        return false;
    });
    Click(CMainDialog::Button::SaveWordList);
    EXPECT_EQ(proposed, (std::vector<std::string>{(dir.path() / "in/WordList.txt").string(),
                                                  (dir.path() / "in/mine.txt").string()}));

    CAppSettings next(Path());
    AddOptions add;
    next.LoadAddOptions(add);
    EXPECT_EQ(add.Language, kGerman);
    EXPECT_TRUE(add.Rules.Apostrophes);
    EXPECT_EQ(add.OpenFilterIndex, 1);
    OutputOptions output;
    next.LoadOutputOptions(output);
    EXPECT_EQ(output.Delimiter, Delimiter::CRLF);
    EXPECT_EQ(next.LastSavedFile(), out);
}

// The directory scan starts where the last one did, in this run and the next.
TEST_F(KeptByTheWindowTest, TheDirectoryScanStartsInTheFolderScannedLast) {
    const std::string folder = (dir.path() / "texts").string();
    dir.Write("texts/a.txt", "alpha");
    std::vector<std::string> offered;
    for (int scan = 0; scan < 2; ++scan) {
        dialogs.addOptions.push_back([](AddOptions&, AddMode& mode) {
            mode = AddMode::DirectoryScan;
            return true;
        });
        dialogs.dirScan.push_back([&](std::string& start, std::string&) {
            offered.push_back(start);
            start = folder;
            return true;
        });
        Click(CMainDialog::Button::Add);
    }
    EXPECT_EQ(offered, (std::vector<std::string>{"", folder}));
    EXPECT_EQ(CAppSettings(Path()).Folder("directory-scan").toStdString(), folder);
}

TEST_F(KeptByTheWindowTest, TheWordListWindowOpensAsItWasLeft) {
    workspace.Store.AddWord("word");
    workspace.Store.AddWord("other");
    window->RefreshStatusLine();
    Click(CMainDialog::Button::ViewList);
    auto* list = window->findChild<CWordListWindow*>();
    ASSERT_NE(list, nullptr);
    list->SetSort({ListSortKey::Length, false});
    list->collationBox()->SetLocale("sv");
    list->table()->setColumnWidth(CWordListModel::Count, 151);
    list->resize(731, 457);
    list->close();
    QApplication::processEvents();
    ASSERT_EQ(window->findChild<CWordListWindow*>(), nullptr);

    Click(CMainDialog::Button::ViewList);
    list = window->findChild<CWordListWindow*>();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->model().Sort(), (ListSort{ListSortKey::Length, false}));
    EXPECT_EQ(list->collationBox()->Locale(), "sv");
    ASSERT_NE(list->model().collation(), nullptr);
    EXPECT_EQ(list->model().collation()->Locale(), "sv");
    EXPECT_EQ(list->table()->horizontalHeader()->sectionSize(CWordListModel::Count), 151);
    EXPECT_EQ(list->size(), QSize(731, 457));
    list->close();
}

}  // namespace
}  // namespace tarvolen
