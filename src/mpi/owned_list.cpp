#include "mpi/owned_list.h"

#include <string>
#include <string_view>

#include "core/analysis/word_filter.h"
#include "core/ingest/store_reports.h"
#include "core/listfile/listed_words.h"
#include "core/store/word_store.h"
#include "mpi/byte_packing.h"
#include "mpi/process_group.h"
#include "mpi/share_count.h"
#include "mpi/sorted_parts.h"
#include "mpi/word_exchange.h"
#include "run/list_steps.h"

namespace tarvolen {

// The figures as the processes send them.
void Fields(auto& walk, MessageOf<LetterFigures> auto& letter) {
    walk(letter.letter, letter.first, letter.all);
}

void Fields(auto& walk, MessageOf<StatisticsFigures> auto& figures) {
    walk(figures.wordCount, figures.minLen, figures.maxLen, figures.sumLen, figures.topWord,
         figures.topCount, figures.firstLetter, figures.allLetters, figures.lengthCount,
         figures.utf8, figures.letters);
}

namespace {

std::int64_t SumOver(std::int64_t mine, MPI_Comm comm) {
    MPI_Allreduce(MPI_IN_PLACE, &mine, 1, MPI_INT64_T, MPI_SUM, comm);
    return mine;
}

}  // namespace

OwnedList::OwnedList(MessagePort& messages, MPI_Comm comm, const Collation* collation,
                     CodePage codePage)
    : messages_(messages), comm_(comm), collation_(collation), codePage_(codePage) {
    rank_ = RankIn(comm);
}

OwnedList::~OwnedList() = default;

std::unique_ptr<WordStore> OwnedList::NewStore() const {
    return std::make_unique<WordStore>(ReportingStoreOptions(messages_));
}

void OwnedList::Recount() {
    count_ = SumOver(words_->Count(), comm_);
}

void OwnedList::Take(std::unique_ptr<WordStore> words) {
    words_ = std::move(words);
    Recount();
}

void OwnedList::Distribute(const WordStore* first) {
    std::unique_ptr<WordStore> words = NewStore();
    ExchangeByOwner(first, *words, comm_);
    Take(std::move(words));
}

std::int64_t OwnedList::Filter(const CliFilter& filter, CodePage listCodePage,
                               const WordStore* listed,
                               const std::vector<std::string>& listedAlone) {
    std::int64_t removed = 0;
    if (filter.mode == FilterMode::Listed) {
        std::unique_ptr<WordStore> doomed = NewStore();
        ExchangeByOwner(listed, *doomed, comm_);
        const std::int32_t before = words_->Count();
        doomed->ForEachEntry([&](const WordStore::HeldWord& held) {
            // Stored texts end in their NUL, as RemoveWord wants.
            words_->RemoveWord(doomed->WordText(held.id).data());
        });
        RemoveRowsHolding(*words_, ListedWords(listedAlone.begin(), listedAlone.end()));
        removed = before - words_->Count();
    } else {
        removed = FilterByRule(*words_, filter, listCodePage);
    }
    Recount();
    return SumOver(removed, comm_);
}

void OwnedList::Compare(const WordStore* reference, double minKeyness,
                        std::uint64_t referenceTotal) {
    reference_ = NewStore();
    ExchangeByOwner(reference, *reference_, comm_);
    std::uint64_t total = TotalCount(*words_);
    MPI_Allreduce(MPI_IN_PLACE, &total, 1, MPI_UINT64_T, MPI_SUM, comm_);
    rows_ = CompareWithReference(*words_, *reference_, minKeyness, total, referenceTotal);
    if (collation_ != nullptr)
        OrderTiesBy(*rows_, *collation_, codePage_);
}

std::optional<StatisticsFigures> OwnedList::Statistics(CodePage listCodePage) {
    const std::vector<std::string> parts =
        GatherBytes(PackMessage(GatherStatistics(*words_, listCodePage)), comm_);
    if (!First())
        return std::nullopt;
    StatisticsFigures all = UnpackMessage<StatisticsFigures>(parts.front());
    for (std::size_t i = 1; i < parts.size(); ++i)
        AddStatistics(all, UnpackMessage<StatisticsFigures>(parts[i]));
    return all;
}

VocabularyMeasures OwnedList::Measures() {
    VocabularyMeasures mine = MeasureList(*words_);
    std::uint64_t figures[] = {mine.tokens, mine.types, mine.hapax, mine.dis};
    MPI_Allreduce(MPI_IN_PLACE, figures, 4, MPI_UINT64_T, MPI_SUM, comm_);
    VocabularyMeasures all;
    all.tokens = figures[0];
    all.types = figures[1];
    all.hapax = figures[2];
    all.dis = figures[3];
    return all;
}

std::unique_ptr<OwnedList::SortedList> OwnedList::Sort(ListKind kind) {
    auto sorted = std::make_unique<SortedList>();
    if (rows_) {
        if (!First()) {
            SendSortedPart(*rows_, comm_);
            return nullptr;
        }
        sorted->rowParts_ = std::make_unique<SortedParts<KeywordRow>>(
            *rows_,
            [this](const KeywordRow& x, const KeywordRow& y) {
                return CollatedKeywordRowBefore(x, y, collation_, codePage_);
            },
            comm_);
        return sorted;
    }
    sorted->entries_ = SortedEntries(*words_, kind, collation_, codePage_);
    if (!First()) {
        SendSortedPart(sorted->entries_, comm_);
        return nullptr;
    }
    sorted->entryParts_ = std::make_unique<SortedParts<ListEntry>>(
        sorted->entries_,
        [kind, this](const ListEntry& a, const ListEntry& b) {
            return ListBefore(kind, a, b, collation_, codePage_);
        },
        comm_);
    return sorted;
}

OwnedList::SortedList::~SortedList() = default;

void OwnedList::SortedList::ForEach(const Visits& visits) {
    if (rowParts_)
        rowParts_->Merge(visits.row);
    else
        entryParts_->Merge(visits.entry);
}

}  // namespace tarvolen
