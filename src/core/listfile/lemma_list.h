#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/listfile/list_records.h"
#include "core/text/code_page.h"
#include "core/words/lemma_map.h"
#include "core/words/word_cutter.h"

namespace tarvolen {

class MessagePort;
struct RunState;

inline constexpr const char* kLemmaListRefusedFormat =
    "The lemma list %s was not read: %s.\r\n\r\nNothing was counted.";

// The longest line a lemma list may hold: room for hundreds of forms, and a bound on
// the memory a file without line ends costs.
inline constexpr std::size_t kLongestLemmaLine = 65536;

// Reads the decoded text of a lemma list: one headword a line, "HEAD -> FORM, FORM",
// the spaces around "->" optional, the forms parted by commas, tabs or both. Empty
// lines and lines whose first character (after blanks) is '#' are skipped. The
// headword and each form are cut as the run cuts its words, and each must be exactly
// one word, nothing left out; a form may stand under one headword only (a headword is a form
// of itself). The first line that breaks a rule stops the reading with the line's
// number in FailureText.
class LemmaLineReader final : public ListTextReader {
  public:
    // codePage: that of the decoded text, for the words quoted in a failure.
    LemmaLineReader(const CutterSetup& setup, CodePage codePage);
    ~LemmaLineReader() override;

    bool Feed(std::string_view text) override;
    bool Finish() override;
    const std::string& FailureText() const override { return failure_; }

    // The lemmas read; the reader is done with them.
    std::unique_ptr<LemmaMap> TakeMap() { return std::move(map_); }

  private:
    class Words;

    bool Line(std::string_view line);
    // The one word text gives, or false after Fail.
    bool OneWord(std::string_view text, std::string& word);
    bool Fail(const std::string& why);

    CodePage codePage_;
    bool utf8Words_;  // the cutter gives UTF-8 words
    std::unique_ptr<Words> words_;
    std::unique_ptr<LemmaMap> map_ = std::make_unique<LemmaMap>();
    std::string held_;
    std::int64_t line_ = 1;
    bool afterCr_ = false;
    bool failed_ = false;
    std::string failure_;
    std::string head_;
    std::string form_;
};

// Reads the lemma list the run's Add options name (Add.LemmaFile) into run.Lemmas,
// under the run's language and word rules; with none named, the run has no lemmas.
// Returns false when the list was refused or could not be read (the reason was shown;
// the run's lemmas are then none).
bool LoadLemmas(RunState& run, MessagePort& messages);

}  // namespace tarvolen
