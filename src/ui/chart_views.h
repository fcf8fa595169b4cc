#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/fight_view.h"
#include "views/chart_grid.h"

namespace qorn {

class GraphView;

// A graph tab: "DoT Tick Graph" (MSChart1 in Frame4) or "All Damage Graph"
// (MSChart2 in Frame7). Its core function of views/ draws the fight's
// ChartGrid on a worker; the chart shows it.
class ChartTabView final : public FightView {
 public:
  using Draw = ChartGrid (*)(const std::string& databasePath, int32_t eventNum,
                             std::string_view fightText);
  // `noHits`: what the chart says for a fight without bars to draw.
  ChartTabView(GraphView* chart, Draw draw, QString noHits, std::string databasePath,
               FillRunner::FailureHandler onFailure);
  // Drops a drawing under way and leaves the chart empty.
  void Clear() override;
  void Show(const Fight& fight) override;
  FillRunner& Runner() { return runner_; }

 private:
  GraphView* chart_;
  Draw draw_;
  QString noHits_;
  std::string databasePath_;
  FillRunner runner_;
};

}  // namespace qorn
