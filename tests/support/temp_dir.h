#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tarvolen::testing {

// A fresh directory under the system's temporary folder, removed with its contents
// when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes bytes to a file below the directory (creating parent folders); returns
    // its full path.
    std::string Write(const std::string& relative, std::string_view bytes) const;
    static std::string Read(const std::string& path);

  private:
    std::filesystem::path path_;
};

}  // namespace tarvolen::testing
