#include "mpi/share_count.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <optional>

#include "core/decode/binary_sniff.h"
#include "core/ingest/cutter_setup.h"
#include "core/ingest/store_reports.h"
#include "core/input/input_file.h"
#include "core/input/read_buffer.h"
#include "core/markup/markup_reader.h"
#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/ports/user_cancel.h"
#include "core/words/tokenizer.h"
#include "core/words/word_cutter.h"
#include "core/workspace.h"
#include "mpi/byte_packing.h"

namespace tarvolen {

namespace {

// The file each step of the reading is at: IngestFiles names every file on the
// progress window before it reads it, in the order of its list.
class FileTracker : public ProgressPort {
  public:
    FileTracker(ProgressPort& shown, const SkippedFiles& skipped)
        : shown_(shown), skipped_(skipped) {}

    // The ordinal of the file being read in the share (0: none yet).
    std::size_t current() const { return marks_.size(); }
    // Which file of the share the skipped entry at the index of its list belongs to.
    std::size_t FileOfNotText(std::size_t index) const { return FileOf(index, 0); }
    std::size_t FileOfUnreadable(std::size_t index) const { return FileOf(index, 1); }

    void SetBounds(int lower, int upper) override { shown_.SetBounds(lower, upper); }
    int SetPosition(int position) override { return shown_.SetPosition(position); }
    bool CancelRequested() override { return shown_.CancelRequested(); }
    void SetFileLine(const std::string& text) override {
        marks_.push_back({skipped_.notText.size(), skipped_.unreadable.size()});
        shown_.SetFileLine(text);
    }
    void SetDetailLine(const std::string& text) override { shown_.SetDetailLine(text); }
    void Close() override { shown_.Close(); }

  private:
    std::size_t FileOf(std::size_t index, int list) const {
        // The last file that began with fewer entries on the list than index + 1.
        std::size_t file = 0;
        while (file < marks_.size() && marks_[file][list] <= index)
            ++file;
        return file;
    }

    ProgressPort& shown_;
    const SkippedFiles& skipped_;
    std::vector<std::array<std::size_t, 2>> marks_;
};

// Keeps what the reading says for the first process to say, once, in the order of
// the files; the summary it makes of all the shares instead of each share's own.
class KeptMessages : public MessagePort {
  public:
    KeptMessages(const FileTracker& tracker, const std::vector<std::uint64_t>& files,
                 std::vector<FileMessage>& into)
        : tracker_(tracker), files_(files), into_(into) {}

    void ShowMessage(const std::string& text, MessageIcon icon) override {
        if (icon == MessageIcon::Information)
            return;
        const std::size_t at = tracker_.current();
        into_.push_back({at == 0 ? 0 : files_[at - 1], text, icon});
    }
    Answer Ask(const std::string& text, MessageButtons) override {
        ShowMessage(text, MessageIcon::Question);
        return Answer::Cancel;
    }

  private:
    const FileTracker& tracker_;
    const std::vector<std::uint64_t>& files_;
    std::vector<FileMessage>& into_;
};

// This process's shares of a job, the dealt files aside: the files it reads whole and
// its parts of the files divided among processes.
struct OwnShares {
    std::vector<std::uint64_t> whole;  // in the order of the job
    std::vector<const FileShare*> parts;
};

OwnShares OwnSharesOf(const CountJob& job, int rank, const std::vector<std::size_t>& dividedFiles) {
    const std::vector<bool> dealt = job.DealtMask();
    OwnShares own;
    for (const FileShare& share : job.shares) {
        if (share.process != rank || dealt[share.file])
            continue;
        if (std::binary_search(dividedFiles.begin(), dividedFiles.end(), share.file))
            own.parts.push_back(&share);
        else
            own.whole.push_back(share.file);
    }
    return own;
}

// One process's reading of its share: the files it reads whole, with the same ingestion
// run as the command line, then its parts of divided files, each into the store of its
// file, then the files dealt to it. What the reading says goes to the report, tied to
// the files in the order they are begun.
class ShareReading {
  public:
    ShareReading(Workspace& workspace, const CountJob& job, int rank, ProgressPort& progress,
                 const IngestHooks& model, ShareReport& report)
        : workspace_(workspace),
          job_(job),
          storeMessages_(model.messages),
          report_(report),
          dividedFiles_(DividedFiles(job.shares)),
          own_(OwnSharesOf(job, rank, dividedFiles_)),
          order_(own_.whole),
          // The parts are cut as IngestFiles cuts the files: by the list as the run
          // found it.
          setup_(CutterSetupOf(workspace)),
          tracker_(progress, state_.skipped),
          messages_(tracker_, order_, report.messages),
          hooks_{tracker_, messages_, {}} {
        state_.scanned = job.scanned;
        state_.named.insert(job.named.begin(), job.named.end());
        for (auto file = own_.whole.rbegin(); file != own_.whole.rend(); ++file)
            state_.InputFiles.push_back(job.files[*file]);
        hooks_.streams = model.streams;
    }

    std::size_t DividedFileCount() const { return dividedFiles_.size(); }

    IngestOutcome ReadWholeFiles() { return IngestFiles(workspace_, state_, hooks_).Outcome; }

    // What the share holds beyond its whole files, read through one buffer and decoder
    // as IngestFiles reads its files.
    void ReadRest(DividedCounts& divided, const NextDealt& nextDealt) {
        // The bytes this process reads from here on are known only as it reads them;
        // the job's bytes bound them, and keep the progress moving.
        for (const FileShare& share : job_.shares)
            workspace_.TotalBytes += share.end - share.begin;
        ReadBuffer buffer(hooks_.bufferMemory);
        if (!buffer.Valid())
            throw std::bad_alloc();
        TextDecoder decoder(workspace_.RunEncoding, workspace_.RunCodePage);
        ReadDividedParts(buffer, decoder, divided);
        ReadDealt(buffer, decoder, nextDealt);
    }

    // The report's skipped lists, each path tied to the file being read when it was
    // skipped (the scan's folders, before any file, to the first).
    void ListSkipped() {
        const SkippedFiles& skipped = state_.skipped;
        for (std::size_t i = 0; i < skipped.notText.size(); ++i)
            report_.notText.push_back({order_[tracker_.FileOfNotText(i) - 1], skipped.notText[i]});
        for (std::size_t i = 0; i < skipped.unreadable.size(); ++i) {
            const std::size_t file = tracker_.FileOfUnreadable(i);
            report_.unreadable.push_back({file == 0 ? 0 : order_[file - 1], skipped.unreadable[i]});
        }
    }

  private:
    void ReadDividedParts(ReadBuffer& buffer, TextDecoder& decoder, DividedCounts& divided) {
        for (const FileShare* share : own_.parts) {
            const auto ordinal = static_cast<std::size_t>(
                std::lower_bound(dividedFiles_.begin(), dividedFiles_.end(), share->file) -
                dividedFiles_.begin());
            std::unique_ptr<WordStore>& store = divided[ordinal];
            if (!store)
                store = std::make_unique<WordStore>(ReportingStoreOptions(storeMessages_));
            order_.push_back(share->file);
            tracker_.SetFileLine(job_.files[share->file]);
            const std::unique_ptr<WordCutter> cutter =
                MakeDocumentCutter(setup_, ContextFor(*store), state_.carry);
            ReadPart(*share, {buffer, decoder, *cutter}, *store);
        }
    }

    // The rest of the run, as IngestFiles reads its files.
    void ReadDealt(ReadBuffer& buffer, TextDecoder& decoder, const NextDealt& nextDealt) {
        const SegmentsOfRun segments(workspace_, workspace_.Store);
        const std::unique_ptr<WordCutter> cutter =
            MakeDocumentCutter(setup_, ContextFor(workspace_.Store), state_.carry);
        const FileReaders readers{buffer, decoder, *cutter};
        // The file dealt in parts is one document however many processes read parts
        // of it, and the last of each: the exchange counts it once in the ranges.
        bool inSharedDocument = false;
        for (std::vector<FileShare> batch = nextDealt(); !batch.empty(); batch = nextDealt())
            for (const FileShare& share : batch) {
                order_.push_back(share.file);
                tracker_.SetFileLine(job_.files[share.file]);
                if (tracker_.CancelRequested())
                    throw UserCancel{};
                if (share.file != job_.dealtInParts) {
                    IngestFile(workspace_, state_, hooks_, readers, job_.files[share.file]);
                    continue;
                }
                if (!inSharedDocument)
                    workspace_.Store.BeginDocument();
                inSharedDocument = true;
                ReadPart(share, readers, workspace_.Store);
            }
        if (!inSharedDocument)
            workspace_.Store.BeginDocument();
    }

    // A part counted into store, its segments reported under the measures.
    void ReadPart(const FileShare& share, const FileReaders& readers, WordStore& store) {
        const std::string& path = job_.files[share.file];
        const FilePart part{share.begin, share.end, job_.starts[share.file], {}};
        if (!workspace_.MeasureSegments) {
            IngestFile(workspace_, state_, hooks_, readers, path, &part);
            return;
        }
        store.BeginPart();
        try {
            IngestFile(workspace_, state_, hooks_, readers, path, &part);
        } catch (...) {
            store.EndPart();  // the workspace's store goes on counting as before
            throw;
        }
        report_.parts.push_back({share.file, share.begin, store.EndPart()});
    }

    TokenizerContext ContextFor(WordStore& store) {
        return TokenizerContext{workspace_.Map, workspace_.MinWordLength, workspace_.QualifiedWords,
                                store};
    }

    Workspace& workspace_;
    const CountJob& job_;
    MessagePort& storeMessages_;  // the run's own, which the stores of divided files tell
    ShareReport& report_;
    const std::vector<std::size_t> dividedFiles_;
    const OwnShares own_;
    // The files in the order they are begun, which the kept messages and the skipped
    // lists are told by.
    std::vector<std::uint64_t> order_;
    IngestState state_;
    const CutterSetup setup_;
    FileTracker tracker_;
    KeptMessages messages_;
    IngestHooks hooks_;
};

template <typename Item>
void AppendInFileOrder(std::vector<Item>& into, const std::vector<Item>& items) {
    into.insert(into.end(), items.begin(), items.end());
}

}  // namespace

// The fields of each message between the processes, for both directions.
void Fields(auto& walk, MessageOf<FileShare> auto& share) {
    walk(share.file, share.begin, share.end, share.process);
}

void Fields(auto& walk, MessageOf<FileMessage> auto& message) {
    walk(message.file, message.text, message.icon);
}

void Fields(auto& walk, MessageOf<FileNote> auto& note) {
    walk(note.file, note.text);
}

void Fields(auto& walk, MessageOf<CountJob> auto& job) {
    walk(job.scanned, job.named, job.listHeld, job.listCodePage, job.watched);
    walk.Pairs(job.files, job.starts);
    walk(job.shares, job.dealt, job.dealtInParts);
}

void Fields(auto& walk, MessageOf<PartSegments::Kept> auto& kept) {
    walk(kept.text, kept.position, kept.gap);
}

void Fields(auto& walk, MessageOf<PartSegments> auto& part) {
    walk(part.entries, part.inner, part.kept);
}

void Fields(auto& walk, MessageOf<ShareReport::Part> auto& part) {
    walk(part.file, part.begin, part.segments);
}

void Fields(auto& walk, MessageOf<ShareReport> auto& report) {
    walk(report.outcome, report.ending, report.bytesRead, report.qualifiedWords,
         report.segments.segments, report.segments.distinct, report.parts, report.messages,
         report.notText, report.unreadable);
}

std::string CountJob::Pack() const {
    return PackMessage(*this);
}

CountJob CountJob::Unpack(std::string_view bytes) {
    return UnpackMessage<CountJob>(bytes);
}

std::vector<bool> CountJob::DealtMask() const {
    std::vector<bool> mask(files.size(), false);
    for (std::size_t file : dealt)
        mask[file] = true;
    return mask;
}

std::string ShareReport::Pack() const {
    return PackMessage(*this);
}

ShareReport ShareReport::Unpack(std::string_view bytes) {
    return UnpackMessage<ShareReport>(bytes);
}

ShareReport ShareReport::Combine(const std::vector<ShareReport>& reports) {
    ShareReport all;
    for (const ShareReport& report : reports) {
        // A share that could not begin leaves the whole run unread, as one file
        // that cannot be measured leaves the command line's.
        if (report.outcome == IngestOutcome::Abandoned)
            all.outcome = IngestOutcome::Abandoned;
        all.ending = std::max(all.ending, report.ending);
        all.bytesRead += report.bytesRead;
        all.qualifiedWords += report.qualifiedWords;
        all.segments.Add(report.segments);
        all.parts.insert(all.parts.end(), report.parts.begin(), report.parts.end());
        AppendInFileOrder(all.messages, report.messages);
        AppendInFileOrder(all.notText, report.notText);
        AppendInFileOrder(all.unreadable, report.unreadable);
    }
    SortByFile(all.messages);
    SortByFile(all.notText);
    SortByFile(all.unreadable);
    // Each file's parts joined in the order of its bytes.
    std::ranges::sort(all.parts, {},
                      [](const Part& part) { return std::pair(part.file, part.begin); });
    for (auto part = all.parts.begin(); part != all.parts.end();) {
        std::vector<const PartSegments*> inOrder;
        const std::uint64_t file = part->file;
        for (; part != all.parts.end() && part->file == file; ++part)
            inOrder.push_back(&part->segments);
        all.segments.Add(JoinParts(inOrder));
    }
    return all;
}

ShareReport CountShare(Workspace& workspace, const CountJob& job, int rank, ProgressPort& progress,
                       const IngestHooks& model, DividedCounts& divided,
                       const NextDealt& nextDealt) {
    if (rank != 0 && job.listHeld) {
        workspace.ListCodePage = job.listCodePage;
        workspace.ListHeldElsewhere = true;
    }
    ShareReport report;
    // The workspace's segments go on from those of earlier runs; the report has this one's.
    const SegmentFigures segmentsBefore = workspace.Segments;
    workspace.Segments = {};
    ShareReading reading(workspace, job, rank, progress, model, report);
    divided.clear();
    divided.resize(reading.DividedFileCount());
    try {
        report.outcome = reading.ReadWholeFiles();
        if (report.outcome != IngestOutcome::Abandoned)
            reading.ReadRest(divided, nextDealt);
    } catch (const UserCancel&) {
        report.ending = ShareReport::Ending::Cancelled;
    } catch (const std::bad_alloc&) {
        report.ending = ShareReport::Ending::OutOfMemory;
    }
    report.bytesRead = workspace.BytesRead;
    report.qualifiedWords = workspace.QualifiedWords;
    report.segments = workspace.Segments;
    workspace.Segments = segmentsBefore;
    reading.ListSkipped();
    return report;
}

}  // namespace tarvolen
