#include "run/thread_count.h"

#include <pthread.h>
#include <sched.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "core/decode/text_decoder.h"
#include "core/ingest/cutter_setup.h"
#include "core/ingest/file_parts.h"
#include "core/ingest/list_encoding.h"
#include "core/ingest/run_state.h"
#include "core/ingest/store_reports.h"
#include "core/input/input_file.h"
#include "core/input/read_buffer.h"
#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/ports/user_cancel.h"
#include "core/store/part_segments.h"
#include "core/store/store_merge.h"
#include "core/words/tokenizer.h"
#include "core/words/word_cutter.h"
#include "run/file_reports.h"
#include "run/thread_run.h"
#include "run/threads_side_by_side.h"
#include "run/work_plan.h"

namespace tarvolen {

namespace {

// How often the calling thread looks at the progress and at a Cancel.
constexpr auto kPollInterval = std::chrono::milliseconds(50);

// A reader that waits in a read (an idle pipe) or an open (a FIFO without its writer)
// does not see a stop until the call returns. Once the crew stops, this signal, whose
// handler does nothing, is sent to every reader until all are done: without
// SA_RESTART the call returns EINTR, and the reader looks at the stop. It is ignored
// by default, so one that comes from elsewhere changes nothing.
constexpr int kWakeSignal = SIGURG;

extern "C" void OnWake(int) {}

class WakeSignal {
  public:
    WakeSignal() {
        struct sigaction action {};
        action.sa_handler = OnWake;
        sigemptyset(&action.sa_mask);
        ::sigaction(kWakeSignal, &action, &before_);
    }
    ~WakeSignal() { ::sigaction(kWakeSignal, &before_, nullptr); }
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

  private:
    struct sigaction before_ {};
};

// What all threads of one run share.
struct Crew {
    explicit Crew(const WorkPlan& work) : plan(work) {}
    const WorkPlan& plan;
    std::atomic<std::size_t> nextItem{0};
    std::atomic<bool> stop{false};
    std::atomic<int> running{0};
    std::mutex mutex;  // guards what follows
    std::condition_variable finished;
    std::string fileLine;  // the file a thread began last, for the progress line
    bool fileLineChanged = false;
};

// Keeps what a thread's reading says, tied to the file it is reading.
class KeptMessages : public MessagePort {
  public:
    explicit KeptMessages(const std::size_t& file) : file_(file) {}
    void ShowMessage(const std::string& text, MessageIcon icon) override {
        kept.push_back({file_, text, icon});
    }
    Answer Ask(const std::string& text, MessageButtons) override {
        ShowMessage(text, MessageIcon::Question);
        return Answer::Cancel;
    }
    std::vector<FileMessage> kept;

  private:
    const std::size_t& file_;
};

// A thread's progress: its bytes for the calling thread to show, and the crew's stop
// as a Cancel.
class ThreadProgress : public ProgressPort {
  public:
    ThreadProgress(const RunState& run, Crew& crew)
        : counting(&run.Store), run_(run), crew_(crew) {}
    void SetBounds(int, int) override {}
    int SetPosition(int) override { return 0; }
    bool CancelRequested() override {
        bytesRead.store(run_.BytesRead, std::memory_order_relaxed);
        words.store(std::max(words.load(std::memory_order_relaxed), counting->Count()),
                    std::memory_order_relaxed);
        return crew_.stop.load(std::memory_order_relaxed);
    }
    void SetFileLine(const std::string&) override {}
    void SetDetailLine(const std::string&) override {}
    void Close() override {}
    std::atomic<std::int64_t> bytesRead{0};
    std::atomic<std::int32_t> words{0};  // the most words the stores it counted into held
    const WordStore* counting;           // the store the words go to now

  private:
    const RunState& run_;
    Crew& crew_;
};

// One thread of the run: its own store, reader and report.
class Reader {
  public:
    using Ending = ThreadEnding;

    Reader(const RunState& model, const IngestState& modelState, const IngestHooks& hooks,
           Crew& crew)
        : crew_(crew),
          messages_(file_),
          run_(messages_, model.Store.Settings()),
          progress_(run_, crew),
          hooks_{progress_, messages_, {}},
          buffer_(hooks.bufferMemory) {
        ReadAsModel(model, modelState, hooks, run_, state_, hooks_);
        run_.MeasureSegments = model.MeasureSegments;
    }

    bool Ready() const { return buffer_.Valid(); }

    // Takes items until none is left or the crew stops.
    void Run() noexcept {
        try {
            TextDecoder decoder(run_.RunEncoding, run_.RunCodePage);
            setup_ = CutterSetupOf(run_);
            const SegmentsOfRun segments(run_, run_.Store);
            const std::unique_ptr<WordCutter> cutter =
                MakeDocumentCutter(setup_, ContextFor(run_.Store), state_.carry);
            for (std::size_t item = crew_.nextItem++; item < crew_.plan.items.size();
                 item = crew_.nextItem++)
                for (const FileShare& share : crew_.plan.items[item])
                    Read(share, {buffer_, decoder, *cutter});
        } catch (...) {
            ending = EndingOfCurrent(failure);
        }
        progress_.CancelRequested();  // the last bytes read
        if (ending != Ending::Normal)
            crew_.stop = true;
        const std::lock_guard lock(crew_.mutex);
        if (--crew_.running == 0)
            crew_.finished.notify_all();
    }

    RunState& run() { return run_; }
    std::int64_t BytesSoFar() const { return progress_.bytesRead.load(std::memory_order_relaxed); }
    std::int32_t WordsSoFar() const { return progress_.words.load(std::memory_order_relaxed); }

    Ending ending = Ending::Normal;
    std::exception_ptr failure;
    // The words of each divided file this thread read parts of, by file.
    std::map<std::size_t, std::unique_ptr<WordStore>> parts;
    // Under the measures, the segments of each part read, by file and first byte.
    std::map<std::pair<std::size_t, std::int64_t>, PartSegments> partSegments;
    std::set<std::size_t> filesRead;
    std::vector<FileNote> notText;
    std::vector<FileNote> unreadable;
    const std::vector<FileMessage>& Messages() const { return messages_.kept; }

  private:
    TokenizerContext ContextFor(WordStore& store) {
        return TokenizerContext{run_.Map, run_.MinWordLength, run_.QualifiedWords, store};
    }

    void Read(const FileShare& share, const FileReaders& readers) {
        file_ = share.file;
        const std::string& path = crew_.plan.files[share.file];
        {
            const std::lock_guard lock(crew_.mutex);
            crew_.fileLine = path;
            crew_.fileLineChanged = true;
        }
        if (progress_.CancelRequested())
            throw UserCancel{};
        const std::size_t notTextBefore = state_.skipped.notText.size();
        const std::size_t unreadableBefore = state_.skipped.unreadable.size();
        bool read = false;
        if (!crew_.plan.divided[share.file]) {
            progress_.counting = &run_.Store;
            read = IngestFile(run_, state_, hooks_, readers, path);
        } else {
            std::unique_ptr<WordStore>& store = parts[share.file];
            if (!store)
                store = std::make_unique<WordStore>(run_.Store.Settings());
            progress_.counting = store.get();
            const std::unique_ptr<WordCutter> cutter =
                MakeDocumentCutter(setup_, ContextFor(*store), state_.carry);
            const FilePart part{share.begin, share.end, crew_.plan.starts[share.file], {}};
            if (run_.MeasureSegments)
                store->BeginPart();
            read = IngestFile(run_, state_, hooks_, {readers.buffer, readers.decoder, *cutter},
                              path, &part);
            if (run_.MeasureSegments)
                partSegments[{share.file, share.begin}] = store->EndPart();
        }
        if (read)
            filesRead.insert(share.file);
        for (std::size_t i = notTextBefore; i < state_.skipped.notText.size(); ++i)
            notText.push_back({share.file, state_.skipped.notText[i]});
        for (std::size_t i = unreadableBefore; i < state_.skipped.unreadable.size(); ++i)
            unreadable.push_back({share.file, state_.skipped.unreadable[i]});
    }

    Crew& crew_;
    std::size_t file_ = 0;  // the file being read, which messages are tied to
    KeptMessages messages_;
    RunState run_;
    ThreadProgress progress_;
    IngestHooks hooks_;
    IngestState state_;
    ReadBuffer buffer_;
    CutterSetup setup_{};
};

// Until every reader is done: the bytes read on the progress line, and a Cancel handed
// to the readers.
void Watch(RunState& run, const IngestHooks& hooks, Crew& crew,
           const std::vector<std::unique_ptr<Reader>>& readers,
           std::vector<std::jthread>& threads) {
    std::unique_lock lock(crew.mutex);
    for (;;) {
        const bool fileLineChanged = std::exchange(crew.fileLineChanged, false);
        const std::string fileLine = crew.fileLine;
        lock.unlock();
        run.BytesRead = 0;
        for (const auto& reader : readers) {
            run.BytesRead += reader->BytesSoFar();
            run.ThreadWords = std::max(run.ThreadWords, reader->WordsSoFar());
        }
        if (fileLineChanged)
            hooks.progress.SetFileLine(fileLine);
        if (run.TotalBytes > 0)
            hooks.progress.SetPosition(static_cast<int>(
                std::min<std::int64_t>(run.BytesRead * 1000 / run.TotalBytes, 1000)));
        if (hooks.progress.CancelRequested())
            crew.stop = true;
        if (crew.stop)
            for (std::jthread& thread : threads)
                ::pthread_kill(thread.native_handle(), kWakeSignal);
        lock.lock();
        if (crew.running == 0)
            return;
        crew.finished.wait_for(lock, kPollInterval);
    }
}

// The readers' messages and skipped files, told and listed in the order of the files.
// True when a reader's store had no memory for a word: the run is short of words.
bool Report(const WorkPlan& plan, const std::vector<std::unique_ptr<Reader>>& readers,
            IngestState& state, const IngestHooks& hooks) {
    std::vector<FileMessage> messages;
    std::vector<FileNote> notText, unreadable;
    for (const auto& reader : readers) {
        messages.insert(messages.end(), reader->Messages().begin(), reader->Messages().end());
        notText.insert(notText.end(), reader->notText.begin(), reader->notText.end());
        unreadable.insert(unreadable.end(), reader->unreadable.begin(), reader->unreadable.end());
    }
    SortByFile(messages);
    SortByFile(notText);
    SortByFile(unreadable);
    // The store says it once when memory refuses it a word; so does the run.
    bool memoryTold = false;
    for (const FileMessage& message : messages) {
        if (message.text == kGrowthFailedText && std::exchange(memoryTold, true))
            continue;
        state.LastInputPath = plan.files[message.file];
        hooks.messages.ShowMessage(message.text, message.icon);
    }
    for (const FileNote& note : notText)
        state.skipped.notText.push_back(note.text);
    for (const FileNote& note : unreadable)
        state.skipped.unreadable.push_back(note.text);
    if (!plan.files.empty())
        state.LastInputPath = plan.files.back();
    return memoryTold;
}

}  // namespace

int DefaultJobs() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) != 0)
        return 1;
    return std::max(CPU_COUNT(&set), 1);
}

IngestResult IngestOverThreads(RunState& run, IngestState& state, const IngestHooks& hooks,
                               int threads, std::int64_t leastPart) {
    run.QualifiedWords = 0;
    hooks.progress.SetBounds(0, 1000);
    run.TotalBytes = 0;
    run.BytesRead = 0;
    run.StreamBytesRead = 0;
    std::string failure;
    if (!MeasureFiles(state.InputFiles, run.TotalBytes, failure, hooks.streams, state.scanned)) {
        AbandonBeforeReading(hooks, failure);
        return {};
    }
    if (!TextDecoder(run.RunEncoding, run.RunCodePage).Valid()) {
        AbandonBeforeReading(hooks, kUnknownEncodingText);
        return {};
    }
    const std::uint32_t startTick = hooks.ticks.Now();
    AdaptListToRun(run);
    const std::int32_t countBefore = run.Store.Count();

    const WorkPlan plan = PlanWork(run, {state.InputFiles.rbegin(), state.InputFiles.rend()},
                                   threads, leastPart, CountCutsAtBlankLines(run));
    Crew crew{plan};
    std::vector<std::unique_ptr<Reader>> readers;
    const auto count = static_cast<std::size_t>(
        std::clamp<std::size_t>(plan.items.size(), 1, static_cast<std::size_t>(threads)));
    for (std::size_t i = 0; i < count; ++i) {
        readers.push_back(std::make_unique<Reader>(run, state, hooks, crew));
        if (!readers.back()->Ready()) {
            AbandonBeforeReading(hooks, kNoReadBufferText);
            return {};
        }
    }
    const WakeSignal wake;
    std::vector<std::jthread> running;
    for (const auto& reader : readers) {
        crew.running++;
        try {
            running.emplace_back([&reader] { reader->Run(); });
        } catch (const std::system_error&) {
            // The system has no thread to spare: those started read everything.
            crew.running--;
            break;
        }
    }
    readers.resize(running.size());
    if (readers.empty()) {
        EndRun(run, hooks, countBefore);
        throw std::bad_alloc();
    }
    Watch(run, hooks, crew, readers, running);
    running.clear();
    run.ThreadWords = 0;

    bool cancelled = false;
    for (const auto& reader : readers) {
        if (reader->ending == Reader::Ending::Failed) {
            EndRun(run, hooks, countBefore);
            std::rethrow_exception(reader->failure);
        }
        if (reader->ending == Reader::Ending::OutOfMemory) {
            EndRun(run, hooks, countBefore);
            throw std::bad_alloc();
        }
        cancelled = cancelled || reader->ending == Reader::Ending::Cancelled;
    }
    if (cancelled) {
        EndRun(run, hooks, countBefore);
        throw UserCancel{};
    }

    StoresToMerge stores;
    std::map<std::size_t, std::vector<WordStore*>> divided;
    // The parts of each divided file in the order of the file.
    std::map<std::size_t, std::vector<const PartSegments*>> partsInOrder;
    std::map<std::pair<std::size_t, std::int64_t>, const PartSegments*> partSegments;
    IngestSummary summary;
    std::set<std::size_t> filesRead;
    run.BytesRead = 0;
    for (const auto& reader : readers) {
        stores.counted.push_back(&reader->run().Store);
        for (auto& [file, store] : reader->parts)
            divided[file].push_back(store.get());
        filesRead.insert(reader->filesRead.begin(), reader->filesRead.end());
        run.BytesRead += reader->run().BytesRead;
        run.StreamBytesRead += reader->run().StreamBytesRead;
        run.QualifiedWords += reader->run().QualifiedWords;
        run.Segments.Add(reader->run().Segments);
        for (const auto& [where, part] : reader->partSegments)
            partSegments[where] = &part;
    }
    for (const auto& [where, part] : partSegments)
        partsInOrder[where.first].push_back(part);
    for (const auto& [file, parts] : partsInOrder)
        run.Segments.Add(JoinParts(parts));
    // In the order of the files, so that the documents are those of one thread's run.
    for (auto& [file, parts] : divided)
        stores.shared.push_back(std::move(parts));
    // A list that is short of words is not written; the words counted are not merged
    // either, so that memory is not asked for again and refused a second time.
    if (!Report(plan, readers, state, hooks)) {
        ThreadsSideBySide side(readers.size());
        MergeStores(run.Store, stores, side);
    }
    const std::int32_t countAfter = run.Store.Count();
    EndRun(run, hooks, countBefore);

    IngestResult result;
    result.Outcome = IngestOutcome::Completed;
    summary.BytesRead = run.BytesRead;
    summary.QualifiedWords = run.QualifiedWords;
    summary.WordsAdded = countAfter - countBefore;
    summary.Milliseconds = hooks.ticks.Now() - startTick;
    summary.FilesRead = static_cast<std::int64_t>(filesRead.size());
    result.Summary = summary;
    hooks.messages.ShowMessage(DescribeIngestRun(summary, state.skipped), MessageIcon::Information);
    return result;
}

}  // namespace tarvolen
