#include "parse/pet_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qorn {
namespace {

std::vector<size_t> PrefixesOf(const PetNames& names, std::string_view text) {
  std::vector<size_t> found;
  names.ForEachNameStarting(text, [&found](size_t i) { found.push_back(i); });
  return found;
}

TEST(PetNamesTest, KeepsEachNameOnceInOrderOfFirstAppearance) {
  PetNames names(4);
  EXPECT_EQ(names.Add("Gobaner"), 0u);
  EXPECT_EQ(names.Add("Bob"), 1u);
  EXPECT_EQ(names.Add("Xabanar"), 2u);
  EXPECT_EQ(names.Add("Gobaner"), 0u);
  EXPECT_EQ(names.Add("gobaner"), 3u);  // case counts
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(names[2], "Xabanar");
}

TEST(PetNamesTest, FindsTheNamesTheTextStartsWithAsWholeWords) {
  PetNames names(4);
  for (const char* n : {"Gobanerk", "Gob", "Gobaner", "Goba", "Xabanar"}) names.Add(n);
  EXPECT_EQ(PrefixesOf(names, "Gobanerk hits a rat"), (std::vector<size_t>{0}));
  EXPECT_EQ(PrefixesOf(names, "Gobaner hits a rat"), (std::vector<size_t>{2}));
  // Another player whose name begins with a pet's is not that pet.
  EXPECT_EQ(PrefixesOf(names, "Gobaners"), (std::vector<size_t>{}));
  EXPECT_EQ(PrefixesOf(names, "Gobanerx bites an elk"), (std::vector<size_t>{}));
  EXPECT_EQ(PrefixesOf(names, "Goba`s hits"), (std::vector<size_t>{}));
  // The possessives the game writes behind a name end it.
  EXPECT_EQ(PrefixesOf(names, "Gobaner`s pet hits"), (std::vector<size_t>{2}));
  EXPECT_EQ(PrefixesOf(names, "Goba`s warder hits"), (std::vector<size_t>{3}));
  EXPECT_EQ(PrefixesOf(names, "Gob hits"), (std::vector<size_t>{}));  // too short to match
  EXPECT_EQ(PrefixesOf(names, "Goba"), (std::vector<size_t>{3}));
  EXPECT_EQ(PrefixesOf(names, "Gob anerk"), (std::vector<size_t>{}));
  EXPECT_EQ(PrefixesOf(names, "xabanar"), (std::vector<size_t>{}));
  EXPECT_EQ(PrefixesOf(names, ""), (std::vector<size_t>{}));
  EXPECT_EQ(PrefixesOf(PetNames(4), "Gobaner"), (std::vector<size_t>{}));
}

TEST(PetNamesTest, ManyNames) {
  std::vector<std::string> texts;
  for (int i = 0; i < 50000; ++i) texts.push_back("Pet" + std::to_string(i));
  PetNames names(4);
  for (const std::string& t : texts) names.Add(t);
  ASSERT_EQ(names.size(), texts.size());
  EXPECT_EQ(PrefixesOf(names, "Pet12345 bites"), (std::vector<size_t>{12345}));
  EXPECT_EQ(names.Add("Pet49999"), 49999u);
}

}  // namespace
}  // namespace qorn
