#include "ui/export_menu.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QTreeWidgetItem>

#include "common/error.h"
#include "export/html_tick_graph.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/report_list.h"

namespace qorn {
namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The title of a message about an export: its menu entry as it reads,
// without the dots and the mnemonic's mark.
QString TitleOf(const QAction* entry) { return entry->text().remove("...").remove('&'); }

class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

ListContents ContentsOf(const ReportList& list) {
  ListContents contents;
  const QTreeWidgetItem* header = list.headerItem();
  for (int i = 0; i < list.columnCount(); ++i) {
    contents.Headers.push_back(header->text(i).toStdString());
  }
  contents.Rows.reserve(static_cast<size_t>(list.RowCount()));
  for (int r = 0; r < list.RowCount(); ++r) {
    std::vector<std::string> row;
    for (const QString& cell : list.RowCells(r)) row.push_back(cell.toStdString());
    contents.Rows.push_back(std::move(row));
  }
  return contents;
}

ExportMenu::ExportMenu(MainWindow& window, Dialogs& dialogs, std::string databasePath)
    : QObject(&window), window_(window), dialogs_(dialogs), databasePath_(std::move(databasePath)) {
  connect(window.mnuExportDmg, &QAction::triggered, this,
          [this] { ExportList(CsvList::Overview); });
  connect(window.mnuExportDoTBrk, &QAction::triggered, this,
          [this] { ExportList(CsvList::DotBreakdown); });
  connect(window.mnuExportDoTTick, &QAction::triggered, this,
          [this] { ExportList(CsvList::DotTicks); });
  connect(window.mnuExportAllDamageDetail, &QAction::triggered, this,
          [this] { ExportList(CsvList::AllDamageDetail); });
  connect(window.mnuExportBuffValue, &QAction::triggered, this,
          [this] { ExportList(CsvList::BuffValue); });
  connect(window.mnuExportDotUptime, &QAction::triggered, this,
          [this] { ExportList(CsvList::DotUptime); });
  connect(window.mnuExportGraph, &QAction::triggered, this, &ExportMenu::ExportGraph);
}

ReportList* ExportMenu::ListOf(CsvList list) const {
  switch (list) {
    case CsvList::Overview:
      return window_.ListView1;
    case CsvList::DotBreakdown:
      return window_.ListView2;
    case CsvList::DotTicks:
      return window_.ListView3;
    case CsvList::AllDamageDetail:
      return window_.ListView4;
    case CsvList::BuffValue:
      return window_.ListView5;
    case CsvList::DotUptime:
      return window_.ListView6;
  }
  return nullptr;
}

void ExportMenu::WaitForViews() {
  QEventLoop loop;
  connect(&window_, &MainWindow::viewFilled, &loop, &QEventLoop::quit);
  while (window_.ViewsFilling()) loop.exec();
}

bool ExportMenu::FightSelected(const QAction* entry) {
  if (window_.SelectedFight()) return true;
  dialogs_.Message(&window_, TitleOf(entry),
                   "No fight is selected. Choose one in the Damage list first.");
  return false;
}

void ExportMenu::ExportList(CsvList list) {
  const QAction* entry = list == CsvList::Overview       ? window_.mnuExportDmg
                         : list == CsvList::DotBreakdown ? window_.mnuExportDoTBrk
                         : list == CsvList::DotTicks     ? window_.mnuExportDoTTick
                         : list == CsvList::BuffValue    ? window_.mnuExportBuffValue
                         : list == CsvList::DotUptime    ? window_.mnuExportDotUptime
                                                         : window_.mnuExportAllDamageDetail;
  // The detail report is of one fight: without one it would be a bare header.
  if (list == CsvList::AllDamageDetail && !FightSelected(entry)) return;
  const QString path = dialogs_.SaveFile(&window_, Text(kCsvDialogTitle), Text(kCsvFilter));
  if (path.isEmpty()) return;
  WaitForViews();
  try {
    WaitCursor wait;
    WriteCsvExport(list, ContentsOf(*ListOf(list)), path.toStdString());
  } catch (const Error& e) {
    dialogs_.Message(&window_, TitleOf(entry), QString::fromUtf8(e.what()));
    return;
  }
  dialogs_.Message(&window_, Text(kExportedTitle),
                   Text(ExportedMessage(KindOf(list).Message, path.toStdString())));
}

void ExportMenu::ExportGraph() {
  if (!FightSelected(window_.mnuExportGraph)) return;
  const auto fight = window_.SelectedFight();
  const QString path = dialogs_.SaveFile(&window_, Text(kHtmlDialogTitle), Text(kHtmlFilter));
  if (path.isEmpty()) return;
  // The graph views read the database on a worker; the export writes to it.
  WaitForViews();
  try {
    WaitCursor wait;
    WriteHtmlTickGraph(databasePath_, fight->EventNum, path.toStdString(), LocalNow());
  } catch (const Error& e) {
    dialogs_.Message(&window_, TitleOf(window_.mnuExportGraph), QString::fromUtf8(e.what()));
    return;
  }
  dialogs_.Message(&window_, Text(kExportedTitle),
                   Text(ExportedMessage(kHtmlExportedMessage, path.toStdString())));
}

}  // namespace qorn
