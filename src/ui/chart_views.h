#pragma once

#include <string>

#include "ui/fight_view.h"

namespace qorn {

class GraphView;

// "DoT Tick Graph": MSChart1 in Frame4. The graph's data comes from a core
// function of views/ (run it through a FillRunner as the lists do) and is
// drawn here with Qt Charts.
class TickGraphView final : public FightView {
 public:
  TickGraphView(GraphView* chart, std::string databasePath, FillRunner::FailureHandler onFailure);
  void Clear() override;
  void Show(const Fight& fight) override;
  FillRunner& Runner() { return runner_; }

 private:
  GraphView* chart_;
  std::string databasePath_;
  FillRunner runner_;
};

// "All Damage Graph": MSChart2 in Frame7, as above.
class DamageGraphView final : public FightView {
 public:
  DamageGraphView(GraphView* chart, std::string databasePath,
                  FillRunner::FailureHandler onFailure);
  void Clear() override;
  void Show(const Fight& fight) override;
  FillRunner& Runner() { return runner_; }

 private:
  GraphView* chart_;
  std::string databasePath_;
  FillRunner runner_;
};

}  // namespace qorn
