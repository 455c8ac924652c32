#include "core/concordance/sorted_lines.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "core/input/unnamed_file.h"
#include "core/text/leading_bytes.h"

namespace tarvolen {

namespace {

void AppendSized(std::string& to, std::string_view text) {
    const auto size = static_cast<std::uint32_t>(text.size());
    char bytes[sizeof size];
    std::memcpy(bytes, &size, sizeof size);
    to.append(bytes, sizeof size);
    to += text;
}

// Words first, then the line's own order (a run's index, or a line's number).
bool Before(const SortWords& a, std::size_t x, const SortWords& b, std::size_t y) {
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return a[i] < b[i];
    return x < y;
}

// One run read back in order, through a buffer of its own.
class RunReader {
  public:
    RunReader(int fd, std::uint64_t begin, std::uint64_t end, std::size_t chunk)
        : fd_(fd), at_(begin), end_(end), chunk_(chunk) {}

    // The next record into words and line; false at the run's end or on a failure.
    bool Next() {
        for (std::string& word : words)
            if (!Sized(word))
                return false;
        return Sized(line);
    }

    SortWords words;
    std::string line;
    bool failed = false;

  private:
    bool Sized(std::string& text) {
        std::uint32_t size = 0;
        if (!Fill(sizeof size))
            return false;
        std::memcpy(&size, buffer_.data() + read_, sizeof size);
        read_ += sizeof size;
        if (!Fill(size))
            return false;
        text.assign(buffer_, read_, size);
        read_ += size;
        return true;
    }

    bool Fill(std::size_t bytes) {
        if (buffer_.size() - read_ >= bytes)
            return true;
        buffer_.erase(0, read_);
        read_ = 0;
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(std::max(chunk_, bytes), end_ - at_));
        const std::size_t had = buffer_.size();
        buffer_.resize(had + want);
        std::size_t got = 0;
        while (got < want) {
            const ssize_t n =
                ::pread(fd_, buffer_.data() + had + got, want - got, static_cast<off_t>(at_ + got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                failed = true;
                return false;
            }
            got += static_cast<std::size_t>(n);
        }
        at_ += got;
        return buffer_.size() >= bytes;
    }

    int fd_;
    std::uint64_t at_;
    std::uint64_t end_;
    std::size_t chunk_;
    std::string buffer_;
    std::size_t read_ = 0;
};

}  // namespace

SortedLines::SortedLines(std::size_t runBytes) : runBytes_(std::max<std::size_t>(runBytes, 1)) {
    // Grown by doubling, the buffer would hold its old and new copies at once.
    arena_.reserve(std::min<std::size_t>(runBytes_ + runBytes_ / 8, std::size_t{1} << 30));
}

SortedLines::~SortedLines() {
    if (fd_ >= 0)
        ::close(fd_);
}

void SortedLines::Put(std::size_t& at, std::string_view text) {
    at = arena_.size();
    AppendSized(arena_, text);
}

void SortedLines::AddLine(std::string_view line) {
    if (lines_ == entries_.size())
        entries_.emplace_back();
    Put(entries_[lines_++].line, line);
    SpillIfFull();
}

void SortedLines::AddWords(const SortWords& words) {
    if (words_ == entries_.size())
        entries_.emplace_back();
    entries_[words_].key = LeadingBytes(words[0]);
    entries_[words_++].words = arena_.size();
    for (const std::string& word : words)
        AppendSized(arena_, word);
    SpillIfFull();
}

// Only the lines that have their words can be sorted; the others stay for the next
// run. One stream may be ahead of the other by a part of the reading: until most of the
// buffer is whole, it waits.
void SortedLines::SpillIfFull() {
    const std::size_t whole = std::min(lines_, words_);
    if (arena_.size() >= runBytes_ && whole > 0 && whole * 2 >= entries_.size() && failure_.empty())
        Spill(whole);
}

std::string_view SortedLines::WordAt(std::size_t& at) const {
    std::uint32_t size = 0;
    std::memcpy(&size, arena_.data() + at, sizeof size);
    const std::string_view word(arena_.data() + at + sizeof size, size);
    at += sizeof size + size;
    return word;
}

void SortedLines::SortBuffer(std::size_t count) {
    std::stable_sort(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(count),
                     [this](const Entry& a, const Entry& b) {
                         if (a.key != b.key)
                             return a.key < b.key;
                         std::size_t x = a.words;
                         std::size_t y = b.words;
                         for (std::size_t i = 0; i < SortWords{}.size(); ++i) {
                             const std::string_view v = WordAt(x);
                             const std::string_view w = WordAt(y);
                             if (v != w)
                                 return v < w;
                         }
                         return false;
                     });
}

bool SortedLines::Spill(std::size_t count) {
    if (fd_ < 0) {
        const std::string folder = TemporaryFolder();
        fd_ = OpenUnnamedFile(folder);
        if (fd_ < 0) {
            failure_ = folder + ": " + std::strerror(errno);
            return false;
        }
    }
    SortBuffer(count);
    const std::uint64_t begin = end_;
    std::string out;
    auto flush = [&] {
        if (!WriteAll(fd_, reinterpret_cast<const unsigned char*>(out.data()), out.size())) {
            failure_ = TemporaryFolder() + ": " + std::strerror(errno);
            return false;
        }
        end_ += out.size();
        out.clear();
        return true;
    };
    for (std::size_t e = 0; e < count; ++e) {
        const Entry& entry = entries_[e];
        std::size_t at = entry.words;
        for (std::size_t i = 0; i < SortWords{}.size(); ++i)
            AppendSized(out, WordAt(at));
        at = entry.line;
        AppendSized(out, WordAt(at));
        if (out.size() >= (1 << 20) && !flush())
            return false;
    }
    if (!flush())
        return false;
    runs_.emplace_back(begin, end_);
    // What the lines not yet whole have, to the front of the buffer.
    std::string rest;
    std::vector<Entry> waiting;
    for (std::size_t e = count; e < entries_.size(); ++e) {
        Entry entry;
        std::size_t at = entries_[e].line;
        if (e < lines_) {
            entry.line = rest.size();
            AppendSized(rest, WordAt(at));
        }
        at = entries_[e].words;
        if (e < words_) {
            entry.key = entries_[e].key;
            entry.words = rest.size();
            for (std::size_t i = 0; i < SortWords{}.size(); ++i)
                AppendSized(rest, WordAt(at));
        }
        waiting.push_back(entry);
    }
    arena_.assign(rest);
    entries_ = std::move(waiting);
    lines_ -= count;
    words_ -= count;
    return true;
}

bool SortedLines::WriteSorted(const std::function<bool(std::string_view)>& write) {
    // A line whose words never came (a reading cut short) sorts as if it had none.
    while (words_ < lines_)
        AddWords({});
    entries_.resize(lines_);
    words_ = lines_;
    if (!failure_.empty())
        return false;
    if (runs_.empty()) {
        SortBuffer(entries_.size());
        for (const Entry& entry : entries_) {
            std::size_t at = entry.line;
            if (!write(WordAt(at)))
                return false;
        }
        return true;
    }
    if (!entries_.empty() && !Spill(entries_.size()))
        return false;
    // The merge's buffers take the place of the one for sorting.
    std::string().swap(arena_);
    std::vector<Entry>().swap(entries_);
    // Each run read through its share of a buffer as large as one run, within reason.
    const std::size_t chunk = std::clamp<std::size_t>(runBytes_ / runs_.size(), 1 << 12, 1 << 20);
    std::vector<RunReader> readers;
    readers.reserve(runs_.size());
    std::vector<std::size_t> heap;
    auto later = [&](std::size_t a, std::size_t b) {
        return Before(readers[b].words, b, readers[a].words, a);
    };
    for (const auto& [begin, end] : runs_) {
        readers.emplace_back(fd_, begin, end, chunk);
        if (readers.back().Next())
            heap.push_back(readers.size() - 1);
    }
    std::make_heap(heap.begin(), heap.end(), later);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        RunReader& reader = readers[heap.back()];
        if (!write(reader.line))
            return false;
        if (reader.Next())
            std::push_heap(heap.begin(), heap.end(), later);
        else
            heap.pop_back();
    }
    for (const RunReader& reader : readers)
        if (reader.failed) {
            failure_ = TemporaryFolder() + ": " + std::strerror(EIO);
            return false;
        }
    return true;
}

}  // namespace tarvolen
