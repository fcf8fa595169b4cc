#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qorn {

struct Rgb {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

// One colour of the damage graphs: the single-colour image the HTML tick graph
// stretches into bar pieces, and the same colour for the window's bar charts.
struct PaletteSlot {
  std::string_view ImageFile;
  Rgb Colour;
};

// The graphs colour their series by slot: pets, direct damage, then the DoT
// sources of a fight in the order the graph lists them. The HTML graph and the
// charts share the numbering, so a spell has one colour in both; the numbers
// are also what the HTML export stores in ParseData.Color.
inline constexpr int kPetSlot = 0;
inline constexpr int kDirectDamageSlot = 1;
constexpr int DotSourceSlot(size_t source) { return static_cast<int>(source) + 2; }

// The slots that have an image; the exact shades are those the names say.
inline constexpr std::array<PaletteSlot, 12> kPaletteSlots = {{
    {"black.gif", {0x00, 0x00, 0x00}},
    {"darkblue.gif", {0x00, 0x00, 0x8B}},
    {"darkgreen.gif", {0x00, 0x64, 0x00}},
    {"grey.gif", {0x80, 0x80, 0x80}},
    {"lightblue.gif", {0xAD, 0xD8, 0xE6}},
    {"lightgreen.gif", {0x90, 0xEE, 0x90}},
    {"orange.gif", {0xFF, 0xA5, 0x00}},
    {"pink.gif", {0xFF, 0xC0, 0xCB}},
    {"purple.gif", {0x80, 0x00, 0x80}},
    {"red.gif", {0xFF, 0x00, 0x00}},
    {"white.gif", {0xFF, 0xFF, 0xFF}},
    {"yellow.gif", {0xFF, 0xFF, 0x00}},
}};

// The slots past the twelve images the HTML graph has always named: an
// eleventh DoT source and later. The export writes their images as it does
// the others; past these the extra slots repeat.
inline constexpr std::array<PaletteSlot, 10> kExtraSlots = {{
    {"brown.gif", {0x8B, 0x45, 0x13}},
    {"teal.gif", {0x00, 0x80, 0x80}},
    {"magenta.gif", {0xFF, 0x00, 0xFF}},
    {"olive.gif", {0x80, 0x80, 0x00}},
    {"maroon.gif", {0x80, 0x00, 0x00}},
    {"cyan.gif", {0x00, 0xFF, 0xFF}},
    {"goldenrod.gif", {0xDA, 0xA5, 0x20}},
    {"slategrey.gif", {0x70, 0x80, 0x90}},
    {"coral.gif", {0xFF, 0x7F, 0x50}},
    {"indigo.gif", {0x4B, 0x00, 0x82}},
}};

// Any slot from 0.
constexpr const PaletteSlot& Slot(int slot) {
  if (slot < 0) slot = 0;
  if (slot < static_cast<int>(kPaletteSlots.size())) {
    return kPaletteSlots[static_cast<size_t>(slot)];
  }
  const size_t extra = static_cast<size_t>(slot) - kPaletteSlots.size();
  return kExtraSlots[extra % kExtraSlots.size()];
}

// The image and the colour of any slot from 0.
constexpr std::string_view SlotImageFile(int slot) { return Slot(slot).ImageFile; }
constexpr Rgb SlotColour(int slot) { return Slot(slot).Colour; }

}  // namespace qorn
