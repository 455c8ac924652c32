#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/ingest/ingest.h"
#include "core/output/output_options.h"
#include "gui/util/link_label.h"
#include "version.h"

class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QMimeData;
class QPushButton;

namespace tarvolen {

class CAppSettings;
class DialogPort;
class FilePicker;
class MessagePort;
struct RunState;
struct Workspace;
enum class AddMode : std::uint8_t;
enum class CodePage : std::uint8_t;

// The main window: six command buttons, the banner, the link to the project page and
// the status line with the word count and the unsaved mark. Every command runs to its
// end through RunCommand: a button's inside its handler, a drop's just after the drop
// event has been answered.
class CMainDialog : public QDialog {
    Q_OBJECT

  public:
    enum class Button { Add, SaveWordList, Statistics, Filter, Reset, Exit, ViewList };

    static constexpr const char* kTitle = "Tarvolen";
    static constexpr const char* kBannerText = "Tarvolen v" TARVOLEN_VERSION;
    static constexpr const char* kSubtitleText = "Word lists from your documents";
    static constexpr const char* kLinkCaption = "tarvolen.github.io";
    static constexpr const char* kProjectUrl = "https://tarvolen.github.io/";
    // Exit's question about an unsaved list, with the count of its words.
    static constexpr const char* kExitQuestionFormat =
        "You have %s words in the UNSAVED list. Would you like to save them first?";
    // After the reason why a chosen file could not be read.
    static constexpr const char* kNothingAddedText = "Nothing was added to the list.";
    // What F1 shows.
    static constexpr const char* kHelpText =
        "Tarvolen compiles a word list from text documents.\n"
        "\n"
        "Add...: choose a language and the documents' encoding, then add chosen files, "
        "every file of some types below a directory, or saved word lists with their "
        "counts. Files and folders dropped on this window are added the same way.\n"
        "Web pages (.htm, .html, .xhtml, .xml) are read without their markup, and files "
        "that are no text (programs, images, archives) are skipped, unless Add Options "
        "says otherwise. A directory scan goes past what it cannot read and lists it. The "
        "encoding box takes any name iconv knows. "
        "French, Italian and Spanish count the letters a-z only; \"Any language "
        "(Unicode)\" keeps every letter of every script and saves the list as UTF-8. "
        "Apostrophes inside words, Hyphens inside words and Digits as letters keep "
        "don't, well-known and mp3 whole, in every language.\n"
        "Save Word List: write the list as a sorted text file.\n"
        "Statistics: word lengths, letters and the most common word, with charts.\n"
        "Filter: remove rare, short or long words, words found in few files, or the words of "
        "a list.\n"
        "View List (or a double-click on the status line): every word with its count, "
        "to sort (also with the Sort button, or the rows' menu: right button, Menu key or "
        "Shift+F10), search, copy, export to a spreadsheet, delete the words on screen by "
        "hand, or compare with a reference list.\n"
        "Reset: discard the list.\n"
        "Exit: leave Tarvolen; the list is not kept, the options are (tarvolen "
        "--reset-settings starts from the defaults).\n"
        "\n"
        "A long operation shows its progress and can be cancelled.";

    // The question before an Add would put words of the language into a list of
    // another code page.
    static std::string MixedCodePagesQuestion(CodePage listCodePage, std::int32_t language);

    CMainDialog(Workspace& workspace, MessagePort& messages, DialogPort& dialogs,
                FilePicker& picker, QWidget* parent = nullptr);
    ~CMainDialog() override;

    // The current Add run's files, the word cut by a chunk boundary and the file read
    // last (the save flow proposes an output name from it).
    IngestState State;
    // File types of the last directory scan: lower case, no dot; empty means all.
    std::vector<std::string> ScanTypes;
    // The output options as the save flow copied them for the writer.
    std::int32_t CaseMode = 0;
    tarvolen::Delimiter Delimiter = tarvolen::Delimiter::LF;
    std::int32_t AppendOutput = 0;
    std::int32_t UnicodeOutput = 0;
    // The Add option, copied when the Add Options dialog is confirmed.
    std::int32_t SkipShortWords = 0;

    // "1,234 words in the list (NOT SAVED YET)", after a change of the list.
    void RefreshStatusLine();
    // The same line when only the unsaved mark may have changed, as after a save: the
    // windows that show the list have nothing to follow.
    void ShowStatusLine();
    // Empties the store; the empty list has nothing unsaved.
    void DiscardList();
    // One ingestion run over State.InputFiles with the progress window open.
    void IngestFiles();

    // Runs a command through RunGuarded, counting it as running while it does.
    void RunCommand(const std::function<void()>& command);
    // Runs a command through RunCommand once the event loop is back, as when the event
    // that asked for it must be answered first. The window counts as busy from now on,
    // so that nothing starts before it.
    void QueueCommand(std::function<void()> command);

    // Command handlers, one per button.
    void OnAdd();
    void AddFiles();
    void AddFromDirectory();
    void AddWordLists();
    // One merge run of saved lists, with the progress window open.
    void MergeWordLists(const std::vector<std::string>& lists);
    // The open dialog of "Word List...": the lists picked, none when cancelled.
    std::vector<std::string> PickWordLists(bool several);
    // Reads a list to compare the list with, as "Word List..." reads lists and under
    // the same rules, with the progress window open. Null when it was refused or
    // could not be read (the reader said why) or holds no words (said here).
    std::unique_ptr<RunState> ReadReferenceList(const std::string& path);
    // Files and folders dropped on the window: Add Options as for "Add...", then the
    // files, and the files below the folders of the directory scan's default types,
    // in one ingestion run ("Word List..." merges them as saved lists instead).
    void AddDropped(const std::vector<std::string>& paths);
    // The local files and folders a drag carries, as file-system paths.
    static std::vector<std::string> DroppedPaths(const QMimeData* data);
    // True while a command runs, its dialogs and progress window included.
    bool CommandRunning() const { return commandDepth_ > 0; }
    void OnSaveWordList();
    // True when the save dialog was confirmed and the writer ran.
    bool SaveWordList();
    void ShowStatistics();
    // Opens the Word List window, or raises it.
    void ViewList();
    void ApplyFilter();
    void OnReset();
    // Leaving: asks about an unsaved list first.
    void OnCancel();
    void ShowHelp();

    // Where the options, the folders and the Word List window are kept between runs;
    // none (the tests' default) keeps nothing.
    void SetSettings(CAppSettings* settings) { settings_ = settings; }
    CAppSettings* settings() const { return settings_; }

    Workspace& workspace() { return workspace_; }
    MessagePort& messages() { return messages_; }
    DialogPort& dialogs() { return dialogs_; }
    FilePicker& picker() { return picker_; }
    QLabel* statusLine() const { return statusLine_; }
    QLabel* banner() const { return banner_; }
    QLabel* subtitle() const { return subtitle_; }
    CLinkLabel* linkLabel() const { return linkLabel_; }
    QPushButton* button(Button which) const;

  signals:
    // The list may have changed: the status line was refreshed.
    void ListChanged();
    // The last running command has ended.
    void CommandsFinished();

  public slots:
    // Enter must not leave the program behind the unsaved-list question's back.
    void accept() override;
    // Escape and the close box: the Exit command.
    void reject() override;

  protected:
    // Drops are taken only between commands, so a run never has another started
    // under it.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // Add Options and the code-page question; true when the options were confirmed
    // and applied.
    bool ConfirmAddOptions(AddMode& addMode);
    void CloseWindow();
    QPushButton* AddButton(const char* caption, int y, void (CMainDialog::*handler)(), int x = 283);

    Workspace& workspace_;
    MessagePort& messages_;
    DialogPort& dialogs_;
    FilePicker& picker_;
    CAppSettings* settings_ = nullptr;

    QLabel* banner_ = nullptr;
    QLabel* subtitle_ = nullptr;
    CLinkLabel* linkLabel_ = nullptr;
    QLabel* statusLine_ = nullptr;
    std::vector<QPushButton*> buttons_;
    int commandDepth_ = 0;
};

}  // namespace tarvolen
