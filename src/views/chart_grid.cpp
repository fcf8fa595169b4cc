#include "views/chart_grid.h"

#include <algorithm>

#include "common/error.h"
#include "common/text_encoding.h"

namespace qorn {
namespace {

void CheckInside(const char* what, int value, int count) {
  if (value < 1 || value > count) {
    throw Error("Chart " + std::string(what) + " " + std::to_string(value) + " is outside 1 to " +
                std::to_string(count));
  }
}

}  // namespace

void ChartGrid::SetRowCount(int rows) { Resize(rows, columnCount_); }

void ChartGrid::SetColumnCount(int columns) { Resize(rowCount_, columns); }

void ChartGrid::Resize(int rows, int columns) {
  rows = std::max(rows, 0);
  columns = std::max(columns, 0);
  std::vector<int64_t> cells(static_cast<size_t>(rows) * static_cast<size_t>(columns), 0);
  const int keepRows = std::min(rows, rowCount_);
  const int keepColumns = std::min(columns, columnCount_);
  for (int r = 0; r < keepRows; ++r) {
    std::copy_n(cells_.begin() + static_cast<ptrdiff_t>(Index(r + 1, 1)), keepColumns,
                cells.begin() + static_cast<ptrdiff_t>(r) * columns);
  }
  cells_ = std::move(cells);
  rowLabels_.resize(static_cast<size_t>(rows));
  columnLabels_.resize(static_cast<size_t>(columns));
  rowCount_ = rows;
  columnCount_ = columns;
  row_ = std::clamp(row_, rows > 0 ? 1 : 0, rows);
  column_ = std::clamp(column_, columns > 0 ? 1 : 0, columns);
}

size_t ChartGrid::Index(int row, int column) const {
  return static_cast<size_t>(row - 1) * static_cast<size_t>(columnCount_) +
         static_cast<size_t>(column - 1);
}

void ChartGrid::SetRow(int row) {
  CheckInside("row", row, rowCount_);
  row_ = row;
}

void ChartGrid::SetColumn(int column) {
  CheckInside("column", column, columnCount_);
  column_ = column;
}

void ChartGrid::SetRowLabel(std::string label) {
  CheckInside("row", row_, rowCount_);
  rowLabels_[static_cast<size_t>(row_ - 1)] = std::move(label);
}

void ChartGrid::SetColumnLabel(std::string label) {
  CheckInside("column", column_, columnCount_);
  columnLabels_[static_cast<size_t>(column_ - 1)] = std::move(label);
}

const std::string& ChartGrid::RowLabel(int row) const {
  CheckInside("row", row, rowCount_);
  return rowLabels_[static_cast<size_t>(row - 1)];
}

const std::string& ChartGrid::ColumnLabel(int column) const {
  CheckInside("column", column, columnCount_);
  return columnLabels_[static_cast<size_t>(column - 1)];
}

void ChartGrid::SetData(int64_t value) {
  CheckInside("row", row_, rowCount_);
  CheckInside("column", column_, columnCount_);
  cells_[Index(row_, column_)] = value;
}

int64_t ChartGrid::Data(int row, int column) const {
  CheckInside("row", row, rowCount_);
  CheckInside("column", column, columnCount_);
  return cells_[Index(row, column)];
}

ChartGrid GroupRows(const ChartGrid& grid, int most) {
  if (grid.RowCount() <= most) return grid;
  const int rows = grid.RowCount();
  const int run = (rows + most - 1) / most;
  ChartGrid grouped;
  grouped.SetFootnoteText(grid.FootnoteText());
  grouped.SetShowLegend(grid.ShowLegend());
  grouped.SetChartType(grid.ChartType());
  grouped.SetRowCount((rows + run - 1) / run);
  grouped.SetColumnCount(grid.ColumnCount());
  for (int c = 1; c <= grid.ColumnCount(); ++c) {
    grouped.SetColumn(c);
    grouped.SetColumnLabel(grid.ColumnLabel(c));
  }
  for (int r = 1; r <= grouped.RowCount(); ++r) {
    const int first = (r - 1) * run + 1;
    const int last = std::min(rows, first + run - 1);
    grouped.SetRow(r);
    grouped.SetRowLabel(first == last ? grid.RowLabel(first)
                                      : grid.RowLabel(first) + "-" + grid.RowLabel(last));
    for (int c = 1; c <= grid.ColumnCount(); ++c) {
      int64_t sum = 0;
      for (int k = first; k <= last; ++k) sum += grid.Data(k, c);
      grouped.SetColumn(c);
      grouped.SetData(sum);
    }
  }
  return grouped;
}

std::string ChartGridText(const ChartGrid& grid) {
  std::string text;
  for (int c = 1; c <= grid.ColumnCount(); ++c)
    text += "\t" + TabSeparatedField(grid.ColumnLabel(c));
  text += "\n";
  for (int r = 1; r <= grid.RowCount(); ++r) {
    text += TabSeparatedField(grid.RowLabel(r));
    for (int c = 1; c <= grid.ColumnCount(); ++c) text += "\t" + std::to_string(grid.Data(r, c));
    text += "\n";
  }
  text += TabSeparatedField(grid.FootnoteText()) + "\n";
  return text;
}

}  // namespace qorn
