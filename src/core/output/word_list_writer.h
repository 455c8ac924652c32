#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/output/output_options.h"
#include "core/output/upper_case.h"
#include "core/ports/side_by_side.h"
#include "core/words/char_map.h"

namespace tarvolen {

class Collation;
class MessagePort;
class OutputSeam;
class TickSource;
class WordStore;

inline constexpr const char* kCannotCreateText = "Unable to create output file";
inline constexpr const char* kEmptyProjectText = "The project is empty, nothing to save";
inline constexpr const char* kDoneText = "Done!";

// Shown while a list is sorted and written; the GUI sets its wait cursor.
class BusyIndicator {
  public:
    virtual ~BusyIndicator() = default;
    virtual void BeginBusy() = 0;
    virtual void EndBusy() = 0;
    // The list is sorted and its records are being written: for an indicator that
    // tells the two apart.
    virtual void Writing() {}
};

// The indicator busy (when there is one) from here to the end of the scope, or to End.
class BusyScope {
  public:
    explicit BusyScope(BusyIndicator* busy) : busy_(busy) {
        if (busy_ != nullptr)
            busy_->BeginBusy();
    }
    ~BusyScope() { End(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

    void End() {
        if (busy_ != nullptr)
            busy_->EndBusy();
        busy_ = nullptr;
    }

  private:
    BusyIndicator* busy_;
};

// What a writer needs of whoever runs it.
struct WriterHooks {
    MessagePort& messages;
    TickSource& ticks;
    BusyIndicator* busy = nullptr;  // optional
    // Runs once the whole list has reached the file and the file is closed, before
    // "Done!" is shown: the caller clears ListUnsaved and refreshes its status line.
    std::function<void()> listSaved;
    // Asked now and then while the records are written, and when a signal interrupts
    // a wait in the open (for a FIFO's reader, for another append's lock); true ends
    // the write with the target as it was before (the command line's Ctrl-C). Optional.
    std::function<bool()> stopRequested = {};
    // Runs once the list is sorted, right before its file is opened. Optional.
    std::function<void()> sorted = {};
    // Where the file's bytes go instead of write(2); only tests set it.
    OutputSeam* seam = nullptr;
    // Tasks the sort may run at once; none: one after another. Optional.
    SideBySide* side = nullptr;
};

enum class WriteOutcome {
    Written,       // complete; listSaved ran and "Done!" was shown
    CannotCreate,  // the file could not be opened; nothing written
    EmptyList,     // WriteFrequencyList refused an empty store; no file touched
    Stopped,       // stopRequested said so; the target is as it was, nothing shown
};

// How each record is encoded, resolved once per write from the options.
class RecordFormat {
  public:
    enum class Encoding : std::uint8_t { CodePage, Utf16, Utf8 };

    explicit RecordFormat(const WriterOptions& options);

    Encoding encoding() const { return encoding_; }
    // The character of each byte of the list's code page (for UTF-16 and UTF-8).
    const ToUnicodeTable& characters() const { return *characters_; }
    const UpperCaseTable* upperCase() const { return upperCase_; }  // nullptr: as stored
    std::string_view delimiter() const { return delimiter_; }       // 8-bit form
    // The words are UTF-8 (a list of "Any language (Unicode)"): 8-bit output is
    // the words as stored, UTF-16 is converted from them, and UPPER CASE is each
    // character's simple upper-case mapping (upperUnicode).
    bool utf8List() const { return utf8List_; }
    bool upperUnicode() const { return upperUnicode_; }
    // The alphabetical order the list is sorted in; null: byte order.
    const Collation* collation() const { return collation_; }
    CodePage listCodePage() const { return listCodePage_; }

  private:
    Encoding encoding_;
    const ToUnicodeTable* characters_;
    const UpperCaseTable* upperCase_;
    bool utf8List_;
    bool upperUnicode_;
    std::string_view delimiter_;
    const Collation* collation_;
    CodePage listCodePage_;
};

// One word-list record: the word, then the delimiter. Throws CMyException (the output
// error) when the stream takes less than the whole record.
void WriteWord(std::FILE* stream, std::string_view word, const RecordFormat& format);
// One record of the list with counts: word, comma, count in decimal, delimiter.
void WriteFrequencyRecord(std::FILE* stream, std::string_view word, std::uint32_t count,
                          const RecordFormat& format);

// One record of any other kind: the word, then fields as they stand (commas, digits,
// points and minus signs: ASCII, the same in every encoding), then the delimiter.
void WriteRecord(std::FILE* stream, std::string_view word, std::string_view fields,
                 const RecordFormat& format);

// The three lists a store is written as.
enum class ListKind : std::uint8_t {
    Words,      // word per record, in WordOrder
    Frequency,  // word,count in FrequencyOrder
    Range,      // word,count,range in FrequencyOrder
};

// A word of a list with what its records may carry.
struct ListEntry {
    std::string_view word;
    std::uint32_t count;
    std::uint32_t range;
};
// The store's words in the order of the list of that kind, as views of the stored
// texts (nothing copied); sorted lists made apart (sharing no word) merge by ListBefore.
std::vector<ListEntry> SortedEntries(const WordStore& store, ListKind kind,
                                     const Collation* collation = nullptr,
                                     CodePage codePage = CodePage::Windows1252);
// Whether a comes before b in the list of that kind.
bool ListBefore(ListKind kind, const ListEntry& a, const ListEntry& b,
                const Collation* collation = nullptr, CodePage codePage = CodePage::Windows1252);
// The entry's record in the list of that kind.
void WriteListRecord(std::FILE* stream, ListKind kind, const ListEntry& entry,
                     const RecordFormat& format);

// The store's words with their counts in FrequencyOrder, handed to visit one by one
// as their ids in the store (WordStore::WordId) with no array of views in between:
// for a caller that keeps less of each word than a view.
void ForEachByFrequency(const WordStore& store,
                        const std::function<void(std::uint32_t, std::uint32_t)>& visit);

// The records of the whole list, to an already open stream (a file or standard output);
// the caller owns the stream and must still flush or close it and check that. The
// sort runs its tasks side by side.
void WriteWordRecords(std::FILE* stream, const WordStore& store, const RecordFormat& format,
                      SideBySide& side = OneAtATime());
void WriteFrequencyRecords(std::FILE* stream, const WordStore& store, const RecordFormat& format,
                           SideBySide& side = OneAtATime());
// "word,count,range" records in FrequencyOrder: the count, then the number of
// documents the word was counted in.
void WriteRangeRecords(std::FILE* stream, const WordStore& store, const RecordFormat& format,
                       SideBySide& side = OneAtATime());

// "Unable to create output file\r\n/path/WordList.txt: Permission denied": the file and
// the system's reason (errno) for it.
std::string CannotCreateMessage(const std::string& path, int error);

// The Save command's writers: open the path ("ab" or "wb"), write the whole list and
// report through hooks.messages ("Done! %s milliseconds taken" / "Done!", then
// "\r\nWritten to " and the path; CannotCreateMessage when it cannot be opened). A failed
// write or close throws CMyException and listSaved is not called. Whatever way a write
// fails, a regular file at the path is left exactly as it was (see SafeOutputFile).
WriteOutcome WriteWordList(const WordStore& store, const WriterOptions& options,
                           const std::string& path, const WriterHooks& hooks);
WriteOutcome WriteFrequencyList(const WordStore& store, const WriterOptions& options,
                                const std::string& path, const WriterHooks& hooks);

// The same save for records made elsewhere: writeRecords(stream, format, every) writes
// them all, calling every(n) after each n records so that a stop request is heard. With
// a start tick, the report gives the milliseconds since it, as the word list's does.
using RecordSource = std::function<void(std::FILE*, const RecordFormat&,
                                        const std::function<void(std::size_t)>& every)>;
WriteOutcome WriteRecordList(const WriterOptions& options, const std::string& path,
                             const WriterHooks& hooks, const RecordSource& writeRecords,
                             std::optional<std::uint32_t> startTick = std::nullopt);

// The frequency list with each word's range: refused, as that list is, when empty.
WriteOutcome WriteRangeList(const WordStore& store, const WriterOptions& options,
                            const std::string& path, const WriterHooks& hooks);

}  // namespace tarvolen
