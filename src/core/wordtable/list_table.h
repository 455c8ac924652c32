#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/code_page.h"

namespace tarvolen {

class ListSnapshot;
class OutputSeam;

// The Word List window's rows as a table for other programs: the clipboard takes
// tab-separated text, an exported file either that or comma-separated values
// (RFC 4180). UTF-8, a header line first, numbers as plain digits with a decimal
// point whatever the locale, so that a spreadsheet reads them as numbers.
enum class TableFormat : std::uint8_t { Tsv, Csv };

// The columns in the order shown; the last kComparisonColumns only while the list is
// compared with a reference.
inline constexpr const char* kTableColumns[] = {"Rank",        "Word",  "Count",    "%",
                                                "Per million", "Range", "Range %",  "Length",
                                                "Ref. count",  "G2",    "Log Ratio"};
inline constexpr std::size_t kComparisonColumns = 3;

// The header line and one line per row, in the order given, with the columns shown.
std::string ListTableText(TableFormat format, const ListSnapshot& snapshot,
                          const std::vector<std::uint32_t>& rows, CodePage encoding);

enum class ExportOutcome { Written, CannotCreate };

// One record of such a table, of any columns: each field quoted where the format needs
// it, then the format's line end.
void AppendTableRecord(std::string& to, TableFormat format,
                       std::initializer_list<std::string_view> fields);

// Writes a table through the same safe save as the word list, next(text) appending the
// next records to text until it returns false; failures as ExportListTable's.
ExportOutcome ExportTable(const std::string& path, const std::function<bool(std::string&)>& next,
                          OutputSeam* seam = nullptr, int* openError = nullptr);

// Writes the table to path through the same safe save as the word list: a failed write
// leaves an existing file as it was and throws the output error (CMyException). When the
// file cannot be created, openError (if given) gets the system's reason (errno).
ExportOutcome ExportListTable(const std::string& path, TableFormat format,
                              const ListSnapshot& snapshot, const std::vector<std::uint32_t>& rows,
                              CodePage encoding, OutputSeam* seam = nullptr,
                              int* openError = nullptr);

}  // namespace tarvolen
