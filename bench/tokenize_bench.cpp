// Tokenize + count throughput against a bare byte-table scan of the same buffer.
//
// Both loops copy each 262,144-byte chunk into a read buffer first, as reading a file
// would, because the tokenizer works on its chunk in place. The ratio of the two
// figures for the same text is what to compare between machines.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/ingest/ingest.h"
#include "core/ingest/store_reports.h"
#include "core/ports/messages.h"
#include "core/store/word_store.h"
#include "core/words/blob.h"
#include "core/words/char_map.h"
#include "core/words/tokenizer.h"
#include "corpus_gen.h"

namespace {

using namespace tarvolen;

class QuietMessages : public MessagePort {
  public:
    void ShowMessage(const std::string&, MessageIcon) override {}
    Answer Ask(const std::string&, MessageButtons) override { return Answer::Ok; }
};

const std::string& EnglishText() {
    static const std::string text = bench::EnglishLikeText(32u << 20);
    return text;
}

const std::string& DistinctText() {
    static const std::string text = bench::DistinctWordsText(4'000'000);
    return text;
}

void BareScan(benchmark::State& state, const std::string& text) {
    CharMap map;
    BuildCharMap(kEnglishLatin, map);
    std::vector<unsigned char> buffer(kChunkSize + 1);
    for (auto _ : state) {
        std::size_t letters = 0;
        for (std::size_t at = 0; at < text.size(); at += kChunkSize) {
            const std::size_t n = std::min<std::size_t>(kChunkSize, text.size() - at);
            std::memcpy(buffer.data(), text.data() + at, n);
            buffer[n] = 0;
            benchmark::DoNotOptimize(buffer.data());
            for (std::size_t i = 0; i < n; ++i)
                letters += map[buffer[i]] != 0;
        }
        benchmark::DoNotOptimize(letters);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void TokenizeAndCount(benchmark::State& state, const std::string& text) {
    QuietMessages messages;
    WordStore store(ReportingStoreOptions(messages));
    CharMap map;
    BuildCharMap(kEnglishLatin, map);
    std::int64_t qualified = 0;
    const TokenizerContext context{map, 1, qualified, store};
    std::vector<unsigned char> buffer(kChunkSize + 1);
    std::string carry;
    for (auto _ : state) {
        state.PauseTiming();
        store.Clear();  // every pass starts from an empty list, like a first Add
        state.ResumeTiming();
        carry.clear();
        for (std::size_t at = 0; at < text.size(); at += kChunkSize) {
            const std::size_t n = std::min<std::size_t>(kChunkSize, text.size() - at);
            std::memcpy(buffer.data(), text.data() + at, n);
            buffer[n] = 0;
            CBlob chunk;
            chunk.Attach(buffer.data(), static_cast<std::uint32_t>(n));
            TokenizeChunk(chunk, carry, context);
        }
        FinishFile(carry, context);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["distinct"] = store.Count();
    state.counters["words"] =
        benchmark::Counter(static_cast<double>(qualified), benchmark::Counter::kIsRate);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // Built before timing starts; each text is shared by its two benchmarks.
    const std::string& english = EnglishText();
    const std::string& distinct = DistinctText();
    benchmark::RegisterBenchmark("english/bare_scan", BareScan, english)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("english/tokenize_count", TokenizeAndCount, english)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("distinct/bare_scan", BareScan, distinct)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("distinct/tokenize_count", TokenizeAndCount, distinct)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
