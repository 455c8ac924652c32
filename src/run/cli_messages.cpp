#include "run/cli_messages.h"

#include <cstring>
#include <string_view>

#include "core/ingest/ingest.h"
#include "core/input/dir_scan.h"
#include "core/output/word_list_writer.h"
#include "core/text/readable_text.h"
#include "run/cli_options.h"

namespace tarvolen {

namespace {

bool NamesNoFile(const std::string& text) {
    return text == kUnableToOpenText || text == kUnableToReadText || text == kCannotCreateText ||
           text == kPathMissingText;
}

bool IsDoneReport(const std::string& text) {
    return text.compare(0, std::strlen(kDoneText), kDoneText) == 0;
}

}  // namespace

CliMessages::CliMessages(std::FILE* stream, bool quiet, const char* name)
    : stream_(stream), quiet_(quiet), name_(name) {}

void CliMessages::ShowMessage(const std::string& text, MessageIcon icon) {
    if (icon == MessageIcon::Warning || icon == MessageIcon::Stop) {
        // A message box puts the file on a line of its own; an error line names it
        // after the text.
        const std::string cannotCreate = std::string(kCannotCreateText) + "\r\n";
        if (text.starts_with(cannotCreate))
            Error(std::string(kCannotCreateText) + " " + text.substr(cannotCreate.size()));
        else if (NamesNoFile(text) && subject_ != nullptr && !subject_->empty())
            Error(text + " " + *subject_);
        else
            Error(text);
        return;
    }
    ++notices_;
    if (quiet_ || IsDoneReport(text))
        return;
    if (holding_)
        held_.push_back(text);
    else
        Line(text);
}

void CliMessages::ReleaseNotices(bool show) {
    holding_ = false;
    if (show)
        for (const std::string& text : held_)
            Line(text);
    held_.clear();
}

Answer CliMessages::Ask(const std::string& text, MessageButtons) {
    Error(text);
    return Answer::Cancel;
}

void CliMessages::Error(const std::string& text) {
    ++errors_;
    Line(std::string(name_) + ": " + text);
}

void CliMessages::Note(const std::string& text) {
    Line(std::string(name_) + ": " + text);
}

void CliMessages::Line(const std::string& raw) {
    // A file name in the text may hold bytes that are no UTF-8 at all, or that a
    // terminal would take as commands.
    const std::string text = ReadableText(raw);
    // Message boxes break lines with CR LF; a terminal wants LF alone.
    std::string line;
    line.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        line += text[i];
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stream_);
    std::fflush(stream_);
}

}  // namespace tarvolen
