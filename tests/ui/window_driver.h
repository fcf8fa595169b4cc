#pragma once

#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <fstream>
#include <memory>
#include <string>

#include "scripted_dialogs.h"

#include "ui/main_window.h"
#include "ui/report_list.h"
#include "ui/twips.h"

namespace qorn::test {

// The window on the program folder `home`, shown, with the fights stored
// there listed through Get Previous.
inline std::unique_ptr<MainWindow> OpenAfterGetPrevious(const std::string& home, Dialogs& dialogs) {
  auto w = std::make_unique<MainWindow>(home, dialogs);
  w->show();
  QSignalSpy done(w.get(), &MainWindow::commandFinished);
  w->mnuOpenPrevious->trigger();
  if (w->CommandRunning()) done.wait(60000);
  return w;
}

// The window on the program folder `home`, shown, with `name` typed as the
// character's name.
inline std::unique_ptr<MainWindow> OpenAs(const std::string& home, Dialogs& dialogs,
                                          const QString& name) {
  auto w = std::make_unique<MainWindow>(home, dialogs);
  w->show();
  w->Yourname->setText(name);
  return w;
}

// Get Log of `log` from File › Open, the file dialog answered with it;
// returns when the command is done.
inline void GetLogOf(MainWindow& w, ScriptedDialogs& dialogs, const QString& log) {
  QTRY_VERIFY_WITH_TIMEOUT(w.mnuOpen->isEnabled(), 5000);
  dialogs.openAnswers = {log};
  QSignalSpy done(&w, &MainWindow::commandFinished);
  w.mnuOpen->trigger();
  QVERIFY(done.wait(60000));
}

// Adds `bytes` at the end of the file at `path`, as the game writes its log.
inline void AppendTo(const QString& path, const std::string& bytes) {
  std::ofstream(path.toStdString(), std::ios::binary | std::ios::app) << bytes;
}

// A click on a row of the overview, as the user makes it.
inline void ClickRow(MainWindow& w, int row) {
  QTest::mouseClick(w.ListView1->viewport(), Qt::LeftButton, {},
                    w.ListView1->visualItemRect(w.ListView1->topLevelItem(row)).center());
}

// A click on the tab, as the user makes it (also on the tab already chosen);
// returns when the view it fills is done.
inline void ClickTab(MainWindow& w, int tab) {
  QTest::mouseClick(w.TabStrip1, Qt::LeftButton, {}, w.TabStrip1->tabRect(tab).center());
  QTRY_VERIFY(!w.ViewsFilling());
}

// The window at its design size, a client area of 11730 x 7755 twips (it
// opens wider where its lists need it, smaller on a small screen).
inline void ResizeToDesign(MainWindow& w) {
  const QSize frame = w.size() - w.centralWidget()->size();
  w.resize(Px(11730) + frame.width(), Px(7755) + frame.height());
  QTRY_COMPARE(w.centralWidget()->size(), QSize(Px(11730), Px(7755)));
}

// A menu entry's caption as it reads: without the mark of its mnemonic.
inline QString Shown(const QAction* entry) { return entry->text().remove('&'); }

// The texts of one column of a list, top to bottom.
inline QStringList Column(const ReportList* list, int column) {
  QStringList texts;
  for (int r = 0; r < list->RowCount(); ++r) texts << list->topLevelItem(r)->text(column);
  return texts;
}

}  // namespace qorn::test
