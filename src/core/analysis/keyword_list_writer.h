#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "core/analysis/keyness.h"
#include "core/output/word_list_writer.h"

namespace tarvolen {

// One record of a keyword list: word,count,refcount,G2,LogRatio, the two figures
// with two decimals, then the delimiter.
void WriteKeywordRecord(std::FILE* stream, const KeywordRow& row, const RecordFormat& format);

// The rows in their order, to an open stream (standard output).
void WriteKeywordRecords(std::FILE* stream, const std::vector<KeywordRow>& rows,
                         const RecordFormat& format);

// The rows as a saved list at path, with the word list's safe save and reports.
WriteOutcome WriteKeywordList(const std::vector<KeywordRow>& rows, const WriterOptions& options,
                              const std::string& path, const WriterHooks& hooks);

}  // namespace tarvolen
