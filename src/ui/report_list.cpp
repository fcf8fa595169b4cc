#include "ui/report_list.h"

#include <QHash>
#include <QHeaderView>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>
#include <algorithm>

#include "common/date_time.h"
#include "common/number_format.h"
#include "ui/twips.h"

namespace qorn {
namespace {

constexpr int kEventNumRole = Qt::UserRole + 1;
// How many cells a row was given: a line may have fewer than the list's columns.
constexpr int kCellCountRole = Qt::UserRole + 2;

// What a cell is compared by: cells that hold no value of the column's kind
// (an empty cell in a number column) come first, then the values.
struct SortKey {
  bool hasValue = false;
  double number = 0;
  QString text;
};

SortKey KeyOf(const QString& cell, SortKind kind) {
  SortKey key;
  switch (kind) {
    case SortKind::WholeNumber:
      // Digit groups allowed; a fraction rounds with halves to the even neighbour.
      if (const auto n = ParseShownNumber(cell.trimmed().toStdString())) {
        key.hasValue = true;
        key.number = static_cast<double>(RoundHalfEven(*n));
      }
      break;
    case SortKind::Number: {
      QString text = cell.trimmed();
      if (text.endsWith('%')) text.chop(1);
      if (const auto n = ParseShownNumber(text.toStdString())) {
        key.hasValue = true;
        key.number = *n;
      }
      break;
    }
    case SortKind::DateTime:
      if (const auto t = ParseDateText(cell.trimmed().toStdString())) {
        key.hasValue = true;
        key.number = *t;
      }
      break;
    case SortKind::LastWord:
      key.hasValue = true;
      key.text = cell.section(' ', -1);
      break;
    case SortKind::Text:
      key.hasValue = true;
      key.text = cell.toCaseFolded();
      break;
    case SortKind::None:
      break;
  }
  return key;
}

bool Less(const SortKey& a, const SortKey& b, SortKind kind) {
  if (a.hasValue != b.hasValue) return !a.hasValue;
  if (kind == SortKind::WholeNumber || kind == SortKind::Number || kind == SortKind::DateTime) {
    return a.number < b.number;
  }
  // Character code by character code: upper case before lower case.
  return QString::compare(a.text, b.text, Qt::CaseSensitive) < 0;
}

}  // namespace

ReportList::ReportList(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setColumnCount(0);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  header()->setSectionsClickable(true);
  connect(header(), &QHeaderView::sectionClicked, this, &ReportList::SortByColumn);
}

void ReportList::SetColumns(std::span<const ListColumn> columns, std::vector<SortKind> sorts) {
  QStringList headers;
  for (const ListColumn& c : columns) {
    headers << QString::fromUtf8(c.Caption.data(), static_cast<qsizetype>(c.Caption.size()));
  }
  setColumnCount(static_cast<int>(columns.size()));
  setHeaderLabels(headers);
  alignments_.clear();
  widthsTwips_.assign(columns.size(), 0);
  sorts_ = std::move(sorts);
  sorts_.resize(columns.size(), SortKind::None);
  sortedColumn_.reset();
  descending_ = false;
  ShowSortIndicator();
  for (size_t i = 0; i < columns.size(); ++i) {
    const int col = static_cast<int>(i);
    alignments_.push_back((columns[i].AlignRight ? Qt::AlignRight : Qt::AlignLeft) |
                          Qt::AlignVCenter);
    headerItem()->setTextAlignment(col, alignments_.back());
    SetColumnWidthTwips(col, columns[i].WidthTwips);
  }
}

void ReportList::SetColumnWidthTwips(int column, int twips) {
  // A width of 0 hides the column, as the list control does.
  if (column < 0 || column >= static_cast<int>(widthsTwips_.size())) return;
  widthsTwips_[static_cast<size_t>(column)] = twips;
  setColumnHidden(column, twips == 0);
  FitColumn(column);
}

int ReportList::CellWidth(const QString& text) const {
  // The view's own margins of a cell's text, and a little room besides.
  const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
  return fontMetrics().horizontalAdvance(text) + 2 * margin + 6;
}

void ReportList::FitColumn(int column) {
  // The widths in twips were made for another system's font: what the
  // caption and the cells need wins where it is more.
  const int twips = ColumnWidthTwips(column);
  if (twips <= 0) return;
  int widest = header()->sectionSizeHint(column);
  for (int r = 0; r < topLevelItemCount(); ++r) {
    widest = std::max(widest, CellWidth(topLevelItem(r)->text(column)));
  }
  setColumnWidth(column, std::max(Px(twips), widest));
}

void ReportList::FitColumns() {
  for (int c = 0; c < columnCount(); ++c) FitColumn(c);
}

QString ReportList::CellTipAt(QPoint viewportPos) const {
  const QModelIndex index = indexAt(viewportPos);
  if (!index.isValid()) return {};
  const QString text = index.data(Qt::DisplayRole).toString();
  return CellWidth(text) > columnWidth(index.column()) ? text : QString();
}

bool ReportList::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    if (const QString tip = CellTipAt(help->pos()); !tip.isEmpty()) {
      QToolTip::showText(help->globalPos(), tip, viewport());
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  return QTreeWidget::viewportEvent(event);
}

int ReportList::ColumnWidthTwips(int column) const {
  return column >= 0 && column < static_cast<int>(widthsTwips_.size())
             ? widthsTwips_[static_cast<size_t>(column)]
             : 0;
}

QTreeWidgetItem* ReportList::MakeItem(const QStringList& texts, int eventNum) const {
  auto* item = new QTreeWidgetItem(texts);
  // Left is the item's own alignment: only the others are stored per cell.
  for (int i = 0; i < texts.size() && i < static_cast<int>(alignments_.size()); ++i) {
    const Qt::Alignment a = alignments_[static_cast<size_t>(i)];
    if (!(a & Qt::AlignLeft)) item->setTextAlignment(i, a);
  }
  item->setData(0, kEventNumRole, eventNum);
  item->setData(0, kCellCountRole, static_cast<int>(texts.size()));
  return item;
}

void ReportList::AddRow(const QStringList& texts, int eventNum) {
  addTopLevelItem(MakeItem(texts, eventNum));
  KeepSorted();
  FitColumns();
}

void ReportList::AddRows(const std::vector<std::vector<std::string>>& rows,
                         const std::vector<int>& eventNums) {
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows.size()));
  for (const auto& row : rows) {
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(row.size()));
    for (const std::string& cell : row) {
      texts << QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size()));
    }
    const size_t i = static_cast<size_t>(items.size());
    items << MakeItem(texts, i < eventNums.size() ? eventNums[i] : 0);
  }
  addTopLevelItems(items);
  KeepSorted();
  FitColumns();
}

std::vector<int> ReportList::MergeRows(const std::vector<std::vector<std::string>>& rows,
                                       const std::vector<int>& eventNums,
                                       std::span<const size_t> keyColumns, bool othersGo) {
  auto cell = [](const std::vector<std::string>& cells, size_t c) {
    return c < cells.size()
               ? QString::fromUtf8(cells[c].data(), static_cast<qsizetype>(cells[c].size()))
               : QString();
  };
  auto keyOf = [&](auto textOf) {
    QString key;
    for (const size_t c : keyColumns) key += textOf(c) + QChar('\t');
    return key;
  };
  QHash<QString, size_t> rowOf;
  for (size_t i = 0; i < rows.size(); ++i) {
    rowOf.insert(keyOf([&](size_t c) { return cell(rows[i], c); }), i);
  }
  std::vector<int> changed;
  std::vector<bool> placed(rows.size(), false);
  for (int r = topLevelItemCount() - 1; r >= 0; --r) {
    QTreeWidgetItem* item = topLevelItem(r);
    const auto it =
        rowOf.constFind(keyOf([&](size_t c) { return item->text(static_cast<int>(c)); }));
    if (it == rowOf.constEnd()) {
      if (othersGo) delete takeTopLevelItem(r);
      continue;
    }
    const size_t i = it.value();
    placed[i] = true;
    const int eventNum = i < eventNums.size() ? eventNums[i] : 0;
    item->setData(0, kEventNumRole, eventNum);
    bool differs = item->data(0, kCellCountRole).toInt() != static_cast<int>(rows[i].size());
    for (int c = 0; c < columnCount(); ++c) {
      const QString text = cell(rows[i], static_cast<size_t>(c));
      if (item->text(c) != text) {
        item->setText(c, text);
        differs = true;
      }
    }
    if (differs) {
      item->setData(0, kCellCountRole, static_cast<int>(rows[i].size()));
      changed.push_back(eventNum);
    }
  }
  std::vector<std::vector<std::string>> added;
  std::vector<int> addedNums;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (placed[i]) continue;
    added.push_back(rows[i]);
    addedNums.push_back(i < eventNums.size() ? eventNums[i] : 0);
  }
  // New rows, and rows whose cells changed, take their places by the sort.
  if (!added.empty()) {
    AddRows(added, addedNums);
  } else if (!changed.empty()) {
    KeepSorted();
  }
  changed.insert(changed.end(), addedNums.begin(), addedNums.end());
  return changed;
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

QStringList ReportList::RowCells(int row) const {
  QStringList texts;
  const QTreeWidgetItem* item = topLevelItem(row);
  if (item == nullptr) return texts;
  const int cells = std::min(item->data(0, kCellCountRole).toInt(), columnCount());
  for (int i = 0; i < cells; ++i) texts << item->text(i);
  return texts;
}

void ReportList::SortByColumn(int column) {
  if (column < 0 || column >= static_cast<int>(sorts_.size())) return;
  const SortKind kind = sorts_[static_cast<size_t>(column)];
  // The header's click may have moved its indicator already: it shows the
  // list's order, not the click.
  if (kind == SortKind::None) {
    ShowSortIndicator();
    return;
  }
  // A second click on the same header turns the order round.
  descending_ = sortedColumn_ == column && !descending_;
  sortedColumn_ = column;
  SortItems(column, kind);
  ShowSortIndicator();
  emit sortedByColumn(column);
}

void ReportList::ShowSortIndicator() {
  // Qt's own indicator, whose arrow the platform's style draws each way round.
  header()->setSortIndicatorShown(sortedColumn_.has_value());
  if (sortedColumn_) {
    header()->setSortIndicator(*sortedColumn_,
                               descending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
  }
}

void ReportList::KeepSorted() {
  if (sortedColumn_) SortItems(*sortedColumn_, sorts_[static_cast<size_t>(*sortedColumn_)]);
}

void ReportList::SortItems(int column, SortKind kind) {
  QTreeWidgetItem* selected = currentItem();
  const bool wasSelected = selected != nullptr && selected->isSelected();
  QList<QTreeWidgetItem*> items = invisibleRootItem()->takeChildren();
  std::vector<std::pair<SortKey, QTreeWidgetItem*>> keyed;
  keyed.reserve(static_cast<size_t>(items.size()));
  for (QTreeWidgetItem* item : items) keyed.emplace_back(KeyOf(item->text(column), kind), item);
  // Stable: rows with equal values keep their order, either way round.
  std::stable_sort(keyed.begin(), keyed.end(),
                   [kind, down = descending_](const auto& a, const auto& b) {
                     return down ? Less(b.first, a.first, kind) : Less(a.first, b.first, kind);
                   });
  for (qsizetype i = 0; i < items.size(); ++i) items[i] = keyed[static_cast<size_t>(i)].second;
  addTopLevelItems(items);
  if (selected != nullptr) {
    setCurrentItem(selected);
    selected->setSelected(wasSelected);
  }
}

}  // namespace qorn
