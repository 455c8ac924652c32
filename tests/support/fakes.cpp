#include "support/fakes.h"

#include <gtest/gtest.h>

namespace tarvolen::testing {

void FakeMessages::ShowMessage(const std::string& text, MessageIcon icon) {
    shown.push_back({text, icon});
}

Answer FakeMessages::Ask(const std::string& text, MessageButtons) {
    asked.push_back(text);
    if (answers_.empty()) {
        ADD_FAILURE() << "unexpected question: " << text;
        return Answer::Cancel;
    }
    Answer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

std::vector<std::string> FakeMessages::Texts() const {
    std::vector<std::string> texts;
    for (const auto& message : shown) texts.push_back(message.text);
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
    if (onPoll) onPoll(polls);
    return polls == cancelOnPoll_;
}

void FakeProgress::SetFileLine(const std::string& text) { fileLines.push_back(text); }

void FakeProgress::SetDetailLine(const std::string& text) { detailLines.push_back(text); }

}  // namespace tarvolen::testing
