#include "core/words/word_cutter.h"

#include <cstring>
#include <type_traits>

#include "core/store/word_batch.h"
#include "core/store/word_store.h"
#include "core/words/blob.h"
#include "core/words/byte_word_cutter.h"
#include "core/words/lemma_map.h"
#include "core/words/plain_row_cutter.h"
#include "core/words/row_assembler.h"
#include "core/words/tokenizer.h"
#include "core/words/unicode_word_cutter.h"

namespace tarvolen {

namespace {

// The alphabets with every rule off: the tokenizer, with its carry.
class PlainCutter final : public WordCutter {
  public:
    PlainCutter(const TokenizerContext& context, std::string& carry)
        : context_(context), carry_(carry) {}

    void Cut(std::span<unsigned char> text) override {
        if (text.empty())
            return;
        text.data()[text.size()] = 0;
        CBlob chunk;
        chunk.Attach(text.data(), static_cast<std::uint32_t>(text.size()));
        TokenizeChunk(chunk, carry_, context_);
    }
    void EndText() override { FinishFile(carry_, context_); }
    bool InWord() const override { return !carry_.empty(); }

  private:
    TokenizerContext context_;
    std::string& carry_;
};

// Each word (or entry of words in a row) counted once in the run's store. Words are
// copied into a batch whose memory the store loads ahead in one sweep before they are
// counted, as the tokenizer's are; the batch is emptied at the end of every chunk.
class StoreSink final : public WordSink {
  public:
    explicit StoreSink(const TokenizerContext& context) : context_(context) {}
    StoreSink(const StoreSink&) = delete;
    StoreSink& operator=(const StoreSink&) = delete;

    void Take(const char* word, std::size_t bytes) override {
        if (used_ + bytes + 1 > sizeof texts_)
            Flush();
        char* text = texts_ + used_;
        detail::CopyShort(text, word, bytes + 1);
        used_ += bytes + 1;
        WordBatch::Prepare(prepared_[size_], text, bytes);
        if (++size_ == kSize)
            Flush();
    }
    void CountTaken() override { Flush(); }
    void Flush() {
        WordBatch::Preload(context_.store, prepared_, size_);
        WordBatch::AddRun(context_.store, prepared_, size_);
        context_.qualifiedWords += static_cast<std::int64_t>(size_);
        size_ = 0;
        used_ = 0;
    }

  private:
    static constexpr std::size_t kSize = 256;
    TokenizerContext context_;
    std::size_t size_ = 0;
    std::size_t used_ = 0;
    // The texts one after another: room for kSize of the longest words, and always
    // for one of the longest entries.
    static_assert(kSize * (MaxWordBytes + 1) >= MaxEntryBytes + 1);
    char texts_[kSize * (MaxWordBytes + 1)];
    WordBatch::PreparedWord prepared_[kSize];
};

// A cutter that owns the sink its words go to, and for words in a row the assembler
// between the two, and for a lemma list the mapping before both. Allocated on the
// heap, as every cutter is: the batch is some 30 KB.
template <typename Cutter>
class CountingCutter final : public WordCutter {
  public:
    CountingCutter(const CutterSetup& setup, const TokenizerContext& context)
        : rows_(setup.Rows()),
          sink_(context),
          assembler_(setup.inARow, sink_),
          lemmas_(LemmasOf(setup)),
          cutter_(Make(setup, context)) {}
    void Cut(std::span<unsigned char> text) override {
        cutter_.Cut(text);
        sink_.Flush();
    }
    void EndText() override {
        const bool pastCut = assembler_.PastCut();
        cutter_.EndText();
        assembler_.EndText();
        sink_.Flush();
        // The forms met past a cut are the next part's to tally.
        if (lemmas_ && pastCut)
            lemmas_->ForgetTally();
        else if (lemmas_)
            lemmas_->HandInTally();
    }
    bool InWord() const override { return cutter_.InWord(); }
    void CarryPastCut() override {
        if (!rows_)
            return;
        if (lemmas_)
            lemmas_->HandInTally();
        assembler_.CarryPastCut();
    }
    bool CarriesRows() const override { return assembler_.Carrying(); }

  private:
    std::unique_ptr<LemmaSink> LemmasOf(const CutterSetup& setup) {
        if (setup.lemmas == nullptr)
            return nullptr;
        WordSink& next = rows_ ? static_cast<WordSink&>(assembler_) : sink_;
        return std::make_unique<LemmaSink>(*setup.lemmas, setup.formTally, next);
    }
    Cutter Make(const CutterSetup& setup, const TokenizerContext& context) {
        WordSink& sink = lemmas_ ? static_cast<WordSink&>(*lemmas_)
                         : rows_ ? static_cast<WordSink&>(assembler_)
                                 : static_cast<WordSink&>(sink_);
        // The Unicode rule's short cuts count ASCII and Cyrillic words in the store
        // themselves, past the assembler and the lemmas: words in a row and forms go
        // the way of every word.
        if constexpr (std::is_same_v<Cutter, UnicodeWordCutter>)
            return Cutter(setup, sink, rows_ || lemmas_ ? nullptr : &context);
        else if constexpr (std::is_same_v<Cutter, PlainRowCutter>)
            return Cutter(setup, assembler_);
        else
            return Cutter(setup, sink);
    }

    bool rows_;
    StoreSink sink_;
    RowAssembler assembler_;
    std::unique_ptr<LemmaSink> lemmas_;
    Cutter cutter_;
};

}  // namespace

std::unique_ptr<WordCutter> MakeDocumentCutter(const CutterSetup& setup,
                                               const TokenizerContext& context,
                                               std::string& carry) {
    if (setup.language == kUnicode)
        return std::make_unique<CountingCutter<UnicodeWordCutter>>(setup, context);
    if (setup.Plain())
        return std::make_unique<PlainCutter>(context, carry);
    if (setup.Rows() && !setup.rules.Any() && !setup.toUtf8 && setup.lemmas == nullptr)
        return std::make_unique<CountingCutter<PlainRowCutter>>(setup, context);
    return std::make_unique<CountingCutter<ByteWordCutter>>(setup, context);
}

std::unique_ptr<WordCutter> MakeTextCutter(const CutterSetup& setup, WordSink& sink) {
    if (setup.language == kUnicode)
        return std::make_unique<UnicodeWordCutter>(setup, sink);
    return std::make_unique<ByteWordCutter>(setup, sink);
}

namespace {

// A placing cutter under a lemma list: its words reach the rows as their headwords, as
// they are counted, and the forms are not tallied again.
class LemmaPlacingCutter final : public WordCutter {
  public:
    LemmaPlacingCutter(const CutterSetup& setup, RowAssembler& rows)
        : lemmas_(*setup.lemmas, nullptr, rows), cutter_(MakeTextCutter(setup, lemmas_)) {}
    void Cut(std::span<unsigned char> text) override { cutter_->Cut(text); }
    void EndText() override { cutter_->EndText(); }
    bool InWord() const override { return cutter_->InWord(); }

  private:
    LemmaSink lemmas_;
    std::unique_ptr<WordCutter> cutter_;
};

}  // namespace

std::unique_ptr<WordCutter> MakePlacingCutter(CutterSetup setup, RowAssembler& rows) {
    setup.places = true;
    if (setup.lemmas != nullptr)
        return std::make_unique<LemmaPlacingCutter>(setup, rows);
    if (setup.language != kUnicode && !setup.rules.Any() && !setup.toUtf8)
        return std::make_unique<PlainRowCutter>(setup, rows);
    return MakeTextCutter(setup, rows);
}

std::unique_ptr<SeekingCutter> MakeSeekingCutter(CutterSetup setup, RowAssembler& rows,
                                                 std::string_view word) {
    setup.places = true;
    if (setup.lemmas != nullptr || setup.rules.Any() || !setup.inARow.Single())
        return nullptr;
    if (setup.language == kUnicode)
        return std::make_unique<UnicodeWordCutter>(setup, rows, nullptr, word);
    if (!setup.toUtf8)
        return std::make_unique<PlainRowCutter>(setup, rows, word);
    return nullptr;
}

}  // namespace tarvolen
