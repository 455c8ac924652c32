// Run under mpirun (see on_processes_main.cpp).
#include "mpi/sorted_parts.h"

#include <gtest/gtest.h>
#include <mpi.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "mpi/process_group.h"

namespace tarvolen {
namespace {

// A process's part: random words (the process's number at their end keeps them apart
// from every other part's), counts of few values so that ties are common, and keyness
// figures of few values too. Every process can make any process's part.
struct Part {
    std::vector<std::string> texts;
    std::vector<ListEntry> entries;
    std::vector<KeywordRow> rows;
};

Part MakePart(unsigned seed, int rank) {
    std::mt19937 random(seed * 101 + static_cast<unsigned>(rank));
    Part part;
    const std::size_t size = random() % 4 == 0 ? 0 : random() % 300;
    for (std::size_t i = 0; i < size; ++i) {
        std::string word(1 + random() % 12, 'a');
        for (char& c : word)
            c = static_cast<char>('a' + random() % 3);
        part.texts.push_back(word + std::to_string(i) + "#" + std::to_string(rank));
    }
    for (const std::string& text : part.texts) {
        const auto count = static_cast<std::uint32_t>(1 + random() % 4);
        part.entries.push_back({text, count, static_cast<std::uint32_t>(random() % 9)});
        const double g2 = static_cast<double>(random() % 5) - 2.0;
        std::uint64_t leading = 0;
        for (std::size_t k = 0; k < 8; ++k)
            leading = leading << 8 | (k < text.size() ? static_cast<unsigned char>(text[k]) : 0);
        part.rows.push_back({text, count, count + 1, {g2, g2 / 2}, leading});
    }
    return part;
}

// Each record as text, numbers and all, in the order given.
std::string Describe(const ListEntry& entry) {
    return std::string(entry.word) + "," + std::to_string(entry.count) + "," +
           std::to_string(entry.range);
}
std::string Describe(const KeywordRow& row) {
    return std::string(row.word) + "," + std::to_string(row.count) + "," +
           std::to_string(row.refCount) + "," + std::to_string(row.keyness.g2) + "," +
           std::to_string(row.keyness.logRatio) + "," + std::to_string(row.leadingBytes);
}

// The parts of every process, merged by the first with the chunks given, against all
// records sorted at once; with a visit that throws after stopAfter records, what is
// left must be dropped without a trace for the next merge.
template <typename Record, typename Before>
void CheckMerge(unsigned seed, std::size_t chunkBytes, std::vector<Record> Part::*records,
                Before before, std::size_t stopAfter = SIZE_MAX) {
    Part mine = MakePart(seed, RankIn());
    std::vector<Record>& own = mine.*records;
    std::sort(own.begin(), own.end(), before);
    if (RankIn() != 0) {
        SendSortedPart(own, MPI_COMM_WORLD, chunkBytes);
        return;
    }
    std::vector<Part> parts;
    std::vector<Record> all;
    for (int rank = 0; rank < ProcessesIn(); ++rank) {
        parts.push_back(MakePart(seed, rank));
        all.insert(all.end(), (parts.back().*records).begin(), (parts.back().*records).end());
    }
    std::sort(all.begin(), all.end(), before);
    std::vector<std::string> expected;
    for (const Record& record : all)
        expected.push_back(Describe(record));

    std::vector<std::string> merged;
    try {
        SortedParts<Record> sorted(own, before, MPI_COMM_WORLD);
        sorted.Merge([&](const Record& record) {
            if (merged.size() == stopAfter)
                throw std::runtime_error("stop");
            merged.push_back(Describe(record));
        });
    } catch (const std::runtime_error&) {
    }
    expected.resize(std::min(expected.size(), stopAfter));
    EXPECT_EQ(merged, expected) << "seed " << seed << ", chunks of " << chunkBytes;
}

TEST(SortedParts, MergesEveryPartInTheListsOrderWhateverTheChunks) {
    for (unsigned seed = 1; seed <= 12; ++seed)
        for (std::size_t chunkBytes : {std::size_t{1}, std::size_t{100}, std::size_t{1} << 20}) {
            CheckMerge(seed, chunkBytes, &Part::entries,
                       [](const ListEntry& a, const ListEntry& b) {
                           return ListBefore(ListKind::Words, a, b);
                       });
            CheckMerge(seed, chunkBytes, &Part::entries,
                       [](const ListEntry& a, const ListEntry& b) {
                           return ListBefore(ListKind::Range, a, b);
                       });
            CheckMerge(seed, chunkBytes, &Part::rows, KeywordRowBefore);
        }
}

TEST(SortedParts, AMergeCutShortLeavesNothingForTheNext) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        CheckMerge(seed, 64, &Part::rows, KeywordRowBefore, seed * 7);
        CheckMerge(seed, 64, &Part::rows, KeywordRowBefore, 0);
        CheckMerge(seed + 100, 64, &Part::rows, KeywordRowBefore);
    }
}

}  // namespace
}  // namespace tarvolen
