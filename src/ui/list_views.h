#pragma once

#include <QAction>
#include <functional>
#include <string>
#include <vector>

#include "store/crit_marks.h"
#include "ui/fight_view.h"
#include "ui/report_list.h"

namespace qorn {

// A per-fight list: its rows come from one core function of views/, run on
// a worker, and are added to the list on the window's thread.
class FightList : public FightView {
 public:
  FightList(ReportList* list, std::string databasePath, FillRunner::FailureHandler onFailure);
  void Clear() override;
  void Show(const Fight& fight) override;
  FillRunner& Runner() { return runner_; }

 protected:
  // The core call that makes the rows for `fight`, bound to everything it
  // reads (it runs on a worker and must not touch a widget).
  virtual std::function<std::vector<ListRow>()> Rows(const Fight& fight) const = 0;
  const std::string& DatabasePath() const { return databasePath_; }

 private:
  ReportList* list_;
  std::string databasePath_;
  FillRunner runner_;
};

// "DoT Breakdown": ListView2, every DoT hit of the fight.
class DotBreakdownView final : public FightList {
 public:
  using FightList::FightList;

 protected:
  std::function<std::vector<ListRow>()> Rows(const Fight& fight) const override;
};

// "DoT Ticks": ListView3, the sums of each tick with their buffs.
class DotTicksView final : public FightList {
 public:
  using FightList::FightList;

 protected:
  std::function<std::vector<ListRow>()> Rows(const Fight& fight) const override;
};

// "All Damage Detail": ListView4, the statistics per damage source. Reads
// the pet-detail check mark and the spell table when it fills.
class DamageDetailView final : public FightList {
 public:
  DamageDetailView(ReportList* list, std::string databasePath, FillRunner::FailureHandler onFailure,
                   const QAction* petDetail, const std::vector<SpellDatRec>& spellDatRecs);

 protected:
  std::function<std::vector<ListRow>()> Rows(const Fight& fight) const override;

 private:
  const QAction* petDetail_;
  const std::vector<SpellDatRec>& spellDatRecs_;
};

}  // namespace qorn
