#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "ui/list_views.h"

class QCheckBox;
class QGroupBox;

namespace qorn {

// "Buff Value": ListView5 in Frame8, what each buff was worth to the DoTs of
// the selected fight or, with chkWholeLog checked, of every stored fight.
class BuffValueView final : public FightList {
 public:
  BuffValueView(ReportList* list, QGroupBox* frame, const QCheckBox* wholeLog,
                std::string databasePath, FillRunner::FailureHandler onFailure);
  void Show(const Fight& fight) override;
  bool ShowWithoutFight() override;

  // The columns' sort kinds: names as text, counts as whole numbers, means
  // and rates with their decimals.
  static std::vector<SortKind> SortKinds();
  // The tip of the "Added" header: what the column estimates.
  static QString AddedTip();

 protected:
  std::function<std::vector<ListRow>()> Rows(const Fight& fight) const override;

 private:
  QGroupBox* frame_;
  const QCheckBox* wholeLog_;
};

}  // namespace qorn
