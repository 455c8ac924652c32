#include "mpi/shared_list.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/analysis/keyword_list_writer.h"
#include "core/analysis/statistics_report.h"
#include "core/ingest/store_reports.h"
#include "core/listfile/list_merge.h"
#include "core/listfile/listed_words.h"
#include "core/output/upper_case_join.h"
#include "core/ports/messages.h"
#include "core/store/word_store.h"
#include "core/workspace.h"
#include "mpi/byte_packing.h"
#include "mpi/owned_list.h"
#include "mpi/share_count.h"

namespace tarvolen {

namespace {

// What each step's order carries besides itself.
struct FilterDetails {
    CliFilter filter;
    CodePage listCodePage;
    // The words a stop list names alone: each process removes the n-grams of its own
    // that hold one.
    std::vector<std::string> listedAlone;
};

void Fields(auto& walk, MessageOf<FilterDetails> auto& details) {
    walk(details.filter.mode, details.filter.value, details.filter.minRange, details.listCodePage,
         details.listedAlone);
}

template <typename Number>
std::string PackNumbers(Number first, auto... more) {
    std::string bytes;
    BytePacker out(bytes);
    out.Put(first);
    (out.Put(more), ...);
    return bytes;
}

// Where UPPER CASE may make words of the list one, which of them meet is known only
// once all are in: the first process gathers the whole sorted list (the others' parts
// copied as they stream in) and writes it as the core's writers write a store's.
struct GatheredList {
    std::deque<std::string> words;
    std::vector<ListEntry> entries;
    std::vector<KeywordRow> rows;

    explicit GatheredList(OwnedList::SortedList& sorted) {
        sorted.ForEach({[this](const ListEntry& entry) {
                            ListEntry kept = entry;
                            kept.word = words.emplace_back(entry.word);
                            entries.push_back(kept);
                        },
                        [this](const KeywordRow& row) {
                            KeywordRow kept = row;
                            kept.word = words.emplace_back(row.word);
                            rows.push_back(kept);
                        }});
    }

    // The records as written: joined where UPPER CASE makes words one, or refused
    // (CMyException) where their records cannot be joined.
    RecordSource Records(ListKind kind, const RecordFormat& format) {
        if (rows.empty()) {
            entries = EntriesInCase(std::move(entries), kind, format);
        } else {
            std::vector<std::string_view> rowWords;
            for (const KeywordRow& row : rows)
                rowWords.push_back(row.word);
            RefuseUpperCaseJoin(rowWords, format, "the keyness");
        }
        return [this, kind](std::FILE* stream, const RecordFormat& written,
                            const std::function<void(std::size_t)>& every) {
            for (const ListEntry& entry : entries) {
                every(1);
                WriteListRecord(stream, kind, entry, written);
            }
            for (const KeywordRow& row : rows) {
                every(1);
                WriteKeywordRecord(stream, row, written);
            }
        };
    }
};

}  // namespace

void SharedList::Hold(Workspace& workspace) {
    if (owned_.Held())
        return;
    SendOrder(Order::Distribute);
    owned_.Distribute(&workspace.Store);
    workspace.Store.Clear();
}

std::int64_t SharedList::Count(Workspace& workspace) {
    Hold(workspace);
    return owned_.Count();
}

std::int32_t SharedList::Filter(Workspace& workspace, const CliFilter& filter,
                                MessagePort& messages) {
    Hold(workspace);
    std::unique_ptr<WordStore> listed;
    FilterDetails details{filter, workspace.ListCodePage, {}};
    if (filter.mode == FilterMode::Listed) {
        // The list is read here, once: a refused one goes no further.
        listed = std::make_unique<WordStore>(ReportingStoreOptions(messages));
        ListedWords alone;
        const bool read = ForEachListedWord(
            workspace, filter.list, messages,
            [&](const char* word, std::size_t length) {
                listed->AddWord(word, length);
                if (std::string_view(word, length).find(' ') == std::string_view::npos)
                    alone.emplace(word, length);
            },
            SystemReadBufferMemory(), Streams::ReadToEnd);
        if (!read)
            return -1;
        details.listedAlone.assign(alone.begin(), alone.end());
    }
    SendOrder(Order::Filter, PackMessage(details));
    return static_cast<std::int32_t>(
        owned_.Filter(filter, details.listCodePage, listed.get(), details.listedAlone));
}

void SharedList::CompareWith(Workspace& workspace, const WordStore& reference, double minKeyness) {
    Hold(workspace);
    const std::uint64_t total = TotalCount(reference);
    SendOrder(Order::Compare, PackNumbers(minKeyness, total));
    owned_.Compare(&reference, minKeyness, total);
}

std::optional<std::string> SharedList::Statistics(Workspace& workspace) {
    Hold(workspace);
    SendOrder(Order::Statistics, PackNumbers(workspace.ListCodePage));
    const std::optional<StatisticsFigures> figures = owned_.Statistics(workspace.ListCodePage);
    if (figures->wordCount == 0)
        return std::nullopt;
    return FormatStatisticsReport(*figures);
}

VocabularyMeasures SharedList::Measures(Workspace& workspace) {
    Hold(workspace);
    SendOrder(Order::Measures);
    VocabularyMeasures measures = owned_.Measures();
    // The first process gathered every process's segments with their reports.
    measures.segments = workspace.Segments;
    return measures;
}

void SharedList::WriteRecords(Workspace& workspace, ListKind kind, std::FILE* stream,
                              const RecordFormat& format) {
    Hold(workspace);
    SendOrder(Order::Write, PackNumbers(kind));
    if (UpperCaseMayJoin(format)) {
        GatheredList gathered(*owned_.Sort(kind));
        gathered.Records(kind, format)(stream, format, [](std::size_t) {});
        return;
    }
    owned_.Sort(kind)->ForEach(
        {[&](const ListEntry& entry) { WriteListRecord(stream, kind, entry, format); },
         [&](const KeywordRow& row) { WriteKeywordRecord(stream, row, format); }});
}

WriteOutcome SharedList::WriteList(Workspace& workspace, ListKind kind,
                                   const WriterOptions& options, const std::string& path,
                                   const WriterHooks& hooks) {
    Hold(workspace);
    const std::uint32_t start = hooks.ticks.Now();
    SendOrder(Order::Write, PackNumbers(kind));
    // Sorted before the file is opened, as the writers sort theirs.
    const std::unique_ptr<OwnedList::SortedList> sorted = owned_.Sort(kind);
    const RecordFormat format(options);
    if (UpperCaseMayJoin(format)) {
        GatheredList gathered(*sorted);
        return WriteRecordList(options, path, hooks, gathered.Records(kind, format),
                               !owned_.Compared() && kind == ListKind::Words
                                   ? std::optional<std::uint32_t>(start)
                                   : std::nullopt);
    }
    const RecordSource records = [&](std::FILE* stream, const RecordFormat& format,
                                     const std::function<void(std::size_t)>& every) {
        sorted->ForEach({[&](const ListEntry& entry) {
                             every(1);
                             WriteListRecord(stream, kind, entry, format);
                         },
                         [&](const KeywordRow& row) {
                             every(1);
                             WriteKeywordRecord(stream, row, format);
                         }});
    };
    // The word list's report gives its milliseconds; the others' do not.
    return WriteRecordList(options, path, hooks, records,
                           !owned_.Compared() && kind == ListKind::Words
                               ? std::optional<std::uint32_t>(start)
                               : std::nullopt);
}

void FollowListOrder(const Ordered& ordered, OwnedList& owned) {
    ByteUnpacker in(ordered.details);
    switch (ordered.order) {
        case Order::Distribute:
            owned.Distribute(nullptr);
            break;
        case Order::Filter: {
            const FilterDetails details = UnpackMessage<FilterDetails>(ordered.details);
            owned.Filter(details.filter, details.listCodePage, nullptr, details.listedAlone);
            break;
        }
        case Order::Compare: {
            const auto minKeyness = in.Get<double>();
            owned.Compare(nullptr, minKeyness, in.Get<std::uint64_t>());
            break;
        }
        case Order::Statistics:
            owned.Statistics(in.Get<CodePage>());
            break;
        case Order::Write:
            owned.Sort(in.Get<ListKind>());
            break;
        case Order::Measures:
            owned.Measures();
            break;
        case Order::Count:
        case Order::End:
            break;
    }
}

}  // namespace tarvolen
