#include "common/character_name.h"

#include <gtest/gtest.h>

namespace qorn {
namespace {

TEST(IsCharacterName, LettersOnlyAndAtLeastOne) {
  for (const char* name : {"Qornek", "AbCd", "x", "ZZZ"})
    EXPECT_TRUE(IsCharacterName(name)) << name;
  for (const char* name : {"", "Ab1", "Ab Cd", " Ab", "O'Neil", "Jean-Luc", "Zo\xC3\xAB", "Ab\r"}) {
    EXPECT_FALSE(IsCharacterName(name)) << name;
  }
}

}  // namespace
}  // namespace qorn
