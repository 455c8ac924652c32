// The sort of a list in a language's order against its sort in byte order, the same
// words in the same run: a saved frequency list (zipf3m's, made by compare.sh) is read
// into a store and written to /dev/null by the alphabetical and the frequency writer,
// in byte order and under two collators, alternating, 3 rounds each; medians.
//
//   collate_bench LIST [LOCALE...]     (default locales: fr sv)
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/output/word_list_writer.h"
#include "core/store/word_store.h"
#include "core/text/code_page.h"
#include "core/text/collation.h"
#include "median.h"

namespace {

using namespace tarvolen;

double SecondsToWrite(const WordStore& store, bool frequency, const Collation* collation) {
    WriterOptions options;
    options.ListCodePage = CodePage::Utf8;
    options.Collate = collation;
    std::FILE* sink = std::fopen("/dev/null", "wb");
    const auto start = std::chrono::steady_clock::now();
    if (frequency)
        WriteFrequencyRecords(sink, store, RecordFormat(options));
    else
        WriteWordRecords(sink, store, RecordFormat(options));
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    std::fclose(sink);
    return spent.count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: collate_bench LIST [LOCALE...]\n");
        return 2;
    }
    std::vector<std::string> locales(argv + 2, argv + argc);
    if (locales.empty())
        locales = {"fr", "sv"};
    WordStore store;
    std::ifstream list(argv[1]);
    for (std::string line; std::getline(list, line);) {
        const std::size_t comma = line.rfind(',');
        const std::string word = line.substr(0, comma);
        const auto count = comma == std::string::npos ? 1u : std::stoul(line.substr(comma + 1));
        store.AddOccurrences(word.c_str(), word.size(), static_cast<std::uint32_t>(count));
    }
    std::printf("%d words\n%-10s %-10s %9s %9s %7s\n", store.Count(), "list", "locale", "bytes",
                "collated", "ratio");
    for (const bool frequency : {false, true}) {
        for (const std::string& locale : locales) {
            const std::unique_ptr<Collation> collation = Collation::ForLocale(locale);
            if (!collation) {
                std::fprintf(stderr, "unknown locale %s\n", locale.c_str());
                return 2;
            }
            std::vector<double> bytes, collated;
            for (int round = 0; round < 3; ++round) {
                bytes.push_back(SecondsToWrite(store, frequency, nullptr));
                collated.push_back(SecondsToWrite(store, frequency, collation.get()));
            }
            const double b = tarvolen::bench::Median(bytes);
            const double c = tarvolen::bench::Median(collated);
            std::printf("%-10s %-10s %8.3fs %8.3fs %7.2f\n", frequency ? "frequency" : "words",
                        locale.c_str(), b, c, c / b);
        }
    }
    return 0;
}
