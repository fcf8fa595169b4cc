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

std::string GameName(std::string_view name) {
  std::string game(name);
  for (size_t i = 0; i < game.size(); ++i) {
    const char c = game[i];
    if (i == 0 && c >= 'a' && c <= 'z') game[i] = static_cast<char>(c - 'a' + 'A');
    if (i > 0 && c >= 'A' && c <= 'Z') game[i] = static_cast<char>(c - 'A' + 'a');
  }
  return game;
}

}  // namespace qorn
