#include "core/listfile/list_merge.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/decode/binary_sniff.h"
#include "core/decode/text_decoder.h"
#include "core/ingest/cutter_setup.h"
#include "core/ingest/ingest.h"
#include "core/ingest/list_encoding.h"
#include "core/ingest/run_state.h"
#include "core/input/input_file.h"
#include "core/listfile/list_records.h"
#include "core/listfile/list_source.h"
#include "core/listfile/listed_words.h"
#include "core/listfile/record_entries.h"
#include "core/ports/messages.h"
#include "core/ports/progress.h"
#include "core/ports/user_cancel.h"
#include "core/store/word_batch.h"
#include "core/store/word_store.h"
#include "core/text/format_count.h"
#include "core/words/lemma_map.h"
#include "core/words/tokenizer.h"
#include "core/words/word_cutter.h"

namespace tarvolen {

namespace {

enum class ReadStatus { Read, CannotOpen, ReadError, Refused, CopyFailed, UnknownEncoding };

// One pass over a list file: its chunks decoded and cut into records for the reader.
// Progress moves over both passes of every file (total counts each file twice); a
// Cancel is polled only when cancellable, so that a file is never counted in part.
class ListPass {
  public:
    // progress may be null: then nothing is shown and nothing can be cancelled.
    ListPass(RunState& run, ProgressPort* progress, ReadBuffer& buffer, CodePage codePage)
        : run_(run), progress_(progress), buffer_(buffer), codePage_(codePage) {}

    // False when the encoding cannot be had (iconv no longer knows its name).
    bool Use(const TextEncoding& encoding) {
        decoder_.emplace(encoding, codePage_);
        return decoder_->Valid();
    }

    ReadStatus Run(const ListSource& source, ListTextReader& reader, bool cancellable) {
        const int fd = source.Descriptor();
        if (::lseek(fd, 0, SEEK_SET) != 0)
            return ReadStatus::ReadError;
        decoder_->StartFile();
        std::int64_t read = 0;
        while (read < source.Size()) {
            // A stream has no size in the total, which may then fall short.
            if (progress_ != nullptr && run_.TotalBytes > 0)
                progress_->SetPosition(static_cast<int>(
                    std::min<std::int64_t>(run_.BytesRead * 1000 / run_.TotalBytes, 1000)));
            if (progress_ != nullptr && cancellable && progress_->CancelRequested())
                throw UserCancel{};
            const ssize_t n = ReadChunk(
                fd, buffer_.Data(), nullptr, {},
                static_cast<std::size_t>(std::min<std::int64_t>(kChunkSize, source.Size() - read)));
            if (n < 0)
                return ReadStatus::ReadError;
            if (n == 0)
                break;
            read += n;
            if (!Feed(buffer_.Data(), static_cast<std::size_t>(n), read >= source.Size(), reader))
                return ReadStatus::Refused;
        }
        return reader.Finish() ? ReadStatus::Read : ReadStatus::Refused;
    }

    // One chunk of a reading that begins with Start, decoded in place for reader.
    void Start() { decoder_->StartFile(); }
    bool Feed(unsigned char* bytes, std::size_t n, bool last, ListTextReader& reader) {
        run_.BytesRead += static_cast<std::int64_t>(n);
        const std::span<unsigned char> text = decoder_->Decode(bytes, n, last);
        return reader.Feed({reinterpret_cast<const char*>(text.data()), text.size()});
    }

  private:
    RunState& run_;
    ProgressPort* progress_;
    ReadBuffer& buffer_;
    CodePage codePage_;
    std::optional<TextDecoder> decoder_;
};

// Tarvolen writes UTF-16 lists without a byte order mark. A list in a code page or in
// UTF-8 holds no NUL byte, and a UTF-16 one has a NUL in every ASCII character it
// holds, delimiters included, on the side its byte order puts them; a stray NUL does
// not make a list UTF-16.
constexpr std::size_t kEncodingLook = 4096;

TextEncoding EncodingOf(const unsigned char* start, std::size_t size, const TextEncoding& chosen) {
    if (chosen.kind != EncodingKind::Automatic)
        return chosen;
    const std::optional<EncodingKind> utf16 =
        size > 0 ? Utf16ByNulPattern(start, std::min(size, kEncodingLook)) : std::nullopt;
    return utf16 ? TextEncoding{*utf16, {}} : chosen;
}

TextEncoding EncodingOf(const ListSource& source, const TextEncoding& chosen) {
    unsigned char start[kEncodingLook];
    const ssize_t n = ::pread(source.Descriptor(), start,
                              static_cast<std::size_t>(std::min<std::int64_t>(
                                  static_cast<std::int64_t>(sizeof start), source.Size())),
                              0);
    return EncodingOf(start, n > 0 ? static_cast<std::size_t>(n) : 0, chosen);
}

// What keeps a list from being read at all, as a reading's status.
ReadStatus StatusOf(const ListSource& source) {
    switch (source.State()) {
        case ListSource::Status::CannotOpen:
            return ReadStatus::CannotOpen;
        case ListSource::Status::ReadError:
            return ReadStatus::ReadError;
        case ListSource::Status::Refused:
            return ReadStatus::Refused;
        case ListSource::Status::CopyFailed:
            return ReadStatus::CopyFailed;
        case ListSource::Status::Ready:
            break;
    }
    return ReadStatus::Read;
}

// A list opened and read once through to check every record, before anything of it is
// counted. A stream is checked while it is copied for the counting. The check is the
// records' own unless another reader of the text is given.
class CheckedList {
  public:
    CheckedList(ListPass& pass, const std::string& path, Streams streams, ReadBuffer& buffer,
                const TextEncoding& chosen, const StopAsked& stopAsked, bool cancellable,
                ListTextReader* reader = nullptr)
        : pass_(pass),
          check_(reader != nullptr ? *reader : records_),
          source_(path, streams, buffer, stopAsked,
                  [this, &chosen](unsigned char* bytes, std::size_t n, bool last) {
                      if (!started_) {
                          started_ = true;
                          if (!pass_.Use(EncodingOf(bytes, n, chosen))) {
                              status_ = ReadStatus::UnknownEncoding;
                              return false;
                          }
                          pass_.Start();
                      }
                      return pass_.Feed(bytes, n, last, check_) && (!last || check_.Finish());
                  }) {
        if (status_ == ReadStatus::UnknownEncoding)
            return;
        status_ = StatusOf(source_);
        if (status_ != ReadStatus::Read || source_.Copied())
            return;
        if (!pass_.Use(EncodingOf(source_, chosen)))
            status_ = ReadStatus::UnknownEncoding;
        else
            status_ = pass_.Run(source_, check_, cancellable);
    }

    ReadStatus Status() const { return status_; }
    const ListSource& Source() const { return source_; }
    // Why the list was not read, for its message; empty when it was.
    std::string Problem() const {
        switch (status_) {
            case ReadStatus::CannotOpen:
                return kUnableToOpenText;
            case ReadStatus::ReadError:
                return kUnableToReadText;
            case ReadStatus::Refused:
                return check_.FailureText();
            case ReadStatus::CopyFailed:
                return source_.CopyFailure();
            case ReadStatus::UnknownEncoding:
                return kUnknownEncodingText;
            case ReadStatus::Read:
                break;
        }
        return {};
    }

  private:
    ListPass& pass_;
    ListRecordReader records_{[](std::string_view, std::uint32_t, std::uint32_t) {}};
    ListTextReader& check_;
    bool started_ = false;
    ReadStatus status_ = ReadStatus::Read;
    const ListSource source_;
};

// A list's words are mostly new to the store, so each costs a miss on its chain head
// and entry. They are added in batches, whose memory the store loads ahead in one
// sweep (as it does for the tokenizer's words), in the order they came.
class OccurrenceBatch {
  public:
    explicit OccurrenceBatch(WordStore& store) : store_(store) {}

    void Add(const char* word, std::size_t length, std::uint32_t count, std::uint32_t range) {
        char* text = texts_[size_];
        std::memcpy(text, word, length + 1);
        lengths_[size_] = static_cast<std::uint16_t>(length);  // at most MaxEntryBytes
        counts_[size_] = count;
        ranges_[size_] = range;
        if (++size_ == kSize)
            Flush();
    }

    void Flush() {
        for (std::size_t i = 0; i < size_; ++i)
            WordBatch::Prepare(prepared_[i], texts_[i], lengths_[i]);
        WordBatch::Preload(store_, prepared_, size_);
        for (std::size_t i = 0; i < size_; ++i)
            store_.AddOccurrences(texts_[i], lengths_[i], counts_[i], ranges_[i]);
        size_ = 0;
    }

  private:
    static constexpr std::size_t kSize = 256;
    WordStore& store_;
    std::size_t size_ = 0;
    char texts_[kSize][MaxEntryBytes + 1];
    std::uint16_t lengths_[kSize];
    std::uint32_t counts_[kSize];
    std::uint32_t ranges_[kSize];
    WordBatch::PreparedWord prepared_[kSize];
};

void ShowRefused(MessagePort& messages, const std::string& path, const std::string& why,
                 const char* format = kListRefusedFormat) {
    messages.ShowMessage(FormatText(format, path.c_str(), why.c_str()), MessageIcon::Stop);
}

// A list read on its own, outside a run: the buffer it is read into, and the run's
// byte counts from 0. False (and said) without a buffer.
bool ReadyToRead(RunState& run, const ReadBuffer& buffer, MessagePort& messages) {
    if (!buffer.Valid()) {
        messages.ShowMessage(kNoReadBufferText, MessageIcon::Stop);
        return false;
    }
    run.TotalBytes = 0;
    run.BytesRead = 0;
    return true;
}

}  // namespace

bool MergeLists(RunState& run, const std::vector<std::string>& paths, const IngestHooks& hooks) {
    run.QualifiedWords = 0;
    run.TotalBytes = 0;
    run.BytesRead = 0;
    hooks.progress.SetBounds(0, 1000);
    ReadBuffer buffer(hooks.bufferMemory);
    std::string failure;
    if (!buffer.Valid() || !MeasureFiles(paths, run.TotalBytes, failure, hooks.streams)) {
        hooks.progress.Close();
        hooks.messages.ShowMessage(buffer.Valid() ? failure : std::string(kNoReadBufferText),
                                   MessageIcon::Stop);
        return false;
    }

    // Each file is read twice: once to check it, once to count it.
    run.TotalBytes *= 2;
    const std::uint32_t startTick = hooks.ticks.Now();
    AdaptListToRun(run);
    const std::int32_t countBefore = run.Store.Count();
    // The records' words are cut without the lemmas, which map whole entries below.
    CutterSetup setup = CutterSetupOf(run);
    setup.lemmas = nullptr;
    std::int64_t merged = 0;
    bool allMerged = true;
    ListPass pass(run, &hooks.progress, buffer, run.RunCodePage);
    try {
        for (const std::string& path : paths) {
            hooks.progress.SetFileLine(path);
            if (hooks.progress.CancelRequested())
                break;
            const std::int64_t before = run.BytesRead;
            const CheckedList list(
                pass, path, hooks.streams, buffer, run.RunEncoding,
                [&hooks] { return hooks.progress.CancelRequested(); }, true);
            std::string problem = list.Problem();
            if (list.Status() == ReadStatus::Read) {
                auto batch = std::make_unique<OccurrenceBatch>(run.Store);
                std::uint32_t occurrences = 0;
                std::uint32_t documents = 1;
                std::string mapped;
                auto add = [&](const char* word, std::size_t length) {
                    if (run.Lemmas != nullptr && MapEntry(*run.Lemmas, {word, length}, mapped,
                                                          run.Forms.get(), occurrences)) {
                        word = mapped.c_str();
                        length = mapped.size();
                    }
                    batch->Add(word, length, occurrences, documents);
                    run.QualifiedWords += occurrences;
                };
                RecordEntries entries(setup, add);
                ListRecordReader count(
                    [&](std::string_view text, std::uint32_t n, std::uint32_t range) {
                        occurrences = n;
                        documents = range;
                        entries.Cut(text);
                    });
                const std::int64_t checked = run.BytesRead;
                if (pass.Run(list.Source(), count, false) != ReadStatus::Read)
                    problem = kUnableToReadText;
                batch->Flush();
                merged += run.BytesRead - checked;
            } else {
                // The unread second pass still counts for the bar.
                run.BytesRead = before + 2 * (run.BytesRead - before);
            }
            if (!problem.empty()) {
                allMerged = false;
                ShowRefused(hooks.messages, path, problem);
            }
        }
    } catch (...) {
        EndRun(run, hooks, countBefore);
        throw;
    }
    EndRun(run, hooks, countBefore);

    IngestSummary summary;
    summary.BytesRead = merged;
    summary.QualifiedWords = run.QualifiedWords;
    summary.WordsAdded = run.Store.Count() - countBefore;
    summary.Milliseconds = hooks.ticks.Now() - startTick;
    hooks.messages.ShowMessage(FormatIngestSummary(summary), MessageIcon::Information);
    return allMerged;
}

bool ForEachListedWord(RunState& run, const std::string& path, MessagePort& messages,
                       const std::function<void(const char*, std::size_t)>& visit,
                       ReadBufferMemory& bufferMemory, Streams streams) {
    ReadBuffer buffer(bufferMemory);
    if (!ReadyToRead(run, buffer, messages))
        return false;
    // The list's words are in the list's code page; the stop list may be in any
    // encoding that Automatic recognises.
    ListPass pass(run, nullptr, buffer, run.ListCodePage);
    const CheckedList list(pass, path, streams, buffer, TextEncoding{}, {}, false);
    if (list.Status() != ReadStatus::Read) {
        ShowRefused(messages, path, list.Problem());
        return false;
    }
    // A UTF-8 list's words are cut by the Unicode rule, whatever the last run was.
    CutterSetup setup = CutterSetupOf(run);
    setup.minWordLength = 1;
    setup.toUtf8 = false;
    if (run.ListCodePage == CodePage::Utf8)
        setup.language = kUnicode;
    RecordEntries entries(setup, visit);
    ListRecordReader remove(
        [&](std::string_view text, std::uint32_t, std::uint32_t) { entries.Cut(text); });
    if (pass.Run(list.Source(), remove, false) != ReadStatus::Read) {
        ShowRefused(messages, path, kUnableToReadText);
        return false;
    }
    return true;
}

bool ReadListText(RunState& run, const std::string& path, MessagePort& messages,
                  ListTextReader& reader, const char* refusedFormat,
                  ReadBufferMemory& bufferMemory) {
    ReadBuffer buffer(bufferMemory);
    if (!ReadyToRead(run, buffer, messages))
        return false;
    ListPass pass(run, nullptr, buffer, run.RunCodePage);
    const CheckedList list(pass, path, Streams::Ignored, buffer, TextEncoding{}, {}, false,
                           &reader);
    if (list.Status() == ReadStatus::Read)
        return true;
    ShowRefused(messages, path, list.Problem(), refusedFormat);
    return false;
}

std::int32_t RemoveListedWords(RunState& run, const std::string& path, MessagePort& messages,
                               ReadBufferMemory& bufferMemory, Streams streams) {
    std::int32_t removed = 0;
    ListedWords singles;
    const auto drop = [&](const char* word, std::size_t length) {
        const std::int32_t before = run.Store.Count();
        run.Store.RemoveWord(word);
        removed += before - run.Store.Count();
        if (std::memchr(word, ' ', length) == nullptr)
            singles.emplace(word, length);
    };
    if (!ForEachListedWord(run, path, messages, drop, bufferMemory, streams))
        return -1;
    return removed + RemoveRowsHolding(run.Store, singles);
}

}  // namespace tarvolen
