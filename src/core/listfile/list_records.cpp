#include "core/listfile/list_records.h"

#include "core/text/format_count.h"
#include "core/words/words_in_a_row.h"

namespace tarvolen {

namespace {

constexpr const char* kTooLongText = "the record is longer than 1,024 bytes";
static_assert(kLongestListRecord == 1024);

constexpr std::string_view kBlanks = " \t";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A line written with the Space delimiter, or by hand as several records: it ends in a
// blank, or a blank follows a count. The record of words in a row has neither.
bool DelimitedByBlanks(std::string_view line) {
    if (!line.empty() && IsBlank(line.back()))
        return true;
    const std::size_t comma = line.find(',');
    return comma != std::string_view::npos &&
           line.find_first_of(kBlanks, comma) != std::string_view::npos;
}

constexpr const char* kTooManyWordsText = "more than 8 words in one record";
static_assert(WordsInARow::kMost == 8);

// More blank-separated words than an entry of words in a row holds.
bool TooManyWords(std::string_view text) {
    std::size_t words = 0;
    bool inWord = false;
    for (char c : text) {
        words += !inWord && !IsBlank(c);
        inWord = !IsBlank(c);
    }
    return words > static_cast<std::size_t>(WordsInARow::kMost);
}

}  // namespace

bool ListRecordReader::Feed(std::string_view text) {
    while (!failed_ && !text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view part = text.substr(0, end);
        if (end != std::string_view::npos && held_.empty() && !delimited_ &&
            part.size() <= kLongestListRecord) {
            // A whole line in the chunk: read where it lies, copied nowhere. (An LF
            // right after a CR ends an empty line: nothing.)
            if (!Line(part, false))
                return false;
        } else {
            if (!Take(part))
                return false;
            if (end == std::string_view::npos) {
                afterCr_ = false;
                return true;
            }
            if (!EndLine())
                return false;
        }
        const bool afterCr = end > 0 ? false : afterCr_;
        const char c = text[end];
        if (c == '\r' || !afterCr)
            ++line_;
        afterCr_ = c == '\r';
        text.remove_prefix(end + 1);
    }
    return !failed_;
}

bool ListRecordReader::Finish() {
    return !failed_ && EndLine();
}

bool ListRecordReader::Take(std::string_view text) {
    if (delimited_)
        return TakeDelimited(text);
    if (held_.size() + text.size() <= kLongestListRecord) {
        held_.append(text);
        return true;
    }
    // Too long for one record: records delimited by blanks, or a refusal.
    delimited_ = true;
    const std::string start = std::move(held_);
    held_.clear();
    return TakeDelimited(start) && TakeDelimited(text);
}

bool ListRecordReader::TakeDelimited(std::string_view text) {
    for (std::size_t blank = text.find_first_of(kBlanks); blank != std::string_view::npos;
         blank = text.find_first_of(kBlanks)) {
        if (held_.size() + blank > kLongestListRecord)
            return Fail(kTooLongText);
        held_.append(text.substr(0, blank));
        if (!held_.empty()) {
            const std::string record = std::move(held_);
            held_.clear();
            if (!Record(record))
                return false;
        }
        text.remove_prefix(blank + 1);
    }
    if (held_.size() + text.size() > kLongestListRecord)
        return Fail(kTooLongText);
    held_.append(text);
    return true;
}

bool ListRecordReader::EndLine() {
    const std::string line = std::move(held_);
    held_.clear();
    const bool delimited = delimited_;
    delimited_ = false;
    return Line(line, delimited);
}

bool ListRecordReader::Line(std::string_view line, bool delimited) {
    if (delimited || DelimitedByBlanks(line)) {
        if (!TakeDelimited(line))
            return false;
        const std::string last = std::move(held_);
        held_.clear();
        return last.empty() || Record(last);
    }
    const std::string_view record = TrimmedBlanks(line);
    return record.empty() || Record(record);
}

bool ListRecordReader::Record(std::string_view record) {
    if (record.size() > kLongestListRecord)
        return Fail(kTooLongText);
    const std::size_t comma = record.rfind(',');
    if (comma == std::string_view::npos) {
        if (TooManyWords(record))
            return Fail(kTooManyWordsText);
        sink_(record, 1, 1);
        return true;
    }
    std::string_view text = record.substr(0, comma);
    std::string_view digits = record.substr(comma + 1);
    std::string_view rangeDigits;
    // "word,count,range": the field before the last is a count. A word holds no comma,
    // so no other record is read differently for it.
    if (const std::size_t before = text.rfind(','); before != std::string_view::npos) {
        const std::string_view middle = text.substr(before + 1);
        if (!middle.empty() && middle.find_first_not_of("0123456789") == std::string_view::npos) {
            rangeDigits = digits;
            digits = middle;
            text = text.substr(0, before);
        }
    }
    text = TrimmedBlanks(text);
    if (text.empty())
        return Fail("a count without a word");
    // No word holds a comma: "word,,3" or "a,b,3" is not a record of a list.
    if (text.find(',') != std::string_view::npos)
        return Fail("more than one comma");
    if (TooManyWords(text))
        return Fail(kTooManyWordsText);
    if (digits.empty())
        return Fail("no count after the comma");
    const std::optional<std::uint32_t> count = Count(digits);
    if (!count)
        return false;
    std::uint64_t range = 1;
    if (rangeDigits.data() != nullptr) {
        if (rangeDigits.empty() ||
            rangeDigits.find_first_not_of("0123456789") != std::string_view::npos)
            return Fail("the range is not a number");
        range = 0;
        for (char c : rangeDigits) {
            range = range * 10 + static_cast<unsigned>(c - '0');
            if (range > *count)
                return Fail("the range is above the count");
        }
        if (range == 0)
            return Fail("the range is 0");
    }
    sink_(text, *count, static_cast<std::uint32_t>(range));
    return true;
}

std::optional<std::uint32_t> ListRecordReader::Count(std::string_view digits) {
    std::uint64_t count = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            Fail("the count is not a number");
            return std::nullopt;
        }
        count = count * 10 + static_cast<unsigned>(c - '0');
        if (count > 4'294'967'295u) {
            Fail("the count is above 4,294,967,295");
            return std::nullopt;
        }
    }
    if (count == 0) {
        Fail("the count is 0");
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(count);
}

bool ListRecordReader::Fail(const char* why) {
    failed_ = true;
    failure_ = FormatText("line %s: %s", FormatCount64(line_, ',').c_str(), why);
    return false;
}

std::string_view TrimmedBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace tarvolen
