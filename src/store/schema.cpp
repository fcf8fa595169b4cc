#include "store/schema.h"

#include <algorithm>

#include "common/text_fold.h"
#include "store/database.h"
#include "store/parse_state.h"

namespace qorn {

std::vector<SchemaObject> SchemaObjectsOf(Database& db) {
  Statement objects(db,
                    "SELECT type, name, tbl_name, sql FROM sqlite_master WHERE sql IS NOT NULL "
                    "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid");
  std::vector<SchemaObject> out;
  while (objects.Step()) {
    out.push_back({std::string(objects.ColumnText(0)), std::string(objects.ColumnText(1)),
                   std::string(objects.ColumnText(2)), std::string(objects.ColumnText(3))});
  }
  return out;
}

std::vector<SchemaObject> ParseSchemaObjects() {
  Database scratch(":memory:", OpenMode::kBlank);
  scratch.ExecuteNative(SchemaSql());
  return SchemaObjectsOf(scratch);
}

namespace {

// The program's tables that an earlier version kept under other names, with
// their columns then and now.
struct EarlierTable {
  std::string_view Was;
  std::string_view Now;
  std::string_view ColumnsThen;
  std::string_view ColumnsNow;
};
constexpr EarlierTable kEarlierTables[] = {
    {"MobSlots", "MobSeconds", "MobKey, Mob, Slots", "MobKey, Mob, Seconds"},
    {"SlotChunks", "SecondChunks", "MobKey, Chunk, Slots", "MobKey, Chunk, Seconds"},
};

bool HasTable(Database& db, std::string_view name) {
  Statement table(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?");
  table.Bind(1, name).Step();
  return table.ColumnInt(0) > 0;
}

// A table's columns in their order, ", " between them.
std::string ColumnsOf(Database& db, std::string_view table) {
  Statement columns(db, "SELECT name FROM pragma_table_info(?) ORDER BY cid");
  columns.Bind(1, table);
  std::string out;
  while (columns.Step()) {
    if (!out.empty()) out += ", ";
    out += columns.ColumnText(0);
  }
  return out;
}

// Carries the tables of an earlier version into the tables of their new
// names (made as `program` makes them), with their rows and the note that
// says they are current, and drops them. Tables that are not as that version
// made them, or whose new ones exist already, are dropped: what they held is
// made again from the rows. Returns whether any was there.
bool CarryEarlierTables(Database& db, const std::vector<SchemaObject>& program) {
  bool any = false;
  bool whole = true;
  for (const EarlierTable& t : kEarlierTables) {
    if (!HasTable(db, t.Was)) {
      whole = false;
      continue;
    }
    any = true;
    whole = whole && !HasTable(db, t.Now) && ColumnsOf(db, t.Was) == t.ColumnsThen;
  }
  if (!any) return false;
  for (const EarlierTable& t : kEarlierTables) {
    if (!HasTable(db, t.Was)) continue;
    if (whole) {
      for (const SchemaObject& p : program) {
        if (p.Type == "table" && p.Name == t.Now) db.ExecuteNative(p.Sql);
      }
      db.ExecuteNative("INSERT INTO " + std::string(t.Now) + " (" + std::string(t.ColumnsNow) +
                       ") SELECT " + std::string(t.ColumnsThen) + " FROM " + std::string(t.Was));
    }
    db.ExecuteNative("DROP TABLE " + QuoteIdentifier(t.Was));
  }
  if (whole) {
    CarryEarlierStateNotes(db);
  } else {
    MarkSecondsStale(db);
  }
  return true;
}

// Tables the cut fills (their lines follow from the per-second sums) and
// that an earlier version kept in another form: TickRuns held a run per
// tick. One of another form is made anew, empty, with the fights' lines that
// named its runs; the next cut writes both. Returns whether any was.
bool RemakeCutTables(Database& db, const std::vector<SchemaObject>& program) {
  constexpr std::string_view kCutTables[] = {"TickRuns"};
  bool remade = false;
  for (const SchemaObject& o : SchemaObjectsOf(db)) {
    if (o.Type != "table") continue;
    for (const std::string_view cut : kCutTables) {
      if (CompareNoCase(o.Name, cut) != 0) continue;
      for (const SchemaObject& p : program) {
        if (p.Type != "table" || p.Name != cut || p.Sql == o.Sql) continue;
        db.ExecuteNative("DROP TABLE " + QuoteIdentifier(o.Name));
        db.ExecuteNative(p.Sql);
        remade = true;
      }
    }
  }
  if (remade) {
    db.ExecuteNative("DELETE FROM Fights");
    DropState(db, StateKey::CutTimer);
  }
  return remade;
}

}  // namespace

bool IsEarlierTable(std::string_view name) {
  for (const EarlierTable& t : kEarlierTables) {
    if (CompareNoCase(name, t.Was) == 0) return true;
  }
  return false;
}

bool RestoreSchemaObjects(Database& db) {
  const std::vector<SchemaObject> program = ParseSchemaObjects();
  bool restored = CarryEarlierTables(db, program);
  restored = RemakeCutTables(db, program) || restored;
  const std::vector<SchemaObject> stored = SchemaObjectsOf(db);
  auto find = [&](const SchemaObject& p) -> const SchemaObject* {
    for (const SchemaObject& o : stored) {
      if (CompareNoCase(o.Name, p.Name) == 0) return &o;
    }
    return nullptr;
  };
  bool newTable = false;
  std::vector<std::string> madeViews;
  // A view made again took its triggers along (the program makes them after it).
  auto onMadeView = [&](const SchemaObject& p) {
    return p.Type == "trigger" &&
           std::any_of(madeViews.begin(), madeViews.end(),
                       [&](const std::string& v) { return CompareNoCase(v, p.Table) == 0; });
  };
  for (const SchemaObject& p : program) {
    const SchemaObject* o = find(p);
    if (o != nullptr && o->Type == p.Type && o->Sql == p.Sql && !onMadeView(p)) continue;
    if (o != nullptr) {
      if (p.Type == "table" || o->Type == "table") continue;  // rows are never dropped
      db.ExecuteNative("DROP " + o->Type + " IF EXISTS " + QuoteIdentifier(o->Name));
    }
    if (p.Type == "view") madeViews.push_back(p.Name);
    db.ExecuteNative(p.Sql);
    restored = true;
    newTable = newTable || p.Type == "table";
  }
  // A table made again is empty: what it held is made again from the rows.
  if (newTable) MarkSecondsStale(db);
  return restored;
}

bool HoldsRowsApart(Database& db) {
  return QueryInt(db,
                  "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
                  "name = 'DamageRows'") > 0;
}

void CreateParseSchema(Database& db) {
  db.ExecuteNative(SchemaSql());
  InsertBuiltInSpellTable(db);
}

void InsertBuiltInSpellTable(Database& db) {
  Statement insert(db, "INSERT INTO SpellDat (Spell, Dmg, Mana) VALUES (?, ?, ?)");
  const std::string_view tsv = SpellDatTsv();
  size_t pos = tsv.find('\n');  // past the header
  while (pos != std::string_view::npos && pos + 1 < tsv.size()) {
    const size_t start = pos + 1;
    pos = tsv.find('\n', start);
    const std::string_view line =
        tsv.substr(start, (pos == std::string_view::npos ? tsv.size() : pos) - start);
    const size_t t1 = line.find('\t');
    const size_t t2 = line.find('\t', t1 + 1);
    if (t1 == std::string_view::npos || t2 == std::string_view::npos) continue;
    const size_t t3 = line.find('\t', t2 + 1);
    insert.Bind(1, line.substr(0, t1))
        .Bind(2, static_cast<int64_t>(std::stoll(std::string(line.substr(t1 + 1, t2 - t1 - 1)))))
        .Bind(3, static_cast<int64_t>(std::stoll(std::string(line.substr(t2 + 1, t3 - t2 - 1)))));
    insert.Step();
    insert.Reset();
  }
}

const std::vector<RequiredTable>& RequiredTables() {
  static const std::vector<RequiredTable> tables = {
      {"ParseData",
       {"RecNum", "DTime", "Who", "Mob", "Dmg", "Crit", "DmgSrc", "DmgType", "Cpower", "Inten",
        "CoA", "Reserved", "EventNum", "TickNum", "Color"}},
      {"SpellCastResist", {"RecNum", "DTime", "CorR", "Spell"}},
      {"SpellDat", {"Spell", "Dmg", "Mana"}},
  };
  return tables;
}

const std::vector<RequiredTable>& RequiredViews() {
  static const std::vector<RequiredTable> views = {
      {"SortMobTime",
       {"RecNum", "DTime", "Who", "Mob", "Dmg", "Crit", "DmgSrc", "DmgType", "Cpower", "Inten",
        "CoA", "Reserved", "EventNum", "TickNum", "Color"}},
      {"DPS", {"EventNum", "SumOfDmg", "MaxOfDTime", "MinOfDTime"}, true},
  };
  return views;
}

std::string QuoteIdentifier(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace qorn
