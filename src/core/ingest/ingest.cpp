#include "core/ingest/ingest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include "core/decode/text_decoder.h"
#include "core/ingest/cutter_setup.h"
#include "core/ingest/document_text.h"
#include "core/ingest/file_parts.h"
#include "core/ingest/list_encoding.h"
#include "core/ingest/run_state.h"
#include "core/input/input_file.h"
#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/ports/user_cancel.h"
#include "core/text/format_count.h"
#include "core/words/blob.h"
#include "core/words/tokenizer.h"
#include "core/words/word_cutter.h"

namespace tarvolen {

namespace {

TokenizerContext ContextOf(RunState& run) {
    return TokenizerContext{run.Map, run.MinWordLength, run.QualifiedWords, run.Store};
}

// A byte that ends a word under every rule: ASCII that is neither a letter, a digit,
// an apostrophe nor a hyphen. Bytes of other characters may go on with a word.
bool EndsEveryWord(unsigned char byte) {
    const unsigned lower = byte | 0x20u;
    return byte < 0x80 && !(lower >= 'a' && lower <= 'z') && !(byte >= '0' && byte <= '9') &&
           byte != '\'' && byte != '-';
}

// The file's measured end fell inside a word and the file has grown since: the word
// runs on, and is read to its own end so that only whole words are counted. True when
// it did run on (the file's growth was then left unread).
bool ReadRunOnWord(int fd, std::int64_t size, unsigned char* bytes, DocumentText& document,
                   WordCutter& cutter, const IngestHooks& hooks) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || status.st_size <= size)
        return false;
    bool ranOn = false;
    for (;;) {
        const ssize_t n = ReadChunk(fd, bytes, hooks.readSeam);
        if (n <= 0)
            return ranOn;
        const std::span<unsigned char> text =
            document.Read(bytes, static_cast<std::size_t>(n), false);
        std::size_t length = 0;
        while (length < text.size() && !EndsEveryWord(text[length]))
            ++length;
        if (length > 0) {
            ranOn = true;
            cutter.Cut(text.first(length));
        }
        if (length < text.size())
            return ranOn;
    }
}

// A part's end cut the rows of words in a row that run on into the next part: the
// bytes after it are read, a few kilobytes and then more at a time, only until no row
// that began before the cut can give an entry (WordCutter::CarryPastCut). Those bytes
// are the next part's to count and report: a read that fails here ends the rows, and
// the next part tells of the failure.
void ReadPastCut(int fd, unsigned char* bytes, DocumentText& document, WordCutter& cutter,
                 const IngestHooks& hooks) {
    cutter.CarryPastCut();
    std::size_t wanted = 4096;
    while (cutter.CarriesRows()) {
        const ssize_t n = ReadChunk(fd, bytes, hooks.readSeam, {}, wanted);
        if (n <= 0)
            return;
        const bool last = static_cast<std::size_t>(n) < wanted;
        const std::span<unsigned char> text =
            document.Read(bytes, static_cast<std::size_t>(n), last);
        if (!text.empty())
            cutter.Cut(text);
        if (last)
            return;
        wanted = std::min<std::size_t>(wanted * 4, kChunkSize);
    }
}

}  // namespace

void AbandonBeforeReading(const IngestHooks& hooks, const std::string& text) {
    hooks.progress.Close();
    hooks.messages.ShowMessage(text, MessageIcon::Stop);
}

void EndRun(RunState& run, const IngestHooks& hooks, std::int32_t countBefore) {
    const std::int32_t countAfter = run.Store.Count();
    if (countAfter > countBefore)
        run.ListUnsaved = true;
    // A list that was empty before the run holds words of the run's code page now.
    if (countBefore == 0 && countAfter > 0)
        run.ListCodePage = run.RunCodePage;
    hooks.progress.Close();
    if (hooks.refreshStatusLine)
        hooks.refreshStatusLine();
}

std::string FormatStoppedLine(std::int64_t filesRead, std::int32_t wordsAdded) {
    return FormatText(
        "Stopped: the list keeps the words of the %s %s read before the stop (%s words added)",
        FormatCount64(filesRead, ',').c_str(), filesRead == 1 ? "file" : "files",
        FormatCount(wordsAdded, ',').c_str());
}

std::string FormatIngestSummary(const IngestSummary& summary) {
    std::int64_t kilobytes = (summary.BytesRead + 1023) / 1024;
    return FormatText(
        "%s Kb processed\r\n%s total qualified words\r\n%s words added\r\n%s milliseconds spent",
        FormatCount64(kilobytes, ',').c_str(), FormatCount64(summary.QualifiedWords, ',').c_str(),
        FormatCount(summary.WordsAdded, ',').c_str(),
        FormatCount(static_cast<std::int32_t>(summary.Milliseconds), ',').c_str());
}

std::string DescribeIngestRun(const IngestSummary& summary, const SkippedFiles& skipped) {
    std::string text = FormatIngestSummary(summary) +
                       FormatText("\r\n%s %s read", FormatCount64(summary.FilesRead, ',').c_str(),
                                  summary.FilesRead == 1 ? "file" : "files");
    const std::string lines = DescribeSkipped(skipped);
    if (!lines.empty())
        text += "\r\n" + lines.substr(0, lines.size() - 2);
    return text;
}

void ShowWorkingCount(const RunState& run, ProgressPort& progress, const std::string& text) {
    progress.SetDetailLine(FormatText("%s words in the list; %s",
                                      FormatCount(run.Store.Count(), ',').c_str(), text.c_str()));
}

namespace {

// An opened file as its chunks are read: where the reading is, and where it ends.
struct FileReading {
    int fd;
    FileFacts facts;
    std::int64_t readFromFile;
    bool wholeFile;  // not a part: the file is a document of its own
};

// The detail line, the bar and a Cancel, before each read.
void ShowReading(RunState& run, const IngestHooks& hooks) {
    // Ticks are compared by difference, so the 32-bit wrap cannot freeze the line.
    std::uint32_t tick = hooks.ticks.Now();
    if (static_cast<std::uint32_t>(tick - run.LastWorkingTick) > kWorkingCountInterval) {
        run.LastWorkingTick = tick;
        ShowWorkingCount(run, hooks.progress, kWorkingText);
    }
    // A file that grew after the sizes were taken would carry the bar past its end.
    if (run.TotalBytes > 0)
        hooks.progress.SetPosition(static_cast<int>(std::min<std::int64_t>(
            (run.BytesRead - run.StreamBytesRead) * 1000 / run.TotalBytes, 1000)));
    if (hooks.progress.CancelRequested())
        throw UserCancel{};
}

// Reads the file chunk by chunk from where reading is to its measured size (a stream
// to its end), through the document into the cutter. False when the first chunk
// shows that the file is no text.
bool ReadChunks(RunState& run, const IngestHooks& hooks, const FileReaders& readers,
                DocumentText& document, FileReading& reading) {
    const FileFacts& facts = reading.facts;
    std::int64_t& readFromFile = reading.readFromFile;
    WordCutter& cutter = readers.cutter;
    ::posix_fadvise(reading.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    unsigned char* bytes = readers.buffer.Data();
    bool ended = false;
    while (facts.unbounded ? !ended : readFromFile < facts.size) {
        ShowReading(run, hooks);
        // A file that shrank, or that can no longer be read, ends here with what it
        // gave so far: waiting for its recorded size would never end. Either way part
        // of it was not read, and the person is told so, once. Only a stream's end
        // comes without a size to fall short of. A file that grows meanwhile is read
        // up to the size it had, which the bar went by.
        const StopAsked stopAsked = [&hooks] { return hooks.progress.CancelRequested(); };
        ssize_t n = facts.unbounded ? ReadFullChunk(reading.fd, bytes, hooks.readSeam, stopAsked)
                                    : ReadChunk(reading.fd, bytes, hooks.readSeam, stopAsked,
                                                static_cast<std::size_t>(std::min<std::int64_t>(
                                                    kChunkSize, facts.size - readFromFile)));
        if (n < 0 || (n == 0 && !facts.unbounded))
            hooks.messages.ShowMessage(kUnableToReadText, MessageIcon::Warning);
        // A stream that ended on a whole chunk: what the decoder still holds (a letter
        // that waited for a combining mark, a cut sequence) ends the file.
        if (n == 0 && facts.unbounded && readFromFile > 0)
            cutter.Cut(document.Read(bytes, 0, true));
        if (n <= 0)
            break;
        if (readFromFile == 0) {
            if (!document.Accept(bytes, static_cast<std::size_t>(n)))
                return false;
            // Every file read is one document of the words' ranges.
            if (reading.wholeFile)
                run.Store.BeginDocument();
        }
        readFromFile += n;
        run.BytesRead += n;
        if (facts.unbounded)
            run.StreamBytesRead += n;
        // A short chunk of a stream is its last. One that ends exactly on a full chunk
        // is followed by an empty read, which hands the decoder the end.
        ended = facts.unbounded ? n < static_cast<ssize_t>(kChunkSize) : readFromFile >= facts.size;
        // A chunk that only completed a held sequence may decode to nothing, and an
        // empty chunk would end the word in the carry.
        const std::span<unsigned char> text =
            document.Read(bytes, static_cast<std::size_t>(n), ended);
        if (!text.empty())
            cutter.Cut(text);
    }
    if (!facts.unbounded && readFromFile >= facts.size && cutter.InWord() &&
        ReadRunOnWord(reading.fd, facts.size, bytes, document, cutter, hooks)) {
        hooks.messages.ShowMessage(kUnableToReadText, MessageIcon::Warning);
    }
    return true;
}

}  // namespace

bool IngestFile(RunState& run, IngestState& state, const IngestHooks& hooks,
                const FileReaders& readers, const std::string& path, const FilePart* part) {
    state.LastInputPath = path;
    // What the walk found is opened without waiting, whatever it has become since.
    const bool found = state.scanned && !state.named.contains(path);
    FileHandle file(path, found ? Streams::Ignored : hooks.streams);
    const int openError = errno;
    // A FIFO waits in its open for a writer, until a signal ends the wait.
    if (!file.IsOpen() && openError == EINTR && hooks.progress.CancelRequested())
        throw UserCancel{};
    FileFacts facts;
    if (file.IsOpen())
        facts = Examine(file);
    if (!file.IsOpen() && state.scanned) {
        state.skipped.unreadable.push_back(path + ": " + std::strerror(openError));
        return false;
    }
    if (found && !facts.isRegular) {
        state.skipped.unreadable.push_back(path + ": " + kNotRegularText);
        return false;
    }
    if (!file.IsOpen() || facts.isDirectory) {
        hooks.messages.ShowMessage(kUnableToOpenText, MessageIcon::Warning);
        return false;
    }

    state.carry.clear();
    FileReading reading{file.Descriptor(), facts, 0, part == nullptr};
    if (part != nullptr) {
        // The part's size is the one the file was shared out by: a file that shrank
        // since then falls short of it, as a whole file falls short of its own.
        reading.facts.size = part->end;
        reading.readFromFile = part->begin;
        if (::lseek(file.Descriptor(), part->begin, SEEK_SET) < 0) {
            hooks.messages.ShowMessage(kUnableToReadText, MessageIcon::Warning);
            reading.facts.size = reading.readFromFile;
        }
    }
    // What Automatic decided for the whole file: the part's own answer, else that of the
    // file's first chunk to decide.
    std::function<bool()> decideUtf8;
    if (part != nullptr)
        decideUtf8 =
            part->decideUtf8 ? part->decideUtf8 : [path] { return FirstHighChunkIsUtf8(path); };
    if (reading.readFromFile > 0)
        readers.decoder.StartPart(part->start, decideUtf8);
    else
        readers.decoder.StartFile(decideUtf8);
    DocumentText document(path, run.Add.Documents, readers.decoder, run.RunEncoding,
                          run.RunCodePage);
    bool accepted = true;
    if (reading.facts.size > reading.readFromFile || reading.facts.unbounded) {
        accepted = ReadChunks(run, hooks, readers, document, reading);
        if (!accepted)
            state.skipped.notText.push_back(path);
        else if (part != nullptr && reading.readFromFile == part->end && !readers.cutter.InWord())
            ReadPastCut(file.Descriptor(), readers.buffer.Data(), document, readers.cutter, hooks);
    }
    // An empty file, or one that gave nothing to read, is a document all the same.
    if (reading.readFromFile == 0 && accepted && reading.wholeFile)
        run.Store.BeginDocument();
    readers.cutter.EndText();
    return accepted;
}

IngestResult IngestFiles(RunState& run, IngestState& state, const IngestHooks& hooks) {
    run.QualifiedWords = 0;
    hooks.progress.SetBounds(0, 1000);
    run.TotalBytes = 0;
    run.BytesRead = 0;

    static_assert(ReadBuffer::kFrontRoom >= kDocumentFrontRoom);
    ReadBuffer buffer(hooks.bufferMemory);
    if (!buffer.Valid()) {
        AbandonBeforeReading(hooks, kNoReadBufferText);
        return {};
    }
    std::string failure;
    if (!MeasureFiles(state.InputFiles, run.TotalBytes, failure, hooks.streams, state.scanned)) {
        AbandonBeforeReading(hooks, failure);
        return {};
    }

    TextDecoder decoder(run.RunEncoding, run.RunCodePage);
    if (!decoder.Valid()) {
        AbandonBeforeReading(hooks, kUnknownEncodingText);
        return {};
    }

    const std::uint32_t startTick = hooks.ticks.Now();
    AdaptListToRun(run);
    const std::int32_t countBefore = run.Store.Count();
    const SegmentsOfRun segments(run, run.Store);
    const std::unique_ptr<WordCutter> cutter =
        MakeDocumentCutter(CutterSetupOf(run), ContextOf(run), state.carry);
    run.BytesRead = 0;
    run.StreamBytesRead = 0;
    IngestResult result;
    result.Outcome = IngestOutcome::Completed;
    std::int64_t filesRead = 0;
    try {
        for (auto path = state.InputFiles.rbegin(); path != state.InputFiles.rend(); ++path) {
            hooks.progress.SetFileLine(*path);
            if (hooks.progress.CancelRequested()) {
                result.Outcome = IngestOutcome::Stopped;
                break;
            }
            if (IngestFile(run, state, hooks, {buffer, decoder, *cutter}, *path))
                ++filesRead;
        }
    } catch (const UserCancel&) {
        state.carry.clear();
        EndRun(run, hooks, countBefore);
        // The person may think the list is as before the run; it is not.
        const std::int32_t added = run.Store.Count() - countBefore;
        if (added > 0)
            hooks.messages.ShowMessage(FormatStoppedLine(filesRead, added),
                                       MessageIcon::Information);
        throw;
    } catch (...) {
        // A failure such as memory running out: the words read so far stay in the
        // list, so the mark and the status line must say so even though the run is
        // dropped without a summary.
        state.carry.clear();
        EndRun(run, hooks, countBefore);
        throw;
    }

    const std::int32_t countAfter = run.Store.Count();
    EndRun(run, hooks, countBefore);

    IngestSummary& summary = result.Summary;
    summary.BytesRead = run.BytesRead;
    summary.QualifiedWords = run.QualifiedWords;
    summary.WordsAdded = countAfter - countBefore;
    summary.Milliseconds = hooks.ticks.Now() - startTick;
    summary.FilesRead = filesRead;
    std::string text = DescribeIngestRun(summary, state.skipped);
    if (result.Outcome == IngestOutcome::Stopped && summary.WordsAdded > 0)
        text += "\r\n" + FormatStoppedLine(filesRead, summary.WordsAdded);
    hooks.messages.ShowMessage(text, MessageIcon::Information);
    return result;
}

}  // namespace tarvolen
