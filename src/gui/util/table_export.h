#pragma once

#include <functional>
#include <string>

#include "core/wordtable/list_table.h"

namespace tarvolen {

class FilePicker;
class MessagePort;

// The choice of formats a window's table is exported in.
inline constexpr const char* kTableExportFilter =
    "Comma-separated values (*.csv)|*.csv|Tab-separated text (*.tsv)|*.tsv||";

// A window's Export: the person picks the file (title, and a name proposed as NAME.csv),
// which is tab-separated text when its filter or its name says so, else CSV; write
// puts the table there under the wait cursor. A file that cannot be created is said
// in a warning; a failed write leaves as the output error does.
using TableWriter =
    std::function<ExportOutcome(const std::string& path, TableFormat format, int* openError)>;
void ExportTableFile(FilePicker& picker, MessagePort& messages, const char* title, const char* name,
                     const TableWriter& write);

}  // namespace tarvolen
