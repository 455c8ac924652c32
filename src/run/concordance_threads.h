#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/concordance/concordance_entry.h"
#include "core/concordance/concordance_sort.h"
#include "core/concordance/sorted_lines.h"
#include "core/ingest/ingest.h"

namespace tarvolen {

struct RunState;

// A concordance's line as the command line writes it, appended to text:
// FILE, LINE, LEFT, MATCH and RIGHT, parted by tabs.
void PutConcordanceLine(std::string_view path, std::uint64_t line, std::string_view left,
                        std::string_view match, std::string_view right, std::string& text);

struct ConcordanceTally {
    std::size_t occurrences = 0;
    std::size_t documents = 0;  // those with an occurrence
};

// What a sorted concordance asks of the reading: each line's words by the keys, handed
// to take in the order of the lines.
struct ConcordanceSortWords {
    std::vector<ConcordanceKey> keys;
    std::function<void(const SortWords&)> take;
};

// The concordance of entry in state.InputFiles (read last path first, as an Add reads
// them), each file read once, by up to `threads` threads: files are dealt in document
// order, and a large file is cut at separators into parts (of at least leastPart bytes)
// that make their lines on their own; the lines near a cut are completed from the
// parts beside it (their contexts, their line numbers). The lines' text goes to write
// in document order, from whichever thread holds the next part, never two at once.
// Messages of the reading are told in the order of the files once all threads are
// done. Nothing when the run could not begin (the reason has been told). A Cancel
// throws UserCancel and memory running out std::bad_alloc, once every thread is done.
// With sort, write is given one line at a time, and the words of each line go to
// sort->take (a line's neighbours across a cut are completed from the parts beside it).
std::optional<ConcordanceTally> WriteConcordance(
    RunState& run, IngestState& state, const IngestHooks& hooks, const ConcordanceEntry& entry,
    std::size_t width, int threads, std::int64_t leastPart,
    const std::function<void(const std::string&)>& write,
    const ConcordanceSortWords* sort = nullptr);

}  // namespace tarvolen
