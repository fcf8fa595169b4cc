#include "common/text_encoding.h"

#include <gtest/gtest.h>

namespace qorn {
namespace {

TEST(TextEncoding, LogBytesBecomeUtf8) {
  EXPECT_EQ(LogTextToUtf8("a gnoll"), "a gnoll");
  EXPECT_EQ(LogTextToUtf8("Caf\xE9"), "Caf\xC3\xA9");      // 1252 e-acute
  EXPECT_EQ(LogTextToUtf8("\x80 5"), "\xE2\x82\xAC 5");    // 1252 euro sign
  EXPECT_EQ(LogTextToUtf8("Caf\xC3\xA9"), "Caf\xC3\xA9");  // already UTF-8
  EXPECT_EQ(LogTextToUtf8("\xC3"), "\xC3\x83");            // cut UTF-8 is 1252
}

}  // namespace
}  // namespace qorn
