#include "export/csv_export.h"

#include "export/file_output.h"

namespace qorn {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (true) {
    const size_t hit = text.find(from, pos);
    if (hit == std::string_view::npos) break;
    out.append(text, pos, hit - pos).append(to);
    pos = hit + from.size();
  }
  out.append(text, pos);
  return out;
}

const std::string& CellOf(const std::vector<std::string>& row, size_t index) {
  static const std::string kEmpty;
  return index < row.size() ? row[index] : kEmpty;
}

// Whether a cell reads as a number as the lists write them: "-1", "1,234.57",
// "66.67%".
bool IsNumber(std::string_view cell) {
  if (!cell.empty() && cell.front() == '-') cell.remove_prefix(1);
  if (!cell.empty() && cell.back() == '%') cell.remove_suffix(1);
  if (cell.empty() || cell.front() < '0' || cell.front() > '9') return false;
  return cell.find_first_not_of("0123456789,.") == std::string_view::npos;
}

// Names come from other players' logs: a text that a spreadsheet would take
// for a formula gets a leading apostrophe, which shows it as text. Numbers
// stay as they are, and so does a sign alone (the lists' "-" for no value).
std::string Guarded(std::string_view cell) {
  constexpr std::string_view kFormulaStarts = "=+-@\t\r";
  if (cell.size() < 2 || kFormulaStarts.find(cell.front()) == std::string_view::npos ||
      IsNumber(cell)) {
    return std::string(cell);
  }
  return "'" + std::string(cell);
}

// A field as RFC 4180 writes it: between double quotes, inner ones doubled,
// where it holds a comma, a quote or a line break, or always when `quote`.
void AppendField(std::string& line, std::string_view field, bool quote = false) {
  if (!quote && field.find_first_of(",\"\r\n") == std::string_view::npos) {
    line += field;
    return;
  }
  line += '"';
  for (char c : field) {
    if (c == '"') line += '"';
    line += c;
  }
  line += '"';
}

}  // namespace

const CsvExportKind& KindOf(CsvList list) {
  static const CsvExportKind kKinds[] = {
      {6, false, "Your damage data has been exported:"},
      {8, false, "Your dot tick data has been exported:"},
      {6, false, "Your dot ticks have been exported:"},
      {13, true, "Your all damage detail data has been created:"},
      {11, false, "Your buff value data has been exported:", true},
      {0, false, "Your DoT uptime data has been exported:", true},
  };
  return kKinds[static_cast<int>(list)];
}

std::string CsvText(CsvList list, const ListContents& contents) {
  const CsvExportKind& kind = KindOf(list);
  const size_t columns =
      kind.Columns > 0 ? static_cast<size_t>(kind.Columns) : contents.Headers.size();
  std::string text;
  for (size_t i = 0; i < columns; ++i) {
    if (i > 0) text += ',';
    AppendField(text, Guarded(CellOf(contents.Headers, i)));
  }
  text += kLineEnd;

  for (const std::vector<std::string>& row : contents.Rows) {
    if (kind.Rfc4180) {
      for (size_t c = 0; c < columns; ++c) {
        if (c > 0) text += ',';
        AppendField(text, Guarded(CellOf(row, c)));
      }
    } else if (kind.Quoted) {
      // Every cell the row has after the first, quoted; a comma after each
      // but the list's last column.
      AppendField(text, Guarded(CellOf(row, 0)));
      text += ',';
      for (size_t c = 1; c < row.size(); ++c) {
        AppendField(text, Guarded(row[c]), true);
        if (c < columns - 1) text += ',';
      }
    } else {
      // All the list's cells; what the list leaves empty is written empty.
      // Commas beside blanks in a text go.
      for (size_t c = 0; c < columns; ++c) {
        if (c > 0) text += ',';
        const std::string cleaned = ReplaceAll(ReplaceAll(CellOf(row, c), ", ", " "), " ,", " ");
        AppendField(text, Guarded(cleaned));
      }
    }
    text += kLineEnd;
  }
  return text;
}

void WriteCsvExport(CsvList list, const ListContents& contents, const std::string& path) {
  WriteFileReplacing(path, CsvText(list, contents));
}

std::string ExportedMessage(std::string_view messageLine, const std::string& path) {
  std::string text(messageLine);
  text += '\n';
  text += path;
  return text;
}

}  // namespace qorn
