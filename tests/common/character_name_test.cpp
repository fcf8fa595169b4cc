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
}  // namespace qorn
