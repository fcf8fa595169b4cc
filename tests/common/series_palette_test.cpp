#include "common/series_palette.h"

#include <gtest/gtest.h>

namespace qorn {
namespace {

TEST(SeriesPalette, SlotsFollowTheHtmlGraphsImages) {
  EXPECT_EQ(SlotImageFile(kPetSlot), "black.gif");
  EXPECT_EQ(SlotImageFile(kDirectDamageSlot), "darkblue.gif");
  EXPECT_EQ(SlotImageFile(DotSourceSlot(0)), "darkgreen.gif");
  EXPECT_EQ(SlotImageFile(DotSourceSlot(9)), "yellow.gif");
  // An eleventh DoT source has an image of its own; past the extra slots they repeat.
  EXPECT_EQ(SlotImageFile(DotSourceSlot(10)), "brown.gif");
  EXPECT_EQ(SlotImageFile(DotSourceSlot(20)), "brown.gif");
  EXPECT_EQ(SlotColour(DotSourceSlot(0)), kPaletteSlots[2].Colour);
}

TEST(SeriesPalette, TwentyDotSourcesGetDistinctColours) {
  for (int a = 0; a < DotSourceSlot(20); ++a) {
    for (int b = a + 1; b < DotSourceSlot(20); ++b) {
      EXPECT_FALSE(SlotColour(a) == SlotColour(b)) << "slots " << a << " and " << b;
    }
  }
}

}  // namespace
}  // namespace qorn
