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

namespace {

bool StartsNoCase(std::string_view text, std::string_view lowerPrefix) {
  if (text.size() < lowerPrefix.size()) return false;
  for (size_t i = 0; i < lowerPrefix.size(); ++i) {
    const char c = text[i];
    if (((c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c) != lowerPrefix[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<std::string> LogFileCharacter(std::string_view path) {
  static constexpr std::string_view kPrefix = "eqlog_";
  static constexpr std::string_view kSuffix = ".txt";
  std::string_view file = path.substr(path.find_last_of('/') + 1);
  if (!StartsNoCase(file, kPrefix) || file.size() < kPrefix.size() + kSuffix.size() ||
      !StartsNoCase(file.substr(file.size() - kSuffix.size()), kSuffix)) {
    return std::nullopt;
  }
  file = file.substr(kPrefix.size(), file.size() - kPrefix.size() - kSuffix.size());
  // <Character>_<server>: a name has letters only, the server any name.
  const size_t blank = file.find('_');
  if (blank == std::string_view::npos || blank + 1 == file.size()) return std::nullopt;
  const std::string_view character = file.substr(0, blank);
  if (!IsCharacterName(character)) return std::nullopt;
  return GameName(character);
}

std::optional<std::string> OtherCharacterOfLog(std::string_view path, std::string_view name) {
  auto character = LogFileCharacter(path);
  if (!character || *character == GameName(name)) return std::nullopt;
  return character;
}

}  // namespace qorn
