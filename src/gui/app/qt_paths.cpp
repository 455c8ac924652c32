#include "gui/app/qt_paths.h"

#include <QByteArray>
#include <QFile>

namespace tarvolen {

QString DecodePath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string EncodePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace tarvolen
