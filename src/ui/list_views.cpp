#include "ui/list_views.h"

#include "views/damage_detail.h"
#include "views/dot_breakdown.h"
#include "views/dot_ticks.h"

namespace qorn {

FightList::FightList(ReportList* list, std::string databasePath,
                     FillRunner::FailureHandler onFailure)
    : list_(list), databasePath_(std::move(databasePath)), runner_(std::move(onFailure)) {}

void FightList::Clear() {
  runner_.Cancel();
  list_->clear();
}

void FightList::Show(const Fight& fight) {
  runner_.Run(Rows(fight), [list = list_](std::vector<ListRow> rows) { list->AddRows(rows); });
}

std::function<std::vector<ListRow>()> DotBreakdownView::Rows(const Fight& fight) const {
  return [path = DatabasePath(), eventNum = fight.EventNum] {
    return FillDotBreakdown(path, eventNum);
  };
}

std::function<std::vector<ListRow>()> DotTicksView::Rows(const Fight& fight) const {
  return [path = DatabasePath(), fight] { return FillDotTicks(path, fight.EventNum, fight.Mob); };
}

DamageDetailView::DamageDetailView(ReportList* list, std::string databasePath,
                                   FillRunner::FailureHandler onFailure, const QAction* petDetail,
                                   const std::vector<SpellDatRec>& spellDatRecs)
    : FightList(list, std::move(databasePath), std::move(onFailure)),
      petDetail_(petDetail),
      spellDatRecs_(spellDatRecs) {}

std::function<std::vector<ListRow>()> DamageDetailView::Rows(const Fight& fight) const {
  return [path = DatabasePath(), eventNum = fight.EventNum, spells = spellDatRecs_,
          petDetail = petDetail_->isChecked()] {
    return ShowAllDamageDetail(path, eventNum, spells, petDetail);
  };
}

}  // namespace qorn
