#include "support/window_gallery.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabWidget>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/analysis/statistics_report.h"
#include "core/analysis/vocabulary_measures.h"
#include "core/ingest/ingest.h"
#include "core/ingest/store_reports.h"
#include "core/input/dir_scan.h"
#include "core/listfile/lemma_list.h"
#include "core/text/code_page.h"
#include "core/text/format_count.h"
#include "core/words/char_map.h"
#include "gui/add/add_options_dialog.h"
#include "gui/add/dir_scan_dialog.h"
#include "gui/analysis/filter_dialog.h"
#include "gui/analysis/info_dialog.h"
#include "gui/app/app_settings.h"
#include "gui/app/main_dialog.h"
#include "gui/app/progress_dialog.h"
#include "gui/app/qt_file_picker.h"
#include "gui/app/qt_message_port.h"
#include "gui/concordance/concordance_window.h"
#include "gui/output/save_list_dialog.h"
#include "gui/wordtable/row_table_view.h"
#include "gui/wordtable/word_list_window.h"
#include "support/store_contents.h"

namespace tarvolen::testing {

namespace {

// Enough words of enough lengths for the charts to have a shape.
constexpr const char* kText =
    "the quick brown fox jumps over the lazy dog while a zebra grazes beside the river "
    "every morning travellers gather questions about wordlists dictionaries and spelling "
    "checkers counting distinct words by their length and first letter is what this "
    "program does with documents of any size from letters to encyclopaedias";

// Words of many scripts, for a Unicode list's letters: more of them than the chart has
// bars, σ and ς sharing their capital.
constexpr const char* kUnicodeText =
    "σοφία σας είναι μεγάλη ευχαριστούμε πολύ λέξεις μας "
    "привет мир это тестовый текст на русском языке кто-то пришёл "
    "zażółć gęślą jaźń źdźbło żółw ąę "
    "yarın ılık ışık iki kişi için "
    "straße mädchen über größe café naïve garçon "
    "the quick brown fox jumps over the lazy dog";

std::unique_ptr<QWidget> InfoOnTab(MessagePort& messages, FilePicker& picker,
                                   const StatisticsFigures& figures, int tab) {
    auto info = std::make_unique<CInfoDialog>(messages, picker);
    info->SetText(CInfoDialog::DecodeText(FormatStatisticsReport(figures)));
    info->SetFigures(figures);
    info->Tabs()->setCurrentIndex(tab);
    return info;
}

}  // namespace

WindowGallery::WindowGallery()
    : workspace_(messages_, SmallStoreOptions()),
      rows_(messages_, SmallStoreOptions()),
      lemmas_(messages_, SmallStoreOptions()) {}

void WindowGallery::FillList() {
    workspace_.Store.Clear();
    const std::string text = kText;
    // Read as documents of twelve words, so that the words have ranges to show.
    int words = 0;
    for (std::size_t start = 0; start < text.size();) {
        if (words++ % 12 == 0)
            workspace_.Store.BeginDocument();
        std::size_t end = std::min(text.find(' ', start), text.size());
        workspace_.Store.AddWord(text.substr(start, end - start).c_str());
        start = end + 1;
    }
    workspace_.ListUnsaved = true;
}

void WindowGallery::FillRows() {
    rows_.Store.Clear();
    std::vector<std::string> words;
    const std::string text = kText;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        if (i % 12 == 0)
            rows_.Store.BeginDocument();
        const std::string pair = words[i] + ' ' + words[i + 1];
        rows_.Store.AddWord(pair.c_str());
        if (i + 2 < words.size())
            rows_.Store.AddWord((pair + ' ' + words[i + 2]).c_str());
    }
    rows_.Add.InARow = {2, 3, false};
    rows_.ListUnsaved = true;
}

void WindowGallery::FillLemmas() {
    lemmas_.Store.Clear();
    lemmas_.Forms->Clear();
    ApplyAddOptions(lemmas_);
    lemmas_.MinWordLength = 1;
    lemmas_.Add.LemmaFile = files_.Write("lemmas-en.txt",
                                         "# English verbs and nouns\n"
                                         "be -> am, is, are, was, were, been, being\n"
                                         "go -> goes, went, gone, going\n"
                                         "run -> runs, ran, running\n"
                                         "have -> has, had, having\n"
                                         "river -> rivers\ndog -> dogs\nday -> days\n");
    LoadLemmas(lemmas_, messages_);
    IngestState state;
    state.InputFiles = {
        files_.Write("walk.txt",
                     "The river was high and the rivers were higher than they had been for days. "
                     "She is here, he was there, they are gone. We go, she goes, he went; the "
                     "dogs ran, a dog runs, the dog is running and has been running all day. "
                     "I am going where the rivers go, and they were going too."),
        files_.Write("letter.txt",
                     "Dear friend, the days are long, the dogs are well and the river is calm. "
                     "We have been to the river twice; it was cold, and we ran home.")};
    FakeProgress progress;
    IngestFiles(lemmas_, state, IngestHooks{progress, messages_, {}});
    lemmas_.ListUnsaved = true;
}

WindowGallery::~WindowGallery() = default;

std::vector<GalleryWindow> WindowGallery::Build() {
    std::vector<GalleryWindow> windows;

    // The window starts with an empty list, as the program does.
    auto main = std::make_unique<CMainDialog>(workspace_, messages_, dialogs_, picker_);
    auto listOwner = std::make_unique<CMainDialog>(workspace_, messages_, dialogs_, picker_);
    // A main window empties the list as it opens.
    auto compareOwner = std::make_unique<CMainDialog>(workspace_, messages_, dialogs_, picker_);
    auto rowsOwner = std::make_unique<CMainDialog>(rows_, messages_, dialogs_, picker_);
    auto lemmasOwner = std::make_unique<CMainDialog>(lemmas_, messages_, dialogs_, picker_);
    auto concordanceOwner = std::make_unique<CMainDialog>(workspace_, messages_, dialogs_, picker_);
    FillList();
    FillRows();
    FillLemmas();
    main->RefreshStatusLine();
    windows.push_back({"main-window", std::move(main)});

    // The Word List window with a word picked and a search typed.
    auto list = std::make_unique<CWordListWindow>(*listOwner);
    list->searchField()->setText(QStringLiteral("e"));
    list->table()->selectRow(2);
    list->searchField()->setFocus();
    windows.push_back({"word-list", std::move(list)});
    owners_.push_back(std::move(listOwner));

    // A list of words in a row, searched for a word of them.
    auto rows = std::make_unique<CWordListWindow>(*rowsOwner);
    rows->searchField()->setText(QStringLiteral("the "));
    rows->table()->selectRow(1);
    windows.push_back({"word-list-rows", std::move(rows)});
    owners_.push_back(std::move(rowsOwner));

    // A list counted under a lemma list: the Forms column beside the figures.
    auto forms = std::make_unique<CWordListWindow>(*lemmasOwner);
    forms->table()->selectRow(0);
    windows.push_back({"word-list-forms", std::move(forms)});
    owners_.push_back(std::move(lemmasOwner));

    // The same list compared with a reference of everyday English, its own words
    // shown too.
    auto compared = std::make_unique<CWordListWindow>(*compareOwner);
    picker_.fileResults.push_back(FilePickResult{
        true,
        {files_.Write("reference.txt",
                      "the,60\nof,35\nand,30\na,25\nto,25\nin,20\nis,10\nwith,9\nby,8\n"
                      "river,2\ndog,2\nmorning,2\nletters,1\n")},
        1});
    compared->Compare();
    compared->referenceOnlyBox()->setChecked(true);
    compared->table()->selectRow(0);
    windows.push_back({"word-list-compare", std::move(compared)});
    owners_.push_back(std::move(compareOwner));

    // The concordance of a word in two documents, sorted by the word after it.
    workspace_.Added.Remember(
        workspace_,
        {files_.Write("letters.txt",
                      "Dear Anna,\nthe river rose in the night and the bridge to the village "
                      "is closed.\nWe walk the long way round, past the mill and the old "
                      "church.\n\nThe children love the boats."),
         files_.Write("diary.txt",
                      "Monday. Rain again; the garden is a lake. The post came late and the "
                      "dog hid under the table all afternoon.\nTuesday. Sun at last: the "
                      "whole village out on the green.")});
    auto concordance = std::make_unique<CConcordanceWindow>(*concordanceOwner);
    concordance->SetSortKeys({1, 2});
    concordance->ShowEntry(QStringLiteral("the"));
    concordance->table()->selectRow(3);
    windows.push_back({"concordance", std::move(concordance)});
    owners_.push_back(std::move(concordanceOwner));

    auto progress = std::make_unique<CProgressDialog>();
    progress->SetFileLine(QStringLiteral("/home/user/Documents/letters/2026/december.txt"));
    progress->SetDetailLine(QStringLiteral("1,234 Kb of 5,678 Kb"));
    progress->SetBounds(0, 1000);
    progress->SetPosition(370);
    windows.push_back({"progress", std::move(progress)});

    auto scanning = std::make_unique<CProgressDialog>();
    scanning->SetFileLine(QStringLiteral("/home/user/Documents/letters"));
    scanning->SetDetailLine(QStringLiteral("1234 files found"));
    scanning->SetBounds(0, 0);
    windows.push_back({"progress-scan", std::move(scanning)});

    addOptions_ = workspace_.Add;
    addOptions_.LemmaFile = "/home/user/Documents/lemmas-en.txt";
    windows.push_back({"add-options", std::make_unique<CAddOptionsDialog>(addOptions_, messages_,
                                                                          nullptr, &picker_)});

    auto scan = std::make_unique<CDirScanDialog>(messages_, picker_);
    scan->StartDirectory = "/home/user/Documents";
    scan->TypeText = kDefaultScanTypes;
    scan->UpdateControls();
    windows.push_back({"directory-scan", std::move(scan)});

    auto save = std::make_unique<CSaveListDialog>(workspace_.Output, messages_, picker_);
    save->FileName = "/home/user/Documents/wordlist.txt";
    windows.push_back({"save-options", std::move(save)});

    windows.push_back({"filter", std::make_unique<CFilterDialog>(messages_, picker_)});

    const StatisticsFigures figures = GatherStatistics(workspace_.Store);
    windows.push_back({"info-report", InfoOnTab(messages_, picker_, figures, 0)});
    windows.push_back({"info-lengths", InfoOnTab(messages_, picker_, figures, 1)});
    windows.push_back({"info-letters", InfoOnTab(messages_, picker_, figures, 2)});
    {
        // Documents whose words are drawn as Zipf's law has them: the plot a corpus gives.
        WordStore zipf(ReportingStoreOptions(messages_, SmallStoreOptions()));
        std::mt19937 random(40);
        std::vector<double> weights;
        for (int r = 1; r <= 20'000; ++r)
            weights.push_back(1.0 / r);
        std::discrete_distribution<int> rank(weights.begin(), weights.end());
        for (int document = 0; document < 12; ++document) {
            zipf.BeginDocument();
            for (int i = 0; i < 2'500; ++i)
                zipf.AddWord(("w" + std::to_string(rank(random))).c_str());
        }
        VocabularyMeasures measures = MeasureList(zipf);
        measures.segments = zipf.TakeSegments();
        std::unique_ptr<QWidget> info = InfoOnTab(messages_, picker_, GatherStatistics(zipf), 0);
        auto* dialog = static_cast<CInfoDialog*>(info.get());
        dialog->SetMeasures(measures, RankedCounts(zipf));
        dialog->Tabs()->setCurrentWidget(dialog->MeasuresTab());
        windows.push_back({"info-measures", std::move(info)});
    }
    {
        WordStore unicode(ReportingStoreOptions(messages_, SmallStoreOptions()));
        const std::string text = kUnicodeText;
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = std::min(text.find(' ', start), text.size());
            unicode.AddWord(text.substr(start, end - start).c_str());
            start = end + 1;
        }
        const StatisticsFigures letters = GatherStatistics(unicode, CodePage::Utf8);
        windows.push_back({"info-letters-unicode", InfoOnTab(messages_, picker_, letters, 2)});
    }

    // The message boxes that wrap: long questions, long paths, the help.
    const auto question = [](const std::string& text, MessageButtons buttons) {
        return QtMessagePort::BuildQuestion(text, buttons, nullptr);
    };
    const auto message = [](const std::string& text, MessageIcon icon) {
        return QtMessagePort::BuildMessage(text, icon, nullptr);
    };
    windows.push_back(
        {"exit-question", question(FormatText(CMainDialog::kExitQuestionFormat,
                                              FormatCount(workspace_.Store.Count(), ',').c_str()),
                                   MessageButtons::YesNoCancel)});
    windows.push_back({"mixed-code-pages-question",
                       question(CMainDialog::MixedCodePagesQuestion(CodePage::Windows1251, kGerman),
                                MessageButtons::YesNo)});
    windows.push_back({"help", message(CMainDialog::kHelpText, MessageIcon::Information)});
    windows.push_back({"settings-damaged",
                       message(FormatText(CAppSettings::kDamagedFormat,
                                          "/home/user/.config/tarvolen/tarvolen.conf",
                                          "/home/user/.config/tarvolen/tarvolen.conf.damaged"),
                               MessageIcon::Warning)});
    constexpr const char* kLongPath =
        "/home/user/Documents/letters/2026/december/statistics of the collected letters.png";
    windows.push_back(
        {"replace-question",
         question(FormatText(QtFilePicker::kReplaceFormat, kLongPath), MessageButtons::YesNo)});
    windows.push_back({"save-failed", message(FormatText(CInfoDialog::kSaveFailedFormat, kLongPath,
                                                         "No such file or directory"),
                                              MessageIcon::Stop)});
    return windows;
}

}  // namespace tarvolen::testing
