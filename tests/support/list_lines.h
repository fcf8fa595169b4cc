#pragma once

#include <string>
#include <vector>

namespace qorn::test {

// A list's lines with their cells joined by tabs, one string per line.
inline std::vector<std::string> Joined(const std::vector<std::vector<std::string>>& lines) {
  std::vector<std::string> out;
  for (const std::vector<std::string>& cells : lines) {
    std::string text;
    for (size_t i = 0; i < cells.size(); ++i) text += (i ? "\t" : "") + cells[i];
    out.push_back(text);
  }
  return out;
}

}  // namespace qorn::test
