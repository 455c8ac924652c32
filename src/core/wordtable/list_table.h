#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
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

// Writes the table to path through the same safe save as the word list: a failed write
// leaves an existing file as it was and throws the output error (CMyException). When the
// file cannot be created, openError (if given) gets the system's reason (errno).
ExportOutcome ExportListTable(const std::string& path, TableFormat format,
                              const ListSnapshot& snapshot, const std::vector<std::uint32_t>& rows,
                              CodePage encoding, OutputSeam* seam = nullptr,
                              int* openError = nullptr);

}  // namespace tarvolen
