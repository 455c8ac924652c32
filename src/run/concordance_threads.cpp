#include "run/concordance_threads.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "core/concordance/concordance_reading.h"
#include "core/decode/text_decoder.h"
#include "core/ingest/cutter_setup.h"
#include "core/ingest/run_state.h"
#include "core/input/input_file.h"
#include "core/input/read_buffer.h"
#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/ports/user_cancel.h"
#include "core/text/code_page.h"
#include "run/thread_run.h"
#include "run/work_plan.h"

namespace tarvolen {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);
// The lines a thread gathers before it writes them, when its part is the next.
constexpr std::size_t kFlushBytes = 1 << 20;
// How many parts the threads may read ahead of the one being written, per thread: the
// lines of those read ahead wait in memory.
constexpr std::size_t kAheadPerThread = 2;

std::u32string Characters(const std::string& utf8) {
    std::u32string characters;
    const auto length = static_cast<std::int32_t>(utf8.size());
    for (std::int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(utf8.data(), i, length, c);
        characters.push_back(c < 0 ? U'\uFFFD' : static_cast<char32_t>(c));
    }
    return characters;
}

std::string Utf8Of(const std::u32string& characters) {
    std::string text;
    for (const char32_t c : characters)
        AppendUtf8(text, c);
    return text;
}

// Two collapsed texts one after the other, collapsed: a blank run across the seam is
// one space.
std::u32string Joined(const std::u32string& before, const std::u32string& after) {
    std::u32string text = before;
    const bool seam =
        !before.empty() && !after.empty() && before.back() == U' ' && after.front() == U' ';
    text.append(after, seam ? 1 : 0);
    return text;
}

std::u32string LastOf(std::u32string text, std::size_t width) {
    return text.size() > width ? text.substr(text.size() - width) : text;
}

// A line whose context runs into a cut, held until the part beside it is known.
struct HeldLine {
    std::uint64_t line = 0;  // in its part until the part's start is known
    std::u32string left;
    std::string match;
    std::u32string right;
    bool needsLeft = false;
    bool needsRight = false;
};

// A line's words for the sort. A word beyond the part it was read in is found in the
// parts beside it: outside[i] is then its place among the words before the part (newest
// first) or after it, else -1.
struct KeyWords {
    SortWords words;
    std::int8_t outside[3] = {-1, -1, -1};

    bool Known() const { return outside[0] < 0 && outside[1] < 0 && outside[2] < 0; }
};

// One share of the plan, in document order.
struct Item {
    std::size_t file = 0;
    FileShare share;
    bool first = true;  // of its file
    bool last = true;
};

// What a thread made of one item: its lines and what it gives the items beside it.
struct ItemLines {
    std::vector<HeldLine> front;          // lines before the others, completed on the left
    std::string rest;                     // the others' "LEFT\tMATCH\tRIGHT\n"
    std::vector<std::uint64_t> lines;     // the others' line numbers in the item
    std::vector<HeldLine> back;           // lines after the others, completed on the right
    std::vector<KeyWords> keys;           // for a sort, of every line in order
    std::vector<std::string> firstWords;  // the part's first three words
    std::vector<std::string> lastWords;   // and its last three, newest first
    std::u32string head;
    bool headWhole = true;
    std::u32string tail;
    std::uint64_t lineEnds = 0;
    bool startsWithLf = false;
    bool endsWithCr = false;
    std::size_t occurrences = 0;
    std::vector<std::pair<std::string, MessageIcon>> messages;
    SkippedFiles skipped;  // what a scan's file gave instead of text

    // Emptied for the next item, its memory kept: fresh memory costs a page fault a page.
    void Clear() {
        front.clear();
        rest.clear();
        lines.clear();
        back.clear();
        keys.clear();
        firstWords.clear();
        lastWords.clear();
        head.clear();
        headWhole = true;
        tail.clear();
        lineEnds = 0;
        startsWithLf = false;
        endsWithCr = false;
        occurrences = 0;
        messages.clear();
        skipped.notText.clear();
        skipped.unreadable.clear();
    }
};

class KeptMessages : public MessagePort {
  public:
    void ShowMessage(const std::string& text, MessageIcon icon) override {
        kept->push_back({text, icon});
    }
    Answer Ask(const std::string& text, MessageButtons) override {
        ShowMessage(text, MessageIcon::Question);
        return Answer::Cancel;
    }
    std::vector<std::pair<std::string, MessageIcon>>* kept = &unread;

  private:
    std::vector<std::pair<std::string, MessageIcon>> unread;
};

// The items' lines, written in document order, and what joins a part to the one
// before it. Everything here is under mutex.
class Joiner {
  public:
    Joiner(const WorkPlan& plan, const std::vector<Item>& items, std::size_t width,
           const std::function<void(const std::string&)>& write, const ConcordanceSortWords* sort)
        : plan_(plan), items_(items), width_(width), write_(write), sort_(sort) {}

    std::mutex mutex;
    std::condition_variable written;
    std::size_t next = 0;  // the item written next
    // What the reading told, by the index of its file, and what a scan skipped.
    std::vector<std::pair<std::size_t, std::pair<std::string, MessageIcon>>> messages;
    SkippedFiles skipped;
    ConcordanceTally tally;

    // Writes what the next item made so far, which has at least its head.
    void WritePart(ItemLines& lines) {
        if (!begun_)
            Begin(lines);
        WriteRest(lines);
    }

    // The next item is read: its last lines, then those of the items read ahead.
    void Finish(ItemLines&& lines, std::size_t item) {
        done_.emplace(item, std::move(lines));
        for (auto at = done_.find(next); at != done_.end(); at = done_.find(next)) {
            WritePart(at->second);
            End(at->second);
            at->second.Clear();
            spare_.push_back(std::move(at->second));
            done_.erase(at);
            ++next;
        }
        written.notify_all();
    }

    // The next item's words so far, for an item still being read.
    void WriteKeys(ItemLines& lines) { HandKeys(lines, items_[next], false); }

    // The lines of an item written before, for the next item read.
    ItemLines Spare() {
        if (spare_.empty())
            return {};
        ItemLines lines = std::move(spare_.back());
        spare_.pop_back();
        return lines;
    }

  private:
    void Begin(const ItemLines& lines) {
        const Item& item = items_[next];
        if (item.first) {
            tail_.clear();
            lineEnds_ = 0;
            afterCr_ = false;
        }
        // A CR LF across the cut ends one line, which the CR has counted.
        base_ = lineEnds_ - (afterCr_ && lines.startsWithLf ? 1 : 0);
        std::size_t ready = 0;
        for (HeldLine& line : pending_) {
            line.right = Joined(line.right, lines.head);
            line.right.resize(std::min(line.right.size(), width_));
        }
        while (ready < pending_.size() &&
               (pending_[ready].right.size() >= width_ || !lines.headWhole || item.last))
            ++ready;
        for (std::size_t i = 0; i < ready; ++i)
            Put(pending_[i]);
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(ready));
        for (HeldLine line : lines.front) {
            line.line += base_;
            if (line.needsLeft)
                line.left = LastOf(Joined(tail_, line.left), width_);
            if (line.needsRight || !pending_.empty())
                pending_.push_back(std::move(line));
            else
                Put(line);
        }
        begun_ = true;
    }

    void WriteRest(ItemLines& lines) {
        const std::string& path = plan_.files[items_[next].file];
        std::string& text = text_;
        text.clear();
        std::size_t at = 0;
        for (const std::uint64_t line : lines.lines) {
            const std::size_t end = lines.rest.find('\n', at) + 1;
            text += path;
            text += '\t';
            text += std::to_string(base_ + line);
            text += '\t';
            text.append(lines.rest, at, end - at);
            at = end;
            if (sort_ != nullptr) {
                write_(text);
                text.clear();
            }
        }
        lines.rest.clear();
        lines.lines.clear();
        if (!text.empty())
            write_(text);
    }

    void End(ItemLines& lines) {
        const Item& item = items_[next];
        for (HeldLine& line : lines.back) {
            line.line += base_;
            pending_.push_back(std::move(line));
        }
        tail_ = LastOf(Joined(tail_, lines.tail), width_);
        lineEnds_ = base_ + lines.lineEnds;
        afterCr_ = lines.endsWithCr;
        if (item.last) {
            for (const HeldLine& line : pending_)
                Put(line);
            pending_.clear();
        }
        if (sort_ != nullptr)
            HandKeys(lines, item, true);
        fileLines_ += lines.occurrences;
        if (item.last) {
            tally.documents += fileLines_ > 0 ? 1 : 0;
            fileLines_ = 0;
        }
        tally.occurrences += lines.occurrences;
        for (const auto& message : lines.messages)
            messages.push_back({item.file, message});
        skipped.notText.insert(skipped.notText.end(), lines.skipped.notText.begin(),
                               lines.skipped.notText.end());
        skipped.unreadable.insert(skipped.unreadable.end(), lines.skipped.unreadable.begin(),
                                  lines.skipped.unreadable.end());
        begun_ = false;
    }

    // The words of the item's lines completed from the words beside it in its file, and
    // handed on in order as soon as they are whole: those of an item still being read
    // as it goes, so that its lines need not wait for them.
    void HandKeys(ItemLines& lines, const Item& item, bool ended) {
        if (keysItem_ != next) {
            keysItem_ = next;
            fed_ = false;
            if (item.first)
                before_.clear();
        }
        if (!fed_ && (ended || lines.firstWords.size() == 3)) {
            Feed(lines.firstWords);
            fed_ = true;
        }
        const auto& keys = sort_->keys;
        for (KeyWords& line : lines.keys) {
            for (std::size_t i = 0; i < keys.size(); ++i) {
                std::int8_t& outside = line.outside[i];
                if (keys[i] > 0 || outside < 0)
                    continue;
                const auto place = static_cast<std::size_t>(outside);
                if (place < before_.size())
                    line.words[i] = before_[place];
                outside = -1;
            }
            waitingKeys_.push_back(std::move(line));
        }
        lines.keys.clear();
        if (ended) {
            std::vector<std::string> before = std::move(lines.lastWords);
            for (std::string& word : before_)
                if (before.size() < 3)
                    before.push_back(std::move(word));
            before_ = std::move(before);
        }
        if (ended && item.last) {
            // Nothing follows in the file: the words still sought are none.
            for (KeyWords& waiting : waitingKeys_)
                std::fill(std::begin(waiting.outside), std::end(waiting.outside), -1);
            before_.clear();
        }
        while (!waitingKeys_.empty() && waitingKeys_.front().Known()) {
            sort_->take(waitingKeys_.front().words);
            waitingKeys_.pop_front();
        }
    }

    // The item's first words to the lines before it that still seek words on the right.
    void Feed(const std::vector<std::string>& firstWords) {
        const auto& keys = sort_->keys;
        for (KeyWords& waiting : waitingKeys_)
            for (std::size_t i = 0; i < keys.size(); ++i) {
                std::int8_t& outside = waiting.outside[i];
                if (keys[i] < 0 || outside < 0)
                    continue;
                const auto place = static_cast<std::size_t>(outside);
                if (place < firstWords.size()) {
                    waiting.words[i] = firstWords[place];
                    outside = -1;
                } else {
                    outside = static_cast<std::int8_t>(place - firstWords.size());
                }
            }
    }

    void Put(const HeldLine& line) {
        std::string text;
        PutConcordanceLine(plan_.files[items_[next].file], line.line, Utf8Of(line.left), line.match,
                           Utf8Of(line.right), text);
        write_(text);
    }

    const WorkPlan& plan_;
    const std::vector<Item>& items_;
    std::size_t width_;
    const std::function<void(const std::string&)>& write_;
    std::map<std::size_t, ItemLines> done_;
    std::vector<ItemLines> spare_;
    std::string text_;
    bool begun_ = false;  // the next item's first lines are written
    std::uint64_t base_ = 0;
    std::u32string tail_;
    std::uint64_t lineEnds_ = 0;
    bool afterCr_ = false;
    std::vector<HeldLine> pending_;
    std::size_t fileLines_ = 0;
    const ConcordanceSortWords* sort_;
    std::vector<std::string> before_;  // the file's last words so far, newest first
    std::deque<KeyWords> waitingKeys_;
    std::size_t keysItem_ = SIZE_MAX;  // the item whose words are being handed on
    bool fed_ = false;                 // its first words went to the lines waiting
};

struct Crew {
    std::atomic<std::size_t> nextItem{0};
    std::atomic<bool> stop{false};
    std::size_t threads = 1;
    int running = 0;  // under the joiner's mutex
};

class ThreadProgress : public ProgressPort {
  public:
    ThreadProgress(const RunState& run, const Crew& crew) : run_(run), crew_(crew) {}
    void SetBounds(int, int) override {}
    int SetPosition(int) override { return 0; }
    bool CancelRequested() override {
        bytesRead.store(run_.BytesRead, std::memory_order_relaxed);
        return crew_.stop.load(std::memory_order_relaxed);
    }
    void SetFileLine(const std::string&) override {}
    void SetDetailLine(const std::string&) override {}
    void Close() override {}
    std::atomic<std::int64_t> bytesRead{0};

  private:
    const RunState& run_;
    const Crew& crew_;
};

WordStore::Options SmallStore() {
    WordStore::Options options;
    options.initialCapacity = 1 << 16;
    options.initialBuckets = 16;
    return options;
}

class Reader {
  public:
    using Ending = ThreadEnding;

    Reader(const RunState& model, const IngestState& modelState, const IngestHooks& hooks,
           const WorkPlan& plan, const std::vector<Item>& items, Crew& crew, Joiner& joiner,
           const ConcordanceEntry& entry, std::size_t width, const ConcordanceSortWords* sort)
        : plan_(plan),
          items_(items),
          crew_(crew),
          joiner_(joiner),
          run_(messages_, SmallStore()),
          progress_(run_, crew),
          hooks_{progress_, messages_, {}},
          buffer_(hooks.bufferMemory),
          entry_(entry),
          width_(width),
          sort_(sort) {
        ReadAsModel(model, modelState, hooks, run_, state_, hooks_);
        run_.TotalBytes = model.TotalBytes;
    }

    bool Ready() const { return buffer_.Valid(); }
    std::int64_t BytesSoFar() const { return progress_.bytesRead.load(std::memory_order_relaxed); }

    void Run() noexcept {
        try {
            TextDecoder decoder(run_.RunEncoding, run_.RunCodePage);
            ConcordanceReading::NeighbourSink neighbours;
            NeighbourReach reach;
            if (sort_ != nullptr) {
                neighbours = [this](const Neighbours& n, const std::vector<std::string>& words) {
                    TakeKeys(n, words);
                };
                for (const ConcordanceKey key : sort_->keys)
                    (key < 0 ? reach.left : reach.right) =
                        std::max<int>(key < 0 ? reach.left : reach.right, key < 0 ? -key : key);
            }
            ConcordanceReading reading(
                CutterSetupOf(run_), entry_, width_,
                [this](const ConcordanceLine& line) { Take(line); }, neighbours, reach);
            reading_ = &reading;
            const std::size_t ahead = kAheadPerThread * crew_.threads;
            for (std::size_t item = crew_.nextItem++; item < items_.size();
                 item = crew_.nextItem++) {
                {
                    std::unique_lock lock(joiner_.mutex);
                    joiner_.written.wait(lock,
                                         [&] { return crew_.stop || item < joiner_.next + ahead; });
                    lines_ = joiner_.Spare();
                }
                Read(item, {buffer_, decoder, reading});
            }
        } catch (...) {
            ending = EndingOfCurrent(failure);
        }
        progress_.CancelRequested();
        if (ending != Ending::Normal)
            crew_.stop = true;
        const std::lock_guard lock(joiner_.mutex);
        --crew_.running;
        joiner_.written.notify_all();
    }

    Ending ending = Ending::Normal;
    std::exception_ptr failure;

  private:
    void Read(std::size_t item, const FileReaders& readers) {
        if (progress_.CancelRequested())
            throw UserCancel{};
        item_ = item;
        messages_.kept = &lines_.messages;
        const Item& share = items_[item];
        const std::string& path = plan_.files[share.file];
        reading_->Start(path);
        state_.skipped = {};
        if (!plan_.divided[share.file]) {
            IngestFile(run_, state_, hooks_, readers, path);
        } else {
            const FilePart part{share.share.begin, share.share.end, plan_.starts[share.file], {}};
            IngestFile(run_, state_, hooks_, readers, path, &part);
        }
        lines_.skipped = std::move(state_.skipped);
        const ContextReader& context = reading_->Context();
        lines_.head = context.Head();
        lines_.headWhole = context.HeadWhole();
        lines_.tail = context.Tail();
        lines_.lineEnds = context.LineEnds();
        lines_.startsWithLf = context.StartsWithLf();
        lines_.endsWithCr = context.EndsWithCr();
        lines_.occurrences = reading_->Lines();
        if (sort_ != nullptr) {
            const std::vector<std::string>& words = reading_->Words();
            for (const std::uint32_t id : reading_->Edges().first)
                lines_.firstWords.push_back(words[id]);
            for (const std::uint32_t id : reading_->Edges().last)
                lines_.lastWords.push_back(words[id]);
        }
        const std::lock_guard lock(joiner_.mutex);
        joiner_.Finish(std::move(lines_), item);
    }

    // The words the sort asks for; one missing here may lie in the part before or after.
    void TakeKeys(const Neighbours& n, const std::vector<std::string>& words) {
        const Item& item = items_[item_];
        KeyWords keys;
        const auto known = [](const std::uint32_t* ids) {
            return static_cast<int>(std::find(ids, ids + 3, 0u) - ids);
        };
        for (std::size_t i = 0; i < sort_->keys.size(); ++i) {
            const ConcordanceKey key = sort_->keys[i];
            const std::uint32_t* ids = key < 0 ? n.left : n.right;
            const int place = (key < 0 ? -key : key) - 1;
            if (ids[place] != 0)
                keys.words[i] = words[ids[place]];
            else if (key < 0 ? !item.first : !item.last)
                keys.outside[i] = static_cast<std::int8_t>(place - known(ids));
        }
        lines_.keys.push_back(std::move(keys));
    }

    void Take(const ConcordanceLine& line) {
        const Item& item = items_[item_];
        const bool needsLeft = line.leftShort && !item.first;
        const bool needsRight = line.rightShort && !item.last;
        if (needsLeft || needsRight) {
            (needsLeft ? lines_.front : lines_.back)
                .push_back({line.line, Characters(line.left), line.match, Characters(line.right),
                            needsLeft, needsRight});
            return;
        }
        lines_.rest += line.left;
        lines_.rest += '\t';
        lines_.rest += line.match;
        lines_.rest += '\t';
        lines_.rest += line.right;
        lines_.rest += '\n';
        lines_.lines.push_back(line.line);
        // The next part to be written writes as it goes, once its head is known.
        if (lines_.rest.size() >= kFlushBytes && !reading_->Context().HeadWhole()) {
            const std::lock_guard lock(joiner_.mutex);
            if (joiner_.next == item_) {
                lines_.head = reading_->Context().Head();
                lines_.headWhole = false;
                lines_.startsWithLf = reading_->Context().StartsWithLf();
                joiner_.WritePart(lines_);
                if (sort_ != nullptr) {
                    lines_.firstWords.clear();
                    for (const std::uint32_t id : reading_->FirstWordsSoFar())
                        lines_.firstWords.push_back(reading_->Words()[id]);
                    joiner_.WriteKeys(lines_);
                }
            }
        }
    }

    const WorkPlan& plan_;
    const std::vector<Item>& items_;
    Crew& crew_;
    Joiner& joiner_;
    KeptMessages messages_;
    RunState run_;
    ThreadProgress progress_;
    IngestHooks hooks_;
    IngestState state_;
    ReadBuffer buffer_;
    const ConcordanceEntry& entry_;
    std::size_t width_;
    const ConcordanceSortWords* sort_;
    ConcordanceReading* reading_ = nullptr;
    std::size_t item_ = 0;
    ItemLines lines_;
};

// The plan's shares in document order, each knowing whether it begins or ends its file.
std::vector<Item> ItemsOf(const WorkPlan& plan) {
    std::vector<Item> items;
    for (const std::vector<FileShare>& shares : plan.items)
        for (const FileShare& share : shares)
            items.push_back({share.file, share});
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        return a.file != b.file ? a.file < b.file : a.share.begin < b.share.begin;
    });
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i].first = i == 0 || items[i - 1].file != items[i].file;
        items[i].last = i + 1 == items.size() || items[i + 1].file != items[i].file;
    }
    return items;
}

}  // namespace

void PutConcordanceLine(std::string_view path, std::uint64_t line, std::string_view left,
                        std::string_view match, std::string_view right, std::string& text) {
    text += path;
    text += '\t';
    text += std::to_string(line);
    text += '\t';
    text += left;
    text += '\t';
    text += match;
    text += '\t';
    text += right;
    text += '\n';
}

std::optional<ConcordanceTally> WriteConcordance(
    RunState& run, IngestState& state, const IngestHooks& hooks, const ConcordanceEntry& entry,
    std::size_t width, int threads, std::int64_t leastPart,
    const std::function<void(const std::string&)>& write, const ConcordanceSortWords* sort) {
    hooks.progress.SetBounds(0, 1000);
    run.BytesRead = 0;
    run.StreamBytesRead = 0;
    run.TotalBytes = 0;
    std::string failure;
    std::int64_t total = 0;
    if (!MeasureFiles(state.InputFiles, total, failure, hooks.streams, state.scanned)) {
        AbandonBeforeReading(hooks, failure);
        return std::nullopt;
    }
    if (!TextDecoder(run.RunEncoding, run.RunCodePage).Valid()) {
        AbandonBeforeReading(hooks, kUnknownEncodingText);
        return std::nullopt;
    }
    run.TotalBytes = total;
    // Parts are cut where no occurrence of the entry can run across: under words in a
    // row, at blank lines. Smaller parts than a count's keep the lines waiting for
    // their turn few.
    const WorkPlan plan = PlanWork(run, {state.InputFiles.rbegin(), state.InputFiles.rend()},
                                   threads > 1 ? 64 * threads : 1, leastPart,
                                   entry.words > 1 || !run.Add.InARow.Single());
    const std::vector<Item> items = ItemsOf(plan);

    Crew crew;
    Joiner joiner(plan, items, width, write, sort);
    std::vector<std::unique_ptr<Reader>> readers;
    const std::size_t count =
        std::clamp<std::size_t>(items.size(), 1, static_cast<std::size_t>(threads));
    for (std::size_t i = 0; i < count; ++i) {
        readers.push_back(std::make_unique<Reader>(run, state, hooks, plan, items, crew, joiner,
                                                   entry, width, sort));
        if (!readers.back()->Ready()) {
            AbandonBeforeReading(hooks, kNoReadBufferText);
            return std::nullopt;
        }
    }
    crew.threads = readers.size();
    std::vector<std::jthread> running;
    for (const auto& reader : readers) {
        const std::lock_guard lock(joiner.mutex);
        try {
            running.emplace_back([&reader] { reader->Run(); });
            ++crew.running;
        } catch (const std::system_error&) {
            break;  // the system has no thread to spare: those started read everything
        }
    }
    readers.resize(running.size());
    if (readers.empty())
        throw std::bad_alloc();
    // Until every reader is done: the bytes read on the progress line, the file being
    // written on the file line, and a Cancel handed to the readers.
    std::size_t shown = items.size();
    std::unique_lock lock(joiner.mutex);
    while (crew.running > 0) {
        const std::size_t item = std::min(joiner.next, items.size() - 1);
        lock.unlock();
        run.BytesRead = 0;
        for (const auto& reader : readers)
            run.BytesRead += reader->BytesSoFar();
        if (!items.empty() && item != shown)
            hooks.progress.SetFileLine(plan.files[items[item].file]);
        shown = item;
        if (run.TotalBytes > 0)
            hooks.progress.SetPosition(static_cast<int>(
                std::min<std::int64_t>(run.BytesRead * 1000 / run.TotalBytes, 1000)));
        const bool cancel = hooks.progress.CancelRequested();
        lock.lock();
        if (cancel) {
            crew.stop = true;
            joiner.written.notify_all();
        }
        joiner.written.wait_for(lock, kPollInterval);
    }
    lock.unlock();
    running.clear();
    for (const auto& reader : readers) {
        if (reader->ending == Reader::Ending::Failed)
            std::rethrow_exception(reader->failure);
        if (reader->ending == Reader::Ending::OutOfMemory)
            throw std::bad_alloc();
    }
    for (const auto& reader : readers)
        if (reader->ending == Reader::Ending::Cancelled)
            throw UserCancel{};
    for (const auto& [file, message] : joiner.messages) {
        state.LastInputPath = plan.files[file];
        hooks.messages.ShowMessage(message.first, message.second);
    }
    for (std::string& path : joiner.skipped.notText)
        state.skipped.notText.push_back(std::move(path));
    for (std::string& path : joiner.skipped.unreadable)
        state.skipped.unreadable.push_back(std::move(path));
    if (!plan.files.empty())
        state.LastInputPath = plan.files.back();
    return joiner.tally;
}

}  // namespace tarvolen
