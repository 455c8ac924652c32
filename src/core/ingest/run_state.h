#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/decode/text_encoding.h"
#include "core/ingest/document_text.h"
#include "core/store/segment_figures.h"
#include "core/store/word_store.h"
#include "core/text/code_page.h"
#include "core/words/char_map.h"
#include "core/words/lemma_map.h"
#include "core/words/word_rules.h"
#include "core/words/words_in_a_row.h"

namespace tarvolen {

class MessagePort;

// Options of the Add command; they live as long as the process and start so.
struct AddOptions {
    std::int32_t Language = kEnglishLatin;
    std::int32_t SkipShortWords = 0;
    std::int32_t OpenFilterIndex = 2;               // 1-based; 2 is "All Files (*.*)"
    std::string Encoding = kAutomaticEncodingName;  // a name of EncodingChoices()
    DocumentRules Documents;                        // web pages, files that are no text
    WordRules Rules;
    WordsInARow InARow;
    // The lemma list whose forms count as their headwords; none when empty.
    std::string LemmaFile;
};

// The word list and what a run that adds to it reads and keeps: its Add options, the
// alphabet and decoding they set up, and its counters. The runs (files, scans, saved
// lists) take this rather than the Workspace, which adds what only the windows and the
// command line share (the Save options) on top of it.
struct RunState {
    // A refused growth of the store is shown through messages; WordStore::Unavailable
    // when no store can be had.
    explicit RunState(MessagePort& messages);
    RunState(MessagePort& messages, const WordStore::Options& storeOptions);

    WordStore Store;

    // Tokenizer settings of the current Add run, and how its documents are decoded:
    // into the code page of its alphabet, which Map is built for.
    CharMap Map{};
    CodePage RunCodePage = CodePage::Windows1252;
    TextEncoding RunEncoding{};
    WordRules RunRules;
    std::int32_t MinWordLength = 4;
    std::int64_t QualifiedWords = 0;
    // Whether the runs tally the segments of their documents for the standardised
    // type/token ratio: only when asked, as it costs time on every word.
    bool MeasureSegments = false;
    // The segments of the documents read into the list since it was last emptied.
    SegmentFigures Segments;

    // The code page the words of the list were collected under: that of the run that
    // added the first of them, or CodePage::Utf8 once a Unicode run added to it (see
    // AdaptListToRun). Lists are saved and shown through it (CodePageToUtf8).
    CodePage ListCodePage = CodePage::Windows1252;

    // True when the list holds words added and not saved since.
    bool ListUnsaved = false;
    // True in a process that counts for a list others hold (tarvolen-mpi's processes
    // after the first): the run treats the list as held, though Store starts empty.
    bool ListHeldElsewhere = false;

    AddOptions Add;

    // The lemma list of the current run (LoadLemmas), and the forms its runs met, by
    // headword, for as long as the list holds them. The tally is shared by the threads
    // of a run, which hand their counts in under its lock.
    std::shared_ptr<const LemmaMap> Lemmas;
    std::shared_ptr<FormTally> Forms = std::make_shared<FormTally>();

    // Per-run figures of the last ingestion run.
    std::int64_t TotalBytes = 0;
    std::int64_t BytesRead = 0;
    // The part of BytesRead that came from streams, which TotalBytes cannot include.
    std::int64_t StreamBytesRead = 0;
    // While threads count into stores of their own: the most distinct words one of them
    // holds, which the list will hold at least once they are merged (0 otherwise).
    std::int32_t ThreadWords = 0;
    // Tick of the last refresh of the running word count; never reset between runs.
    std::uint32_t LastWorkingTick = 0;
};

// The segments of the documents a reading counts into store while this lives: added
// to the run's Segments when it ends, when the run measures them, however the reading
// ends, since the words read stay in the list.
class SegmentsOfRun {
  public:
    SegmentsOfRun(RunState& run, WordStore& store);
    ~SegmentsOfRun();
    SegmentsOfRun(const SegmentsOfRun&) = delete;
    SegmentsOfRun& operator=(const SegmentsOfRun&) = delete;

  private:
    RunState& run_;
    WordStore& store_;
};

// Whether the run adds to a list of words already held, here or elsewhere.
inline bool ListHeld(const RunState& run) {
    return run.Store.Count() > 0 || run.ListHeldElsewhere;
}

// Sets the run's alphabet and decoding from the Add options: Map, RunCodePage,
// RunEncoding (Automatic for a name that is not known) and RunRules.
void ApplyAddOptions(RunState& run);

// True when words of the language would join a list of words of the other code page;
// a UTF-8 list, or a Unicode run, takes any words without a question.
bool WouldMixCodePages(const RunState& state, std::int32_t language);

}  // namespace tarvolen
