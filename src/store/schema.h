#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qorn {

class Database;

// What a new parse database is made of: the tables, indexes and views, and
// the spell table as tab-separated text (Spell, Dmg, Mana, ... under a header).
std::string_view SchemaSql();
std::string_view SpellDatTsv();

// One table, index, view or trigger of a database, as its catalogue holds it.
struct SchemaObject {
  std::string Type;  // "table", "index", "view" or "trigger"
  std::string Name;
  std::string Table;  // the table an index or trigger belongs to
  std::string Sql;    // the statement that makes it
};

// The objects SchemaSql() makes, in the order it makes them.
std::vector<SchemaObject> ParseSchemaObjects();
// The objects of an open database, in the order they were made (SQLite's own left out).
std::vector<SchemaObject> SchemaObjectsOf(Database& db);

// Makes again what of the program's tables, indexes, views and triggers a
// file lacks or holds in another form (a table only when it is missing).
// Tables an earlier version kept under other names are carried into their
// new names once, with their rows; tick runs it kept in another form are
// made anew, empty, for the next cut. Returns whether anything was made.
bool RestoreSchemaObjects(Database& db);
// Whether a table of that name is one of the program's, as an earlier
// version named it (a new file does not take it over).
bool IsEarlierTable(std::string_view name);

// Makes the tables, indexes and views of a new parse database and fills the spell table.
void CreateParseSchema(Database& db);
// Fills SpellDat with the spell table the program comes with.
void InsertBuiltInSpellTable(Database& db);

// The columns each table of the parse database must have, in their order.
struct RequiredTable {
  std::string_view Name;
  std::vector<std::string_view> Columns;
  bool InOrder = false;  // read by position: the columns must come first, in this order
};
const std::vector<RequiredTable>& RequiredTables();
// The saved queries the lists, graphs and exports read, with the columns they use.
const std::vector<RequiredTable>& RequiredViews();

// A name between double quotes for SQL, each double quote doubled.
std::string QuoteIdentifier(std::string_view name);

// Whether the file keeps its rows apart from their numbers, as the program
// makes files now; a file of an earlier version holds ParseData as a table.
bool HoldsRowsApart(Database& db);

}  // namespace qorn
