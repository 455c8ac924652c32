// Whole-run throughput of IngestFiles over one large English-like file, next to a bare
// scan of the same bytes with the same read loop and a 256-byte table lookup per byte.
// The ratio of the two is the figure to watch: the scan is what reading the file and
// touching every byte costs on this machine at all.
//
// The corpus is generated once into /tmp and reused by later runs. It is read once right
// before each measurement, since files that sit idle here drop out of the page cache.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "core/ingest/ingest.h"
#include "core/input/read_buffer.h"
#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/words/char_map.h"
#include "core/workspace.h"
#include "corpus_gen.h"

namespace tarvolen {
namespace {

constexpr std::uint64_t kCorpusBytes = 256ull << 20;
const char* const kCorpusPath = "/tmp/tarvolen-ingest-bench-v2.txt";

// The prose-like text of the tokenizer benchmark, written to a file once.
void GenerateCorpus(const char* path, std::uint64_t bytes) {
    const std::string text = bench::EnglishLikeText(static_cast<std::size_t>(bytes));
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr || std::fwrite(text.data(), 1, text.size(), out) != text.size() ||
        std::fclose(out) != 0) {
        std::perror(path);
        std::exit(1);
    }
}

void EnsureCorpus() {
    std::error_code error;
    if (std::filesystem::file_size(kCorpusPath, error) >= kCorpusBytes * 9 / 10 && !error)
        return;
    std::fprintf(stderr, "generating %s (%llu MiB)...\n", kCorpusPath,
                 static_cast<unsigned long long>(kCorpusBytes >> 20));
    GenerateCorpus(kCorpusPath, kCorpusBytes);
}

// The same loop as the ingestion's: sequential reads of one chunk into the aligned
// buffer. Calls visit(bytes, n) per chunk; returns the bytes read.
template <typename Visit>
std::int64_t ReadWhole(const char* path, ReadBuffer& buffer, Visit visit) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    std::int64_t total = 0;
    for (;;) {
        ssize_t n = ::read(fd, buffer.Data(), kChunkSize);
        if (n <= 0)
            break;
        visit(buffer.Data(), static_cast<std::size_t>(n));
        total += n;
    }
    ::close(fd);
    return total;
}

void WarmUp(ReadBuffer& buffer) {
    ReadWhole(kCorpusPath, buffer, [](const unsigned char*, std::size_t) {});
}

void BM_TableScan(benchmark::State& state) {
    CharMap map{};
    BuildCharMap(kEnglishLatin, map);
    ReadBuffer buffer;
    WarmUp(buffer);
    std::int64_t bytes = 0;
    for (auto _ : state) {
        std::uint64_t letters = 0;
        bytes += ReadWhole(kCorpusPath, buffer, [&](const unsigned char* chunk, std::size_t n) {
            for (std::size_t i = 0; i < n; ++i)
                letters += map[chunk[i]] != 0;
        });
        benchmark::DoNotOptimize(letters);
    }
    state.SetBytesProcessed(bytes);
}

class QuietProgress : public ProgressPort {
  public:
    void SetBounds(int, int) override {}
    int SetPosition(int position) override { return std::exchange(position_, position); }
    bool CancelRequested() override { return false; }
    void SetFileLine(const std::string&) override {}
    void SetDetailLine(const std::string&) override {}
    void Close() override {}

  private:
    int position_ = 0;
};

class QuietMessages : public MessagePort {
  public:
    void ShowMessage(const std::string& text, MessageIcon) override { last = text; }
    Answer Ask(const std::string&, MessageButtons) override { return Answer::Ok; }
    std::string last;
};

void BM_IngestFiles(benchmark::State& state) {
    static QuietMessages messages;
    static Workspace workspace(messages);  // the full-size store, built once
    BuildCharMap(kEnglishLatin, workspace.Map);
    workspace.MinWordLength = 4;
    IngestState files;
    files.InputFiles = {kCorpusPath};
    QuietProgress progress;
    {
        ReadBuffer buffer;
        WarmUp(buffer);
    }
    std::int64_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        workspace.Store.Clear();
        state.ResumeTiming();
        IngestFiles(workspace, files, IngestHooks{progress, messages, {}});
        bytes += workspace.BytesRead;
    }
    state.SetBytesProcessed(bytes);
    state.counters["words"] = static_cast<double>(workspace.QualifiedWords);
    state.counters["distinct"] = workspace.Store.Count();
}

BENCHMARK(BM_TableScan)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_IngestFiles)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace tarvolen

int main(int argc, char** argv) {
    tarvolen::EnsureCorpus();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
