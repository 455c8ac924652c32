#include "mpi/mpi_run.h"

#include <mpi.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/decode/text_decoder.h"
#include "core/ingest/file_parts.h"
#include "core/input/input_file.h"
#include "core/listfile/lemma_list.h"
#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/ports/user_cancel.h"
#include "core/store/store_exchange.h"
#include "core/text/format_count.h"
#include "core/workspace.h"
#include "mpi/byte_packing.h"
#include "mpi/file_dealer.h"
#include "mpi/job_orders.h"
#include "mpi/owned_list.h"
#include "mpi/process_group.h"
#include "mpi/share_count.h"
#include "mpi/shared_list.h"
#include "mpi/word_exchange.h"
#include "run/cli_messages.h"
#include "run/cli_run.h"
#include "run/file_shares.h"

namespace tarvolen {

namespace {

// The bytes a process has read are told to the first process for the job's line: now
// and then while it reads, and once more when its share is done.
constexpr auto kReportInterval = std::chrono::milliseconds(100);

// The progress port of every other process: says nothing but its bytes.
class WorkerProgress : public ProgressPort {
  public:
    WorkerProgress(const Workspace& workspace, bool reporting)
        : workspace_(workspace), reporting_(reporting) {}

    void SetBounds(int, int) override {}
    int SetPosition(int) override {
        const auto now = std::chrono::steady_clock::now();
        if (reporting_ && now - last_ >= kReportInterval) {
            last_ = now;
            Send(kBytesTag);
        }
        return 0;
    }
    bool CancelRequested() override { return false; }
    void SetFileLine(const std::string&) override {}
    void SetDetailLine(const std::string&) override {}
    void Close() override {}

    void Finish() {
        if (reporting_)
            Send(kShareDoneTag);
    }

  private:
    void Send(int tag) {
        std::int64_t bytes = workspace_.BytesRead;
        MPI_Send(&bytes, 1, MPI_INT64_T, 0, tag, MPI_COMM_WORLD);
    }

    const Workspace& workspace_;
    bool reporting_;
    std::chrono::steady_clock::time_point last_{};
};

// The first process's own reading draws the job's line with what all have read; a
// Cancel is still the command line's.
class JobProgress : public ProgressPort {
  public:
    JobProgress(ProgressPort& own, JobLine& line, const Workspace& workspace, std::int64_t total)
        : own_(own),
          line_(line),
          workspace_(workspace),
          total_(total),
          read_(static_cast<std::size_t>(ProcessesIn()), 0) {}

    void SetBounds(int, int) override {}
    int SetPosition(int) override {
        Poll();
        Draw(false);
        return 0;
    }
    bool CancelRequested() override { return own_.CancelRequested(); }
    void SetFileLine(const std::string&) override {}
    void SetDetailLine(const std::string&) override {}
    void Close() override {}

    // Until every other process has said its share is done.
    void WaitForAll() {
        for (std::size_t done = 1; done < read_.size();) {
            std::int64_t bytes = 0;
            MPI_Status status;
            MPI_Recv(&bytes, 1, MPI_INT64_T, MPI_ANY_SOURCE, MPI_ANY_TAG, MPI_COMM_WORLD, &status);
            read_[static_cast<std::size_t>(status.MPI_SOURCE)] = bytes;
            done += status.MPI_TAG == kShareDoneTag ? 1 : 0;
            Draw(false);
        }
        Draw(true);
    }

  private:
    void Poll() {
        for (int waiting = 1; waiting != 0;) {
            MPI_Status status;
            MPI_Iprobe(MPI_ANY_SOURCE, kBytesTag, MPI_COMM_WORLD, &waiting, &status);
            if (waiting != 0)
                MPI_Recv(&read_[static_cast<std::size_t>(status.MPI_SOURCE)], 1, MPI_INT64_T,
                         status.MPI_SOURCE, kBytesTag, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
        }
    }
    void Draw(bool now) {
        read_[0] = workspace_.BytesRead;
        std::int64_t all = 0;
        for (std::int64_t bytes : read_)
            all += bytes;
        line_.Show(FormatText("%s of %s bytes read by %s processes",
                              FormatCount64(all, ',').c_str(), FormatCount64(total_, ',').c_str(),
                              FormatCount(static_cast<std::int32_t>(read_.size()), ',').c_str()),
                   now);
    }

    ProgressPort& own_;
    JobLine& line_;
    const Workspace& workspace_;
    std::int64_t total_;
    std::vector<std::int64_t> read_;
};

// The reports of all processes, on the first.
std::vector<ShareReport> GatherReports(const ShareReport& mine) {
    std::vector<ShareReport> reports;
    for (const std::string& packed : GatherBytes(mine.Pack()))
        reports.push_back(ShareReport::Unpack(packed));
    return reports;
}

// After each process counted its share: the combined report on the first process,
// and unless a share ended early, every word with its owner in owned (the first
// process's store is emptied, its words having gone to theirs). Collective.
ShareReport MergeShares(Workspace& workspace, const ShareReport& mine, DividedCounts& divided,
                        OwnedList& list) {
    std::vector<ShareReport> reports = GatherReports(mine);
    ShareReport all = ShareReport::Combine(reports);
    std::int32_t ending = static_cast<std::int32_t>(mine.ending);
    MPI_Allreduce(MPI_IN_PLACE, &ending, 1, MPI_INT32_T, MPI_MAX, MPI_COMM_WORLD);
    if (ending != static_cast<std::int32_t>(ShareReport::Ending::Normal))
        return all;
    // The words stay in the memory they were counted in, which is warm: a fresh
    // store's tables would be touched page by page as the owned words came in.
    WordStore::Options options = workspace.Store.Settings();
    options.initialCapacity = WordStore::kInitialCapacity;
    options.growthStep = WordStore::kInitialCapacity;
    auto owned = std::make_unique<WordStore>(options);
    StoreExchange::Swap(*owned, workspace.Store);
    KeepOwnedWords(*owned, MPI_COMM_WORLD);
    for (std::unique_ptr<WordStore>& document : divided) {
        ExchangeDocumentWords(document.get(), *owned, MPI_COMM_WORLD);
        document.reset();
    }
    list.Take(std::move(owned));
    return all;
}

// The size at or below which no file is divided among processes: kLeastDivided unless
// the environment says otherwise (tests divide small files).
std::int64_t LeastDivided() {
    const char* bytes = std::getenv("TARVOLEN_MPI_LEAST_DIVIDED");
    return bytes != nullptr && *bytes != '\0' ? std::strtoll(bytes, nullptr, 10) : kLeastDivided;
}

// Where the job's files may be cut between two parts.
SeparatorSearch SeparatorsOf(const CountJob& job, const Workspace& workspace) {
    const bool blankLines = CountCutsAtBlankLines(workspace);
    return [&job, blankLines](std::size_t file, std::int64_t from, std::int64_t limit) {
        return FindSeparator(job.files[file], from, limit, blankLines);
    };
}

// The job's files shared out among the processes, a large one in parts where a part
// read on its own gives what the same bytes give within the whole file.
void ShareOut(CountJob& job, const Workspace& workspace) {
    const int processes = ProcessesIn();
    const std::int64_t leastDivided = LeastDivided();
    std::vector<FileToShare> measured;
    for (const std::string& path : job.files) {
        struct stat facts {};
        const bool regular = path != kStandardInputPath && ::stat(path.c_str(), &facts) == 0 &&
                             S_ISREG(facts.st_mode);
        measured.push_back({regular ? static_cast<std::int64_t>(facts.st_size) : 0, !regular});
    }
    // Only the few files large enough to divide have their start read here.
    const std::int64_t dividedAbove = DividedAbove(measured, processes, leastDivided);
    job.starts.assign(job.files.size(), PartStart::None);
    for (std::size_t i = 0; i < measured.size(); ++i) {
        if (measured[i].firstOnly || measured[i].size <= dividedAbove)
            continue;
        job.starts[i] = StartOfParts(workspace, job.files[i], measured[i].size);
        measured[i].divisible = job.starts[i] != PartStart::None;
    }
    job.shares = ShareFiles(measured, processes, leastDivided);
    job.dealt = DealtFiles(job.shares, measured);
    // The largest dealt file, dealt last in parts, evens out the processes' finishing,
    // which whole files leave a file's reading apart.
    if (processes > 1 && !job.dealt.empty()) {
        const std::size_t largest = job.dealt.front();
        if (measured[largest].size > leastDivided) {
            job.starts[largest] =
                StartOfParts(workspace, job.files[largest], measured[largest].size);
            if (job.starts[largest] != PartStart::None)
                job.dealtInParts = largest;
        }
    }
    CutAtSeparators(job.shares, SeparatorsOf(job, workspace));
    // Where the bytes went, for whoever tunes or tests the sharing: "path begin end
    // process" a share, "dealt" for the process of a dealt file, "parts" for the one
    // dealt in parts.
    if (const char* log = std::getenv("TARVOLEN_MPI_SHARES_LOG"); log != nullptr && *log != '\0')
        if (std::FILE* to = std::fopen(log, "a")) {
            const std::vector<bool> dealt = job.DealtMask();
            const auto reader = [&job, &dealt](const FileShare& share) {
                if (share.file == job.dealtInParts)
                    return std::string("parts");
                return dealt[share.file] ? std::string("dealt") : std::to_string(share.process);
            };
            for (const FileShare& share : job.shares)
                std::fprintf(to, "%s %lld %lld %s\n", job.files[share.file].c_str(),
                             static_cast<long long>(share.begin), static_cast<long long>(share.end),
                             reader(share).c_str());
            std::fclose(to);
        }
}

// The files of the job that were read, as a run on one process counts them: all but
// those skipped as no text, those that could not be read and those that could not be
// opened. A file divided among processes counts once.
std::int64_t FilesRead(const CountJob& job, const ShareReport& all) {
    std::set<std::uint64_t> unread;
    for (const FileNote& note : all.notText)
        unread.insert(note.file);
    for (const FileNote& note : all.unreadable)
        unread.insert(note.file);
    for (const FileMessage& message : all.messages) {
        if (message.text == kUnableToOpenText)
            unread.insert(message.file);
    }
    return static_cast<std::int64_t>(job.files.size() - unread.size());
}

std::vector<std::string> Texts(const std::vector<FileNote>& notes) {
    std::vector<std::string> texts;
    for (const FileNote& note : notes)
        texts.push_back(note.text);
    return texts;
}

}  // namespace

IngestResult IngestOverProcesses(Workspace& workspace, IngestState& state, const IngestHooks& hooks,
                                 JobLine& line, OwnedList& list) {
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
    ShareOut(job, workspace);
    job.scanned = state.scanned;
    job.named.assign(state.named.begin(), state.named.end());
    job.listHeld = workspace.Store.Count() > 0;
    job.listCodePage = workspace.ListCodePage;
    job.watched = line.visible();
    const std::string packed = job.Pack();
    SendOrder(Order::Count, packed);

    const std::int32_t countBefore = workspace.Store.Count();
    const SegmentFigures segmentsBefore = workspace.Segments;
    hooks.progress.Close();
    JobProgress progress(hooks.progress, line, workspace, total);
    std::vector<std::int64_t> sizes(job.files.size(), 0);
    for (const FileShare& share : job.shares)
        sizes[share.file] += share.end - share.begin;
    FileDealer dealer(job.dealt, std::move(sizes), MPI_COMM_WORLD);
    if (job.dealtInParts != CountJob::kNoFile)
        dealer.DealInParts(job.dealtInParts, LeastDivided() / 2, SeparatorsOf(job, workspace));
    DealingProgress dealing(progress, dealer);
    DividedCounts divided;
    const ShareReport mine =
        CountShare(workspace, job, 0, dealing, hooks, divided, [&dealer] { return dealer.Take(); });
    if (mine.ending != ShareReport::Ending::Normal || mine.outcome == IngestOutcome::Abandoned)
        dealer.Stop();
    dealer.ServeRest();
    if (job.watched)
        progress.WaitForAll();
    line.Show("exchanging", true);
    const ShareReport all = MergeShares(workspace, mine, divided, list);
    line.Clear();
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
    const std::int64_t countAfter = list.Count();
    if (countBefore == 0 && countAfter > 0)
        workspace.ListCodePage = workspace.RunCodePage;
    workspace.ListUnsaved = workspace.ListUnsaved || countAfter > countBefore;
    workspace.BytesRead = all.bytesRead;
    workspace.QualifiedWords = all.qualifiedWords;
    workspace.Segments = segmentsBefore;
    workspace.Segments.Add(all.segments);

    IngestResult result;
    result.Outcome = IngestOutcome::Completed;
    result.Summary.BytesRead = all.bytesRead;
    result.Summary.QualifiedWords = all.qualifiedWords;
    result.Summary.WordsAdded = static_cast<std::int32_t>(countAfter - countBefore);
    result.Summary.Milliseconds = hooks.ticks.Now() - startTick;
    result.Summary.FilesRead = FilesRead(job, all);
    hooks.messages.ShowMessage(DescribeIngestRun(result.Summary, state.skipped),
                               MessageIcon::Information);
    return result;
}

int ServeFirstProcess(const CliOptions& options) {
    CliMessages messages(stderr, true, kMpiName);
    const WriterOptions order = WriterOptionsOf(options);
    OwnedList list(messages, MPI_COMM_WORLD, order.Collate, order.ListCodePage);
    for (;;) {
        const Ordered ordered = NextOrder();
        if (ordered.order == Order::End)
            return static_cast<int>(ByteUnpacker(ordered.details).Get<std::int32_t>());
        if (ordered.order != Order::Count) {
            FollowListOrder(ordered, list);
            continue;
        }
        const CountJob job = CountJob::Unpack(ordered.details);
        Workspace workspace(messages);
        ApplyCliAddOptions(workspace, options);
        // The first process read the lemma list before it gave out the counting; one
        // refused here (changed since) is told, and the share counted without it.
        LoadLemmas(workspace, messages);
        WorkerProgress progress(workspace, job.watched);
        IngestHooks hooks{progress, messages, {}};
        hooks.streams = Streams::ReadToEnd;
        DividedCounts divided;
        FileRequests requests(MPI_COMM_WORLD);
        const ShareReport mine = CountShare(workspace, job, RankIn(), progress, hooks, divided,
                                            [&requests] { return requests.Next(); });
        requests.Finish();
        progress.Finish();
        MergeShares(workspace, mine, divided, list);
    }
}

void EndProcesses(int status) {
    std::string details;
    BytePacker(details).Put(static_cast<std::int32_t>(status));
    SendOrder(Order::End, details);
}

}  // namespace tarvolen
