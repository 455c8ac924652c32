// Every control of Add Options, set in turn in the real dialog and confirmed: its value
// must reach the run and change the words it counts. Each control is tried at two
// values, the one under test and one that gives other words, so that a control whose
// value goes nowhere counts the same words twice and fails.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/decode/text_encoding.h"
#include "core/words/char_map.h"
#include "core/workspace.h"
#include "gui/add/add_options_dialog.h"
#include "support/main_window_fixture.h"
#include "support/real_dialogs.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using Words = std::vector<std::string>;
using Setter = std::function<void(CAddOptionsDialog&)>;

// Mixed scripts in UTF-8: each alphabet keeps other letters of it.
constexpr const char* kMixed =
    "jazz stra\xC3\x9F"
    "e \xC3\xB1"
    "and\xC3\xBA \xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 "
    "\xCF\x83\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1";

struct ControlCase {
    std::string name;
    Setter contrast;  // a value of the control that counts other words
    Setter set;       // the value under test
    std::function<bool(const CAddOptionsDialog&)> shows;  // the value, when shown again
    std::vector<std::pair<std::string, std::string>> files;
    Words expected;  // sorted; empty: only that the words differ
};

Setter Check(QCheckBox* (CAddOptionsDialog::*box)() const, bool on) {
    return [box, on](CAddOptionsDialog& d) { (d.*box)()->setChecked(on); };
}

std::function<bool(const CAddOptionsDialog&)> Checked(QCheckBox* (CAddOptionsDialog::*box)() const,
                                                      bool on) {
    return [box, on](const CAddOptionsDialog& d) { return (d.*box)()->isChecked() == on; };
}

Setter Language(int index) {
    return [index](CAddOptionsDialog& d) { d.LanguageList()->setCurrentIndex(index); };
}

Setter Encoding(int index, int language = kUnicode) {
    return [index, language](CAddOptionsDialog& d) {
        d.LanguageList()->setCurrentIndex(language);
        d.EncodingList()->setCurrentIndex(index);
    };
}

Words Sorted(Words words) {
    std::sort(words.begin(), words.end());
    return words;
}

std::vector<ControlCase> Cases() {
    using D = CAddOptionsDialog;
    // Kept for the whole program: the cases are made once per test.
    static const testing::TempDir kept;
    const std::string lemmas = kept.Write("lemmas.txt", "be -> is, was, were\n");
    const std::vector<std::pair<std::string, std::string>> mixed{{"mixed.txt", kMixed}};
    const std::vector<std::pair<std::string, std::string>> rules{
        {"rules.txt", "don't well-known mp3"}};
    std::vector<ControlCase> cases = {
        {"short words",
         Check(&D::SkipShortWordsBox, false),
         Check(&D::SkipShortWordsBox, true),
         Checked(&D::SkipShortWordsBox, true),
         {{"short.txt", "a an the word words"}},
         {"word", "words"}},
        {"apostrophes",
         Check(&D::ApostrophesBox, false),
         Check(&D::ApostrophesBox, true),
         Checked(&D::ApostrophesBox, true),
         rules,
         {"don't", "known", "mp", "well"}},
        {"hyphens",
         Check(&D::HyphensBox, false),
         Check(&D::HyphensBox, true),
         Checked(&D::HyphensBox, true),
         rules,
         {"don", "mp", "t", "well-known"}},
        {"digits",
         Check(&D::DigitsBox, false),
         Check(&D::DigitsBox, true),
         Checked(&D::DigitsBox, true),
         rules,
         {"don", "known", "mp3", "t", "well"}},
        {"web pages",
         Check(&D::WebPagesBox, false),
         Check(&D::WebPagesBox, true),
         Checked(&D::WebPagesBox, true),
         {{"page.html", "<b>bold</b> &amp; x"}},
         {"bold", "x"}},
        {"web pages off",
         Check(&D::WebPagesBox, true),
         Check(&D::WebPagesBox, false),
         Checked(&D::WebPagesBox, false),
         {{"page.html", "<b>bold</b> &amp; x"}},
         {"amp", "b", "bold", "x"}},
        {"words in a row",
         [](CAddOptionsDialog&) {},
         [](CAddOptionsDialog& d) {
             d.InARowToBox()->setValue(2);
             d.InARowFromBox()->setValue(2);
         },
         [](const CAddOptionsDialog& d) {
             return d.InARowFromBox()->value() == 2 && d.InARowToBox()->value() == 2;
         },
         {{"row.txt", "Big red, dog"}},
         {"big red"}},
        {"words in a row across punctuation",
         [](CAddOptionsDialog& d) { d.InARowFromBox()->setValue(2); },
         [](CAddOptionsDialog& d) {
             d.InARowFromBox()->setValue(2);
             d.AcrossPunctuationBox()->setChecked(true);
         },
         Checked(&D::AcrossPunctuationBox, true),
         {{"row.txt", "Big red, dog"}},
         {"big red", "red dog"}},
        {"lemma list",
         [](CAddOptionsDialog& d) { d.SetLemmaFile({}); },
         [lemmas](CAddOptionsDialog& d) { d.SetLemmaFile(lemmas); },
         [](const CAddOptionsDialog& d) { return d.LemmaFileLabel()->text() == "lemmas.txt"; },
         {{"forms.txt", "Is was be were"}},
         {"be"}},
        {"every file",
         Check(&D::EveryFileBox, false),
         Check(&D::EveryFileBox, true),
         Checked(&D::EveryFileBox, true),
         {{"image.txt", "\x89PNG\r\n\x1A\nword"}},
         {"png", "word"}},
    };

    // Every language: each keeps the letters of its own alphabet.
    const Words languageWords[kLanguageCount] = {
        {"and", "e", "jazz", "stra"},
        {"and", "e", "jazz", "stra"},  // French counts a-z only, as English/Latin
        {"and", "jazz",
         "stra\xDF"
         "e"},
        {"and", "azz", "e", "stra"},
        {"\xEF\xF0\xE8\xE2\xE5\xF2"},
        {"e", "jazz", "stra",
         "\xF1"
         "and"},
        {"jazz",
         "stra\xC3\x9F"
         "e",
         "\xC3\xB1"
         "and\xC3\xBA",
         "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",
         "\xCF\x83\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1"},
    };
    for (int language = 0; language < kLanguageCount; ++language) {
        cases.push_back({"language " + std::to_string(language),
                         Language(language == kUnicode ? kEnglishLatin : kUnicode),
                         Language(language),
                         [language](const CAddOptionsDialog& d) {
                             return d.LanguageList()->currentIndex() == language;
                         },
                         mixed, Sorted(languageWords[language])});
    }

    // Every encoding but Automatic, against Automatic, which reads the UTF-8 file as
    // UTF-8; the UTF-8 entry is tried on a Windows-1252 file, which Automatic reads as
    // Windows-1252.
    const auto choices = EncodingChoices();
    for (int index = 1; index < static_cast<int>(choices.size()); ++index) {
        const bool utf8 = std::string(choices[index].name) == "utf-8";
        ControlCase c{std::string("encoding ") + choices[index].label,
                      Encoding(0),
                      Encoding(index),
                      [index](const CAddOptionsDialog& d) {
                          return d.EncodingList()->currentIndex() == index;
                      },
                      utf8 ? std::vector<std::pair<std::string, std::string>>{{"latin.txt",
                                                                               "caf\xE9 na\xEFve"}}
                           : mixed,
                      utf8 ? Words{"caf", "na", "ve"} : Words{}};
        cases.push_back(std::move(c));
    }
    return cases;
}

class AddControlsTest : public testing::MainWindowTest {
  protected:
    // One Add of the case's files with the control set by set; the words it counted.
    Words Run(const ControlCase& c, const Setter& set) {
        workspace.Store.Clear();
        workspace.Add = AddOptions{};
        dialogs.addOptions.push_back(
            testing::RealAddOptions(messages, [&set](CAddOptionsDialog& d) {
                set(d);
                QTest::mouseClick(d.AddFilesButton(), Qt::LeftButton);
            }));
        std::vector<std::string> paths;
        for (const auto& [name, bytes] : c.files)
            paths.push_back(dir.Write(c.name + "/" + name, bytes));
        picker.fileResults.push_back(FilePickResult{true, paths, 2});
        Click(CMainDialog::Button::Add);
        return testing::SortedStoreWords(workspace.Store);
    }

    // Whether the next Add Options shows what was confirmed; cancelled.
    bool ShownAgain(const ControlCase& c) {
        bool shown = false;
        dialogs.addOptions.push_back(testing::RealAddOptions(messages, [&](CAddOptionsDialog& d) {
            shown = c.shows(d);
            QTest::mouseClick(d.CancelButton(), Qt::LeftButton);
        }));
        Click(CMainDialog::Button::Add);
        return shown;
    }

    testing::TempDir dir;
};

TEST_F(AddControlsTest, EveryControlReachesTheRunAndChangesItsWords) {
    for (const ControlCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        const Words other = Run(c, c.contrast);
        const Words words = Run(c, c.set);
        EXPECT_NE(words, other) << "the control reached nothing";
        if (!c.expected.empty()) {
            EXPECT_EQ(words, c.expected);
        }
        EXPECT_TRUE(ShownAgain(c)) << "not shown again as confirmed";
    }
}

// The words in a row reach the Add options, and the next dialog shows them; raising one
// end of the range past the other takes the other along.
TEST_F(AddControlsTest, WordsInARowReachTheAddOptions) {
    using D = CAddOptionsDialog;
    const auto spin = [](QSpinBox* (D::*box)() const, int value) {
        return [box, value](D& d) { (d.*box)()->setValue(value); };
    };
    struct Case {
        const char* why;
        std::vector<Setter> set;
        WordsInARow expected;
    };
    const std::vector<Case> cases = {
        {"as they start", {}, {1, 1, false}},
        {"pairs: to follows from up", {spin(&D::InARowFromBox, 2)}, {2, 2, false}},
        {"one to three", {spin(&D::InARowToBox, 3)}, {1, 3, false}},
        {"three to five", {spin(&D::InARowToBox, 5), spin(&D::InARowFromBox, 3)}, {3, 5, false}},
        {"from follows to down",
         {spin(&D::InARowFromBox, 6), spin(&D::InARowToBox, 4)},
         {4, 4, false}},
        {"no more than eight", {spin(&D::InARowToBox, 9)}, {1, 8, false}},
        {"across punctuation", {Check(&D::AcrossPunctuationBox, true)}, {1, 1, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const ControlCase control{c.why,
                                  {},
                                  {},
                                  [&c](const D& d) {
                                      return d.InARowFromBox()->value() == c.expected.From &&
                                             d.InARowToBox()->value() == c.expected.To &&
                                             d.AcrossPunctuationBox()->isChecked() ==
                                                 c.expected.AcrossPunctuation;
                                  },
                                  {{"row.txt", "big red dog"}},
                                  {}};
        Run(control, [&c](D& d) {
            for (const Setter& set : c.set)
                set(d);
        });
        EXPECT_EQ(workspace.Add.InARow, c.expected);
        EXPECT_TRUE(ShownAgain(control));
    }
}

// A confirmed encoding is the run's, as the command line's -e is.
TEST_F(AddControlsTest, TheChosenEncodingIsTheRunsEncoding) {
    const auto choices = EncodingChoices();
    for (int index = 0; index < static_cast<int>(choices.size()); ++index) {
        SCOPED_TRACE(choices[index].label);
        dialogs.addOptions.push_back(
            testing::RealAddOptions(messages, [index](CAddOptionsDialog& d) {
                d.EncodingList()->setCurrentIndex(index);
                QTest::mouseClick(d.AddFilesButton(), Qt::LeftButton);
            }));
        picker.fileResults.push_back(FilePickResult{});
        Click(CMainDialog::Button::Add);
        const TextEncoding expected = *ParseEncoding(choices[index].name);
        EXPECT_EQ(workspace.RunEncoding.kind, expected.kind);
        EXPECT_EQ(workspace.RunEncoding.iconvName, expected.iconvName);
    }
}

}  // namespace
}  // namespace tarvolen
