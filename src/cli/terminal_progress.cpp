#include "cli/terminal_progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <utility>

#include "core/input/input_file.h"
#include "core/text/format_count.h"
#include "core/text/readable_text.h"

namespace tarvolen {

namespace {

std::uint64_t SteadyMilliseconds() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Keeps the end of a path, which names the file, when the line is short of room.
std::string Tail(const std::string& text, std::size_t room) {
    if (text.size() <= room)
        return text;
    if (room <= 3)
        return std::string(room, '.');
    std::string tail("...");
    tail.append(text, text.size() - (room - 3), std::string::npos);
    return tail;
}

}  // namespace

int TerminalWidth(std::FILE* stream) {
    struct winsize size {};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

TerminalProgress::TerminalProgress(Setup setup) : setup_(std::move(setup)) {
    if (!setup_.milliseconds)
        setup_.milliseconds = SteadyMilliseconds;
}

TerminalProgress::~TerminalProgress() {
    Close();
}

void TerminalProgress::SetBounds(int lower, int upper) {
    // Bounds of 0 to 0: work of unknown size, such as a directory walk.
    bounded_ = lower != 0 || upper != 0;
    lower_ = lower;
    upper_ = upper;
    position_ = lower;
}

int TerminalProgress::SetPosition(int position) {
    int previous = position_;
    position_ = position;
    Redraw();
    return previous;
}

bool TerminalProgress::CancelRequested() {
    return setup_.interrupted != nullptr && *setup_.interrupted != 0;
}

void TerminalProgress::SetFileLine(const std::string& text) {
    // A stream has no size to take a share of: its own bytes stand in for the bar.
    stream_ = bounded_ && IsStream(text);
    streamStart_ = stream_ && setup_.bytesRead ? setup_.bytesRead() : 0;
    // Before a run's bounds a "-" is only a name the directory walk met.
    fileLine_ = bounded_ && text == kStandardInputPath ? kStandardInputLine : ReadableText(text);
    Redraw();
}

void TerminalProgress::SetDetailLine(const std::string& text) {
    detailLine_ = text;
    Redraw();
}

void TerminalProgress::Close() {
    if (setup_.visible && drawnLength_ > 0) {
        std::string blank(drawnLength_ + 2, ' ');
        blank.front() = '\r';
        blank.back() = '\r';
        std::fwrite(blank.data(), 1, blank.size(), setup_.stream);
        std::fflush(setup_.stream);
    }
    drawnLength_ = 0;
    drawnOnce_ = false;
    bounded_ = false;
    stream_ = false;
    fileLine_.clear();
    detailLine_.clear();
}

std::string TerminalProgress::Line() const {
    const std::size_t room = static_cast<std::size_t>(std::max(setup_.width - 1, 10));
    std::string head;
    std::string tail;
    if (bounded_ && stream_) {
        const std::int64_t bytes = setup_.bytesRead ? setup_.bytesRead() - streamStart_ : 0;
        head = FormatCount64(bytes, ',') + " bytes read ";
        if (setup_.wordCount)
            tail = "  " + FormatCount(setup_.wordCount(), ',') + " words";
    } else if (bounded_) {
        const int span = upper_ - lower_;
        int percent = span > 0 ? (position_ - lower_) * 100 / span : 0;
        percent = std::clamp(percent, 0, 100);
        const int filled = percent * kBarWidth / 100;
        head.assign(1, '[');
        head.append(static_cast<std::size_t>(filled), '#');
        head.append(static_cast<std::size_t>(kBarWidth - filled), '.');
        head += FormatText("] %3d%% ", percent);
        if (setup_.wordCount)
            tail = "  " + FormatCount(setup_.wordCount(), ',') + " words";
    } else {
        // A directory walk: its own lines say where it is and what it found.
        head = "Scanning ";
        if (!detailLine_.empty())
            tail = "  " + detailLine_;
    }
    if (head.size() + tail.size() >= room)
        return (head + tail).substr(0, room);
    return head + Tail(fileLine_, room - head.size() - tail.size()) + tail;
}

void TerminalProgress::Redraw() {
    if (!setup_.visible)
        return;
    const std::uint64_t now = setup_.milliseconds();
    if (drawnOnce_ && now - lastDraw_ < kRedrawInterval)
        return;
    drawnOnce_ = true;
    lastDraw_ = now;
    std::string line = Line();
    const std::size_t length = line.size();
    // Blank out what a longer previous line left behind.
    if (length < drawnLength_)
        line.append(drawnLength_ - length, ' ');
    line.insert(line.begin(), '\r');
    std::fwrite(line.data(), 1, line.size(), setup_.stream);
    std::fflush(setup_.stream);
    drawnLength_ = std::max(drawnLength_, length);
}

std::unique_ptr<ProgressPort> MakeTerminalProgress(ProgressLineSetup line) {
    TerminalProgress::Setup setup;
    setup.stream = stderr;
    setup.visible = line.visible;
    setup.width = TerminalWidth(stderr);
    setup.interrupted = line.interrupted;
    setup.wordCount = std::move(line.wordCount);
    setup.bytesRead = std::move(line.bytesRead);
    return std::make_unique<TerminalProgress>(std::move(setup));
}

}  // namespace tarvolen
