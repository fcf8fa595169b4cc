#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qorn {

// The data of a bar chart as the graph routines drive it: a grid of rows
// (categories along the axis) and columns (series), labels for both, a
// current cell that labels and data are written to, a footnote, whether the
// legend shows and the kind of chart. Rows and columns count from 1. Cells no
// one writes hold 0.
class ChartGrid {
 public:
  static constexpr int kBars2d = 1;  // the two-dimensional bar chart

  int RowCount() const { return rowCount_; }
  int ColumnCount() const { return columnCount_; }
  // Resizing keeps the cells and labels that stay inside the grid; new ones
  // are 0 and empty. The current cell moves inside the new grid.
  void SetRowCount(int rows);
  void SetColumnCount(int columns);

  // The current cell. Throws qorn::Error outside 1..count.
  int Row() const { return row_; }
  int Column() const { return column_; }
  void SetRow(int row);
  void SetColumn(int column);

  // Labels: of the current row or column when set, of any when read.
  void SetRowLabel(std::string label);
  void SetColumnLabel(std::string label);
  const std::string& RowLabel(int row) const;
  const std::string& ColumnLabel(int column) const;

  // Data of the current cell when set, of any cell when read.
  void SetData(int64_t value);
  int64_t Data(int row, int column) const;

  const std::string& FootnoteText() const { return footnote_; }
  void SetFootnoteText(std::string text) { footnote_ = std::move(text); }
  bool ShowLegend() const { return showLegend_; }
  void SetShowLegend(bool show) { showLegend_ = show; }
  int ChartType() const { return chartType_; }
  void SetChartType(int type) { chartType_ = type; }

 private:
  void Resize(int rows, int columns);
  size_t Index(int row, int column) const;

  int rowCount_ = 0;
  int columnCount_ = 0;
  int row_ = 0;
  int column_ = 0;
  std::vector<std::string> rowLabels_;
  std::vector<std::string> columnLabels_;
  std::vector<int64_t> cells_;  // row by row
  std::string footnote_;
  bool showLegend_ = false;
  int chartType_ = kBars2d;
};

// `grid` with at most `most` rows (from 1): when it has more, runs of
// consecutive rows are summed into one, labelled "FIRST-LAST" by the labels
// of the rows they hold, each run as long as the first ones (the last may be
// shorter). Columns, footnote, legend and chart type stay.
ChartGrid GroupRows(const ChartGrid& grid, int most);

// The grid as tab-separated lines: an empty field and the column labels;
// per row its label and its cells; the footnote as it stands. A tab or line
// break inside a label or the footnote becomes a blank. Every line ends in a
// line feed.
std::string ChartGridText(const ChartGrid& grid);

}  // namespace qorn
