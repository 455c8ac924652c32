#include "core/listfile/list_records.h"

#include "core/text/format_count.h"

namespace tarvolen {

namespace {

constexpr const char* kTooLongText = "the record is longer than 1,024 bytes";
static_assert(kLongestListRecord == 1024);

bool EndsRecord(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

bool ListRecordReader::Feed(std::string_view text) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size() && !failed_; ++i) {
        const char c = text[i];
        if (!EndsRecord(c))
            continue;
        if (!held_.empty()) {
            if (held_.size() + (i - start) > kLongestListRecord)
                return Fail(kTooLongText);
            held_.append(text.substr(start, i - start));
            const std::string record = std::move(held_);
            held_.clear();
            Record(record);
        } else if (i > start) {
            Record(text.substr(start, i - start));
        }
        const bool afterCr = i > 0 ? text[i - 1] == '\r' : afterCr_;
        if (c == '\r' || (c == '\n' && !afterCr))
            ++line_;
        start = i + 1;
    }
    if (failed_)
        return false;
    if (!text.empty())
        afterCr_ = text.back() == '\r';
    const std::string_view rest = text.substr(start);
    if (held_.size() + rest.size() > kLongestListRecord)
        return Fail(kTooLongText);
    held_.append(rest);
    return true;
}

bool ListRecordReader::Finish() {
    if (!failed_ && !held_.empty()) {
        const std::string record = std::move(held_);
        held_.clear();
        Record(record);
    }
    return !failed_;
}

bool ListRecordReader::Record(std::string_view record) {
    if (record.size() > kLongestListRecord)
        return Fail(kTooLongText);
    const std::size_t comma = record.rfind(',');
    if (comma == std::string_view::npos) {
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
    if (text.empty())
        return Fail("a count without a word");
    // No word holds a comma: "word,,3" or "a,b,3" is not a record of a list.
    if (text.find(',') != std::string_view::npos)
        return Fail("more than one comma");
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

}  // namespace tarvolen
