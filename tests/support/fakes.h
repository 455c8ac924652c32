#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "util/messages.h"
#include "util/progress.h"

namespace tarvolen::testing {

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
