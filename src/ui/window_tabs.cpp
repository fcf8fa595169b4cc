// The tab switch: which frame is in view, which per-fight view fills for
// the fight selected in the overview, and which single Export entry is on.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QTabBar>

#include "commands/program_folder.h"
#include "ui/buff_value_view.h"
#include "ui/chart_views.h"
#include "ui/dot_uptime_view.h"
#include "ui/list_views.h"
#include "ui/main_window.h"
#include "ui/twips.h"
#include "views/tick_graphs.h"

namespace qorn {

void MainWindow::BuildTabs() {
  const std::string database = InProgramFolder(programFolder_, kDatabaseFile);
  auto failure = [this](const QString& tab) {
    return [this, tab](const QString& message) {
      dialogs_.Message(this, tab, message + "\n\nThe other tabs and the overview still work.");
    };
  };
  dotBreakdown_ = std::make_unique<DotBreakdownView>(ListView2, database, failure("DoT Breakdown"));
  dotTicks_ = std::make_unique<DotTicksView>(ListView3, database, failure("DoT Ticks"));
  tickGraph_ =
      std::make_unique<ChartTabView>(MSChart1, &DrawDotTickGraph, "This fight has no DoT hits.",
                                     database, failure("DoT Tick Graph"));
  damageGraph_ =
      std::make_unique<ChartTabView>(MSChart2, &DrawAllDamageGraph, "This fight has no damage.",
                                     database, failure("All Damage Graph"));
  damageDetail_ = std::make_unique<DamageDetailView>(
      ListView4, database, failure("All Damage Detail"), mnuPetDetail, spellDatRecs_);
  buffValue_ = std::make_unique<BuffValueView>(ListView5, Frame8, chkWholeLog, database,
                                               failure("Buff Value"));
  dotUptime_ = std::make_unique<DotUptimeView>(ListView6, picUptime, Frame9, chkUptimeWholeLog,
                                               database, failure("DoT Uptime"));
  for (FillRunner* runner : {&dotBreakdown_->Runner(), &dotTicks_->Runner(), &tickGraph_->Runner(),
                             &damageGraph_->Runner(), &damageDetail_->Runner(),
                             &buffValue_->Runner(), &dotUptime_->Runner()}) {
    connect(runner, &FillRunner::finished, this, &MainWindow::viewFilled);
  }

  // In the order the captions are compared.
  tabs_ = {
      {"Settings", Frame6, {}, nullptr, nullptr},
      {"Damage", Frame1, {}, nullptr, mnuExportDmg},
      {"DoT Breakdown", Frame2, "DoT Breakdown - ", dotBreakdown_.get(), mnuExportDoTBrk},
      {"DoT Ticks", Frame3, "DoT Ticks - ", dotTicks_.get(), mnuExportDoTTick},
      {"DoT Tick Graph", Frame4, "DoT Tick Graph - ", tickGraph_.get(), mnuExportGraph},
      {"All Damage Graph", Frame7, "All Damage Graph - ", damageGraph_.get(), mnuExportGraph},
      {"All Damage Detail", Frame5, "All Damage Detail - ", damageDetail_.get(),
       mnuExportAllDamageDetail},
      {"Buff Value", Frame8, "Buff Value - ", buffValue_.get(), mnuExportBuffValue},
      {"DoT Uptime", Frame9, "DoT Uptime - ", dotUptime_.get(), mnuExportDotUptime},
  };
  // The scope changes: the list in view fills again.
  connect(chkWholeLog, &QCheckBox::toggled, this, [this] {
    if (Frame8->x() == Px(120)) ChooseTab(TabStrip1->currentIndex());
  });
  connect(chkUptimeWholeLog, &QCheckBox::toggled, this, [this] {
    if (Frame9->x() == Px(120)) ChooseTab(TabStrip1->currentIndex());
  });
}

bool MainWindow::ViewsFilling() const {
  for (const FillRunner* runner :
       {&dotBreakdown_->Runner(), &dotTicks_->Runner(), &tickGraph_->Runner(),
        &damageGraph_->Runner(), &damageDetail_->Runner(), &buffValue_->Runner(),
        &dotUptime_->Runner()}) {
    if (runner->Busy()) return true;
  }
  return false;
}

std::optional<Fight> MainWindow::SelectedFight() const {
  const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
  if (selected.isEmpty()) return std::nullopt;
  // The row's own event number: after a sort its place in the list is another.
  return Fight{ListView1->EventNumOf(selected.front()), selected.front()->text(0).toStdString()};
}

void MainWindow::StepTab(int step) {
  // The tabs are there once the strip is.
  if (!TabStrip1->isVisible()) return;
  const int count = TabStrip1->count();
  TabStrip1->setCurrentIndex(((TabStrip1->currentIndex() + step) % count + count) % count);
}

void MainWindow::ChooseTab(int index) {
  if (index < 0 || index >= TabStrip1->count()) return;
  const QString caption = TabStrip1->tabText(index);
  const Tab* tab = nullptr;
  for (const Tab& t : tabs_) {
    if (t.caption == caption) {
      tab = &t;
      break;
    }
  }
  if (tab == nullptr) return;

  MoveFrameIntoView(tab->frame);
  if (tab->frame != Frame6) {
    for (FightView* view :
         {static_cast<FightView*>(dotBreakdown_.get()), static_cast<FightView*>(dotTicks_.get()),
          static_cast<FightView*>(damageDetail_.get()), static_cast<FightView*>(buffValue_.get()),
          static_cast<FightView*>(dotUptime_.get())}) {
      view->Clear();
    }
  }
  if (tab->view != nullptr) {
    if (const auto fight = SelectedFight()) {
      tab->frame->setTitle(tab->framePrefix + QString::fromStdString(fight->Mob));
      tab->view->Show(*fight);
    } else if (!tab->view->ShowWithoutFight()) {
      // Nothing chosen in the overview: the view stays empty and says so.
      tab->view->Clear();
      tab->frame->setTitle(tab->framePrefix + "no fight selected in Damage");
    }
  }
  for (QAction* entry : {mnuExportDmg, mnuExportDoTBrk, mnuExportDoTTick, mnuExportGraph,
                         mnuExportAllDamageDetail, mnuExportBuffValue, mnuExportDotUptime}) {
    entry->setEnabled(entry == tab->exportEntry);
  }
}

}  // namespace qorn
