#pragma once

#include <string_view>

namespace qorn {

// What a new parse database is made of: the tables, indexes and views, and
// the spell table as tab-separated text (Spell, Dmg, Mana, ... under a header).
std::string_view SchemaSql();
std::string_view SpellDatTsv();

}  // namespace qorn
