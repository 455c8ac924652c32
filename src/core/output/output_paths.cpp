#include "core/output/output_paths.h"

#include <strings.h>
#include <unistd.h>

#include <string_view>

namespace tarvolen {

namespace {

bool EndsWithFolder(const std::string& directory, std::string_view folder) {
    // The folder name framed by separators: "/debug/" needs 7 characters.
    if (directory.size() < folder.size() + 2)
        return false;
    std::size_t start = directory.size() - folder.size() - 2;
    return directory[start] == '/' &&
           strncasecmp(directory.c_str() + start + 1, folder.data(), folder.size()) == 0;
}

}  // namespace

std::string DirectoryOfPath(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    std::string directory = path.substr(0, slash + 1);
    for (std::string_view folder : {std::string_view("debug"), std::string_view("release")}) {
        if (EndsWithFolder(directory, folder)) {
            directory.resize(directory.size() - folder.size() - 1);
            break;
        }
    }
    return directory;
}

std::string DefaultOutputPath(const std::string& lastInputPath, const std::string& lastSavedPath) {
    const std::size_t slash = lastSavedPath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string savedName = lastSavedPath.substr(nameStart);
    const std::string name = savedName.empty() ? std::string(kDefaultListName) : savedName;
    if (lastInputPath.empty() && !savedName.empty())
        return lastSavedPath.substr(0, nameStart) + name;
    return DirectoryOfPath(lastInputPath) + name;
}

bool PathExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

std::string FirstFreeFileName(const std::string& path) {
    if (!PathExists(path))
        return path;

    // The number goes between the base name and the extension (from the last dot of
    // the file name on, the dot included); a dot in a folder name is not an extension.
    std::size_t nameStart = path.rfind('/');
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        dot = path.size();
    const std::string stem = path.substr(0, dot);
    const std::string extension = path.substr(dot);

    for (int number = 2; number <= 9'999; ++number) {
        std::string candidate = stem + '(' + std::to_string(number) + ')' + extension;
        if (!PathExists(candidate))
            return candidate;
    }
    return path;
}

}  // namespace tarvolen
