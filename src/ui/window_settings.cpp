// The settings: the character name and Settings.ini, the event timer, and
// the two display toggles.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>

#include "common/character_name.h"
#include "common/error.h"
#include "common/event_timer.h"
#include "ui/main_window.h"
#include "ui/settings_file.h"

namespace qorn {

bool MainWindow::NameChecked() {
  if (IsCharacterName(Yourname->text().toStdString())) return true;
  dialogs_.Message(this, "You broke it!",
                   "Sorry, you need to use only letters for a character name.");
  return false;
}

bool MainWindow::RememberName(const QString& name, const QString& title) {
  try {
    WriteSettingsName(programFolder_, name.toStdString());
  } catch (const Error& e) {
    dialogs_.Message(this, title,
                     "Your character name was not saved. " + QString::fromStdString(e.what()));
    return false;
  }
  return true;
}

void MainWindow::SetCharacterName() {
  if (!NameChecked()) return;
  const QString name = Yourname->text();
  if (RememberName(name, "Set Character Name")) {
    dialogs_.Message(this, "Tada!", "Your character name, " + name + ", has been set.");
  }
}

namespace {

// The item of the timer box that the user has chosen: the one whose text the
// box shows. Typed text that matches no item chooses none (-1).
int ChosenTimerItem(const QComboBox* box) {
  return box->findText(box->currentText(), Qt::MatchFixedString | Qt::MatchCaseSensitive);
}

}  // namespace

int16_t MainWindow::TimerInUse() const {
  // A chosen item stands for its seconds; with none chosen the timer stays.
  const int k = ChosenTimerItem(cmbEventTimer);
  return k >= 0 ? static_cast<int16_t>(kFirstTimerItem + kTimerItemStep * k) : eventTimerSeconds_;
}

void MainWindow::ShowTimerInBox() {
  // The box lets go of its chosen item and shows the value, which is an
  // item's text only when that item stands for the same seconds.
  cmbEventTimer->setCurrentIndex(-1);
  cmbEventTimer->setEditText(QString::fromStdString(EventTimerText(eventTimerSeconds_)));
}

void MainWindow::SetEventTimer() {
  // The reply starts as the value the next command would use.
  const QString reply = dialogs_.InputBox(this, "How many seconds between fights?", "Event Timer",
                                          QString::number(TimerInUse()));
  if (const auto timer = ParseEventTimer(reply.toStdString())) {
    eventTimerSeconds_ = *timer;
    // The value set here is the one the next command uses.
    ShowTimerInBox();
    dialogs_.Message(this, "Event Timer",
                     QString("Your event timer has been set to %1.").arg(eventTimerSeconds_));
  } else {
    dialogs_.Message(this, "Event Timer",
                     QString("I didn't like your input, so I'm keeping the event timer at %1.")
                         .arg(eventTimerSeconds_));
  }
}

void MainWindow::TogglePetDetail() {
  // The detail report reads the check mark: the view in front is built again.
  ChooseTab(TabStrip1->currentIndex());
}

void MainWindow::ToggleSpellDetail() {
  // Casts, Resists, Fizzles and Interrupts of the detail list.
  constexpr int kWidths[] = {750, 750, 750, 1000};
  for (int i = 0; i < 4; ++i) {
    ListView4->SetColumnWidthTwips(kSpellDetailFirstColumn + i,
                                   mnuSpellDetail->isChecked() ? kWidths[i] : 0);
  }
}

}  // namespace qorn
