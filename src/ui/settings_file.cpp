#include "ui/settings_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/error.h"
#include "store/program_folder.h"

namespace qorn {
namespace fs = std::filesystem;

std::optional<std::string> ReadSettingsName(const std::string& folder) {
  const std::string path = InProgramFolder(folder, kSettingsFile);
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string text = buffer.str();

  std::optional<std::string> name;
  size_t i = 0;
  while (i <= text.size()) {
    // One field: up to a comma or a line end; a quoted field keeps its commas.
    std::string field;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && text[i] == '"') {
      const size_t close = text.find('"', i + 1);
      const size_t end = close == std::string::npos ? text.size() : close;
      field = text.substr(i + 1, end - i - 1);
      i = end == text.size() ? end : end + 1;
      while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') ++i;
    } else {
      const size_t start = i;
      while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') ++i;
      field = text.substr(start, i - start);
      while (!field.empty() && field.back() == ' ') field.pop_back();
    }
    if (field.rfind("Name=", 0) == 0) name = field.substr(5);
    if (i >= text.size()) break;
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    ++i;
  }
  return name;
}

void WriteSettingsName(const std::string& folder, const std::string& name) {
  const std::string path = InProgramFolder(folder, kSettingsFile);
  const std::string temp = path + ".new";
  const std::string content = "Name=" + name + "\r\n";
  auto fail = [&](const std::string& why) {
    std::remove(temp.c_str());
    throw Error("Cannot write " + path + ": " + why);
  };
  FILE* out = std::fopen(temp.c_str(), "wb");
  if (out == nullptr) fail(std::strerror(errno));
  const bool written = std::fwrite(content.data(), 1, content.size(), out) == content.size();
  const int writeErrno = errno;
  if (std::fclose(out) != 0 || !written) fail(std::strerror(written ? errno : writeErrno));
  std::error_code ec;
  fs::rename(temp, path, ec);
  if (ec) fail(ec.message());
}

bool IsLettersOnly(const std::string& name) {
  static constexpr std::string_view kLetters = "qwertyuiopasdfghjklzxcvbnm";
  for (char c : name) {
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (kLetters.find(lower) == std::string_view::npos) return false;
  }
  return true;
}

}  // namespace qorn
