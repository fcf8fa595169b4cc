#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace qorn::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "qorn-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests make files read-only; give write access back so that all can go.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ec)) {
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Write(std::string_view name, std::string_view bytes) const {
  const std::string file = File(name);
  std::ofstream out(file, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file);
  return file;
}

std::string TempDir::WriteLines(std::string_view name,
                                const std::vector<std::string>& lines) const {
  std::string bytes;
  for (const auto& line : lines) bytes += line + "\n";
  return Write(name, bytes);
}

}  // namespace qorn::test
