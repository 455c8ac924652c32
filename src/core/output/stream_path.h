#pragma once

#include <optional>
#include <string>

namespace tarvolen {

// The descriptor of this process that path names as one of its open streams
// (/dev/stdout, /dev/stderr, /dev/stdin, /dev/fd/N, /proc/self/fd/N and the like),
// when that descriptor is open; nothing for any other path. Opening such a path again
// would start a second description of the file at its beginning, and replacing it
// would put a new file where the shell's redirection pointed: whatever is written
// there belongs at the stream's own position instead.
std::optional<int> StreamDescriptorOf(const std::string& path);

}  // namespace tarvolen
