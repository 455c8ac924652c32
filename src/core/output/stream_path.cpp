#include "core/output/stream_path.h"

#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <string_view>

namespace tarvolen {

namespace {

// The number that a whole string spells, or nothing.
std::optional<int> Number(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

// The descriptor a path spells, open or not.
std::optional<int> SpelledDescriptor(const std::string& path) {
    const std::string normal = std::filesystem::path(path).lexically_normal().string();
    if (normal == "/dev/stdin")
        return STDIN_FILENO;
    if (normal == "/dev/stdout")
        return STDOUT_FILENO;
    if (normal == "/dev/stderr")
        return STDERR_FILENO;
    const std::string own = "/proc/" + std::to_string(::getpid()) + "/fd/";
    for (const std::string_view folder :
         {std::string_view("/dev/fd/"), std::string_view("/proc/self/fd/"),
          std::string_view("/proc/thread-self/fd/"), std::string_view(own)}) {
        if (std::string_view(normal).substr(0, folder.size()) == folder)
            return Number(std::string_view(normal).substr(folder.size()));
    }
    return std::nullopt;
}

}  // namespace

std::optional<int> StreamDescriptorOf(const std::string& path) {
    const std::optional<int> fd = SpelledDescriptor(path);
    if (!fd || ::fcntl(*fd, F_GETFD) < 0)
        return std::nullopt;
    return fd;
}

}  // namespace tarvolen
