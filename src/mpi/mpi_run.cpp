#include "mpi/mpi_run.h"

#include <mpi.h>
#include <sys/stat.h>

#include <array>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "cli/cli_messages.h"
#include "cli/cli_run.h"
#include "core/collect/input_file.h"
#include "core/collect/text_decoder.h"
#include "core/util/messages.h"
#include "core/util/progress.h"
#include "core/util/user_cancel.h"
#include "core/workspace.h"
#include "mpi/file_shares.h"
#include "mpi/share_count.h"
#include "mpi/word_exchange.h"

namespace tarvolen {

namespace {

// What the first process tells the others: a reading to take part in, or the end.
enum class Order : std::int64_t { Count = 1, End = 2 };

struct Header {
    Order order;
    std::int64_t value;  // the size of the job, or the exit status
};

Header Broadcast(Header header) {
    std::array<std::int64_t, 2> numbers{static_cast<std::int64_t>(header.order), header.value};
    MPI_Bcast(numbers.data(), 2, MPI_INT64_T, 0, MPI_COMM_WORLD);
    return {static_cast<Order>(numbers[0]), numbers[1]};
}

int Rank() {
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    return rank;
}

int Processes() {
    int processes = 1;
    MPI_Comm_size(MPI_COMM_WORLD, &processes);
    return processes;
}

class NoProgress : public ProgressPort {
  public:
    void SetBounds(int, int) override {}
    int SetPosition(int) override { return 0; }
    bool CancelRequested() override { return false; }
    void SetFileLine(const std::string&) override {}
    void SetDetailLine(const std::string&) override {}
    void Close() override {}
};

// The reports of all processes, on the first.
std::vector<ShareReport> GatherReports(const ShareReport& mine) {
    const std::string bytes = mine.Pack();
    const int size = static_cast<int>(bytes.size());
    const int processes = Processes();
    std::vector<int> sizes(static_cast<std::size_t>(processes)), at(sizes.size());
    MPI_Gather(&size, 1, MPI_INT, sizes.data(), 1, MPI_INT, 0, MPI_COMM_WORLD);
    std::string all;
    if (Rank() == 0) {
        int total = 0;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            at[i] = total;
            total += sizes[i];
        }
        all.resize(static_cast<std::size_t>(total));
    }
    MPI_Gatherv(bytes.data(), size, MPI_BYTE, all.data(), sizes.data(), at.data(), MPI_BYTE, 0,
                MPI_COMM_WORLD);
    std::vector<ShareReport> reports;
    if (Rank() == 0)
        for (std::size_t i = 0; i < sizes.size(); ++i)
            reports.push_back(ShareReport::Unpack(std::string_view(all).substr(
                static_cast<std::size_t>(at[i]), static_cast<std::size_t>(sizes[i]))));
    return reports;
}

// After each process counted its share: the combined report on the first process,
// and unless a share ended early, the list of all of them in first's store (whose
// own words have gone to their owners by then). Collective.
ShareReport MergeShares(Workspace& workspace, const ShareReport& mine, const Seed& seed,
                        MessagePort& messages) {
    std::vector<ShareReport> reports = GatherReports(mine);
    ShareReport all = ShareReport::Combine(reports);
    std::int32_t ending = static_cast<std::int32_t>(mine.ending);
    MPI_Allreduce(MPI_IN_PLACE, &ending, 1, MPI_INT32_T, MPI_MAX, MPI_COMM_WORLD);
    if (ending != static_cast<std::int32_t>(ShareReport::Ending::Normal))
        return all;
    {
        WordStore owned(messages, WordStore::Options{.exitStatusWithoutArena = kExitFailure});
        ExchangeByOwner(workspace.Store, seed, owned, MPI_COMM_WORLD);
        if (Rank() == 0)
            workspace.Store.Clear();
        GatherToFirst(owned, Rank() == 0 ? &workspace.Store : nullptr, MPI_COMM_WORLD);
    }
    return all;
}

std::vector<FileToShare> Measured(const std::vector<std::string>& files) {
    std::vector<FileToShare> measured;
    for (const std::string& path : files) {
        struct stat facts {};
        const bool regular = path != kStandardInputPath && ::stat(path.c_str(), &facts) == 0 &&
                             S_ISREG(facts.st_mode);
        measured.push_back({regular ? static_cast<std::int64_t>(facts.st_size) : 0, !regular});
    }
    return measured;
}

std::vector<std::string> Texts(const std::vector<FileNote>& notes) {
    std::vector<std::string> texts;
    for (const FileNote& note : notes)
        texts.push_back(note.text);
    return texts;
}

}  // namespace

IngestResult IngestOverProcesses(Workspace& workspace, IngestState& state,
                                 const IngestHooks& hooks) {
    const std::uint32_t startTick = hooks.ticks.Now();
    // What IngestFiles refuses before it reads anything, the first process refuses
    // for all: a file that cannot be measured, an encoding that is not available.
    std::int64_t total = 0;
    std::string failure;
    if (!MeasureFiles(state.InputFiles, total, failure, hooks.streams, state.scanned) ||
        !TextDecoder(workspace.RunEncoding, workspace.RunCodePage).Valid()) {
        hooks.progress.Close();
        hooks.messages.ShowMessage(failure.empty() ? kUnknownEncodingText : failure,
                                   MessageIcon::Stop);
        return {};
    }

    CountJob job;
    job.files.assign(state.InputFiles.rbegin(), state.InputFiles.rend());
    job.reader = ShareFiles(Measured(job.files), Processes());
    job.scanned = state.scanned;
    job.listHeld = workspace.Store.Count() > 0;
    job.listCodePage = workspace.ListCodePage;
    const std::string packed = job.Pack();
    Broadcast({Order::Count, static_cast<std::int64_t>(packed.size())});
    MPI_Bcast(const_cast<char*>(packed.data()), static_cast<int>(packed.size()), MPI_BYTE, 0,
              MPI_COMM_WORLD);

    const std::int32_t countBefore = workspace.Store.Count();
    const ShareReport mine = CountShare(workspace, job, 0, hooks.progress, hooks);
    const ShareReport all = MergeShares(workspace, mine, Seed{}, hooks.messages);
    if (all.ending == ShareReport::Ending::OutOfMemory)
        throw std::bad_alloc();
    if (all.ending == ShareReport::Ending::Cancelled)
        throw UserCancel{};

    hooks.progress.Close();
    for (const FileMessage& message : all.messages) {
        state.LastInputPath = job.files.empty() ? std::string() : job.files[message.file];
        hooks.messages.ShowMessage(message.text, message.icon);
    }
    if (!job.files.empty())
        state.LastInputPath = job.files.back();
    if (all.outcome == IngestOutcome::Abandoned)
        return {};

    for (std::string& path : Texts(all.notText))
        state.skipped.notText.push_back(std::move(path));
    for (std::string& text : Texts(all.unreadable))
        state.skipped.unreadable.push_back(std::move(text));
    // The list takes the form of the first words added to it, wherever they were read.
    const std::int32_t countAfter = workspace.Store.Count();
    if (countBefore == 0 && countAfter > 0)
        workspace.ListCodePage = workspace.RunCodePage;
    workspace.ListUnsaved = workspace.ListUnsaved || countAfter > countBefore;
    workspace.BytesRead = all.bytesRead;
    workspace.QualifiedWords = all.qualifiedWords;

    IngestResult result;
    result.Outcome = IngestOutcome::Completed;
    result.Summary.BytesRead = all.bytesRead;
    result.Summary.QualifiedWords = all.qualifiedWords;
    result.Summary.WordsAdded = countAfter - countBefore;
    result.Summary.Milliseconds = hooks.ticks.Now() - startTick;
    hooks.messages.ShowMessage(DescribeIngestRun(result.Summary, state.skipped, state.scanned),
                               MessageIcon::Information);
    return result;
}

int ServeFirstProcess(const CliOptions& options) {
    CliMessages messages(stderr, true, kMpiName);
    for (;;) {
        const Header header = Broadcast({});
        if (header.order == Order::End)
            return static_cast<int>(header.value);
        std::string packed(static_cast<std::size_t>(header.value), '\0');
        MPI_Bcast(packed.data(), static_cast<int>(packed.size()), MPI_BYTE, 0, MPI_COMM_WORLD);
        const CountJob job = CountJob::Unpack(packed);

        Workspace workspace(messages, WordStore::Options{.exitStatusWithoutArena = kExitFailure});
        ApplyCliAddOptions(workspace, options);
        NoProgress progress;
        IngestHooks hooks{progress, messages, {}};
        hooks.streams = Streams::ReadToEnd;
        const ShareReport mine = CountShare(workspace, job, Rank(), progress, hooks);
        const Seed seed{job.listHeld ? kSeedWord : "", 1, 1};
        MergeShares(workspace, mine, seed, messages);
    }
}

void EndProcesses(int status) {
    Broadcast({Order::End, status});
}

}  // namespace tarvolen
