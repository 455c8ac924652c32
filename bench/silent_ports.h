#pragma once

#include <string>

#include "core/ports/messages.h"
#include "core/ports/progress.h"

namespace tarvolen::bench {

// Ports that show nothing and ask nobody, for benchmarks that run whole commands.
class SilentMessages : public MessagePort {
  public:
    void ShowMessage(const std::string&, MessageIcon) override {}
    Answer Ask(const std::string&, MessageButtons) override { return Answer::Ok; }
};

class NoProgress : public ProgressPort {
  public:
    void SetBounds(int, int) override {}
    int SetPosition(int) override { return 0; }
    void SetFileLine(const std::string&) override {}
    void SetDetailLine(const std::string&) override {}
    bool CancelRequested() override { return false; }
    void Close() override {}
};

}  // namespace tarvolen::bench
