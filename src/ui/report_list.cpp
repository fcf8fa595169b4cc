#include "ui/report_list.h"

#include <QHeaderView>

#include "ui/twips.h"

namespace qorn {
namespace {
constexpr int kEventNumRole = Qt::UserRole + 1;
}

ReportList::ReportList(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setColumnCount(0);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
}

void ReportList::SetColumns(const std::vector<ColumnSpec>& columns) {
  QStringList headers;
  for (const ColumnSpec& c : columns) headers << c.header;
  setColumnCount(static_cast<int>(columns.size()));
  setHeaderLabels(headers);
  alignments_.clear();
  widthsTwips_.assign(columns.size(), 0);
  for (size_t i = 0; i < columns.size(); ++i) {
    const int col = static_cast<int>(i);
    alignments_.push_back(columns[i].alignment | Qt::AlignVCenter);
    headerItem()->setTextAlignment(col, alignments_.back());
    SetColumnWidthTwips(col, columns[i].widthTwips);
  }
}

void ReportList::SetColumnWidthTwips(int column, int twips) {
  // A width of 0 hides the column, as the list control does.
  if (column < 0 || column >= static_cast<int>(widthsTwips_.size())) return;
  widthsTwips_[static_cast<size_t>(column)] = twips;
  setColumnHidden(column, twips == 0);
  if (twips > 0) setColumnWidth(column, Px(twips));
}

int ReportList::ColumnWidthTwips(int column) const {
  return column >= 0 && column < static_cast<int>(widthsTwips_.size())
             ? widthsTwips_[static_cast<size_t>(column)]
             : 0;
}

void ReportList::AddRow(const QStringList& texts, int eventNum) {
  auto* item = new QTreeWidgetItem(texts);
  for (int i = 0; i < texts.size() && i < static_cast<int>(alignments_.size()); ++i) {
    item->setTextAlignment(i, alignments_[static_cast<size_t>(i)]);
  }
  item->setData(0, kEventNumRole, eventNum);
  addTopLevelItem(item);
}

int ReportList::EventNumOf(const QTreeWidgetItem* item) const {
  return item ? item->data(0, kEventNumRole).toInt() : 0;
}

QStringList ReportList::RowTexts(int row) const {
  QStringList texts;
  const QTreeWidgetItem* item = topLevelItem(row);
  if (item == nullptr) return texts;
  for (int i = 0; i < columnCount(); ++i) texts << item->text(i);
  return texts;
}

}  // namespace qorn
