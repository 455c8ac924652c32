#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarvolen {

// What the open, save and folder pickers are asked for. The GUI answers with
// QFileDialog; tests answer from a script.
struct FilePickRequest {
    bool save = false;             // save dialog, else open dialog
    bool multiSelect = false;      // open dialog only
    std::string title;             // empty: the platform's default title
    std::string defaultExtension;  // without dot, e.g. "txt"
    std::string initialPath;       // a file name or full path shown at start
    // Entries separated by '|', pairs of description and pattern, closed by "||":
    // "Text File (*.txt)|*.txt|All Files (*.*)|*.*||"
    std::string filter;
    int filterIndex = 1;  // 1-based entry selected at start
};

struct FilePickResult {
    bool accepted = false;
    std::vector<std::string> paths;  // full paths, in the order the person chose them
    int filterIndex = 1;             // 1-based entry selected when the dialog closed
};

class FilePicker {
  public:
    virtual ~FilePicker() = default;
    virtual FilePickResult PickFiles(const FilePickRequest& request) = 0;
    // A folder, or nothing when the person cancelled.
    virtual std::optional<std::string> PickDirectory(const std::string& title,
                                                     const std::string& startDirectory) = 0;
};

}  // namespace tarvolen
