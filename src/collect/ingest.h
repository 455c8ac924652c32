#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarvolen {

class MessagePort;
class ProgressPort;
struct Workspace;

inline constexpr std::uint32_t kChunkSize = 262'144;
inline constexpr std::uint32_t kReadAlignment = 1'024;

// A 32-bit millisecond tick, wrapping like the platform's; injectable for tests.
class TickSource {
public:
    virtual ~TickSource() = default;
    virtual std::uint32_t Now() = 0;
};
TickSource& SystemTicks();

// The main window's part of an Add run: the paths to read, the word cut by a chunk
// boundary, and the file most recently opened (the save flow proposes a name from it).
struct IngestState {
    std::vector<std::string> InputFiles;
    std::string carry;
    std::string LastInputPath;
};

// What an ingestion run needs of the window that runs it.
struct IngestHooks {
    ProgressPort& progress;            // already open, owned by the caller
    MessagePort& messages;
    std::function<void()> refreshStatusLine;
    TickSource& ticks = SystemTicks();
};

// The figures of the summary message.
struct IngestSummary {
    std::int64_t BytesRead = 0;
    std::int64_t QualifiedWords = 0;
    std::int32_t WordsAdded = 0;
    std::uint32_t Milliseconds = 0;
};

// "%s Kb processed\r\n%s total qualified words\r\n%s words added\r\n%s milliseconds spent"
std::string FormatIngestSummary(const IngestSummary& summary);

// One whole ingestion run over state.InputFiles, last path first, as the Add command
// and the directory scan start it. Preconditions: the workspace's CharMap and
// MinWordLength are set for this run. Shows the summary through hooks.messages.
// A Cancel observed inside a file abandons the run by throwing UserCancel, after the
// unsaved mark and the status line have been brought up to date.
void IngestFiles(Workspace& workspace, IngestState& state, const IngestHooks& hooks);

}  // namespace tarvolen
