#pragma once

#include <QTreeWidget>
#include <vector>

namespace qorn {

// One column of a report list: header, width in twips, alignment.
struct ColumnSpec {
  const char* header;
  int widthTwips;
  Qt::Alignment alignment = Qt::AlignLeft;
};

// A list in report view: rows of texts under column headers. Each row
// keeps the event number it shows (0 when it shows no event).
class ReportList : public QTreeWidget {
 public:
  explicit ReportList(QWidget* parent = nullptr);

  void SetColumns(const std::vector<ColumnSpec>& columns);
  void SetColumnWidthTwips(int column, int twips);
  int ColumnWidthTwips(int column) const;
  void AddRow(const QStringList& texts, int eventNum = 0);
  int EventNumOf(const QTreeWidgetItem* item) const;
  int RowCount() const { return topLevelItemCount(); }
  QStringList RowTexts(int row) const;

 private:
  std::vector<Qt::Alignment> alignments_;
  std::vector<int> widthsTwips_;  // as set: pixels lose the twips' precision
};

}  // namespace qorn
