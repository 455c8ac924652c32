#pragma once

#include <QPointer>
#include <QStringList>

#include "core/ports/file_picker.h"

class QFileDialog;
class QWidget;

namespace tarvolen {

class CAppSettings;
class MessagePort;

// The open, save and folder pickers over QFileDialog. Before a save replaces a file
// the picker asks itself, through the program's messages: Qt's own question would
// carry the file dialog's title, where every box of the program is titled "Tarvolen".
class QtFilePicker : public FilePicker {
  public:
    static constexpr const char* kReplaceFormat = "%s already exists.\nDo you want to replace it?";

    explicit QtFilePicker(MessagePort& messages, QWidget* parent = nullptr)
        : messages_(messages), parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    // Where each dialog's last folder is kept, so that it opens there again; none keeps
    // nothing.
    void SetSettings(CAppSettings* settings) { settings_ = settings; }

    FilePickResult PickFiles(const FilePickRequest& request) override;
    std::optional<std::string> PickDirectory(const std::string& title,
                                             const std::string& startDirectory) override;

    // "Text File (*.txt)|*.txt|All Files (*.*)|*.*||" as Qt name filters:
    // "Text File (*.txt)", "All Files (*)". Patterns are separated by ';' in the
    // request and by spaces in Qt; "*.*" means every file, which is "*" here.
    static QStringList ToNameFilters(const std::string& filter);

    // Sets the dialog up for the request (mode, filters, selection, suffix).
    static void Configure(QFileDialog& dialog, const FilePickRequest& request);
    // What a confirmed dialog returns: the chosen paths and the 1-based filter entry.
    static FilePickResult ReadResult(const QFileDialog& dialog);
    // True when a save may go to the path: nothing is there yet, or the person said
    // Yes to replacing it.
    static bool ConfirmReplace(const std::string& path, MessagePort& messages);
    // The name a request's dialog keeps its last folder under: open or save, and its
    // title, or where it has none its first file type.
    static QString FolderKey(const FilePickRequest& request);

  private:
    QWidget* DialogParent() const;

    MessagePort& messages_;
    QPointer<QWidget> parent_;
    CAppSettings* settings_ = nullptr;
};

}  // namespace tarvolen
