#include "run/list_steps.h"

#include <vector>

#include "core/analysis/keyness.h"
#include "core/analysis/keyword_list_writer.h"
#include "core/analysis/statistics_report.h"
#include "core/analysis/word_filter.h"
#include "core/listfile/list_merge.h"
#include "core/workspace.h"
#include "run/threads_side_by_side.h"

namespace tarvolen {

namespace {

class StoreSteps : public ListSteps {
  public:
    StoreSteps(int jobs, const Collation* collation, CodePage codePage)
        : side_(static_cast<std::size_t>(jobs)), collation_(collation), codePage_(codePage) {}

    std::int64_t Count(Workspace& workspace) override { return workspace.Store.Count(); }

    std::int32_t Filter(Workspace& workspace, const CliFilter& filter,
                        MessagePort& messages) override {
        if (filter.mode == FilterMode::Listed)
            return RemoveListedWords(workspace, filter.list, messages, SystemReadBufferMemory(),
                                     Streams::ReadToEnd);
        return FilterByRule(workspace.Store, filter, workspace.ListCodePage);
    }

    void CompareWith(Workspace& workspace, const WordStore& reference, double minKeyness) override {
        keywords_ = CompareWithReference(workspace.Store, reference, minKeyness);
        if (collation_ != nullptr)
            OrderTiesBy(keywords_, *collation_, codePage_);
        compared_ = true;
    }

    std::optional<std::string> Statistics(Workspace& workspace) override {
        return BuildStatisticsReport(workspace.Store, workspace.ListCodePage);
    }

    VocabularyMeasures Measures(Workspace& workspace) override {
        VocabularyMeasures measures = MeasureList(workspace.Store);
        measures.segments = workspace.Segments;
        return measures;
    }

    void WriteRecords(Workspace& workspace, ListKind kind, std::FILE* stream,
                      const RecordFormat& format) override {
        if (compared_) {
            WriteKeywordRecords(stream, keywords_, format);
            return;
        }
        switch (kind) {
            case ListKind::Words:
                return WriteWordRecords(stream, workspace.Store, format, side_);
            case ListKind::Frequency:
                return WriteFrequencyRecords(stream, workspace.Store, format, side_);
            case ListKind::Range:
                return WriteRangeRecords(stream, workspace.Store, format, side_);
        }
    }

    WriteOutcome WriteList(Workspace& workspace, ListKind kind, const WriterOptions& options,
                           const std::string& path, const WriterHooks& given) override {
        WriterHooks hooks = given;
        hooks.side = &side_;
        if (compared_)
            return WriteKeywordList(keywords_, options, path, hooks);
        // The window's lists with counts refuse an empty list; a script is better
        // served by the empty file every list then is, as the plain list writes it.
        if (workspace.Store.Count() == 0)
            kind = ListKind::Words;
        switch (kind) {
            case ListKind::Words:
                return WriteWordList(workspace.Store, options, path, hooks);
            case ListKind::Frequency:
                return WriteFrequencyList(workspace.Store, options, path, hooks);
            case ListKind::Range:
                return WriteRangeList(workspace.Store, options, path, hooks);
        }
        return WriteOutcome::CannotCreate;
    }

  private:
    // The threads that counted the list sort it.
    ThreadsSideBySide side_;
    const Collation* collation_;  // the keyword rows' ties; null: by bytes
    CodePage codePage_;

  private:
    bool compared_ = false;
    std::vector<KeywordRow> keywords_;
};

}  // namespace

std::int32_t FilterByRule(WordStore& store, const CliFilter& filter, CodePage listCodePage) {
    return filter.mode == FilterMode::Range
               ? FilterByRange(store, filter.minRange)
               : FilterWords(store, filter.mode, filter.value, listCodePage);
}

std::unique_ptr<ListSteps> StoreListSteps(int jobs, const Collation* collation, CodePage codePage) {
    return std::make_unique<StoreSteps>(jobs, collation, codePage);
}

}  // namespace tarvolen
