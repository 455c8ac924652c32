#include "core/output/keyword_list_writer.h"

#include <string>

namespace tarvolen {

void WriteKeywordRecord(std::FILE* stream, const KeywordRow& row, const RecordFormat& format) {
    std::string fields;
    for (const std::string& field :
         {std::to_string(row.count), std::to_string(row.refCount), FormatKeyness(row.keyness.g2),
          FormatKeyness(row.keyness.logRatio)}) {
        fields += ',';
        fields += field;
    }
    WriteRecord(stream, row.word, fields, format);
}

void WriteKeywordRecords(std::FILE* stream, const std::vector<KeywordRow>& rows,
                         const RecordFormat& format) {
    for (const KeywordRow& row : rows)
        WriteKeywordRecord(stream, row, format);
}

WriteOutcome WriteKeywordList(const std::vector<KeywordRow>& rows, const WriterOptions& options,
                              const std::string& path, const WriterHooks& hooks) {
    return WriteRecordList(
        options, path, hooks,
        [&rows](std::FILE* stream, const RecordFormat& format, const std::function<void()>& every) {
            for (const KeywordRow& row : rows) {
                every();
                WriteKeywordRecord(stream, row, format);
            }
        });
}

}  // namespace tarvolen
