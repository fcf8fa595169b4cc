#pragma once

#include <QTreeWidget>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "views/list_columns.h"

namespace qorn {

// How a header click orders a list by one column.
enum class SortKind {
  None,         // the header click does nothing
  Text,         // without regard to case
  WholeNumber,  // "1,234.50" as 1234 (halves to even); text that is no number first
  DateTime,     // "12/4/2026 5:57:44 PM" as a point in time; text that is no date first
  LastWord,     // the last blank-separated word, by character code
  Number,       // "1,234.57", "-7" or "66.67%" with its decimals; text that is no number first
};

// A list in report view: rows of texts under column headers. Each row keeps
// the event number it shows (0 when it shows no event), whatever its place
// after sorting. A header click sorts ascending by the column's kind, a
// second click on the same header descending, and the header's own sort
// indicator shows which; from then on the rows follow that order, also as
// the list is filled again and as rows are added or change. A list without
// sort kinds ignores header clicks. After each fill a column is
// as wide as its caption and its widest cell, never narrower than the width
// set; a cell that is still cut shows its whole text as a tip.
class ReportList : public QTreeWidget {
  Q_OBJECT
 public:
  explicit ReportList(QWidget* parent = nullptr);

  // Columns with their headers, widths and alignments, and the sort kind of
  // each column (none when `sorts` is empty).
  void SetColumns(std::span<const ListColumn> columns, std::vector<SortKind> sorts = {});
  void SetColumnWidthTwips(int column, int twips);
  int ColumnWidthTwips(int column) const;

  void AddRow(const QStringList& texts, int eventNum = 0);
  // Many rows at once; a line with fewer cells leaves its last columns
  // blank. `eventNums`, when given, holds each row's event number.
  void AddRows(const std::vector<std::vector<std::string>>& rows,
               const std::vector<int>& eventNums = {});
  // Rows put in place of the rows the list holds: a row whose cells in
  // `keyColumns` match those of a row of the list takes that row's place,
  // with its texts and event number (a selection on it stays), other rows
  // are added, and, with `othersGo`, the list's rows that match none go.
  // Returns the event numbers of the rows added or whose texts changed.
  std::vector<int> MergeRows(const std::vector<std::vector<std::string>>& rows,
                             const std::vector<int>& eventNums, std::span<const size_t> keyColumns,
                             bool othersGo = true);
  int EventNumOf(const QTreeWidgetItem* item) const;
  int RowCount() const { return topLevelItemCount(); }
  QStringList RowTexts(int row) const;
  // The texts of the cells the row was given, without the blank columns
  // after a shorter line.
  QStringList RowCells(int row) const;

  // What a header click on `column` does.
  void SortByColumn(int column);
  // The order of the last sort by a header click.
  bool SortedDescending() const { return descending_; }

  // Each shown column as wide as its caption and its widest cell, and never
  // narrower than the width set.
  void FitColumns();
  // The tip over a point of the viewport: the whole text of a cell that its
  // column cuts, else empty.
  QString CellTipAt(QPoint viewportPos) const;
  // The column whose order the rows follow, if a header click chose one.
  std::optional<int> SortColumn() const { return sortedColumn_; }

 signals:
  // A header click sorted the list by `column` (zero-based).
  void sortedByColumn(int column);

 protected:
  bool viewportEvent(QEvent* event) override;

 private:
  QTreeWidgetItem* MakeItem(const QStringList& texts, int eventNum) const;
  void FitColumn(int column);
  // The width a cell's text needs, its margins included.
  int CellWidth(const QString& text) const;
  void SortItems(int column, SortKind kind);
  // The rows in the order the header shows, when it shows one.
  void KeepSorted();
  // The header's sort indicator as the list is sorted.
  void ShowSortIndicator();

  std::vector<Qt::Alignment> alignments_;
  std::vector<int> widthsTwips_;  // as set: pixels lose the twips' precision
  std::vector<SortKind> sorts_;
  std::optional<int> sortedColumn_;  // of the last header click
  bool descending_ = false;
};

}  // namespace qorn
