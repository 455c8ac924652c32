#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "core/analysis/vocabulary_measures.h"
#include "core/output/word_list_writer.h"
#include "core/text/code_page.h"
#include "run/cli_options.h"

namespace tarvolen {

class MessagePort;
class WordStore;
struct Workspace;

// What the command line's run does with its list once the files are read, each step
// on the whole list wherever it is held: in the workspace's store, or spread over
// the processes of a job. The run calls them on the workspace it read into.
class ListSteps {
  public:
    virtual ~ListSteps() = default;

    // The number of words in the list.
    virtual std::int64_t Count(Workspace& workspace) = 0;
    // One filter of the command line: the number of words removed, or -1 when its
    // word list was refused (the reason has been shown, nothing was removed).
    virtual std::int32_t Filter(Workspace& workspace, const CliFilter& filter,
                                MessagePort& messages) = 0;
    // The keyword rows of the list against the reference; from then on the writes
    // below write them instead of the list.
    virtual void CompareWith(Workspace& workspace, const WordStore& reference,
                             double minKeyness) = 0;
    // The statistics report, or nothing when the list is empty.
    virtual std::optional<std::string> Statistics(Workspace& workspace) = 0;
    // The measures of the vocabulary: the list's, and the segments of the documents read.
    virtual VocabularyMeasures Measures(Workspace& workspace) = 0;
    // The records of the list of that kind to an open stream, which the caller flushes.
    virtual void WriteRecords(Workspace& workspace, ListKind kind, std::FILE* stream,
                              const RecordFormat& format) = 0;
    // The list of that kind saved at path, as the core's writer of that list saves it.
    virtual WriteOutcome WriteList(Workspace& workspace, ListKind kind,
                                   const WriterOptions& options, const std::string& path,
                                   const WriterHooks& hooks) = 0;
};

// A filter of the command line by one of its rules on the words themselves (not
// FilterMode::Listed, whose words come from a list): the number of words removed.
std::int32_t FilterByRule(WordStore& store, const CliFilter& filter, CodePage listCodePage);

// The steps on a list held whole in the workspace's store, sorted by jobs threads; its
// keyword rows' ties in the collation's order of the words of codePage (null: bytes).
std::unique_ptr<ListSteps> StoreListSteps(int jobs, const Collation* collation = nullptr,
                                          CodePage codePage = CodePage::Windows1252);

}  // namespace tarvolen
