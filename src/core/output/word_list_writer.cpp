#include "core/output/word_list_writer.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "core/output/my_exception.h"
#include "core/output/safe_output_file.h"
#include "core/output/sorted_records.h"
#include "core/output/upper_case_join.h"
#include "core/ports/messages.h"
#include "core/ports/ticks.h"
#include "core/store/word_store.h"
#include "core/text/format_count.h"
#include "core/text/unicode_case.h"

namespace tarvolen {

using namespace sorted_records;

namespace {

// Large enough that a write costs a buffer copy and the system sees few, big writes.
constexpr std::size_t kOutputBufferSize = 1 << 20;

// Every record goes through here. The stream belongs to this thread for the whole
// write, so the per-call locking of fwrite buys nothing.
std::size_t PutItem(const void* bytes, std::size_t length, std::FILE* stream) {
    if (length == 0)
        return 1;
#if defined(__GLIBC__)
    return fwrite_unlocked(bytes, length, 1, stream);
#else
    return std::fwrite(bytes, length, 1, stream);
#endif
}

// Encodes one record into a small local buffer and hands it to the stream in as few
// items as possible (one for any word the tokenizer can produce). A word of any
// length is accepted: it is simply passed on in several pieces. Every piece is
// attempted before a short write is reported, so a record is never half-checked.
class RecordBuilder {
  public:
    RecordBuilder(std::FILE* stream, const RecordFormat& format)
        : stream_(stream), format_(format) {}

    // Delimiters, commas and digits pass through here too: ASCII, the same in every
    // encoding.
    void Text(std::string_view text, const UpperCaseTable* table) {
        const auto* in = reinterpret_cast<const unsigned char*>(text.data());
        if (format_.encoding() == RecordFormat::Encoding::CodePage && table == nullptr) {
            Bytes(in, text.size());
            return;
        }
        const ToUnicodeTable& characters = format_.characters();
        for (std::size_t i = 0; i < text.size(); ++i) {
            // The widest form, three bytes of UTF-8, must fit.
            if (sizeof buffer_ - used_ < 3)
                Flush();
            const unsigned char byte = table != nullptr ? (*table)[in[i]] : in[i];
            unsigned char* out = buffer_ + used_;
            switch (format_.encoding()) {
                case RecordFormat::Encoding::CodePage:
                    out[0] = byte;
                    used_ += 1;
                    break;
                case RecordFormat::Encoding::Utf16: {
                    const char16_t unit = characters[byte];
                    out[0] = static_cast<unsigned char>(unit & 0xFF);
                    out[1] = static_cast<unsigned char>(unit >> 8);
                    used_ += 2;
                    break;
                }
                case RecordFormat::Encoding::Utf8:
                    used_ += EncodeUtf8(characters[byte], out);
                    break;
            }
        }
    }

    // A word of the list, in the list's case.
    void Word(std::string_view word) {
        if (format_.utf8List())
            Utf8Word(word, format_.upperUnicode());
        else
            Text(word, format_.upperCase());
    }

    // Writes what is left and raises the output error if any piece fell short.
    void Finish() {
        Flush();
        if (failed_)
            ThrowOutputError();
    }

  private:
    static std::size_t EncodeUtf8(char16_t c, unsigned char* out) {
        if (c < 0x80) {
            out[0] = static_cast<unsigned char>(c);
            return 1;
        }
        if (c < 0x800) {
            out[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
            out[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
            return 2;
        }
        out[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
        out[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 3;
    }

    // A UTF-8 word: as it is, unless it must be widened or upper-cased one
    // character at a time.
    void Utf8Word(std::string_view word, bool upper) {
        const auto* in = reinterpret_cast<const unsigned char*>(word.data());
        const bool utf16 = format_.encoding() == RecordFormat::Encoding::Utf16;
        if (!utf16 && !upper) {
            Bytes(in, word.size());
            return;
        }
        std::size_t i = 0;
        while (i < word.size()) {
            char32_t c = 0;
            U8_NEXT_OR_FFFD(in, i, word.size(), c);
            if (upper)
                c = static_cast<char32_t>(UpperCaseLetter(static_cast<char32_t>(c)));
            if (sizeof buffer_ - used_ < 4)
                Flush();
            unsigned char* out = buffer_ + used_;
            if (!utf16) {
                std::size_t n = 0;
                U8_APPEND_UNSAFE(out, n, c);
                used_ += n;
                continue;
            }
            char16_t units[2];
            std::size_t n = 0;
            U16_APPEND_UNSAFE(units, n, c);
            for (std::size_t k = 0; k < n; ++k) {
                out[2 * k] = static_cast<unsigned char>(units[k] & 0xFF);
                out[2 * k + 1] = static_cast<unsigned char>(units[k] >> 8);
            }
            used_ += 2 * n;
        }
    }

    void Bytes(const unsigned char* in, std::size_t length) {
        while (length > 0) {
            if (used_ == sizeof buffer_)
                Flush();
            const std::size_t n = std::min(length, sizeof buffer_ - used_);
            std::memcpy(buffer_ + used_, in, n);
            used_ += n;
            in += n;
            length -= n;
        }
    }

    void Flush() {
        if (PutItem(buffer_, used_, stream_) != 1)
            failed_ = true;
        used_ = 0;
    }

    std::FILE* stream_;
    const RecordFormat& format_;
    unsigned char buffer_[128];
    std::size_t used_ = 0;
    bool failed_ = false;
};

void WriteRangeRecord(std::FILE* stream, std::string_view word, std::uint32_t count,
                      std::uint32_t range, const RecordFormat& format) {
    char digits[2 * 11];
    char* end = digits;
    *end++ = ',';
    end = std::to_chars(end, end + 10, count).ptr;
    *end++ = ',';
    end = std::to_chars(end, end + 10, range).ptr;
    WriteRecord(stream, word, std::string_view(digits, static_cast<std::size_t>(end - digits)),
                format);
}

SideBySide& SideOf(const WriterHooks& hooks) {
    return hooks.side != nullptr ? *hooks.side : OneAtATime();
}

// Unwinds a write that was asked to stop; caught by the writer that began it.
struct WriteStopped {};

// Asking costs a call, so it is done once per this many records: still far more often
// than a person can notice.
constexpr std::size_t kStopCheckInterval = 4096;

class StopCheck {
  public:
    explicit StopCheck(const WriterHooks& hooks) : hooks_(hooks) {}
    // After each `records` records written.
    void Every(std::size_t records) {
        sinceAsked_ += records;
        if (sinceAsked_ >= kStopCheckInterval) {
            sinceAsked_ = 0;
            Now();
        }
    }
    void Now() const {
        if (hooks_.stopRequested && hooks_.stopRequested())
            throw WriteStopped{};
    }

  private:
    const WriterHooks& hooks_;
    std::size_t sinceAsked_ = 0;
};

// An open that a stop ended (a FIFO that waited for its reader) is no failure to
// report: the person asked for the end. error is the open's errno.
WriteOutcome CannotOpen(const WriterHooks& hooks, const std::string& path, int error) {
    if (hooks.stopRequested && hooks.stopRequested())
        return WriteOutcome::Stopped;
    hooks.messages.ShowMessage(CannotCreateMessage(path, error), MessageIcon::Warning);
    return WriteOutcome::CannotCreate;
}

// The person sees where the list went, which the name proposed may not have said.
std::string WrittenLine(const std::string& path) {
    return "\r\nWritten to " + path;
}

std::string DoneInText(std::uint32_t milliseconds) {
    return "Done! " + FormatCount64(milliseconds, ',') + " milliseconds taken";
}

void ReportSaved(const WriterHooks& hooks) {
    if (hooks.listSaved)
        hooks.listSaved();
}

}  // namespace

RecordFormat::RecordFormat(const WriterOptions& options)
    : encoding_(options.UnicodeOutput != 0 ? Encoding::Utf16
                : options.Utf8Output != 0  ? Encoding::Utf8
                                           : Encoding::CodePage),
      characters_(&ToUnicodeTableOf(options.ListCodePage)),
      upperCase_(options.CaseMode == 1 && options.ListCodePage != CodePage::Utf8
                     ? &UpperCaseTableOf(options.ListCodePage)
                     : nullptr),
      utf8List_(options.ListCodePage == CodePage::Utf8),
      upperUnicode_(utf8List_ && options.CaseMode == 1),
      collation_(options.Collate),
      listCodePage_(options.ListCodePage) {
    switch (options.Delimiter) {
        case Delimiter::CRLF:
            delimiter_ = "\r\n";
            break;
        case Delimiter::Space:
            delimiter_ = " ";
            break;
        case Delimiter::LF:
        default:
            delimiter_ = "\n";
            break;
    }
}

void WriteWord(std::FILE* stream, std::string_view word, const RecordFormat& format) {
    WriteRecord(stream, word, {}, format);
}

// Every kind of record comes here, so that a word reaches the file in the output's
// encoding and the list's case whichever list it is part of.
void WriteRecord(std::FILE* stream, std::string_view word, std::string_view fields,
                 const RecordFormat& format) {
    RecordBuilder record(stream, format);
    record.Word(word);
    record.Text(fields, nullptr);
    record.Text(format.delimiter(), nullptr);
    record.Finish();
}

void WriteFrequencyRecord(std::FILE* stream, std::string_view word, std::uint32_t count,
                          const RecordFormat& format) {
    char digits[16];
    digits[0] = ',';
    auto end = std::to_chars(digits + 1, digits + sizeof digits, count).ptr;
    WriteRecord(stream, word, std::string_view(digits, static_cast<std::size_t>(end - digits)),
                format);
}

void ForEachByFrequency(const WordStore& store,
                        const std::function<void(std::uint32_t, std::uint32_t)>& visit) {
    ForEachSorted(store, SortedKeyedEntries(store, SortBy{OneAtATime()}),
                  [&](const KeyedEntry& entry) { visit(entry.id, entry.count); });
}

std::vector<ListEntry> SortedEntries(const WordStore& store, ListKind kind,
                                     const Collation* collation, CodePage codePage) {
    const SortBy by{OneAtATime(), collation, codePage};
    std::vector<ListEntry> entries;
    entries.reserve(static_cast<std::size_t>(store.Count()));
    switch (kind) {
        case ListKind::Words:
            for (const KeyedWord& word : SortedKeyedWords(store, by))
                entries.push_back({store.WordText(word.id), 0, 0});
            break;
        case ListKind::Frequency:
        case ListKind::Range:
            for (const KeyedRangeEntry& entry : SortedKeyedRanges(store, by))
                entries.push_back({store.WordText(entry.id), entry.count, entry.range});
            break;
    }
    return entries;
}

bool ListBefore(ListKind kind, const ListEntry& a, const ListEntry& b, const Collation* collation,
                CodePage codePage) {
    if (kind != ListKind::Words && a.count != b.count)
        return a.count > b.count;
    return collation != nullptr ? collation->Before(a.word, b.word, codePage)
                                : WordOrder(a.word, b.word);
}

void WriteListRecord(std::FILE* stream, ListKind kind, const ListEntry& entry,
                     const RecordFormat& format) {
    switch (kind) {
        case ListKind::Words:
            WriteWord(stream, entry.word, format);
            break;
        case ListKind::Frequency:
            WriteFrequencyRecord(stream, entry.word, entry.count, format);
            break;
        case ListKind::Range:
            WriteRangeRecord(stream, entry.word, entry.count, entry.range, format);
            break;
    }
}

namespace {

// The list of that kind where UPPER CASE may make words one (UpperCaseMayJoin): its
// entries as EntriesInCase gives them. False, writing nothing, where it may not.
bool WriteJoined(std::FILE* stream, const WordStore& store, ListKind kind,
                 const RecordFormat& format) {
    if (!UpperCaseMayJoin(format))
        return false;
    for (const ListEntry& entry : EntriesInCase(
             SortedEntries(store, kind, format.collation(), format.listCodePage()), kind, format))
        WriteListRecord(stream, kind, entry, format);
    return true;
}

// The same for a save: nothing when UPPER CASE cannot make words one.
std::optional<WriteOutcome> SaveJoined(const WordStore& store, ListKind kind,
                                       const WriterOptions& options, const std::string& path,
                                       const WriterHooks& hooks,
                                       std::optional<std::uint32_t> startTick) {
    const RecordFormat format(options);
    if (!UpperCaseMayJoin(format))
        return std::nullopt;
    // Joined, or refused, before the file is opened: a refusal keeps the old one.
    const std::vector<ListEntry> entries = EntriesInCase(
        SortedEntries(store, kind, format.collation(), format.listCodePage()), kind, format);
    return WriteRecordList(
        options, path, hooks,
        [&](std::FILE* stream, const RecordFormat& written,
            const std::function<void(std::size_t)>& every) {
            for (const ListEntry& entry : entries) {
                every(1);
                WriteListRecord(stream, kind, entry, written);
            }
        },
        startTick);
}

// Each kind of sorted entry as its list's record.
void WriteKeyed(std::FILE* stream, const WordStore& store, const KeyedWord& word,
                const RecordFormat& format) {
    WriteWord(stream, store.WordText(word.id), format);
}

void WriteKeyed(std::FILE* stream, const WordStore& store, const KeyedEntry& entry,
                const RecordFormat& format) {
    WriteFrequencyRecord(stream, store.WordText(entry.id), entry.count, format);
}

void WriteKeyed(std::FILE* stream, const WordStore& store, const KeyedRangeEntry& entry,
                const RecordFormat& format) {
    WriteRangeRecord(stream, store.WordText(entry.id), entry.count, entry.range, format);
}

template <typename Keyed>
using SortKeyed = std::vector<Keyed> (*)(const WordStore&, const SortBy&);

template <typename Keyed>
void WriteSortedRecords(std::FILE* stream, const WordStore& store, ListKind kind,
                        SortKeyed<Keyed> sort, const RecordFormat& format, SideBySide& side) {
    if (WriteJoined(stream, store, kind, format))
        return;
    WriteSorted(
        stream, store, sort(store, SortBy{side, format.collation(), format.listCodePage()}), side,
        [&](std::FILE* out, const Keyed& entry) { WriteKeyed(out, store, entry, format); },
        [](std::size_t) {});
}

// The lists that carry counts, saved: refused when the store is empty, and sorted
// before the file is opened, as the word list is.
template <typename Keyed>
WriteOutcome WriteCountedList(const WordStore& store, ListKind kind, SortKeyed<Keyed> sort,
                              const WriterOptions& options, const std::string& path,
                              const WriterHooks& hooks) {
    if (store.Count() == 0) {
        hooks.messages.ShowMessage(kEmptyProjectText, MessageIcon::Warning);
        return WriteOutcome::EmptyList;
    }
    if (std::optional<WriteOutcome> joined =
            SaveJoined(store, kind, options, path, hooks, std::nullopt))
        return *joined;
    const std::vector<Keyed> entries =
        sort(store, SortBy{SideOf(hooks), options.Collate, options.ListCodePage});
    return WriteRecordList(
        options, path, hooks,
        [&](std::FILE* stream, const RecordFormat& format,
            const std::function<void(std::size_t)>& every) {
            WriteSorted(
                stream, store, entries, SideOf(hooks),
                [&](std::FILE* out, const Keyed& entry) { WriteKeyed(out, store, entry, format); },
                every);
        });
}

}  // namespace

void WriteWordRecords(std::FILE* stream, const WordStore& store, const RecordFormat& format,
                      SideBySide& side) {
    WriteSortedRecords(stream, store, ListKind::Words, SortedKeyedWords, format, side);
}

void WriteFrequencyRecords(std::FILE* stream, const WordStore& store, const RecordFormat& format,
                           SideBySide& side) {
    WriteSortedRecords(stream, store, ListKind::Frequency, SortedKeyedEntries, format, side);
}

void WriteRangeRecords(std::FILE* stream, const WordStore& store, const RecordFormat& format,
                       SideBySide& side) {
    WriteSortedRecords(stream, store, ListKind::Range, SortedKeyedRanges, format, side);
}

WriteOutcome WriteFrequencyList(const WordStore& store, const WriterOptions& options,
                                const std::string& path, const WriterHooks& hooks) {
    return WriteCountedList(store, ListKind::Frequency, SortedKeyedEntries, options, path, hooks);
}

WriteOutcome WriteRangeList(const WordStore& store, const WriterOptions& options,
                            const std::string& path, const WriterHooks& hooks) {
    return WriteCountedList(store, ListKind::Range, SortedKeyedRanges, options, path, hooks);
}

std::string CannotCreateMessage(const std::string& path, int error) {
    return std::string(kCannotCreateText) + "\r\n" + path + ": " + std::strerror(error);
}

WriteOutcome WriteWordList(const WordStore& store, const WriterOptions& options,
                           const std::string& path, const WriterHooks& hooks) {
    BusyScope busy(hooks.busy);
    const std::uint32_t start = hooks.ticks.Now();
    if (std::optional<WriteOutcome> joined =
            SaveJoined(store, ListKind::Words, options, path, hooks, start))
        return *joined;

    // Sorted before the file is opened: should the memory for the sort be missing,
    // an existing list must not have been truncated already.
    const std::vector<KeyedWord> words =
        SortedKeyedWords(store, SortBy{SideOf(hooks), options.Collate, options.ListCodePage});
    if (hooks.sorted)
        hooks.sorted();
    SafeOutputFile file(hooks.seam, hooks.stopRequested);
    if (!file.Open(path, options.AppendOutput != 0, kOutputBufferSize)) {
        const int error = errno;
        busy.End();
        return CannotOpen(hooks, path, error);
    }
    const RecordFormat format(options);
    StopCheck stop(hooks);
    try {
        WriteSorted(
            file.stream(), store, words, SideOf(hooks),
            [&](std::FILE* out, const KeyedWord& word) {
                WriteWord(out, store.WordText(word.id), format);
            },
            [&](std::size_t records) { stop.Every(records); });
        stop.Now();
    } catch (const WriteStopped&) {
        return WriteOutcome::Stopped;
    }
    // On a failure the file undoes itself as the output error leaves.
    if (!file.Commit())
        ThrowOutputError();

    ReportSaved(hooks);
    const std::uint32_t elapsed = hooks.ticks.Now() - start;
    // The message box must not carry the wait cursor.
    busy.End();
    hooks.messages.ShowMessage(DoneInText(elapsed) + WrittenLine(path), MessageIcon::Information);
    return WriteOutcome::Written;
}

WriteOutcome WriteRecordList(const WriterOptions& options, const std::string& path,
                             const WriterHooks& hooks, const RecordSource& writeRecords,
                             std::optional<std::uint32_t> startTick) {
    if (hooks.sorted)
        hooks.sorted();
    SafeOutputFile file(hooks.seam, hooks.stopRequested);
    if (!file.Open(path, options.AppendOutput != 0, kOutputBufferSize))
        return CannotOpen(hooks, path, errno);
    const RecordFormat format(options);
    StopCheck stop(hooks);
    try {
        writeRecords(file.stream(), format, [&stop](std::size_t records) { stop.Every(records); });
        stop.Now();
    } catch (const WriteStopped&) {
        return WriteOutcome::Stopped;
    }
    // A full disk must never end in "Done!": the commit reports what the last flush
    // could not write.
    if (!file.Commit())
        ThrowOutputError();

    ReportSaved(hooks);
    const std::string done =
        startTick ? DoneInText(hooks.ticks.Now() - *startTick) : std::string(kDoneText);
    hooks.messages.ShowMessage(done + WrittenLine(path), MessageIcon::Information);
    return WriteOutcome::Written;
}

}  // namespace tarvolen
