#include "support/reference_dump.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "store/database.h"

namespace qorn::test {
namespace {

std::string Number(double value) {
  char buf[64];
  const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
  return std::string(buf, end);
}

double ToDouble(std::string_view text) {
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

long long ToInt(std::string_view text) {
  long long value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// Tabs, line feeds, carriage returns and backslashes written as \t \n \r \\.
std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

const char* kDamageHeader =
    "# damage: When Who Mob Dmg Crit DmgType DmgSrc Cpower CoA Inten Reserved";
const char* kCastHeader = "# casts: When CorR Spell";

}  // namespace

std::string WriteRecords(const ParseResult& parsed) {
  std::string out = std::string(kDamageHeader) + "\n";
  for (const DamageRec& r : parsed.DamageRecs) {
    out += Number(r.When) + "\t" + Escape(r.Who) + "\t" + Escape(r.Mob) + "\t" +
           std::to_string(r.Dmg) + "\t" + (r.Crit ? "1" : "0") + "\t" + Escape(r.DmgType) + "\t" +
           Escape(r.DmgSrc) + "\t" + (r.Cpower ? "1" : "0") + "\t" + (r.CoA ? "1" : "0") + "\t" +
           (r.Inten ? "1" : "0") + "\t" + std::to_string(r.Reserved) + "\n";
  }
  out += std::string(kCastHeader) + "\n";
  for (const CastRec& r : parsed.CastRecs) {
    out += Number(r.When) + "\t" + std::to_string(r.CorR) + "\t" + Escape(r.Spell) + "\n";
  }
  return out;
}

ParseResult ReadRecords(const std::string& text) {
  ParseResult parsed;
  bool casts = false;
  for (std::string_view line : Lines(text)) {
    if (line == kDamageHeader) continue;
    if (line == kCastHeader) {
      casts = true;
      continue;
    }
    const auto f = Fields(line);
    auto text = [&](size_t i) { return parsed.Texts.Intern(Unescape(f.at(i))); };
    if (!casts) {
      if (f.size() != 11) throw std::runtime_error("bad damage record: " + std::string(line));
      DamageRec r;
      r.When = ToDouble(f[0]);
      r.Who = text(1);
      r.Mob = text(2);
      r.Dmg = static_cast<int32_t>(ToInt(f[3]));
      r.Crit = f[4] == "1";
      r.DmgType = text(5);
      r.DmgSrc = text(6);
      r.Cpower = f[7] == "1";
      r.CoA = f[8] == "1";
      r.Inten = f[9] == "1";
      r.Reserved = static_cast<int32_t>(ToInt(f[10]));
      parsed.DamageRecs.push_back(r);
    } else {
      if (f.size() != 3) throw std::runtime_error("bad cast record: " + std::string(line));
      CastRec r;
      r.When = ToDouble(f[0]);
      r.CorR = static_cast<int16_t>(ToInt(f[1]));
      r.Spell = text(2);
      parsed.CastRecs.push_back(r);
    }
  }
  return parsed;
}

std::string DumpTable(const std::string& databasePath, const std::string& table) {
  Database db(databasePath);
  const bool keyed = table != "SpellDat";
  Statement rows(db, "SELECT * FROM " + table + (keyed ? " ORDER BY RecNum" : " ORDER BY rowid"));
  std::string out;
  while (rows.Step()) {
    for (int i = 0; i < rows.ColumnCount(); ++i) {
      if (i) out += '\t';
      const Value v = rows.Column(i);
      if (const auto* n = std::get_if<int64_t>(&v.Raw())) {
        out += "i:" + std::to_string(*n);
      } else if (const auto* d = std::get_if<double>(&v.Raw())) {
        out += "r:" + Number(*d);
      } else if (const auto* s = std::get_if<std::string>(&v.Raw())) {
        out += "t:" + Escape(*s);
      } else {
        out += "n";
      }
    }
    out += '\n';
  }
  return out;
}

std::string DumpSums(Database& db) {
  Statement all(db,
                "SELECT 'mob', MobKey, Mob, hex(Seconds) FROM MobSeconds UNION ALL SELECT 'chunk', "
                "MobKey, Chunk, hex(Seconds) FROM SecondChunks UNION ALL SELECT 'row', RecNum, "
                "MobKey, '' FROM DamageRows UNION ALL SELECT 'note', Name, Value, '' FROM "
                "ParseState WHERE Name = 'SecondsValid' ORDER BY 1, 2, 3");
  std::string out;
  while (all.Step()) {
    for (int i = 0; i < 4; ++i) out += std::string(all.ColumnText(i)) + " ";
    out += "\n";
  }
  return out;
}

std::string DumpOverview(const Overview& overview) {
  std::string out = "EventCount " + std::to_string(overview.EventCount) + "\n";
  for (const OverviewRow& row : overview.Rows) {
    out += std::to_string(row.EventNum);
    for (const std::string& cell : row.Cells()) out += "\t" + Escape(cell);
    out += "\n";
  }
  return out;
}

namespace {
const char* kSections[] = {"## ParseData after Get Log, timer 18",
                           "## SpellCastResist after Get Log",
                           "## SpellDat after Get Log",
                           "## Overview after Get Log, timer 18",
                           "## ParseData after Get Previous, timer 30",
                           "## Overview after Get Previous, timer 30"};
}  // namespace

std::string WriteReference(const ReferenceResult& r) {
  const std::string* parts[] = {&r.parseData,  &r.spellCastResist, &r.spellDat,
                                &r.overview18, &r.parseData30,     &r.overview30};
  std::string out;
  for (size_t i = 0; i < 6; ++i) out += std::string(kSections[i]) + "\n" + *parts[i];
  return out;
}

ReferenceResult ReadReference(const std::string& text) {
  ReferenceResult r;
  std::string* parts[] = {&r.parseData,  &r.spellCastResist, &r.spellDat,
                          &r.overview18, &r.parseData30,     &r.overview30};
  std::string* current = nullptr;
  for (std::string_view line : Lines(text)) {
    bool header = false;
    for (size_t i = 0; i < 6; ++i) {
      if (line == kSections[i]) {
        current = parts[i];
        header = true;
      }
    }
    if (!header && current != nullptr) *current += std::string(line) + "\n";
  }
  return r;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string FirstDifference(const std::string& want, const std::string& got) {
  std::istringstream a(want), b(got);
  std::string la, lb;
  for (int n = 1;; ++n) {
    const bool moreA = static_cast<bool>(std::getline(a, la));
    const bool moreB = static_cast<bool>(std::getline(b, lb));
    if (!moreA && !moreB) return "no difference";
    if (la != lb || moreA != moreB) {
      return "line " + std::to_string(n) + "\n  kept: " + (moreA ? la : "(none)") +
             "\n  now:  " + (moreB ? lb : "(none)");
    }
  }
}

}  // namespace qorn::test
