#pragma once

#include <string>

namespace tarvolen {

inline constexpr const char* kDefaultListName = "WordList.txt";

// The directory part of a path: up to and including its last '/', or empty when it has
// none. A final "debug/" or "release/" folder (any letter case) is dropped, so that a
// list compiled from a build's own output folder lands next to the project instead.
std::string DirectoryOfPath(const std::string& path);

// Where a new list is proposed: DirectoryOfPath(lastInputPath) + "WordList.txt"; the
// bare relative name before anything was read. Once a list was saved (lastSavedPath),
// its file name instead of "WordList.txt", and its folder where nothing was read.
std::string DefaultOutputPath(const std::string& lastInputPath,
                              const std::string& lastSavedPath = {});

// The path itself when nothing exists there; otherwise the first of "base(2).ext" ..
// "base(9999).ext" that is free; the path itself again when all of those are taken.
std::string FirstFreeFileName(const std::string& path);

// True when a file, directory or anything else exists at the path.
bool PathExists(const std::string& path);

}  // namespace tarvolen
