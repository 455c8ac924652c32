#include "gui/app/qt_paths.h"

#include <QByteArray>
#include <QFile>

#include "core/text/readable_text.h"

namespace tarvolen {

QString DecodePath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string EncodePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString ReadableOnScreen(const std::string& text) {
    return QString::fromStdString(ReadableText(text));
}

}  // namespace tarvolen
