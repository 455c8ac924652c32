#include "core/collect/word_cutter.h"

#include "core/collect/blob.h"
#include "core/collect/byte_word_cutter.h"
#include "core/collect/tokenizer.h"
#include "core/collect/unicode_word_cutter.h"
#include "core/collect/word_store.h"

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

  private:
    TokenizerContext context_;
    std::string& carry_;
};

// Each word counted once in the run's store.
class StoreSink final : public WordSink {
  public:
    explicit StoreSink(const TokenizerContext& context) : context_(context) {}
    void Take(const char* word, std::size_t bytes) override {
        ++context_.qualifiedWords;
        context_.store.AddWord(word, bytes);
    }

  private:
    TokenizerContext context_;
};

// A cutter that owns the sink its words go to.
template <typename Cutter>
class CountingCutter final : public WordCutter {
  public:
    CountingCutter(const CutterSetup& setup, const TokenizerContext& context)
        : sink_(context), cutter_(setup, sink_) {}
    void Cut(std::span<unsigned char> text) override { cutter_.Cut(text); }
    void EndText() override { cutter_.EndText(); }

  private:
    StoreSink sink_;
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
    return std::make_unique<CountingCutter<ByteWordCutter>>(setup, context);
}

std::unique_ptr<WordCutter> MakeTextCutter(const CutterSetup& setup, WordSink& sink) {
    if (setup.language == kUnicode)
        return std::make_unique<UnicodeWordCutter>(setup, sink);
    return std::make_unique<ByteWordCutter>(setup, sink);
}

}  // namespace tarvolen
