#include "core/concordance/line_spool.h"

#include <unistd.h>

#include <cstring>

namespace tarvolen {

namespace {

void AppendNumber(std::string& to, std::uint64_t value) {
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    to.append(bytes, sizeof value);
}

std::uint64_t NumberAt(const std::string& from, std::size_t at) {
    std::uint64_t value = 0;
    std::memcpy(&value, from.data() + at, sizeof value);
    return value;
}

// A record: document, line and the three lengths, then the three texts.
constexpr std::size_t kHead = 5 * sizeof(std::uint64_t);

}  // namespace

LineSpool::LineSpool() : file_(std::tmpfile()) {}

LineSpool::~LineSpool() {
    if (file_ != nullptr)
        std::fclose(file_);
}

std::uint32_t LineSpool::Document(const std::string& path) {
    if (documents_.empty() || documents_.back() != path)
        documents_.push_back(path);
    return static_cast<std::uint32_t>(documents_.size() - 1);
}

void LineSpool::Add(std::uint32_t document, const ConcordanceLine& line) {
    if (!Valid())
        return;
    std::string record;
    record.reserve(kHead + line.left.size() + line.match.size() + line.right.size());
    AppendNumber(record, document);
    AppendNumber(record, line.line);
    AppendNumber(record, line.left.size());
    AppendNumber(record, line.match.size());
    AppendNumber(record, line.right.size());
    record += line.left;
    record += line.match;
    record += line.right;
    // The writes follow one another through the stream's buffer; reads do not move
    // the stream (pread).
    if (std::fwrite(record.data(), record.size(), 1, file_) != 1) {
        failed_ = true;
        return;
    }
    unflushed_ = true;
    starts_.push_back(end_);
    end_ += record.size();
}

LineSpool::Line LineSpool::At(std::size_t index) const {
    Line line;
    if (file_ == nullptr || index >= starts_.size())
        return line;
    const std::uint64_t begin = starts_[index];
    const std::uint64_t end = index + 1 < starts_.size() ? starts_[index + 1] : end_;
    std::string record(end - begin, '\0');
    // One system call a line read, of the line's bytes alone: a sorted concordance
    // reads millions of lines in an order of its own.
    if (unflushed_ && std::fflush(file_) != 0)
        return line;
    unflushed_ = false;
    if (::pread(::fileno(file_), record.data(), record.size(), static_cast<off_t>(begin)) !=
            static_cast<ssize_t>(record.size()) ||
        record.size() < kHead)
        return line;
    line.document = static_cast<std::uint32_t>(NumberAt(record, 0));
    line.line = NumberAt(record, 8);
    const std::size_t left = NumberAt(record, 16);
    const std::size_t match = NumberAt(record, 24);
    const std::size_t right = NumberAt(record, 32);
    if (kHead + left + match + right != record.size())
        return Line{};
    line.left = record.substr(kHead, left);
    line.match = record.substr(kHead + left, match);
    line.right = record.substr(kHead + left + match, right);
    return line;
}

}  // namespace tarvolen
