#include "common/character_name.h"

namespace qorn {

bool IsCharacterName(std::string_view name) {
  static constexpr std::string_view kLetters = "qwertyuiopasdfghjklzxcvbnm";
  if (name.empty()) return false;
  for (char c : name) {
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (kLetters.find(lower) == std::string_view::npos) return false;
  }
  return true;
}

}  // namespace qorn
