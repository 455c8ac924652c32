#pragma once

#include <QPointer>
#include <QStringList>

#include "core/util/file_picker.h"

class QFileDialog;
class QWidget;

namespace tarvolen {

// The open, save and folder pickers over QFileDialog.
class QtFilePicker : public FilePicker {
  public:
    explicit QtFilePicker(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

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

  private:
    QWidget* DialogParent() const;

    QPointer<QWidget> parent_;
};

}  // namespace tarvolen
