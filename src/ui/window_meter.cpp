// The window's side of the meter and of a fight's summary line: Edit › Copy
// Summary and the overview's context menu.
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

#include "commands/program_folder.h"
#include "common/error.h"
#include "store/database.h"
#include "store/database_names.h"
#include "ui/main_window.h"
#include "ui/meter_feed.h"
#include "views/fight_meter.h"

namespace qorn {

MeterWindow* MainWindow::Meter() const { return meterFeed_->Meter(); }

void MainWindow::BuildSummaryEntries() {
  // Copy Summary needs a fight chosen in the overview.
  connect(ListView1, &QTreeWidget::itemSelectionChanged, this,
          [this] { mnuCopySummary->setEnabled(SelectedFight().has_value()); });
  ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* menu = new QMenu(ListView1);
  menu->setObjectName("mnuOverviewContext");
  menu->addAction(mnuCopySummary);
  connect(ListView1, &QWidget::customContextMenuRequested, this, [this, menu](const QPoint& at) {
    // The fight under the pointer is the one the menu is for.
    if (QTreeWidgetItem* item = ListView1->itemAt(at)) ListView1->setCurrentItem(item);
    if (SelectedFight()) menu->popup(ListView1->viewport()->mapToGlobal(at));
  });
}

void MainWindow::CopySummary() {
  const std::optional<Fight> fight = SelectedFight();
  if (!fight) return;
  try {
    Database db = OpenForView(InProgramFolder(programFolder_, kDatabaseFile));
    const std::optional<FightMeter> meter = ReadFightMeter(db, fight->EventNum);
    if (!meter)
      throw Error("The stored parse has no fight " + std::to_string(fight->EventNum) + ".");
    QGuiApplication::clipboard()->setText(QString::fromStdString(FightSummaryLine(*meter)));
  } catch (const Error& e) {
    dialogs_.Message(this, "Copy Summary", QString::fromUtf8(e.what()));
  }
}

}  // namespace qorn
