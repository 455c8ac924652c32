#include "gui/app/qt_file_picker.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

#include "core/output/output_paths.h"
#include "core/ports/messages.h"
#include "core/text/format_count.h"
#include "gui/app/app_settings.h"
#include "gui/app/qt_paths.h"

namespace tarvolen {

namespace {

QString QtPatterns(const QString& patterns) {
    QStringList parts;
    for (QString part : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        part = part.trimmed();
        if (part.isEmpty())
            continue;
        parts << (part == QLatin1String("*.*") ? QStringLiteral("*") : part);
    }
    return parts.join(QLatin1Char(' '));
}

// "All Files (*.*)" already names its patterns; Qt reads the patterns out of the
// last parentheses, so they are replaced rather than repeated.
QString NameFilter(QString description, const QString& patterns) {
    QString qtPatterns = QtPatterns(patterns);
    static const QRegularExpression kTrailingPatterns(QStringLiteral("\\s*\\(([^()]*)\\)\\s*$"));
    QRegularExpressionMatch match = kTrailingPatterns.match(description);
    if (match.hasMatch() &&
        QtPatterns(match.captured(1).replace(QLatin1Char(' '), QLatin1Char(';'))) == qtPatterns) {
        description.truncate(match.capturedStart());
    }
    description = description.trimmed();
    if (qtPatterns.isEmpty())
        qtPatterns = QStringLiteral("*");
    if (description.isEmpty())
        return qtPatterns;
    return QStringLiteral("%1 (%2)").arg(description, qtPatterns);
}

}  // namespace

QStringList QtFilePicker::ToNameFilters(const std::string& filter) {
    QStringList entries = QString::fromUtf8(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < entries.size(); i += 2) {
        // An empty description ends the list ("||").
        if (entries[i].isEmpty())
            break;
        filters << NameFilter(entries[i], entries[i + 1]);
    }
    return filters;
}

void QtFilePicker::Configure(QFileDialog& dialog, const FilePickRequest& request) {
    if (!request.title.empty())
        dialog.setWindowTitle(QString::fromUtf8(request.title));
    if (request.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // PickFiles asks instead, titled as the program's boxes are.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles
                                               : QFileDialog::ExistingFile);
    }
    // Only a new file's name is completed: an open dialog opens exactly the name
    // typed ("README", "/usr/bin/ls"), whatever the filter shows.
    if (request.save && !request.defaultExtension.empty()) {
        dialog.setDefaultSuffix(QString::fromUtf8(request.defaultExtension));
    }
    QStringList filters = ToNameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        int index = request.filterIndex - 1;
        if (index >= 0 && index < filters.size())
            dialog.selectNameFilter(filters[index]);
    }
    if (!request.initialPath.empty()) {
        QFileInfo initial(DecodePath(request.initialPath));
        if (initial.isAbsolute() || request.initialPath.find('/') != std::string::npos) {
            dialog.setDirectory(initial.absolutePath());
        }
        dialog.selectFile(initial.fileName());
    }
}

FilePickResult QtFilePicker::ReadResult(const QFileDialog& dialog) {
    FilePickResult result;
    result.accepted = true;
    for (const QString& path : dialog.selectedFiles()) {
        result.paths.push_back(EncodePath(QDir::toNativeSeparators(path)));
    }
    int index = dialog.nameFilters().indexOf(dialog.selectedNameFilter());
    result.filterIndex = index >= 0 ? index + 1 : 1;
    return result;
}

bool QtFilePicker::ConfirmReplace(const std::string& path, MessagePort& messages) {
    return !PathExists(path) || messages.Ask(FormatText(kReplaceFormat, path.c_str()),
                                             MessageButtons::YesNo) == Answer::Yes;
}

QString QtFilePicker::FolderKey(const FilePickRequest& request) {
    const std::string name =
        !request.title.empty() ? request.title : request.filter.substr(0, request.filter.find('|'));
    QString key = QString::fromUtf8(request.save ? "save-" : "open-");
    for (const QChar c : QString::fromUtf8(name)) {
        if (c.isLetterOrNumber())
            key += c.toLower();
        else if (!key.endsWith(QLatin1Char('-')))
            key += QLatin1Char('-');
    }
    while (key.endsWith(QLatin1Char('-')))
        key.chop(1);
    return key;
}

QWidget* QtFilePicker::DialogParent() const {
    if (parent_ && parent_->isEnabled())
        return parent_;
    return nullptr;
}

FilePickResult QtFilePicker::PickFiles(const FilePickRequest& request) {
    QFileDialog dialog(DialogParent());
    Configure(dialog, request);
    // A request that names no folder of its own opens where this dialog was left.
    const QString key = FolderKey(request);
    if (settings_ != nullptr && request.initialPath.find('/') == std::string::npos) {
        const QString folder = settings_->Folder(key);
        if (!folder.isEmpty())
            dialog.setDirectory(folder);
    }
    for (;;) {
        if (dialog.exec() != QDialog::Accepted) {
            FilePickResult cancelled;
            cancelled.filterIndex = request.filterIndex;
            return cancelled;
        }
        FilePickResult result = ReadResult(dialog);
        if (result.paths.empty()) {
            result.accepted = false;
            return result;
        }
        if (!request.save || ConfirmReplace(result.paths.front(), messages_)) {
            if (settings_ != nullptr)
                settings_->SetFolder(key, dialog.directory().absolutePath());
            return result;
        }
        // No: back to the dialog, with the name the person chose, to pick another.
        dialog.selectFile(DecodePath(result.paths.front()));
    }
}

std::optional<std::string> QtFilePicker::PickDirectory(const std::string& title,
                                                       const std::string& startDirectory) {
    FilePickRequest request;
    request.title = title;
    const QString key = QStringLiteral("folder-") + FolderKey(request).mid(5);
    QString start = DecodePath(startDirectory);
    if (settings_ != nullptr && start.isEmpty())
        start = settings_->Folder(key);
    QString chosen =
        QFileDialog::getExistingDirectory(DialogParent(), QString::fromUtf8(title), start);
    if (settings_ != nullptr && !chosen.isEmpty())
        settings_->SetFolder(key, chosen);
    if (chosen.isEmpty())
        return std::nullopt;
    return EncodePath(QDir::toNativeSeparators(chosen));
}

}  // namespace tarvolen
