#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/words/word_cutter.h"

namespace tarvolen {

// A lemma list as a run counts with it: each form (a headword is a form of itself)
// names its headword. Words are held as the run's cutter gives them (folded, in the
// list's encoding), so a word is found by its bytes alone.
class LemmaMap {
  public:
    static constexpr std::uint32_t kNoForm = UINT32_MAX;

    // A form already under another headword: the line it was given on, else kNoForm
    // when the form was taken (or was already there under the same headword).
    struct Conflict {
        std::uint32_t form = kNoForm;
        std::int64_t line = 0;
    };
    Conflict Add(std::string_view head, std::string_view form, std::int64_t line);

    // The form's number, or kNoForm for a word no line names.
    std::uint32_t Find(std::string_view word) const {
        const auto found = index_.find(word);
        return found == index_.end() ? kNoForm : found->second;
    }
    const std::string& Form(std::uint32_t form) const { return forms_[form].text; }
    const std::string& HeadOf(std::uint32_t form) const { return heads_[forms_[form].head]; }
    std::size_t FormCount() const { return forms_.size(); }

  private:
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    struct FormEntry {
        std::string text;
        std::uint32_t head;
        std::int64_t line;
    };
    std::vector<std::string> heads_;
    std::unordered_map<std::string, std::uint32_t, TextHash, std::equal_to<>> headIndex_;
    std::vector<FormEntry> forms_;
    std::unordered_map<std::string, std::uint32_t, TextHash, std::equal_to<>> index_;
};

// How often each form was met, by headword, over every run since the list was emptied:
// what the Word List window shows beside a headword. Threads hand their counts in at
// the end of each text, so the lock is taken once per document, not per word.
class FormTally {
  public:
    using FormCounts = std::vector<std::pair<std::string, std::uint64_t>>;

    void Add(const LemmaMap& map, const std::unordered_map<std::uint32_t, std::uint64_t>& seen);
    void Add(const std::string& head, const std::string& form, std::uint64_t count);
    // The forms of head met, most frequent first (equal counts in byte order).
    FormCounts FormsOf(const std::string& head) const;
    bool Empty() const;
    void Clear();

  private:
    mutable std::mutex mutex_;
    std::unordered_map<std::string, std::unordered_map<std::string, std::uint64_t>> forms_;
};

// An entry of a saved list as a run with the map would have counted it: each of its
// words (an entry of words in a row has several, parted by one space) as its headword.
// Returns false, with mapped untouched, when no word is a form; a single word that is
// goes to the tally (may be null) count times.
bool MapEntry(const LemmaMap& map, std::string_view entry, std::string& mapped, FormTally* tally,
              std::uint64_t count);

// Between a cutter and where its words go: a form goes on as its headword, every
// other word as it is. Words in a row are made of the mapped words, since the sink
// stands before the assembler.
class LemmaSink final : public WordSink {
  public:
    LemmaSink(const LemmaMap& map, FormTally* tally, WordSink& next)
        : map_(map), tally_(tally), next_(next) {}
    ~LemmaSink() override { HandInTally(); }
    LemmaSink(const LemmaSink&) = delete;
    LemmaSink& operator=(const LemmaSink&) = delete;

    void Take(const char* word, std::size_t bytes) override {
        const std::uint32_t form = map_.Find({word, bytes});
        if (form == LemmaMap::kNoForm) {
            next_.Take(word, bytes);
            return;
        }
        ++seen_[form];
        const std::string& head = map_.HeadOf(form);
        next_.Take(head.c_str(), head.size());
    }
    void Gap(GapKind kind) override { next_.Gap(kind); }
    void CountTaken() override { next_.CountTaken(); }
    void Place(std::uint64_t begin, std::uint64_t end) override { next_.Place(begin, end); }
    // The forms met since the last call go to the tally.
    void HandInTally();
    // The forms met since the last HandInTally are not tallied here.
    void ForgetTally() { seen_.clear(); }

  private:
    const LemmaMap& map_;
    FormTally* tally_;
    WordSink& next_;
    std::unordered_map<std::uint32_t, std::uint64_t> seen_;
};

}  // namespace tarvolen
