// Merging a saved frequency list into an empty list, against writing that list, in
// one process and one run: each round merges the list into a fresh store, then writes
// the store's list to a file. The figures are medians over the rounds.
//
//   merge_bench LIST [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/ingest/ingest.h"
#include "core/listfile/list_merge.h"
#include "core/output/word_list_writer.h"
#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/workspace.h"
#include "median.h"
#include "silent_ports.h"

namespace tarvolen {
namespace {

using bench::NoProgress;
using bench::SilentMessages;

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

using bench::Median;

}  // namespace
}  // namespace tarvolen

int main(int argc, char** argv) {
    using namespace tarvolen;
    if (argc < 2) {
        std::fprintf(stderr, "usage: merge_bench LIST [ROUNDS]\n");
        return 2;
    }
    const std::string list = argv[1];
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::string out = list + ".bench-out";
    SilentMessages messages;
    NoProgress progress;
    std::vector<double> merges, writes, ratios;
    for (int round = 0; round < rounds; ++round) {
        Workspace workspace(messages);
        ApplyAddOptions(workspace);
        workspace.MinWordLength = 1;
        const IngestHooks hooks{progress, messages, {}};
        auto start = std::chrono::steady_clock::now();
        MergeLists(workspace, {list}, hooks);
        const double merge = Seconds(start);
        start = std::chrono::steady_clock::now();
        WriterHooks writer{messages, SystemTicks(), nullptr, {}};
        WriteFrequencyList(workspace.Store, WriterOptions{}, out, writer);
        const double write = Seconds(start);
        merges.push_back(merge);
        writes.push_back(write);
        ratios.push_back(merge / write);
    }
    std::remove(out.c_str());
    std::printf("merge %.3f s, write %.3f s, ratio %.2f (median of %d rounds)\n", Median(merges),
                Median(writes), Median(ratios), rounds);
    return 0;
}
