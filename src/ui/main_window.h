#pragma once

#include <QMainWindow>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/event_timer.h"
#include "store/crit_marks.h"
#include "ui/dialogs.h"
#include "ui/graph_view.h"
#include "ui/report_list.h"
#include "views/fight.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QScrollArea;
class QPushButton;
class QTabBar;
class QThread;

namespace qorn {

struct CommandOutcome;
class FightView;
class DotBreakdownView;
class DotTicksView;
class DamageDetailView;
class ChartTabView;
class LogFollower;
class MeterFeed;
class MeterWindow;
class BuffValueView;
class DotUptimeView;
class UptimeLanes;

// Form1, the program's one window: the tab strip, the eight frames, the
// progress bars, the menus and the lists, each named as the program names
// it (also as its Qt object name). The handlers of each menu and button are
// methods; the two commands run on a worker thread.
class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  MainWindow(std::string programFolder, Dialogs& dialogs, QWidget* parent = nullptr);
  ~MainWindow() override;

  // What the name box holds at start when no name was saved.
  static constexpr const char* kNamePrompt = "Type your name here";

  int16_t EventTimerSeconds() const { return eventTimerSeconds_; }
  // The timer the next command would use: the chosen item of the timer box,
  // else the timer as it stands.
  int16_t TimerInUse() const;
  bool CommandRunning() const { return worker_ != nullptr; }
  // A per-fight view is still filling (its database work runs on a worker).
  bool ViewsFilling() const;
  // The fight selected in the overview, with the row's own event number.
  std::optional<Fight> SelectedFight() const;

  // The controls, by their names.
  QTabBar* TabStrip1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QProgressBar* ProgressBar2 = nullptr;
  QGroupBox* Frame1 = nullptr;  // Damage Overview
  QGroupBox* Frame2 = nullptr;  // DoT Breakdown
  QGroupBox* Frame3 = nullptr;  // DoT Ticks
  QGroupBox* Frame4 = nullptr;  // DoT Graph
  QGroupBox* Frame5 = nullptr;  // All Damage - Detail
  QGroupBox* Frame6 = nullptr;  // Settings
  QGroupBox* Frame7 = nullptr;  // All Damage Graph
  QGroupBox* Frame8 = nullptr;  // Buff Value
  QGroupBox* Frame9 = nullptr;  // DoT Uptime
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* Yourname = nullptr;
  QComboBox* cmbEventTimer = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  // Beside the bars while a command runs: the step it is at, and its stop.
  QLabel* lblStep = nullptr;
  QPushButton* cmdCancel = nullptr;
  QPushButton* Clipboard = nullptr;
  QPushButton* Clipboard2 = nullptr;
  ReportList* ListView1 = nullptr;
  ReportList* ListView2 = nullptr;
  ReportList* ListView3 = nullptr;
  ReportList* ListView4 = nullptr;
  ReportList* ListView5 = nullptr;         // Buff Value
  QCheckBox* chkWholeLog = nullptr;        // Buff Value of every stored fight
  ReportList* ListView6 = nullptr;         // DoT Uptime
  QCheckBox* chkUptimeWholeLog = nullptr;  // DoT Uptime of every stored fight
  QScrollArea* UptimeArea = nullptr;       // scrolls the lanes of a long fight
  UptimeLanes* picUptime = nullptr;        // DoT Uptime's lane picture
  GraphView* MSChart1 = nullptr;
  GraphView* MSChart2 = nullptr;

  QMenu* mnuFule = nullptr;
  QMenu* mnuEdit = nullptr;
  QMenu* mnuView = nullptr;
  QMenu* mnuExport = nullptr;
  QMenu* mnuOptions = nullptr;
  QMenu* mnuHelp = nullptr;
  QAction* mnuOpen = nullptr;
  QAction* mnuOpenWhole = nullptr;  // Get Log that reads the whole log, also when it only grew
  QAction* mnuOpenPrevious = nullptr;
  QAction* mnuFollowLog = nullptr;
  QAction* mnuOpenSavedEvents = nullptr;
  QAction* mnuSaveEvent = nullptr;
  QAction* mnuQuit = nullptr;
  QAction* mnuCopySummary = nullptr;  // the selected fight's summary line to the clipboard
  QAction* mnuMeter = nullptr;        // the meter over the game, shown or not
  QAction* mnuMeterLock = nullptr;    // the meter locked in place
  QAction* mnuExportDmg = nullptr;
  QAction* mnuExportDoTBrk = nullptr;
  QAction* mnuExportDoTTick = nullptr;
  QAction* mnuExportGraph = nullptr;
  QAction* mnuExportAllDamageDetail = nullptr;
  QAction* mnuExportBuffValue = nullptr;
  QAction* mnuExportDotUptime = nullptr;
  QAction* mnuSetName = nullptr;
  QAction* mnuEventTimer = nullptr;
  QAction* mnuPetDetail = nullptr;
  QAction* mnuSpellDetail = nullptr;
  QAction* mnuHelp2 = nullptr;
  QAction* mnuAbout = nullptr;

  // The handlers.
  void GetLog();       // Command1, mnuOpen
  void GetLogWhole();  // mnuOpenWhole
  void GetPrevious();  // Command2, mnuOpenPrevious
  void SetCharacterName();
  void SetEventTimer();
  // Stops the command that runs (Escape, cmdCancel) at its next step; the
  // stored parse stays as it was.
  void StopCommand();
  void TogglePetDetail();
  void ToggleSpellDetail();
  void ShowAbout();
  void ShowHelp();
  // Puts the selected fight's summary line on the clipboard.
  void CopySummary();

  // The meter (View › Meter) and what feeds it.
  MeterWindow* Meter() const;
  MeterFeed* MeterFeeder() const { return meterFeed_; }

  // The texts of About and Help.
  static QString AboutText(const std::string& programFolder);
  static QString HelpText();

 signals:
  // A command has ended and the window shows its outcome (or its failure).
  void commandFinished();
  // A per-fight view has filled (or failed, or its fill was dropped).
  void viewFilled();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  struct CommandResult;
  // The timer box's items: 18 s to 15 min in steps of 6 s.
  static constexpr int kFirstTimerItem = 18;
  static constexpr int kLastTimerItem = 900;
  static constexpr int kTimerItemStep = 6;
  // One tab of the tab switch: its caption, its frame, the prefix of the
  // frame's caption before the mob (empty: the caption stays), its view and
  // its Export entry (none for either).
  struct Tab {
    QString caption;
    QGroupBox* frame;
    QString framePrefix;
    FightView* view;
    QAction* exportEntry;
  };

  void BuildControls();
  void BuildMenus();
  // Edit › Copy Summary's state and the overview's context menu.
  void BuildSummaryEntries();
  void StartUp();
  void OpeningSize();
  // The window within the screen's free area, its frame included.
  void FitOnScreen();
  void ApplyLayout();
  void BuildTabs();
  void ChooseTab(int index);
  // The next tab (1) or the one before (-1), round the strip.
  void StepTab(int step);
  void MoveFrameIntoView(QGroupBox* frame);
  void RunCommand(bool getLog, bool readWhole = false);
  void FinishCommand(bool getLog, const CommandResult& result);
  void SetCommandsEnabled(bool enabled);
  // The timer box shows eventTimerSeconds_, no item chosen.
  void ShowTimerInBox();
  // The name box passes the name check; else the user is told, as by Set Character Name.
  bool NameChecked();
  // The name to read the log `path` under: the box's prompt takes the name
  // the file's name gives; a file named for another character asks whose
  // log it is. False when no name passes or the user cancelled.
  bool NameForLog(const QString& path);
  // Writes the name to Settings.ini, for the next start; a failure is told
  // under `title`.
  bool RememberName(const QString& name, const QString& title = "Get Log");
  std::array<QGroupBox*, 9> Frames() const;

  std::string programFolder_;
  Dialogs& dialogs_;
  int16_t eventTimerSeconds_ = kDefaultEventTimerSeconds;
  std::vector<SpellDatRec> spellDatRecs_;  // of the last command, for the detail report
  std::unique_ptr<DotBreakdownView> dotBreakdown_;
  std::unique_ptr<DotTicksView> dotTicks_;
  std::unique_ptr<ChartTabView> tickGraph_;
  std::unique_ptr<ChartTabView> damageGraph_;
  std::unique_ptr<DamageDetailView> damageDetail_;
  std::unique_ptr<BuffValueView> buffValue_;
  std::unique_ptr<DotUptimeView> dotUptime_;
  std::vector<Tab> tabs_;
  QThread* worker_ = nullptr;
  LogFollower* follower_ = nullptr;          // Follow Log
  MeterFeed* meterFeed_ = nullptr;
  std::shared_ptr<std::atomic<bool>> stop_;  // of the command that runs
  int frameHeightTwips_ = 6735;
  bool fitted_ = false;  // FitOnScreen() ran at the first show
};

}  // namespace qorn
