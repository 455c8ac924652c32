#pragma once

#include <QString>
#include <string>

namespace tarvolen {

// The core keeps paths as file-system bytes, not necessarily UTF-8; the screen shows
// them decoded the way Qt decodes file names, and encodes them back the same way.
QString DecodePath(const std::string& path);
std::string EncodePath(const QString& path);
// A path or a message that quotes one, for reading only: a file name that is no UTF-8
// shows its odd bytes as \xHH instead of losing them to replacement marks.
QString ReadableOnScreen(const std::string& text);

}  // namespace tarvolen
