// Counting ever more distinct words: the time and the memory per distinct word at
// several list sizes, measured in the same run. Each size is counted in a process of
// its own (forked), so that its peak resident memory is its own.
//
//   store_growth_bench [-r ROUNDS] [-w] [MILLIONS...]   (default: 3 rounds of 10 40 80)
//
// The words are generated, 8 to 12 letters a to z, nearly all distinct, in chunks of
// text that go through TokenizeChunk into a store made as tarvolen-cli makes its own,
// as an Add reads a file. Only the counting is timed, not the making of the text.
// "Bytes per word" is the peak resident memory of the process (VmHWM) less what it
// had before the store was made, per distinct word.
//
// The counting's time is also split into the processor's time in the program (user)
// and in the kernel (system), which is mostly the kernel zeroing the fresh pages the
// store asks for. On a virtual machine whose free memory goes back to the host, a page
// never touched before costs far more than one freed a moment ago (fresh_pages
// measures it), so the system time of a large count says more about the machine than
// about the store; the user time is the store's own. With -w, the bench touches and
// gives back as much memory as a count will need right before it, so that every size
// finds memory freed a moment ago, as a machine that keeps its memory always does.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/ingest/ingest.h"
#include "core/ingest/store_reports.h"
#include "core/store/word_store.h"
#include "core/words/blob.h"
#include "core/words/char_map.h"
#include "core/words/tokenizer.h"
#include "fresh_memory.h"
#include "median.h"
#include "silent_ports.h"

namespace tarvolen {
namespace {

// Kibibytes of the line that begins with `field` in /proc/self/status.
long StatusKib(const char* field) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr)
        return 0;
    char line[256];
    long kib = 0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, field, std::strlen(field)) == 0)
            kib = std::strtol(line + std::strlen(field), nullptr, 10);
    }
    std::fclose(status);
    return kib;
}

struct Figures {
    double seconds;
    double userSeconds;
    double systemSeconds;
    double peakBytes;
    std::int64_t distinct;
};

struct CpuTimes {
    double user;
    double system;
};

CpuTimes CpuTimesNow() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

// Nearly distinct words of 8 to 12 letters, separated by spaces.
class WordMaker {
  public:
    // Fills buffer with at most `wanted` whole words, leaving a byte free at its end;
    // the bytes written, and the words in `made`.
    std::size_t Fill(unsigned char* buffer, std::size_t size, std::size_t wanted,
                     std::size_t& made) {
        std::size_t at = 0;
        made = 0;
        while (made < wanted && at + 14 < size) {
            std::uint64_t r = Next();
            const int length = 8 + static_cast<int>(r % 5);
            r /= 5;
            for (int k = 0; k < length; ++k) {
                if (k == 10)
                    r = Next();
                buffer[at++] = static_cast<unsigned char>('a' + r % 26);
                r /= 26;
            }
            buffer[at++] = ' ';
            ++made;
        }
        return at;
    }

  private:
    std::uint64_t Next() {  // splitmix64
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint64_t state_ = 1;
};

// A little more than a count's peak memory per word (bytes/word in the table).
constexpr std::size_t kWarmBytesPerWord = 44;

Figures Count(std::size_t words) {
    const long before = StatusKib("VmRSS:");
    bench::SilentMessages messages;
    WordStore store(ReportingStoreOptions(messages, WordStore::Options{}));
    CharMap map;
    BuildCharMap(kEnglishLatin, map);
    std::int64_t qualified = 0;
    const TokenizerContext context{map, 1, qualified, store};
    std::vector<unsigned char> buffer(kChunkSize + 1);
    std::string carry;
    WordMaker maker;
    std::chrono::steady_clock::duration spent{};
    double user = 0;
    double system = 0;
    for (std::size_t done = 0; done < words;) {
        std::size_t made = 0;
        const std::size_t bytes = maker.Fill(buffer.data(), kChunkSize, words - done, made);
        done += made;
        buffer[bytes] = 0;
        CBlob chunk;
        chunk.Attach(buffer.data(), static_cast<std::uint32_t>(bytes));
        const CpuTimes cpuBefore = CpuTimesNow();
        const auto start = std::chrono::steady_clock::now();
        TokenizeChunk(chunk, carry, context);
        spent += std::chrono::steady_clock::now() - start;
        const CpuTimes cpuAfter = CpuTimesNow();
        user += cpuAfter.user - cpuBefore.user;
        system += cpuAfter.system - cpuBefore.system;
    }
    FinishFile(carry, context);
    const long peak = StatusKib("VmHWM:");
    return {std::chrono::duration<double>(spent).count(), user, system,
            static_cast<double>(peak - before) * 1024.0, store.Count()};
}

// Counts in a child process; false when it failed.
bool CountApart(std::size_t words, Figures& figures) {
    int pipe[2];
    if (::pipe(pipe) != 0)
        return false;
    const pid_t child = fork();
    if (child == 0) {
        ::close(pipe[0]);
        const Figures measured = Count(words);
        const bool written = ::write(pipe[1], &measured, sizeof measured) == sizeof measured;
        _exit(written ? 0 : 1);
    }
    ::close(pipe[1]);
    const bool read = child > 0 && ::read(pipe[0], &figures, sizeof figures) == sizeof figures;
    ::close(pipe[0]);
    int status = 0;
    if (child > 0)
        waitpid(child, &status, 0);
    return read && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

using bench::Median;

}  // namespace
}  // namespace tarvolen

int main(int argc, char** argv) {
    using namespace tarvolen;
    int rounds = 3;
    bool warm = false;
    std::vector<std::size_t> millions;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-r") == 0 && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "-w") == 0)
            warm = true;
        else
            millions.push_back(std::strtoul(argv[i], nullptr, 10));
    }
    if (millions.empty())
        millions = {10, 40, 80};

    // seconds per word, per size and round; the sizes alternate within each round
    std::vector<std::vector<double>> perWord(millions.size());
    std::vector<std::vector<double>> userPerWord(millions.size());
    std::vector<std::vector<double>> systemPerWord(millions.size());
    std::vector<Figures> last(millions.size());
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < millions.size(); ++i) {
            Figures figures{};
            // Touched here, not in the child, whose peak memory is measured.
            if (warm)
                bench::TouchFreshMemory(millions[i] * 1'000'000 * kWarmBytesPerWord);
            if (!CountApart(millions[i] * 1'000'000, figures)) {
                std::fprintf(stderr, "store_growth_bench: counting %zu M words failed\n",
                             millions[i]);
                return 1;
            }
            const auto distinct = static_cast<double>(figures.distinct);
            perWord[i].push_back(figures.seconds / distinct);
            userPerWord[i].push_back(figures.userSeconds / distinct);
            systemPerWord[i].push_back(figures.systemSeconds / distinct);
            last[i] = figures;
        }
    }
    std::printf("%8s %10s %11s %8s %8s %10s   %s\n", "words", "distinct", "us/word", "user",
                "system", "bytes/word", "us/word of each round");
    for (std::size_t i = 0; i < millions.size(); ++i) {
        std::printf("%7zuM %10lld %11.3f %8.3f %8.3f %10.1f  ", millions[i],
                    static_cast<long long>(last[i].distinct), Median(perWord[i]) * 1e6,
                    Median(userPerWord[i]) * 1e6, Median(systemPerWord[i]) * 1e6,
                    last[i].peakBytes / static_cast<double>(last[i].distinct));
        for (const double seconds : perWord[i])
            std::printf(" %.3f", seconds * 1e6);
        std::printf("\n");
    }
    for (std::size_t i = 1; i < millions.size(); ++i) {
        std::printf("time per word, %zuM against %zuM: %.2f (user time alone: %.2f)\n", millions[i],
                    millions[0], Median(perWord[i]) / Median(perWord[0]),
                    Median(userPerWord[i]) / Median(userPerWord[0]));
    }
    std::printf("(median of %d rounds; each count in a process of its own, the sizes in turn%s)\n",
                rounds, warm ? "; memory warmed before each" : "");
    return 0;
}
