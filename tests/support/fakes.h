#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/ports/ticks.h"

namespace tarvolen::testing {

// A clock that never moves: runs take 0 milliseconds and never show "Working...".
class ZeroTicks : public TickSource {
  public:
    std::uint32_t Now() override { return 0; }
};

// Records every message and answers every question from a script. A question with
// no scripted answer left fails the test (and answers Cancel, the harmless choice).
class FakeMessages : public MessagePort {
  public:
    struct Shown {
        std::string text;
        MessageIcon icon;
    };

    void ShowMessage(const std::string& text, MessageIcon icon) override;
    Answer Ask(const std::string& text, MessageButtons buttons) override;

    void Script(Answer answer) { answers_.push_back(answer); }

    std::vector<Shown> shown;
    std::vector<std::string> asked;

    // Texts of shown messages only, for compact assertions.
    std::vector<std::string> Texts() const;

  private:
    std::deque<Answer> answers_;
};

// A progress window without a window. Records what would be on screen and requests
// Cancel on a scripted call of SetPosition or CancelRequested.
class FakeProgress : public ProgressPort {
  public:
    void SetBounds(int lower, int upper) override;
    int SetPosition(int position) override;
    bool CancelRequested() override;
    void SetFileLine(const std::string& text) override;
    void SetDetailLine(const std::string& text) override;
    void Close() override { ++closeCalls; }

    // The n-th call (1-based) of CancelRequested answers true.
    void CancelOnPoll(int n) { cancelOnPoll_ = n; }
    // Runs before each CancelRequested with its 1-based number, e.g. to shrink a file.
    std::function<void(int)> onPoll;

    int lower = 0;
    int upper = 100;
    int position = 0;
    int polls = 0;
    int closeCalls = 0;
    std::vector<int> positions;
    std::vector<std::string> fileLines;
    std::vector<std::string> detailLines;

  private:
    int cancelOnPoll_ = 0;
};

}  // namespace tarvolen::testing

#include <cstdint>
#include <memory>
#include <optional>

#include "core/analysis/statistics_report.h"
#include "core/analysis/vocabulary_measures.h"
#include "core/ports/file_picker.h"
#include "core/workspace.h"
#include "gui/app/dialog_port.h"

namespace tarvolen::testing {

// Scripted file pickers: each call takes the next scripted result; a call with none
// left fails the test and answers as a cancelled dialog.
class FakeFilePicker : public FilePicker {
  public:
    FilePickResult PickFiles(const FilePickRequest& request) override;
    std::optional<std::string> PickDirectory(const std::string& title,
                                             const std::string& startDirectory) override;

    std::deque<FilePickResult> fileResults;
    std::deque<std::optional<std::string>> directoryResults;
    std::vector<FilePickRequest> fileRequests;
    std::vector<std::string> directoryTitles;
};

// Scripted dialogs for the main window's commands. Each Run* takes the next scripted
// answer: a function that may edit the values the dialog would edit and returns
// whether the dialog was confirmed. No answer left: the test fails, the dialog counts
// as cancelled.
class FakeDialogs : public DialogPort {
  public:
    std::unique_ptr<ProgressPort> OpenProgress() override;
    bool RunAddOptions(AddOptions& options, AddMode& addMode) override;
    bool RunDirScan(std::string& startDirectory, std::string& typeText) override;
    bool RunSaveOptions(OutputOptions& options, std::string& fileName,
                        CodePage listCodePage) override;
    bool RunFilter(std::int32_t& value, FilterMode& mode, std::string& listPath) override;
    void ShowStatistics(const StatisticsFigures& figures, const std::string& report,
                        const VocabularyMeasures& measures,
                        const std::vector<std::uint32_t>& ranked) override;

    std::deque<std::function<bool(AddOptions&, AddMode&)>> addOptions;
    std::deque<std::function<bool(std::string&, std::string&)>> dirScan;
    std::deque<std::function<bool(OutputOptions&, std::string&)>> saveOptions;
    // The code page of the list each Save options dialog was shown for.
    std::vector<CodePage> saveListCodePages;
    std::deque<std::function<bool(std::int32_t&, FilterMode&)>> filter;
    // The list path the next Listed answer gives.
    std::string filterListPath;
    std::vector<std::string> infoTexts;
    std::vector<StatisticsFigures> infoFigures;
    std::vector<VocabularyMeasures> infoMeasures;

    // Progress windows handed out by OpenProgress stay readable here after they close.
    // Before each OpenProgress, onOpenProgress may script the new window.
    std::function<void(FakeProgress&)> onOpenProgress;
    std::vector<std::shared_ptr<FakeProgress>> progressWindows;
};

}  // namespace tarvolen::testing
