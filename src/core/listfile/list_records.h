#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarvolen {

// The longest record a list may hold: far more than a word and its count can use, and
// than words in a row can (WordsInARow::kMost words of MaxWordBytes, their spaces and
// two numbers), so that a file with no separators in it costs no more memory than this.
inline constexpr std::size_t kLongestListRecord = 1024;

// What reads the decoded text of a list file, a chunk at a time.
class ListTextReader {
  public:
    virtual ~ListTextReader() = default;
    // False once the text was refused; the rest is then ignored.
    virtual bool Feed(std::string_view text) = 0;
    // The end of the file.
    virtual bool Finish() = 0;
    // "line 12: ..." for the refused part.
    virtual const std::string& FailureText() const = 0;
};

// Cuts the decoded text of a word-list file into its records, as every format
// Tarvolen writes them. A line (ended by LF, CR or CR LF, or by the file's end) is one
// record, and the spaces inside it are kept: the record of words in a row. A line is
// read as records delimited by spaces and tabs instead, as lists saved with the Space
// delimiter are, when it ends in a space or tab, when a space or tab follows a comma
// in it ("the,12 and,7"), or when it is longer than kLongestListRecord. Spaces and tabs
// around a record are not part of it.
//
// A record holding a comma is a text without a comma and a count in plain decimal
// digits, 1 to 4,294,967,295, with a range of 1; "text,count,range" (the field between
// the two commas a count) also gives the number of documents, 1 to the count; any
// other record holding a second comma ("word,,3", "a,b,3") is refused; a record
// without a comma is a text with the count 1 and the range 1. A text of more than
// WordsInARow::kMost words is refused: no list holds such entries.
//
// The text arrives in chunks of any size; a line cut by a chunk's end is held until it
// is whole. The first record that holds a comma but no valid count, more than one
// comma, too many words or more than kLongestListRecord bytes stops the reading:
// Failed() is then true and FailureText() says where and why.
class ListRecordReader final : public ListTextReader {
  public:
    using RecordSink =
        std::function<void(std::string_view text, std::uint32_t count, std::uint32_t range)>;

    explicit ListRecordReader(RecordSink sink) : sink_(std::move(sink)) {}

    // False once a record was refused; the rest is then ignored.
    bool Feed(std::string_view text) override;
    // The end of the file ends the last record.
    bool Finish() override;

    bool Failed() const { return failed_; }
    // "line 12: ..." for the refused record.
    const std::string& FailureText() const override { return failure_; }

  private:
    // The part of the current line in text; no line end in it.
    bool Take(std::string_view text);
    // Part of a line read as records delimited by spaces and tabs.
    bool TakeDelimited(std::string_view text);
    // The end of the line held.
    bool EndLine();
    // A whole line; delimited: already read as delimited by blanks, its last record
    // (if any) held.
    bool Line(std::string_view line, bool delimited);
    bool Record(std::string_view record);
    // The digits of a count, or nothing after Fail.
    std::optional<std::uint32_t> Count(std::string_view digits);
    bool Fail(const char* why);

    RecordSink sink_;
    // The current line so far, or, once it is read as delimited, the start of a record
    // cut by the end of the last chunk.
    std::string held_;
    bool delimited_ = false;  // the current line is read as delimited by spaces
    std::int64_t line_ = 1;
    bool afterCr_ = false;  // the last character was a CR: an LF now ends no other line
    bool failed_ = false;
    std::string failure_;
};

// The text without the blanks (spaces and tabs) at either end, as a list's line is
// read.
std::string_view TrimmedBlanks(std::string_view text);

}  // namespace tarvolen
