#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/words/char_map.h"
#include "core/words/word_gaps.h"
#include "core/words/word_rules.h"
#include "core/words/words_in_a_row.h"

namespace tarvolen {

class RowAssembler;
struct TokenizerContext;
class LemmaMap;
class FormTally;

// Where a rule's words go: each accepted word, folded, NUL-terminated at word[bytes].
class WordSink {
  public:
    virtual ~WordSink() = default;
    virtual void Take(const char* word, std::size_t bytes) = 0;
    // What lies between two words, one character at a time, from a cutter that counts
    // words in a row; a word it does not count (too long, too short) is a Break.
    virtual void Gap(GapKind) {}
    // The words taken so far are counted now, before any word a cutter counts past the
    // sink, so that words reach the store in the order of the text.
    virtual void CountTaken() {}
    // From a cutter set up to place its words: where the word taken next lies in the
    // text the cutter was given since its last EndText, from its first byte to one past
    // its last (n-grams: from the first word's first byte to the last word's end).
    virtual void Place(std::uint64_t /*begin*/, std::uint64_t /*end*/) {}
};

// One way of cutting decoded text into words, chosen once per run: the alphabets'
// tokenizer, the alphabets with word rules, or the Unicode rule. It holds the word
// that a chunk's end cuts until the next chunk or the end of the text.
class WordCutter {
  public:
    virtual ~WordCutter() = default;
    // The next decoded chunk of the current text; text.data()[text.size()] is
    // writable, and the text may be changed in place.
    virtual void Cut(std::span<unsigned char> text) = 0;
    // The end of the text ends the word in progress; the next Cut starts a new text.
    virtual void EndText() = 0;
    // Whether the text so far ends inside a word that the next chunk could go on with.
    virtual bool InWord() const = 0;
    // The text so far is a part of a larger one, cut where a word ends: a cutter that
    // counts words in a row reads on past the cut (Cut) for the rows the cut crosses,
    // counting only their entries that begin before it, for as long as CarriesRows().
    // The words past the cut are otherwise the next part's. Others count nothing more.
    virtual void CarryPastCut() {}
    virtual bool CarriesRows() const { return false; }
};

// A placing cutter that looks for one word: it hands on each of its occurrences, and
// may pass over other words.
class SeekingCutter : public WordCutter {
  public:
    // No occurrence still to be handed on begins before this offset of the text.
    virtual std::uint64_t Searched() const = 0;
};

// What a run cuts with.
struct CutterSetup {
    std::int32_t language = kEnglishLatin;
    WordRules rules;
    const CharMap* map = nullptr;  // the alphabet's; unused by kUnicode
    CodePage codePage = CodePage::Windows1252;
    std::int32_t minWordLength = 1;
    // The alphabet's words go to a UTF-8 list: each is converted from codePage.
    bool toUtf8 = false;
    WordsInARow inARow;
    // Every word reaches the store one at a time in the order of the text, which its
    // segments (the measures of the vocabulary) go by; otherwise a faster way may count
    // some all at once at the text's end.
    bool textOrder = false;
    // Forms counted as their headwords, and where the forms met are tallied (may be
    // null); no lemma list when null.
    const LemmaMap* lemmas = nullptr;
    FormTally* formTally = nullptr;
    // The cutter tells its sink where each word lies (WordSink::Place). Only the
    // cutters of MakePlacingCutter do; the counting ones never pay for it.
    bool places = false;

    // Words in a row are counted: the cutter reports the gaps between words too.
    bool Rows() const { return !inARow.Single(); }

    // The alphabets' own tokenizer serves this run.
    // A lemma list takes the way of the cutters that hand their words on, so that the
    // tokenizer's own path never looks a word up in it.
    bool Plain() const {
        return language != kUnicode && !rules.Any() && !toUtf8 && !Rows() && lemmas == nullptr;
    }
};

// The cutter of a document run; its words are counted in context. A plain run gets
// the alphabets' tokenizer (TokenizeChunk) itself, cutting with carry, which the
// caller owns.
std::unique_ptr<WordCutter> MakeDocumentCutter(const CutterSetup& setup,
                                               const TokenizerContext& context, std::string& carry);

// A cutter whose words go to sink, for the records of saved lists.
std::unique_ptr<WordCutter> MakeTextCutter(const CutterSetup& setup, WordSink& sink);

// A cutter that finds the same words as the document cutter of the same setup and
// places each (setup.places is taken as set), handing them with what lies between them
// to rows: the tokenizer's way for the plain alphabets, the rules' byte cutter for the
// others, the Unicode cutter without its short cuts into the store. Under a lemma
// list each word is handed on as its headword.
std::unique_ptr<WordCutter> MakePlacingCutter(CutterSetup setup, RowAssembler& rows);

// The placing cutter for a search of one word (folded) that asks for no other: it
// finds that word's occurrences as MakePlacingCutter's cutter does, without handing
// rows every other word. Null for a setup without such a way (word rules, a lemma
// list, words in a row).
std::unique_ptr<SeekingCutter> MakeSeekingCutter(CutterSetup setup, RowAssembler& rows,
                                                 std::string_view word);

}  // namespace tarvolen
