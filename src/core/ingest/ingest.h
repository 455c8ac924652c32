#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/decode/text_decoder.h"
#include "core/input/input_file.h"
#include "core/input/read_buffer.h"
#include "core/input/skipped_files.h"
#include "core/ports/ticks.h"

namespace tarvolen {

class MessagePort;
class ProgressPort;
class ReadSeam;
class TextDecoder;
class WordCutter;
struct RunState;

// The main window's part of an Add run: the paths to read, the word cut by a chunk
// boundary, and the file most recently opened (the save flow proposes a name from it).
struct IngestState {
    std::vector<std::string> InputFiles;
    std::string carry;
    std::string LastInputPath;
    // Set with InputFiles. Files a directory scan found are skipped when they cannot
    // be read, and listed in skipped, with the folders the walk could not read; files
    // the person chose one by one stop the run instead.
    bool scanned = false;
    // In a scanned run, the paths that were named rather than found (the command
    // line's files beside --scan): only they are read to their end where they are
    // streams. The walk found regular files, and one that is anything else by the time
    // it is read (a pipe put in its place) is listed as not read, never waited on.
    std::set<std::string> named;
    SkippedFiles skipped;
};

// What an ingestion run needs of the window that runs it.
struct IngestHooks {
    ProgressPort& progress;  // already open, owned by the caller
    MessagePort& messages;
    std::function<void()> refreshStatusLine;
    TickSource& ticks = SystemTicks();
    ReadBufferMemory& bufferMemory = SystemReadBufferMemory();
    ReadSeam* readSeam = nullptr;  // where the reads go instead of read(2); tests only
    // The command line's documents may be "-", pipes and terminals (Streams).
    Streams streams = Streams::Ignored;
};

// The detail line is refreshed at most this often while files are read.
inline constexpr std::uint32_t kWorkingCountInterval = 600;

inline constexpr const char* kWorkingText = "Working...";
inline constexpr const char* kUnableToOpenText = "Unable to open the file!";
// A read error part-way: the file keeps what was read before it, and the run goes on.
inline constexpr const char* kUnableToReadText = "Unable to read the whole file!";
inline constexpr const char* kNoReadBufferText = "Not enough memory to read the files.";
inline constexpr const char* kUnknownEncodingText = "The chosen encoding is not available.";
// The reason a file a scan found is not read when it is no longer a file.
inline constexpr const char* kNotRegularText = "not a regular file";

// The figures of the summary message.
struct IngestSummary {
    std::int64_t BytesRead = 0;
    std::int64_t QualifiedWords = 0;
    std::int32_t WordsAdded = 0;
    std::uint32_t Milliseconds = 0;
    // Files read, whole or in part; not those skipped or that could not be opened.
    std::int64_t FilesRead = 0;
};

// How an ingestion run ended.
enum class IngestOutcome {
    Completed,  // every file was read; the summary was shown
    Stopped,    // a Cancel between two files ended the reading; the summary was shown
    Abandoned,  // nothing was read: a size or the read buffer could not be had
};

struct IngestResult {
    IngestOutcome Outcome = IngestOutcome::Abandoned;
    IngestSummary Summary;  // all 0 when Abandoned
};

// "%s Kb processed\r\n%s total qualified words\r\n%s words added\r\n%s milliseconds spent"
// Kilobytes are rounded up: a partial kilobyte counts as a whole one.
std::string FormatIngestSummary(const IngestSummary& summary);

// The summary of a run that read to its end: FormatIngestSummary, how many files were
// read ("2 files read"), then what was skipped (DescribeSkipped).
std::string DescribeIngestRun(const IngestSummary& summary, const SkippedFiles& skipped);

// After a Cancel that left words in the list: "Stopped: the list keeps the words of
// the %s files read before the stop (%s words added)".
std::string FormatStoppedLine(std::int64_t filesRead, std::int32_t wordsAdded);

// A run that cannot begin (no read buffer, a file that cannot be measured, an encoding
// that is not available): the progress window closes and the reason is shown.
void AbandonBeforeReading(const IngestHooks& hooks, const std::string& text);

// The end of any run that adds words, also one ended by an exception: the unsaved
// mark and the list's code page follow what it added, the progress window closes and
// the status line is refreshed.
void EndRun(RunState& run, const IngestHooks& hooks, std::int32_t countBefore);

// "%s words in the list; %s" on the progress window's detail line.
void ShowWorkingCount(const RunState& run, ProgressPort& progress, const std::string& text);

// One whole ingestion run over state.InputFiles, last path first, as the Add command
// and the directory scan start it. Preconditions: the run's alphabet and
// decoding (ApplyAddOptions) and MinWordLength are set for this run. Closes
// hooks.progress when it is done with it and shows the summary through
// hooks.messages; returns how the run ended.
//
// Where hooks.streams reads them, a path of kStandardInputPath ("-") reads standard
// input, and it or any other path that names a pipe or a terminal is read to its end;
// such a stream's size is unknown and counts as 0 in TotalBytes, and its bytes count
// in StreamBytesRead as well as in BytesRead.
//
// A path that cannot be opened while the sizes are taken abandons the run before
// anything is read: the error is shown, the store stays as it was, no summary (in a
// scanned run it is skipped instead). The same happens when the read buffer cannot
// be had. The summary ends with DescribeSkipped's lines and, after a Cancel between
// files that left words, FormatStoppedLine's.
// A Cancel observed inside a file abandons the run by throwing UserCancel, after the
// unsaved mark and the status line have been brought up to date and, when the list
// kept words of the run, FormatStoppedLine has been shown; any other exception
// that ends the reading early (std::bad_alloc from the store) leaves the same way.
IngestResult IngestFiles(RunState& run, IngestState& state, const IngestHooks& hooks);

// A stretch of a file that a reader reads on its own, as any reader that shares out a
// large file does (tarvolen-mpi's processes, tarvolen-cli's threads): its bytes from begin to end,
// decoded as the file's start said (TextDecoder::StartPart), its words counted outside
// any document so that the caller can count the file as one. A part at 0 looks at the
// file's start as a whole file is looked at; only the part that ends the file reads a
// word that runs on past it. decideUtf8 tells what Automatic decided for the whole
// file, for parts that meet a byte >= 0x80 before the file's start has decided; when
// empty, the file's first chunk to decide is read for it (FirstHighChunkIsUtf8).
struct FilePart {
    std::int64_t begin = 0;
    std::int64_t end = 0;
    PartStart start = PartStart::None;
    std::function<bool()> decideUtf8;
};

// What a run reads each of its files through, set up once: the read buffer (chunks of
// kChunkSize), the decoder (the run's encoding into the run's code page) and the
// run's cutter, which takes the text.
struct FileReaders {
    ReadBuffer& buffer;
    TextDecoder& decoder;
    WordCutter& cutter;
};

// Reads one file, or the part of it that part names, in chunks through readers,
// reading a web page's markup (the run's Add.Documents); part of a run set up by
// IngestFiles (counters reset, TotalBytes measured). A file that cannot be opened
// shows kUnableToOpenText (in a scanned run: is listed in state.skipped) and adds
// nothing; one that is no text is listed there. False for either. Throws UserCancel
// when a Cancel is observed before one of its reads.
bool IngestFile(RunState& run, IngestState& state, const IngestHooks& hooks,
                const FileReaders& readers, const std::string& path,
                const FilePart* part = nullptr);

}  // namespace tarvolen
