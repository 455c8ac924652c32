#include "run/cli_list_work.h"

#include <cstdint>
#include <cstdio>

#include "core/analysis/statistics_report.h"
#include "core/analysis/word_filter.h"
#include "core/output/my_exception.h"
#include "core/output/word_list_writer.h"
#include "core/ports/messages.h"
#include "core/ports/ticks.h"
#include "core/text/code_page.h"
#include "core/text/format_count.h"
#include "core/workspace.h"
#include "run/interrupts.h"
#include "run/stream_writes.h"

namespace tarvolen {

namespace {

// The list the options ask for (the keyword rows, once compared, whatever it is).
ListKind ListKindOf(const CliOptions& options) {
    return options.range       ? ListKind::Range
           : options.frequency ? ListKind::Frequency
                               : ListKind::Words;
}

}  // namespace

int CliListWork::Run(const WordStore* reference, bool skippedUnreadable) {
    Filter();
    // A stop list that cannot be used leaves the list other than asked: unwritten.
    if (listRefused_)
        return kExitFailure;
    if (options_.keywords) {
        if (list_.Count(workspace_) == 0) {
            messages_.Error(kEmptyProjectText);
            return kExitFailure;
        }
        list_.CompareWith(workspace_, *reference, options_.minKeyness);
    }
    if (WritesToStandardOutput() && !WriteToStandardOutput())
        return kExitFailure;
    if (options_.statistics && !PrintStatistics())
        return kExitFailure;
    if (options_.measures && !PrintMeasures())
        return kExitFailure;
    if (options_.output && !WritesToStandardOutput()) {
        if (std::optional<int> failed = WriteToFile(*options_.output))
            return *failed;
    }
    return skippedUnreadable ? kExitFailure : kExitOk;
}

bool CliListWork::WritesToStandardOutput() const {
    return options_.output && *options_.output == kStandardOutputName;
}

void CliListWork::Filter() {
    for (const CliFilter& filter : options_.filters) {
        if (list_.Count(workspace_) == 0) {
            messages_.ShowMessage(kNothingToFilterText, MessageIcon::Information);
            continue;
        }
        const std::int32_t removed = list_.Filter(workspace_, filter, messages_);
        if (removed < 0) {
            listRefused_ = true;
            continue;
        }
        messages_.ShowMessage(FormatText(kWordsRemovedFormat, removed), MessageIcon::Information);
    }
}

bool CliListWork::WriteToStandardOutput() {
    const RecordFormat format(WriterOptionsOf(options_));
    try {
        list_.WriteRecords(workspace_, ListKindOf(options_), stdout, format);
    } catch (const CMyException& error) {
        messages_.Error(error.GetMessage());
        return false;
    }
    if (!Flushed(stdout)) {
        messages_.Error(kOutputErrorText);
        return false;
    }
    return true;
}

bool CliListWork::PrintStatistics() {
    std::optional<std::string> report = list_.Statistics(workspace_);
    if (!report) {
        messages_.Note(kNothingToAnalyseText);
        return true;
    }
    // The report is read on a terminal, which shows UTF-8, whatever the list is
    // written in.
    if (!WriteAll(stdout, CodePageToUtf8(workspace_.ListCodePage, *report)) || !Flushed(stdout)) {
        messages_.Error(kOutputErrorText);
        return false;
    }
    return true;
}

bool CliListWork::PrintMeasures() {
    if (!WriteAll(stdout, FormatMeasures(list_.Measures(workspace_))) || !Flushed(stdout)) {
        messages_.Error(kOutputErrorText);
        return false;
    }
    return true;
}

// Nothing when the list was written, else the exit status.
std::optional<int> CliListWork::WriteToFile(const std::string& path) {
    WriterHooks hooks{messages_, SystemTicks(), nullptr, {}};
    // Every kind of list is sorted and written in one call.
    BusyScope busy(program_.busy);
    // A Ctrl-C while the file is written stops the writer, which leaves the file as it
    // was; ending the process there would leave it half written.
    hooks.stopRequested = [] { return Interrupted(); };
    hooks.sorted = [busy = program_.busy] {
        if (busy != nullptr)
            busy->Writing();
    };
    const WriterOptions writerOptions = WriterOptionsOf(options_);
    messages_.SetSubject(&path);
    WriteOutcome outcome = WriteOutcome::CannotCreate;
    CatchInterrupts();
    try {
        outcome = list_.WriteList(workspace_, ListKindOf(options_), writerOptions, path, hooks);
    } catch (const CMyException& error) {
        DefaultInterrupts();
        messages_.SetSubject(nullptr);
        // A write into a FIFO that a signal cut short is the stop that was asked.
        if (Interrupted())
            return InterruptedStatus();
        // A refusal says why on its own; a failed write names its file.
        messages_.Error(error.GetMessage() == kOutputErrorText ? error.GetMessage() + " " + path
                                                               : error.GetMessage());
        return kExitFailure;
    }
    DefaultInterrupts();
    messages_.SetSubject(nullptr);
    if (outcome == WriteOutcome::Stopped)
        return InterruptedStatus();
    if (outcome != WriteOutcome::Written)
        return kExitFailure;
    return std::nullopt;
}

}  // namespace tarvolen
