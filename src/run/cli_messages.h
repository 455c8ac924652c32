#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "core/ports/messages.h"
#include "run/cli_options.h"

namespace tarvolen {

// The message port of tarvolen-cli: every message box becomes a line on standard
// error. Warnings and stop messages are errors: they carry the program's name, are
// always shown and make the run fail. Information (the reading summary, the filter's
// count) is left out under --quiet; the writers' "Done!" reports are never shown, as
// a successful command-line tool says nothing.
class CliMessages : public MessagePort {
  public:
    // name: the program's, which begins its own lines.
    CliMessages(std::FILE* stream, bool quiet, const char* name = kCliName);

    void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::Information) override;
    // Nothing is asked on the command line: the harmless answer.
    Answer Ask(const std::string& text, MessageButtons buttons) override;

    // Named after the texts that speak of a file without naming it ("Unable to open
    // the file!", "Unable to create output file"). Empty: nothing is added.
    void SetSubject(const std::string* path) { subject_ = path; }

    // An error of the program's own, with the program's name.
    void Error(const std::string& text);
    // A remark with the program's name that is shown even under --quiet and is no
    // failure (a report asked for that has nothing to report).
    void Note(const std::string& text);

    // Keeps information back until it is released, shown or dropped: a run that the
    // person interrupted ends without its summary.
    void HoldNotices() { holding_ = true; }
    void ReleaseNotices(bool show);

    int errors() const { return errors_; }
    int notices() const { return notices_; }

  private:
    void Line(const std::string& text);

    std::FILE* stream_;
    bool quiet_;
    const char* name_;
    const std::string* subject_ = nullptr;
    int errors_ = 0;
    int notices_ = 0;
    bool holding_ = false;
    std::vector<std::string> held_;
};

}  // namespace tarvolen
