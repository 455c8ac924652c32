#include "mpi/share_count.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "core/util/messages.h"
#include "core/util/progress.h"
#include "core/util/user_cancel.h"
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

void PackNotes(BytePacker& out, const std::vector<FileNote>& notes) {
    out.Put(static_cast<std::uint64_t>(notes.size()));
    for (const FileNote& note : notes) {
        out.Put(note.file);
        out.PutText(note.text);
    }
}

std::vector<FileNote> UnpackNotes(ByteUnpacker& in) {
    std::vector<FileNote> notes(in.Get<std::uint64_t>());
    for (FileNote& note : notes) {
        note.file = in.Get<std::uint64_t>();
        note.text = in.GetText();
    }
    return notes;
}

template <typename Item>
void AppendInFileOrder(std::vector<Item>& into, const std::vector<Item>& items) {
    into.insert(into.end(), items.begin(), items.end());
}

template <typename Item>
void SortByFile(std::vector<Item>& items) {
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return a.file < b.file; });
}

}  // namespace

std::string CountJob::Pack() const {
    std::string bytes;
    BytePacker out(bytes);
    out.Put(scanned);
    out.Put(listHeld);
    out.Put(listCodePage);
    out.Put(watched);
    out.Put(static_cast<std::uint64_t>(files.size()));
    for (std::size_t i = 0; i < files.size(); ++i) {
        out.PutText(files[i]);
        out.Put(reader[i]);
    }
    return bytes;
}

CountJob CountJob::Unpack(std::string_view bytes) {
    ByteUnpacker in(bytes);
    CountJob job;
    job.scanned = in.Get<bool>();
    job.listHeld = in.Get<bool>();
    job.listCodePage = in.Get<CodePage>();
    job.watched = in.Get<bool>();
    const auto count = in.Get<std::uint64_t>();
    for (std::uint64_t i = 0; i < count; ++i) {
        job.files.emplace_back(in.GetText());
        job.reader.push_back(in.Get<int>());
    }
    return job;
}

std::string ShareReport::Pack() const {
    std::string bytes;
    BytePacker out(bytes);
    out.Put(outcome);
    out.Put(ending);
    out.Put(bytesRead);
    out.Put(qualifiedWords);
    out.Put(static_cast<std::uint64_t>(messages.size()));
    for (const FileMessage& message : messages) {
        out.Put(message.file);
        out.PutText(message.text);
        out.Put(message.icon);
    }
    PackNotes(out, notText);
    PackNotes(out, unreadable);
    return bytes;
}

ShareReport ShareReport::Unpack(std::string_view bytes) {
    ByteUnpacker in(bytes);
    ShareReport report;
    report.outcome = in.Get<IngestOutcome>();
    report.ending = in.Get<Ending>();
    report.bytesRead = in.Get<std::int64_t>();
    report.qualifiedWords = in.Get<std::int64_t>();
    report.messages.resize(in.Get<std::uint64_t>());
    for (FileMessage& message : report.messages) {
        message.file = in.Get<std::uint64_t>();
        message.text = in.GetText();
        message.icon = in.Get<MessageIcon>();
    }
    report.notText = UnpackNotes(in);
    report.unreadable = UnpackNotes(in);
    return report;
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
        AppendInFileOrder(all.messages, report.messages);
        AppendInFileOrder(all.notText, report.notText);
        AppendInFileOrder(all.unreadable, report.unreadable);
    }
    SortByFile(all.messages);
    SortByFile(all.notText);
    SortByFile(all.unreadable);
    return all;
}

ShareReport CountShare(Workspace& workspace, const CountJob& job, int rank, ProgressPort& progress,
                       const IngestHooks& model) {
    std::vector<std::uint64_t> mine;
    for (std::size_t i = 0; i < job.files.size(); ++i)
        if (job.reader[i] == rank)
            mine.push_back(i);
    IngestState state;
    state.scanned = job.scanned;
    for (auto file = mine.rbegin(); file != mine.rend(); ++file)
        state.InputFiles.push_back(job.files[*file]);
    if (rank != 0 && job.listHeld) {
        workspace.ListCodePage = job.listCodePage;
        workspace.Store.AddOccurrences(kSeedWord, std::strlen(kSeedWord), 1, 1);
    }

    ShareReport report;
    FileTracker tracker(progress, state.skipped);
    KeptMessages messages(tracker, mine, report.messages);
    IngestHooks hooks{tracker, messages, {}};
    hooks.streams = model.streams;
    try {
        report.outcome = IngestFiles(workspace, state, hooks).Outcome;
    } catch (const UserCancel&) {
        report.ending = ShareReport::Ending::Cancelled;
    } catch (const std::bad_alloc&) {
        report.ending = ShareReport::Ending::OutOfMemory;
    }
    report.bytesRead = workspace.BytesRead;
    report.qualifiedWords = workspace.QualifiedWords;
    for (std::size_t i = 0; i < state.skipped.notText.size(); ++i)
        report.notText.push_back({mine[tracker.FileOfNotText(i) - 1], state.skipped.notText[i]});
    for (std::size_t i = 0; i < state.skipped.unreadable.size(); ++i) {
        const std::size_t file = tracker.FileOfUnreadable(i);
        report.unreadable.push_back({file == 0 ? 0 : mine[file - 1], state.skipped.unreadable[i]});
    }
    return report;
}

}  // namespace tarvolen
