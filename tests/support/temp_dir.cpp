#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace tarvolen::testing {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvolen-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may leave unreadable folders behind; give them back their rights first.
    for (auto it = std::filesystem::recursive_directory_iterator(
             path_, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::Write(const std::string& relative, std::string_view bytes) const {
    std::filesystem::path full = path_ / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + full.string());
    return full.string();
}

std::string TempDir::Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    // Through the stream's buffer in blocks, not byte by byte: tests read lists of
    // megabytes, and the sanitizer tree compiles the tests unoptimised.
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return std::move(bytes).str();
}

}  // namespace tarvolen::testing
