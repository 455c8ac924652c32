#include "core/analysis/keyword_list_writer.h"

#include <charconv>
#include <string>
#include <string_view>

#include "core/output/upper_case_join.h"

namespace tarvolen {

void WriteKeywordRecord(std::FILE* stream, const KeywordRow& row, const RecordFormat& format) {
    char fields[2 * 11 + 2 * kKeynessChars + 4];
    char* end = fields;
    *end++ = ',';
    end = std::to_chars(end, end + 10, row.count).ptr;
    *end++ = ',';
    end = std::to_chars(end, end + 10, row.refCount).ptr;
    *end++ = ',';
    end = FormatKeyness(row.keyness.g2, end);
    *end++ = ',';
    end = FormatKeyness(row.keyness.logRatio, end);
    WriteRecord(stream, row.word, std::string_view(fields, static_cast<std::size_t>(end - fields)),
                format);
}

namespace {

// Two rows that UPPER CASE would make one cannot be joined: their keyness together is
// not theirs added.
void RefuseJoinedRows(const std::vector<KeywordRow>& rows, const RecordFormat& format) {
    if (!UpperCaseMayJoin(format))
        return;
    std::vector<std::string_view> words;
    words.reserve(rows.size());
    for (const KeywordRow& row : rows)
        words.push_back(row.word);
    RefuseUpperCaseJoin(words, format, "the keyness");
}

}  // namespace

void WriteKeywordRecords(std::FILE* stream, const std::vector<KeywordRow>& rows,
                         const RecordFormat& format) {
    RefuseJoinedRows(rows, format);
    for (const KeywordRow& row : rows)
        WriteKeywordRecord(stream, row, format);
}

WriteOutcome WriteKeywordList(const std::vector<KeywordRow>& rows, const WriterOptions& options,
                              const std::string& path, const WriterHooks& hooks) {
    RefuseJoinedRows(rows, RecordFormat(options));
    return WriteRecordList(options, path, hooks,
                           [&rows](std::FILE* stream, const RecordFormat& format,
                                   const std::function<void(std::size_t)>& every) {
                               for (const KeywordRow& row : rows) {
                                   every(1);
                                   WriteKeywordRecord(stream, row, format);
                               }
                           });
}

}  // namespace tarvolen
