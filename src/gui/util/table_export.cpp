#include "gui/util/table_export.h"

#include "core/output/word_list_writer.h"
#include "core/ports/file_picker.h"
#include "core/ports/messages.h"
#include "gui/util/wait_cursor.h"

namespace tarvolen {

void ExportTableFile(FilePicker& picker, MessagePort& messages, const char* title, const char* name,
                     const TableWriter& write) {
    FilePickRequest request;
    request.save = true;
    request.title = title;
    request.defaultExtension = "csv";
    request.initialPath = std::string(name) + ".csv";
    request.filter = kTableExportFilter;
    const FilePickResult picked = picker.PickFiles(request);
    if (!picked.accepted || picked.paths.empty())
        return;
    const std::string& path = picked.paths.front();
    const bool tsv = picked.filterIndex == 2 ||
                     (path.size() >= 4 && path.compare(path.size() - 4, 4, ".tsv") == 0);
    WaitCursor busy;
    int error = 0;
    const ExportOutcome outcome = write(path, tsv ? TableFormat::Tsv : TableFormat::Csv, &error);
    busy.Restore();
    if (outcome == ExportOutcome::CannotCreate)
        messages.ShowMessage(CannotCreateMessage(path, error), MessageIcon::Warning);
}

}  // namespace tarvolen
