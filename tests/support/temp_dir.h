#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qorn::test {

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string File(std::string_view name) const { return (path_ / name).string(); }

  // Writes bytes as they stand; returns the file's path.
  std::string Write(std::string_view name, std::string_view bytes) const;
  // Writes lines, each followed by a line feed.
  std::string WriteLines(std::string_view name, const std::vector<std::string>& lines) const;

 private:
  std::filesystem::path path_;
};

}  // namespace qorn::test
