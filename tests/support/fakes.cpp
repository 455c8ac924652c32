#include "support/fakes.h"

#include <gtest/gtest.h>

namespace tarvolen::testing {

namespace {

// The next scripted answer; a call the script did not foresee fails the test and
// gets the harmless answer.
template <typename T>
T NextScripted(std::deque<T>& script, const std::string& unexpected, T harmless) {
    if (script.empty()) {
        ADD_FAILURE() << unexpected;
        return harmless;
    }
    T next = std::move(script.front());
    script.pop_front();
    return next;
}

}  // namespace

void FakeMessages::ShowMessage(const std::string& text, MessageIcon icon) {
    shown.push_back({text, icon});
}

Answer FakeMessages::Ask(const std::string& text, MessageButtons) {
    asked.push_back(text);
    return NextScripted(answers_, "unexpected question: " + text, Answer::Cancel);
}

std::vector<std::string> FakeMessages::Texts() const {
    std::vector<std::string> texts;
    for (const auto& message : shown)
        texts.push_back(message.text);
    return texts;
}

void FakeProgress::SetBounds(int newLower, int newUpper) {
    lower = newLower;
    upper = newUpper;
}

int FakeProgress::SetPosition(int newPosition) {
    int previous = position;
    position = newPosition;
    positions.push_back(newPosition);
    return previous;
}

bool FakeProgress::CancelRequested() {
    ++polls;
    if (onPoll)
        onPoll(polls);
    return polls == cancelOnPoll_;
}

void FakeProgress::SetFileLine(const std::string& text) {
    fileLines.push_back(text);
}

void FakeProgress::SetDetailLine(const std::string& text) {
    detailLines.push_back(text);
}

}  // namespace tarvolen::testing

namespace tarvolen::testing {

namespace {

template <typename Script, typename... Args>
bool RunScripted(std::deque<Script>& script, const char* what, Args&... args) {
    Script next = NextScripted(script, std::string("unexpected dialog: ") + what,
                               Script([](Args&...) { return false; }));
    return next(args...);
}

// Hands out a FakeProgress that the FakeDialogs keeps, and closes it when it goes.
class SharedProgress : public ProgressPort {
  public:
    explicit SharedProgress(std::shared_ptr<FakeProgress> target) : target_(std::move(target)) {}
    ~SharedProgress() override { target_->Close(); }
    void SetBounds(int lower, int upper) override { target_->SetBounds(lower, upper); }
    int SetPosition(int position) override { return target_->SetPosition(position); }
    bool CancelRequested() override { return target_->CancelRequested(); }
    void SetFileLine(const std::string& text) override { target_->SetFileLine(text); }
    void SetDetailLine(const std::string& text) override { target_->SetDetailLine(text); }
    void Close() override { target_->Close(); }

  private:
    std::shared_ptr<FakeProgress> target_;
};

}  // namespace

FilePickResult FakeFilePicker::PickFiles(const FilePickRequest& request) {
    fileRequests.push_back(request);
    return NextScripted(fileResults, "unexpected file dialog: " + request.title, FilePickResult{});
}

std::optional<std::string> FakeFilePicker::PickDirectory(const std::string& title,
                                                         const std::string&) {
    directoryTitles.push_back(title);
    return NextScripted(directoryResults, "unexpected folder dialog: " + title,
                        std::optional<std::string>{});
}

std::unique_ptr<ProgressPort> FakeDialogs::OpenProgress() {
    auto progress = std::make_shared<FakeProgress>();
    if (onOpenProgress)
        onOpenProgress(*progress);
    progressWindows.push_back(progress);
    return std::make_unique<SharedProgress>(progress);
}

bool FakeDialogs::RunAddOptions(AddOptions& options, AddMode& addMode) {
    return RunScripted(addOptions, "Add Options", options, addMode);
}

bool FakeDialogs::RunDirScan(std::string& startDirectory, std::string& typeText) {
    return RunScripted(dirScan, "directory scan", startDirectory, typeText);
}

bool FakeDialogs::RunSaveOptions(OutputOptions& options, std::string& fileName,
                                 CodePage listCodePage) {
    saveListCodePages.push_back(listCodePage);
    return RunScripted(saveOptions, "Save options", options, fileName);
}

bool FakeDialogs::RunFilter(std::int32_t& value, FilterMode& mode, std::string& listPath) {
    listPath = filterListPath;
    return RunScripted(filter, "Filter", value, mode);
}

void FakeDialogs::ShowStatistics(const StatisticsFigures& figures, const std::string& report,
                                 const VocabularyMeasures& measures,
                                 const std::vector<std::uint32_t>&) {
    infoFigures.push_back(figures);
    infoMeasures.push_back(measures);
    infoTexts.push_back(report);
}

}  // namespace tarvolen::testing
