#pragma once

#include <QObject>
#include <string>

#include "export/csv_export.h"

class QAction;

namespace qorn {

class Dialogs;
class MainWindow;
class ReportList;

// The Export menu of the window: the list in view to a CSV file, every
// column and every row as the list holds them (mnuExportDmg,
// mnuExportDoTBrk, mnuExportDoTTick, mnuExportAllDamageDetail,
// mnuExportBuffValue), and the fight selected in the overview to an HTML
// tick graph (mnuExportGraph). Connects itself to the window's six entries.
class ExportMenu : public QObject {
 public:
  ExportMenu(MainWindow& window, Dialogs& dialogs, std::string databasePath);

  void ExportList(CsvList list);
  void ExportGraph();

 private:
  ReportList* ListOf(CsvList list) const;
  // A fight is selected in the overview; else the user is told so under the title of `entry`.
  bool FightSelected(const QAction* entry);
  // A list still filling on a worker is exported once it is full.
  void WaitForViews();

  MainWindow& window_;
  Dialogs& dialogs_;
  std::string databasePath_;
};

// What a list holds: its header captions, and each row's cells as it was
// given them.
ListContents ContentsOf(const ReportList& list);

}  // namespace qorn
