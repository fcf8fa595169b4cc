#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qorn {

// What a list shows: its column captions, and per row the first column's
// text followed by the row's further cells (a row may have fewer cells than
// the list has columns).
struct ListContents {
  std::vector<std::string> Headers;
  std::vector<std::vector<std::string>> Rows;
};

// The lists that export to CSV.
enum class CsvList { Overview, DotBreakdown, DotTicks, AllDamageDetail, BuffValue, DotUptime };

struct CsvExportKind {
  int Columns = 0;           // the list's columns: the header line has this many captions;
                             // 0 where they follow the scope (a fight's or the whole log's):
                             // as many as the list's headers
  bool Quoted = false;       // cells after the first between double quotes, no comma clean-up
                             // (else commas beside blanks in a cell's text go)
  std::string_view Message;  // the first line of the message after the export
  // Every field, headers included, as RFC 4180 writes it: between double
  // quotes (inner ones doubled) where it holds a comma, a quote or a line
  // break, else as it stands; every line has all the list's columns.
  bool Rfc4180 = false;
};

const CsvExportKind& KindOf(CsvList list);

inline constexpr std::string_view kCsvDialogTitle = "Create a comma seperated file";
inline constexpr std::string_view kCsvFilter = "Csv files (*.csv)|*.CSV";
// The title of the message that confirms an export.
inline constexpr std::string_view kExportedTitle = "Tada!";

// The file's bytes: the header line and one line per row, each ending in CR LF.
// In every list a field holding a comma, a quote or a line break is quoted as
// RFC 4180 writes it, and a text that a spreadsheet would run as a formula
// (one that starts with =, +, -, @, a tab or a carriage return, followed by
// more, and is no number) starts with an apostrophe.
std::string CsvText(CsvList list, const ListContents& contents);

// Writes CsvText to `path` (see WriteFileReplacing). Throws qorn::Error.
void WriteCsvExport(CsvList list, const ListContents& contents, const std::string& path);

// The confirmation: the message line, a line break ("\n") and the path.
std::string ExportedMessage(std::string_view messageLine, const std::string& path);

}  // namespace qorn
