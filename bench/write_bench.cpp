// Writing a large word list: both writers, 8-bit and UTF-16, against a plain fwrite of
// the very bytes they produced, to the same place in the same run. The writers' figures
// include the sort; the "records" rows write an already sorted list, so the two show
// what the sort and what the encoding cost.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "core/ingest/ingest.h"
#include "core/ingest/store_reports.h"
#include "core/output/word_list_writer.h"
#include "core/ports/messages.h"
#include "core/store/word_store.h"

namespace tarvolen {
namespace {

constexpr int kWordCount = 2'000'000;

class SilentMessages : public MessagePort {
  public:
    void ShowMessage(const std::string&, MessageIcon) override {}
    Answer Ask(const std::string&, MessageButtons) override { return Answer::Ok; }
};

SilentMessages& Messages() {
    static SilentMessages messages;
    return messages;
}

// 2 million distinct lower-case words of 3 to 14 letters, with Zipf-like counts.
const WordStore& Store() {
    static const std::unique_ptr<WordStore> store = [] {
        auto built = std::make_unique<WordStore>(ReportingStoreOptions(Messages()));
        std::mt19937 random(12345);
        std::uniform_int_distribution<int> length(3, 14);
        std::uniform_int_distribution<int> letter('a', 'z');
        std::string word;
        while (built->Count() < kWordCount) {
            word.resize(static_cast<std::size_t>(length(random)));
            for (char& c : word)
                c = static_cast<char>(letter(random));
            const int repeats =
                1 + static_cast<int>(random() % 4 == 0) * static_cast<int>(random() % 50);
            for (int i = 0; i < repeats; ++i)
                built->AddWord(word.c_str());
        }
        return built;
    }();
    return *store;
}

std::string OutputPath() {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/tarvolen-write-bench-" +
           std::to_string(getpid()) + ".txt";
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

WriterOptions Options(bool unicode) {
    WriterOptions options;
    options.UnicodeOutput = unicode ? 1 : 0;
    return options;
}

void WriteList(benchmark::State& state, bool frequency) {
    const WordStore& store = Store();
    const std::string path = OutputPath();
    const WriterOptions options = Options(state.range(0) != 0);
    WriterHooks hooks{Messages(), SystemTicks(), nullptr, {}};
    for (auto _ : state) {
        WriteOutcome outcome = frequency ? WriteFrequencyList(store, options, path, hooks)
                                         : WriteWordList(store, options, path, hooks);
        benchmark::DoNotOptimize(outcome);
    }
    const auto bytes = static_cast<std::int64_t>(ReadAll(path).size());
    state.SetBytesProcessed(bytes * state.iterations());
    state.counters["words"] = store.Count();
    std::remove(path.c_str());
}

void BM_WriteWordList(benchmark::State& state) {
    WriteList(state, false);
}
void BM_WriteFrequencyList(benchmark::State& state) {
    WriteList(state, true);
}

// The records alone: the list is sorted once, outside the timing.
void BM_WordRecordsPresorted(benchmark::State& state) {
    const WordStore& store = Store();
    const auto words = SortedEntries(store, ListKind::Words);
    const std::string path = OutputPath();
    const RecordFormat format(Options(state.range(0) != 0));
    auto buffer = std::make_unique<char[]>(1 << 20);
    for (auto _ : state) {
        std::FILE* stream = std::fopen(path.c_str(), "wb");
        std::setvbuf(stream, buffer.get(), _IOFBF, 1 << 20);
        for (const ListEntry& entry : words)
            WriteWord(stream, entry.word, format);
        std::fclose(stream);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(ReadAll(path).size()) * state.iterations());
    std::remove(path.c_str());
}

// The baseline: the same bytes as the writer produced, in one fwrite to the same place.
void PlainFwrite(benchmark::State& state, bool frequency) {
    const WordStore& store = Store();
    const std::string path = OutputPath();
    const WriterOptions options = Options(state.range(0) != 0);
    WriterHooks hooks{Messages(), SystemTicks(), nullptr, {}};
    if (frequency) {
        WriteFrequencyList(store, options, path, hooks);
    } else {
        WriteWordList(store, options, path, hooks);
    }
    const std::string bytes = ReadAll(path);
    for (auto _ : state) {
        std::FILE* stream = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), stream);
        std::fclose(stream);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes.size()) * state.iterations());
    std::remove(path.c_str());
}

void BM_PlainFwriteOfWordList(benchmark::State& state) {
    PlainFwrite(state, false);
}
void BM_PlainFwriteOfFrequencyList(benchmark::State& state) {
    PlainFwrite(state, true);
}

// Argument: 0 for 8-bit output, 1 for UTF-16.
BENCHMARK(BM_PlainFwriteOfWordList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteWordList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WordRecordsPresorted)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainFwriteOfFrequencyList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteFrequencyList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvolen

BENCHMARK_MAIN();
