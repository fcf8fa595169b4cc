#include "export/csv_export.h"

#include "export/file_output.h"

namespace qorn {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (true) {
    const size_t hit = text.find(from, pos);
    if (hit == std::string::npos) break;
    out.append(text, pos, hit - pos).append(to);
    pos = hit + from.size();
  }
  out.append(text, pos);
  text = std::move(out);
}

const std::string& CellOf(const std::vector<std::string>& row, size_t index) {
  static const std::string kEmpty;
  return index < row.size() ? row[index] : kEmpty;
}

// A field as RFC 4180 writes it.
void AppendField(std::string& line, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
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

// Header and rows, every line with all `columns` fields.
std::string Rfc4180Text(size_t columns, const ListContents& contents) {
  std::string text;
  auto addLine = [&](const std::vector<std::string>& cells) {
    for (size_t c = 0; c < columns; ++c) {
      if (c > 0) text += ',';
      AppendField(text, CellOf(cells, c));
    }
    text += kLineEnd;
  };
  addLine(contents.Headers);
  for (const std::vector<std::string>& row : contents.Rows) addLine(row);
  return text;
}

}  // namespace

const CsvExportKind& KindOf(CsvList list) {
  static const CsvExportKind kKinds[] = {
      {6, false, "Your damage data has been exported:"},
      {8, false, "Your dot tick data has been exported:"},
      {6, false, "Your dot ticks have been exported:"},
      {13, true, "Your all damage detail data has been created:"},
      {11, false, "Your buff value data has been exported:", true},
  };
  return kKinds[static_cast<int>(list)];
}

std::string CsvText(CsvList list, const ListContents& contents) {
  const CsvExportKind& kind = KindOf(list);
  const size_t columns = static_cast<size_t>(kind.Columns);
  if (kind.Rfc4180) return Rfc4180Text(columns, contents);
  std::string text;
  for (size_t i = 0; i < columns; ++i) {
    text += CellOf(contents.Headers, i);
    if (i + 1 < columns) text += ',';
  }
  text += kLineEnd;

  std::string line;
  for (const std::vector<std::string>& row : contents.Rows) {
    line = CellOf(row, 0);
    line += ',';
    if (kind.Quoted) {
      // Every cell the row has, quoted; no comma after the last column's.
      for (size_t c = 1; c < row.size(); ++c) {
        line += '"';
        line += row[c];
        line += '"';
        if (c < columns - 1) line += ',';
      }
    } else {
      // All the list's cells; what the list leaves empty is written empty.
      for (size_t c = 1; c < columns; ++c) {
        line += CellOf(row, c);
        if (c < columns - 1) line += ',';
      }
      // Commas beside blanks go, separators included.
      ReplaceAll(line, ", ", " ");
      ReplaceAll(line, " ,", " ");
    }
    text += line;
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
