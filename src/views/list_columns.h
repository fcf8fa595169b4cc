#pragma once

#include <array>
#include <string_view>

namespace qorn {

// One column of a list: its header, its width in twips, and whether its
// texts are right-aligned.
struct ListColumn {
  std::string_view Caption;
  int WidthTwips;
  bool AlignRight = false;
};

// The columns of the lists: the window's headers, the CLI's header
// lines and the CSV exports' header lines all come from here.
inline constexpr std::array<ListColumn, 6> kOverviewColumns = {{
    {"Mob", 2200},
    {"Damage", 1000},
    {"DPS", 1000},
    {"Seconds", 1000},
    {"Start", 2000},
    {"End", 2000},
}};

inline constexpr std::array<ListColumn, 8> kDotBreakdownColumns = {{
    {"Tick", 500},
    {"Mob", 2200},
    {"DMG Type", 2000},
    {"DMG", 1000},
    {"Crit", 1000},
    {"CPow", 1000},
    {"CoABP", 1000},
    {"Inten", 1000},
}};

inline constexpr std::array<ListColumn, 6> kDotTicksColumns = {{
    {"Tick", 500},
    {"Mob", 2200},
    {"DMG", 1000},
    {"CPow", 1000},
    {"CoABP", 1000},
    {"Inten", 1000},
}};

inline constexpr std::array<ListColumn, 13> kDamageDetailColumns = {{
    {"Damage Source", 2200},
    {"Total", 1000, true},
    {"Avg. DPS", 1000, true},
    {"High", 750, true},
    {"Low", 750, true},
    {"Avg. DMG", 1000, true},
    {"Hits", 750, true},
    {"DPM", 750, true},
    {"Crits", 1050, true},
    {"Casts", 750, true},
    {"Resists", 750, true},
    {"Fizzles", 750, true},
    {"Interrupts", 1000, true},
}};

// The Buff Value list: per buff and DoT source, the hits with the buff
// ("On") beside those without it ("Off").
inline constexpr std::array<ListColumn, 11> kBuffValueColumns = {{
    {"Buff", 1500},
    {"Source", 2000},
    {"Hits On", 700, true},
    {"Crits On", 750, true},
    {"Crit% On", 850, true},
    {"Avg On", 1000, true},
    {"Hits Off", 750, true},
    {"Crits Off", 800, true},
    {"Crit% Off", 850, true},
    {"Avg Off", 1000, true},
    {"Added", 900, true},
}};

// The DoT Uptime list of a fight: per DoT spell (and all of them merged),
// how much of the fight it covered and where it dropped.
inline constexpr std::array<ListColumn, 7> kDotUptimeColumns = {{
    {"Spell", 2500},
    {"Hits", 700, true},
    {"Uptime", 900, true},
    {"First Hit", 900, true},
    {"Drops", 700, true},
    {"Longest Gap", 1200, true},
    {"Lost Ticks", 1000, true},
}};

// The DoT Uptime list of the whole log: per DoT spell over the fights it hit in.
inline constexpr std::array<ListColumn, 6> kDotUptimeWholeLogColumns = {{
    {"Spell", 2500},
    {"Fights", 700, true},
    {"Hits", 800, true},
    {"Uptime", 900, true},
    {"Drops per Fight", 1500, true},
    {"First Hit", 900, true},
}};

// The meter's lines: a fight's damage sources, most damage first.
inline constexpr std::array<ListColumn, 4> kMeterColumns = {{
    {"Source", 2500},
    {"Damage", 1000, true},
    {"Share", 700, true},
    {"Uptime", 700, true},
}};

// The detail list's last four columns (Casts .. Interrupts), hidden when
// spell detail is off.
inline constexpr int kSpellDetailFirstColumn = 9;

}  // namespace qorn
