#pragma once

#include <cstddef>
#include <string>

namespace tarvolen {

// The folder for temporary files: $TMPDIR, else /tmp.
std::string TemporaryFolder();

// A file of no name in directory, open for reading and writing, gone with its last
// descriptor however the process ends; where the file system cannot make one, a named
// file, unlinked at once. -1 (errno set) when neither can be had.
int OpenUnnamedFile(const std::string& directory);

// Writes all of bytes, going on after a signal; false (errno set) on a failure.
bool WriteAll(int fd, const unsigned char* bytes, std::size_t size);

}  // namespace tarvolen
