#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/words/word_cutter.h"

namespace tarvolen {

// The entries one record of a saved list gives under a run's rules. A record of one
// word, or of words with no blank between them ("don't", a run of Chinese), is cut
// as a document is, and each word it gives is an entry of its own. A record with
// blanks inside is one entry of words in a row: each blank-separated part is cut as a
// word counted alone (folded, the run's word rules and lengths), and the words are
// joined by one space. A part that gives no word (too long, too short, no letters of
// the alphabet) breaks the row, as a word that is not counted does in a document, and
// so does one that gives several ("don't" where the apostrophe parts words): the
// record then gives nothing. Nor does one of more than WordsInARow::kMost words.
class RecordEntries final : public WordSink {
  public:
    // entry[length] is a NUL.
    using TakeEntry = std::function<void(const char* entry, std::size_t length)>;

    RecordEntries(const CutterSetup& setup, TakeEntry take);
    ~RecordEntries() override;

    void Cut(std::string_view record);

    void Take(const char* word, std::size_t bytes) override;

  private:
    // Hands each word of text to Take.
    void Words(std::string_view text);

    CutterSetup setup_;
    TakeEntry take_;
    std::unique_ptr<WordCutter> cutter_;  // for all but the alphabets' plain rule
    std::string text_;                    // the copy a cutter may change
    bool joining_ = false;                // Take adds to entry_ rather than passing on
    std::string entry_;
    std::size_t words_ = 0;
};

}  // namespace tarvolen
