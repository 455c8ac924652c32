#pragma once

#include <string_view>

#include "mpi/job_orders.h"
#include "run/list_steps.h"

namespace tarvolen {

class OwnedList;

// The list steps of the first process's run over a list spread among the processes:
// each step orders the others to take part and takes its own part in owned. A list
// that was merged but never shared out (no file was read) is shared out first.
class SharedList : public ListSteps {
  public:
    explicit SharedList(OwnedList& owned) : owned_(owned) {}

    std::int64_t Count(Workspace& workspace) override;
    std::int32_t Filter(Workspace& workspace, const CliFilter& filter,
                        MessagePort& messages) override;
    void CompareWith(Workspace& workspace, const WordStore& reference, double minKeyness) override;
    std::optional<std::string> Statistics(Workspace& workspace) override;
    VocabularyMeasures Measures(Workspace& workspace) override;
    void WriteRecords(Workspace& workspace, ListKind kind, std::FILE* stream,
                      const RecordFormat& format) override;
    WriteOutcome WriteList(Workspace& workspace, ListKind kind, const WriterOptions& options,
                           const std::string& path, const WriterHooks& hooks) override;

  private:
    void Hold(Workspace& workspace);

    OwnedList& owned_;
};

// Every other process: its part of a list step the first ordered.
void FollowListOrder(const Ordered& ordered, OwnedList& owned);

}  // namespace tarvolen
