#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qorn {

// One colour of the graphs. Its name is also the name of its single-colour
// image in the HTML tick graph ("darkgreen" is drawn from "darkgreen.gif").
struct PaletteColour {
  std::string_view Name;
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
};

// Pet and swarm-pet damage, and direct damage, in every graph.
inline constexpr PaletteColour kPetColour{"black", 0x00, 0x00, 0x00};
inline constexpr PaletteColour kDirectDamageColour{"darkblue", 0x00, 0x00, 0x8B};

// The DoT sources of a fight take these in the order the fight names them.
// The first ten are the images the HTML graph has always named; the next ten
// give an eleventh and later source a colour of its own. Past twenty the
// colours repeat.
inline constexpr std::array<PaletteColour, 20> kDotSourceColours = {{
    {"darkgreen", 0x00, 0x64, 0x00},
    {"grey", 0x80, 0x80, 0x80},
    {"lightblue", 0xAD, 0xD8, 0xE6},
    {"lightgreen", 0x90, 0xEE, 0x90},
    {"orange", 0xFF, 0xA5, 0x00},
    {"pink", 0xFF, 0xC0, 0xCB},
    {"purple", 0x80, 0x00, 0x80},
    {"red", 0xFF, 0x00, 0x00},
    {"white", 0xFF, 0xFF, 0xFF},
    {"yellow", 0xFF, 0xFF, 0x00},
    {"brown", 0xA5, 0x2A, 0x2A},
    {"teal", 0x00, 0x80, 0x80},
    {"magenta", 0xFF, 0x00, 0xFF},
    {"olive", 0x80, 0x80, 0x00},
    {"cyan", 0x00, 0xFF, 0xFF},
    {"maroon", 0x80, 0x00, 0x00},
    {"gold", 0xFF, 0xD7, 0x00},
    {"coral", 0xFF, 0x7F, 0x50},
    {"violet", 0xEE, 0x82, 0xEE},
    {"tan", 0xD2, 0xB4, 0x8C},
}};

// The colour of DoT source `index` (from 0) of a fight.
constexpr const PaletteColour& DotSourceColour(size_t index) {
  return kDotSourceColours[index % kDotSourceColours.size()];
}

// The buff markers of the HTML graph: a buff that was running, one that was not.
inline constexpr PaletteColour kBuffOnColour = kDotSourceColours[7];   // red
inline constexpr PaletteColour kBuffOffColour = kDotSourceColours[8];  // white

}  // namespace qorn
