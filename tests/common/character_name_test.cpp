#include "common/character_name.h"

#include <gtest/gtest.h>

#include <utility>

namespace qorn {
namespace {

TEST(IsCharacterName, LettersOnlyAndAtLeastOne) {
  for (const char* name : {"Qornek", "AbCd", "x", "ZZZ"})
    EXPECT_TRUE(IsCharacterName(name)) << name;
  for (const char* name : {"", "Ab1", "Ab Cd", " Ab", "O'Neil", "Jean-Luc", "Zo\xC3\xAB", "Ab\r"}) {
    EXPECT_FALSE(IsCharacterName(name)) << name;
  }
}

TEST(GameName, FirstLetterUpperTheRestLower) {
  const std::pair<const char*, const char*> cases[] = {
      {"qornek", "Qornek"}, {"QORNEK", "Qornek"}, {"qOrNeK", "Qornek"},
      {"Qornek", "Qornek"}, {"x", "X"},           {"", ""},
  };
  for (const auto& [typed, game] : cases) EXPECT_EQ(GameName(typed), game) << typed;
}

}  // namespace
// The game names its logs eqlog_<Character>_<server>.txt; any other file
// name names no character.
TEST(CharacterNameTest, TheLogFileNamesItsCharacter) {
  struct Case {
    const char* path;
    std::optional<std::string> character;
  };
  const Case cases[] = {
      {"eqlog_Qornek_test.txt", "Qornek"},
      {"/home/me/EverQuest/Logs/eqlog_Qornek_P1999Green.txt", "Qornek"},
      {"EQLOG_qornek_project1999.TXT", "Qornek"},
      {"eqlog_Qornek_server_two.txt", "Qornek"},
      {"eqlog_Qornek_.txt", std::nullopt},
      {"eqlog_Qornek.txt", std::nullopt},
      {"eqlog__test.txt", std::nullopt},
      {"eqlog_Qor1nek_test.txt", std::nullopt},
      {"eqlog_Qornek_test.txt.bak", std::nullopt},
      {"eqlog_Qornek_test.txt/other.txt", std::nullopt},
      {"my-log.txt", std::nullopt},
      {"old_eqlog_Qornek_test.txt", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(LogFileCharacter(c.path), c.character) << c.path;
  // Another character's log; the same name in another case is the same.
  EXPECT_EQ(OtherCharacterOfLog("eqlog_Qornek_test.txt", "Zzyzx"), "Qornek");
  EXPECT_EQ(OtherCharacterOfLog("eqlog_Qornek_test.txt", "QORNEK"), std::nullopt);
  EXPECT_EQ(OtherCharacterOfLog("fight.txt", "Zzyzx"), std::nullopt);
}

}  // namespace qorn
