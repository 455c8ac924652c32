#pragma once

#include <cstdio>
#include <string>

namespace tarvolen {

// What the run prints to standard output (help, a list, the statistics) fails the run
// when it does not reach its stream whole.

inline bool WriteAll(std::FILE* stream, const std::string& bytes) {
    return bytes.empty() || std::fwrite(bytes.data(), bytes.size(), 1, stream) == 1;
}

inline bool Flushed(std::FILE* stream) {
    return std::fflush(stream) == 0 && !std::ferror(stream);
}

}  // namespace tarvolen
