#include "common/text_pool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qorn {
namespace {

// Many texts that differ in one byte or in length only, some longer than a
// word of the hash: each is kept once, its view stays where it was handed out
// while the index grows, and equal texts give the same view.
TEST(TextPool, KeepsOneCopyOfEachTextWhileItGrows) {
  TextPool pool;
  EXPECT_TRUE(pool.Intern("").empty());
  std::vector<std::string> texts;
  for (int i = 0; i < 20000; ++i) {
    texts.push_back("a gnoll " + std::to_string(i) + std::string(i % 13, 'x'));
  }
  std::vector<std::string_view> views;
  for (const std::string& text : texts) views.push_back(pool.Intern(text));
  for (size_t i = 0; i < texts.size(); ++i) {
    ASSERT_EQ(views[i], texts[i]);
    ASSERT_EQ(pool.Intern(std::string(texts[i])).data(), views[i].data()) << texts[i];
  }
}

// The views of an absorbed pool outlive it; the pool goes on interning.
TEST(TextPool, AbsorbKeepsTheOtherPoolsViews) {
  TextPool pool;
  const std::string_view rat = pool.Intern("a rat");
  std::vector<std::string_view> others;
  {
    TextPool other;
    other.Intern("a rat");
    for (int i = 0; i < 1000; ++i) others.push_back(other.Intern("a bat " + std::to_string(i)));
    pool.Absorb(std::move(other));
  }
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(others[i], "a bat " + std::to_string(i));
  EXPECT_EQ(pool.Intern("a rat").data(), rat.data());
  EXPECT_EQ(pool.Intern("a bat 7"), "a bat 7");
  EXPECT_EQ(pool.Intern("a cat"), "a cat");
}

}  // namespace
}  // namespace qorn
