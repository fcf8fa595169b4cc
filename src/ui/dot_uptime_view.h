#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "ui/fight_view.h"
#include "ui/report_list.h"
#include "views/dot_uptime.h"

class QCheckBox;
class QGroupBox;
class QScrollArea;

namespace qorn {

// The lane picture on the "DoT Uptime" tab: RenderUptimeLanes at the
// widget's size, at least a pixel per second of the fight wide (its scroll
// area scrolls the rest).
class UptimeLanes final : public QWidget {
 public:
  explicit UptimeLanes(QScrollArea* area);
  void SetDots(FightDots dots);
  const FightDots& Dots() const { return dots_; }
  // Sets off lane `lane` (-1: none).
  void Pick(int lane);
  int Picked() const { return picked_; }
  // Fits the picture to the scroll area's height and the fight's seconds.
  void Fit();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QScrollArea* area_;
  FightDots dots_;
  int picked_ = -1;
};

// "DoT Uptime": ListView6 in Frame9 under the lane picture, each DoT
// spell's uptime in the selected fight or, with chkUptimeWholeLog checked,
// over every stored fight (the lanes then stay empty). A line chosen in the
// list picks out its spell's lane.
class DotUptimeView final : public FightView {
 public:
  DotUptimeView(ReportList* list, UptimeLanes* lanes, QGroupBox* frame, const QCheckBox* wholeLog,
                std::string databasePath, FillRunner::FailureHandler onFailure);
  void Clear() override;
  void Show(const Fight& fight) override;
  bool ShowWithoutFight() override;
  FillRunner& Runner() { return runner_; }

  // The columns' sort kinds in a fight's list and in the whole log's.
  static std::vector<SortKind> SortKinds(bool wholeLog);

 private:
  void PickSelectedLane();

  ReportList* list_;
  UptimeLanes* lanes_;
  QGroupBox* frame_;
  const QCheckBox* wholeLog_;
  std::string databasePath_;
  FillRunner runner_;
  bool wholeLogShown_ = false;
};

}  // namespace qorn
