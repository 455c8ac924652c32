#pragma once

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "core/ports/progress.h"
#include "run/cli_run.h"

namespace tarvolen {

// The progress window of tarvolen-cli: one line on standard error, redrawn in place
// with a carriage return. While a directory is walked it shows the directory and the
// files found; once bounds are set (an ingestion run) a bar, the percentage, the file
// being read and the running word count. A stream (standard input, a pipe) has no size
// to take a share of, so while it is read its bytes read so far stand in for bar and
// percentage.
// Cancel is the SIGINT flag of the process.
class TerminalProgress : public ProgressPort {
  public:
    struct Setup {
        std::FILE* stream = stderr;
        bool visible = false;  // nothing is drawn otherwise (not a terminal, --quiet)
        int width = 80;        // columns; the line never reaches the last one
        const volatile std::sig_atomic_t* interrupted = nullptr;
        std::function<std::int32_t()> wordCount;      // distinct words so far
        std::function<std::int64_t()> bytesRead;      // bytes of the run read so far
        std::function<std::uint64_t()> milliseconds;  // monotonic clock
    };

    // Redraws closer together than this are skipped.
    static constexpr std::uint64_t kRedrawInterval = 100;
    static constexpr int kBarWidth = 20;
    // In place of "-", the path by which the core reads standard input.
    static constexpr const char* kStandardInputLine = "standard input";

    explicit TerminalProgress(Setup setup);
    ~TerminalProgress() override;
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void SetBounds(int lower, int upper) override;
    int SetPosition(int position) override;
    // True while the interrupt flag is set: a Ctrl-C stops everything that is left.
    bool CancelRequested() override;
    void SetFileLine(const std::string& text) override;
    void SetDetailLine(const std::string& text) override;
    // Clears the line; the next use starts a new one.
    void Close() override;

    // The line as it would be drawn now.
    std::string Line() const;

  private:
    void Redraw();

    Setup setup_;
    bool bounded_ = false;
    int lower_ = 0;
    int upper_ = 100;
    int position_ = 0;
    bool stream_ = false;           // the file being read is a stream
    std::int64_t streamStart_ = 0;  // the run's bytes read when it began
    std::string fileLine_;
    std::string detailLine_;
    bool drawnOnce_ = false;
    std::uint64_t lastDraw_ = 0;
    std::size_t drawnLength_ = 0;  // columns to blank out on the next draw
};

// Columns of the terminal behind stream, or 80 when it cannot be told.
int TerminalWidth(std::FILE* stream);

// The run's line on standard error, as wide as the terminal; the programs hand it to
// RunCli as their CliProgram's progress.
std::unique_ptr<ProgressPort> MakeTerminalProgress(ProgressLineSetup line);

}  // namespace tarvolen
