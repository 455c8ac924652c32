// Run under mpirun (see on_processes_main.cpp).
#include "mpi/word_exchange.h"

#include <gtest/gtest.h>
#include <mpi.h>

#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/ingest/store_reports.h"
#include "mpi/process_group.h"
#include "support/fakes.h"
#include "support/store_contents.h"

namespace tarvolen {
namespace {

struct Counted {
    std::uint32_t count = 0;
    std::uint32_t range = 0;
    bool operator==(const Counted&) const = default;
};

std::string WordOf(std::mt19937& random) {
    // Few enough words that the processes' documents share many.
    return "w" + std::to_string(random() % 300) + std::string(random() % 3 == 0 ? 30 : 0, 'x');
}

// What each process counts in a round: documents of its own, then its parts of the one
// document read in parts (from a random cut of it, some processes holding none).
struct Round {
    std::vector<std::vector<std::vector<std::string>>> own;  // by process
    std::vector<std::string> shared;
    std::vector<int> readerOf;  // by word of shared

    Round(unsigned seed, int processes) : own(static_cast<std::size_t>(processes)) {
        std::mt19937 random(seed);
        for (auto& documents : own) {
            documents.resize(random() % 4);
            for (auto& document : documents)
                for (unsigned i = random() % 80; i > 0; --i)
                    document.push_back(WordOf(random));
        }
        int reader = static_cast<int>(random() % static_cast<unsigned>(processes));
        for (unsigned i = random() % 400; i > 0; --i) {
            if (random() % 40 == 0)
                reader = static_cast<int>(random() % static_cast<unsigned>(processes));
            shared.push_back(WordOf(random));
            readerOf.push_back(reader);
        }
    }

    // Every document counted once, as one process counting them all would.
    std::map<std::string, Counted> Model() const {
        std::map<std::string, Counted> model;
        const auto count = [&model](const std::vector<std::string>& document) {
            for (const std::string& word : document)
                ++model[word].count;
            for (const std::string& word : std::set(document.begin(), document.end()))
                ++model[word].range;
        };
        for (const auto& documents : own)
            for (const auto& document : documents)
                count(document);
        count(shared);
        return model;
    }
};

// Whatever the cut of the document read in parts, and through growths of a small
// store, the owners end with the words of one process that counted every document,
// each word owned by one process.
TEST(KeepOwnedWords, CountsTheDocumentReadInPartsOnceInTheRanges) {
    const int rank = RankIn();
    const int processes = ProcessesIn();
    testing::FakeMessages messages;
    for (unsigned seed = 0; seed < 30; ++seed) {
        const Round round(seed, processes);
        WordStore store(ReportingStoreOptions(messages, testing::SmallStoreOptions(512)));
        for (const auto& document : round.own[static_cast<std::size_t>(rank)]) {
            store.BeginDocument();
            for (const std::string& word : document)
                store.AddWord(word.c_str(), word.size());
        }
        store.BeginDocument();
        for (std::size_t i = 0; i < round.shared.size(); ++i)
            if (round.readerOf[i] == rank)
                store.AddWord(round.shared[i].c_str(), round.shared[i].size());
        KeepOwnedWords(store, MPI_COMM_WORLD);

        std::string mine;
        store.ForEachEntry([&](const WordStore::HeldWord& held) {
            const std::string_view word = store.WordText(held.id);
            const std::uint32_t count = held.count;
            const std::uint32_t range = held.range;
            EXPECT_EQ(OwnerOf(word, processes), rank) << word;
            mine += std::string(word) + " " + std::to_string(count) + " " + std::to_string(range) +
                    "\n";
        });
        const std::vector<std::string> all = GatherBytes(mine);
        if (rank != 0)
            continue;
        std::map<std::string, Counted> held;
        for (const std::string& part : all) {
            std::istringstream lines(part);
            std::string word;
            Counted counted;
            while (lines >> word >> counted.count >> counted.range)
                EXPECT_TRUE(held.emplace(word, counted).second) << "owned twice: " << word;
        }
        EXPECT_EQ(held, round.Model()) << "seed " << seed;
    }
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace tarvolen
