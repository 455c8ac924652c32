#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/ingest/store_reports.h"
#include "core/store/word_store.h"
#include "core/words/blob.h"
#include "core/words/char_map.h"
#include "core/words/tokenizer.h"
#include "support/fakes.h"
#include "support/store_contents.h"

namespace tarvolen::fuzz {

// Counts decoded chunks into a small store as the ingestion does, for the decoder
// targets to hold against their models.
class DecodedWords {
  public:
    explicit DecodedWords(std::int32_t language) { BuildCharMap(language, map_); }

    void Take(std::span<unsigned char> decoded) {
        // An empty piece would end the carried word: the ingestion never hands one on.
        if (decoded.empty())
            return;
        decoded.data()[decoded.size()] = 0;
        CBlob blob;
        blob.Attach(decoded.data(), static_cast<std::uint32_t>(decoded.size()));
        TokenizeChunk(blob, carry_, context_);
    }
    void Finish() { FinishFile(carry_, context_); }

    const WordStore& Store() const { return store_; }
    std::int64_t Qualified() const { return qualified_; }

  private:
    CharMap map_{};
    testing::FakeMessages messages_;
    WordStore store_{ReportingStoreOptions(messages_, testing::SmallStoreOptions(256))};
    std::int64_t qualified_ = 0;
    TokenizerContext context_{map_, 1, qualified_, store_};
    std::string carry_;
};

}  // namespace tarvolen::fuzz
