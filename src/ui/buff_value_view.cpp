#include "ui/buff_value_view.h"

#include <QCheckBox>
#include <QGroupBox>

#include "views/buff_value.h"

namespace qorn {
namespace {

constexpr const char* kWholeLogCaption = "Buff Value - whole log";

}  // namespace

BuffValueView::BuffValueView(ReportList* list, QGroupBox* frame, const QCheckBox* wholeLog,
                             std::string databasePath, FillRunner::FailureHandler onFailure)
    : FightList(list, std::move(databasePath), std::move(onFailure)),
      frame_(frame),
      wholeLog_(wholeLog) {}

void BuffValueView::Show(const Fight& fight) {
  FightList::Show(fight);
  if (wholeLog_->isChecked()) frame_->setTitle(kWholeLogCaption);
}

bool BuffValueView::ShowWithoutFight() {
  // The whole log needs no fight chosen in the overview.
  if (!wholeLog_->isChecked()) return false;
  Show(Fight{});
  return true;
}

std::function<std::vector<ListRow>()> BuffValueView::Rows(const Fight& fight) const {
  const BuffScope scope =
      wholeLog_->isChecked() ? BuffScope::AllFights() : BuffScope::Fight(fight.EventNum);
  return [path = DatabasePath(), scope] { return BuffValue(path, scope); };
}

std::vector<SortKind> BuffValueView::SortKinds() {
  using enum SortKind;
  return {Text,        Text,        WholeNumber, WholeNumber, Number,     Number,
          WholeNumber, WholeNumber, Number,      Number,      WholeNumber};
}

QString BuffValueView::AddedTip() {
  return "An estimate of the damage the buff added: the hits with the buff times the difference\n"
         "between the mean hit with it and the mean hit without it. Buffs that run in other\n"
         "phases of a fight than the hits without them (a burn at the start, a mob that takes\n"
         "more damage near its end) bias it, and on the All DoTs line so does a different mix\n"
         "of spells with and without the buff.";
}

}  // namespace qorn
