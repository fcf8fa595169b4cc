#include "ui/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <QStyle>
#include <QTabBar>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "common/event_timer.h"
#include "commands/commands.h"
#include "commands/program_folder.h"
#include "ui/buff_value_view.h"
#include "ui/chart_views.h"
#include "ui/dot_uptime_view.h"
#include "ui/export_menu.h"
#include "ui/list_views.h"
#include "ui/log_follower.h"
#include "ui/menu_shortcuts.h"
#include "ui/meter_feed.h"
#include "ui/settings_file.h"
#include "ui/twips.h"
#include "ui/window_layout.h"

namespace qorn {
namespace {

constexpr int kInView = 120;
constexpr int kLoopBarLeft = 4440;
constexpr int kCancelWidth = 1155;
constexpr int kOutOfView = -20000;
constexpr int kFrameTop = 960;
// The Buff Value list lies below its "Whole log" check box, its bottom where
// the other lists' is.
constexpr int kListTop = 240;
constexpr int kBuffListTop = 600;
// The DoT Uptime tab: its check box, the lane picture below it, the list
// below that, its bottom where the other lists' is.
constexpr int kUptimeLanesHeight = 2400;
constexpr int kUptimeListTop = kBuffListTop + kUptimeLanesHeight + 60;

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

void Place(QWidget* widget, int left, int top, int width, int height) {
  widget->setGeometry(TwipRect(left, top, width, height));
}

// A label keeps its design width; where the desktop's font is wider than the
// design's, the label's font shrinks until the text fits.
void FitLabel(QLabel* label) {
  QFont font = label->font();
  while (QFontMetrics(font).horizontalAdvance(label->text()) > label->width() &&
         font.pointSizeF() > 6.0) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
  }
  label->setFont(font);
}

QGroupBox* MakeFrame(QWidget* parent, const char* name, const char* caption, int left) {
  auto* frame = Named(new QGroupBox(caption, parent), name);
  Place(frame, left, kFrameTop, 11535, 6735);
  if (left != kInView) frame->hide();  // see MoveFrameIntoView
  return frame;
}

}  // namespace

MainWindow::MainWindow(std::string programFolder, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), programFolder_(std::move(programFolder)), dialogs_(dialogs) {
  setObjectName("Form1");
  setWindowTitle("Qorn");
  // The design's geometry is laid out for an 8 point dialog font.
  QFont font = this->font();
  font.setPointSize(8);
  setFont(font);
  BuildControls();
  BuildMenus();
  BuildTabs();
  new ExportMenu(*this, dialogs_, InProgramFolder(programFolder_, kDatabaseFile));
  follower_ = new LogFollower(*this, dialogs_, programFolder_, mnuFollowLog,
                              [this] { return worker_ != nullptr; });
  connect(follower_, &LogFollower::runStarted, this, [this] { SetCommandsEnabled(false); });
  connect(follower_, &LogFollower::runFinished, this, [this] { SetCommandsEnabled(true); });
  connect(follower_, &LogFollower::fightInViewChanged, this,
          [this] { ChooseTab(TabStrip1->currentIndex()); });
  meterFeed_ = new MeterFeed(*this, *follower_, programFolder_, mnuMeter, mnuMeterLock);
  BuildSummaryEntries();
  StartUp();
  OpeningSize();
}

void MainWindow::OpeningSize() {
  // The client area at design is 11730 x 7755 twips; the menu bar comes on
  // top. The desktop's font is wider than the design's, so the window opens
  // as wide as its widest list needs to show all its columns (with room for
  // a scroll bar); FitOnScreen() keeps it on a smaller screen.
  int listWidth = Px(11295);
  for (const ReportList* list : {ListView1, ListView2, ListView3, ListView4, ListView5}) {
    const int scrollBar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    listWidth = std::max(listWidth, list->header()->length() + 2 * list->frameWidth() + scrollBar);
  }
  resize(listWidth + Px(11730 - 11295), Px(7755) + menuBar()->sizeHint().height());
}

void MainWindow::FitOnScreen() {
  const QScreen* screen = this->screen();
  if (screen == nullptr) return;
  const QRect available = screen->availableGeometry();
  // The frame's border and caption, known once the window is shown.
  const QSize frame = frameGeometry().size() - size();
  const QSize fits = size().boundedTo(available.size() - frame);
  if (fits != size()) resize(fits);
  QRect placed = frameGeometry();
  if (!available.contains(placed)) {
    placed.moveLeft(std::max(available.left(),
                             std::min(placed.left(), available.right() - placed.width() + 1)));
    placed.moveTop(std::max(available.top(),
                            std::min(placed.top(), available.bottom() - placed.height() + 1)));
    move(placed.topLeft());
  }
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!event->spontaneous() && !fitted_) {
    fitted_ = true;
    FitOnScreen();
  }
}

MainWindow::~MainWindow() {
  if (worker_ != nullptr) {
    stop_->store(true);
    worker_->wait();
  }
}

void MainWindow::BuildControls() {
  auto* client = new QWidget(this);
  client->setObjectName("client");
  setCentralWidget(client);
  client->installEventFilter(this);

  TabStrip1 = Named(new QTabBar(client), "TabStrip1");
  for (const char* tab : {"Settings", "Damage", "DoT Breakdown", "DoT Ticks", "DoT Tick Graph",
                          "All Damage Graph", "All Damage Detail", "Buff Value", "DoT Uptime"}) {
    TabStrip1->addTab(tab);
  }
  TabStrip1->setExpanding(false);
  TabStrip1->setDrawBase(false);
  Place(TabStrip1, 0, 0, 11655, 615);
  connect(TabStrip1, &QTabBar::currentChanged, this, &MainWindow::ChooseTab);
  // A click on the tab already chosen runs it again.
  connect(TabStrip1, &QTabBar::tabBarClicked, this, [this](int index) {
    if (index == TabStrip1->currentIndex()) ChooseTab(index);
  });

  // The bars, the step they are at and the stop lie in one row between the
  // tab strip and the frames, whose captions they leave free: the stage bar
  // says which step of how many runs, then the step's caption, and beside it
  // the loop bar, how far that step is.
  ProgressBar2 = Named(new QProgressBar(client), "ProgressBar2");
  Place(ProgressBar2, 120, 660, 2400, 255);
  lblStep = Named(new QLabel(client), "lblStep");
  Place(lblStep, 2580, 660, 1800, 255);
  ProgressBar1 = Named(new QProgressBar(client), "ProgressBar1");
  Place(ProgressBar1, kLoopBarLeft, 660, 5940, 255);
  for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
    bar->setTextVisible(true);
    bar->setFormat("%p%");
  }
  // The command names each step on lblStep before the bar reaches it.
  connect(ProgressBar2, &QProgressBar::valueChanged, this, [this](int stage) {
    if (stage < 0 || stage > kCommandStages) return;
    if (stage < kCommandStages) {
      ProgressBar2->setFormat(QString("Step %1 of %2").arg(stage + 1).arg(kCommandStages));
    } else {
      // Done: both bars read as finished, the loop's too (its last step may
      // have left it at the start).
      ProgressBar2->setFormat(lblStep->text());
      ProgressBar1->setValue(ProgressBar1->maximum());
    }
  });
  cmdCancel = Named(new QPushButton("Cancel", client), "cmdCancel");
  Place(cmdCancel, 10500, 630, kCancelWidth, 315);
  cmdCancel->setShortcut(Qt::Key_Escape);
  connect(cmdCancel, &QPushButton::clicked, this, &MainWindow::StopCommand);

  Frame6 = MakeFrame(client, "Frame6", "Frame6", kInView);
  Label2 = Named(new QLabel("Character Name:", Frame6), "Label2");
  Place(Label2, 240, 600, 1215, 255);
  Yourname = Named(new QLineEdit(kNamePrompt, Frame6), "Yourname");
  // While the box holds its prompt, the prompt is selected whenever the box
  // takes the focus (at start, by Tab, by a click), so that what is typed
  // replaces it instead of being added to it.
  Yourname->installEventFilter(this);
  Place(Yourname, 2040, 480, 1815, 285);
  Label3 = Named(new QLabel("Time Between Events:", Frame6), "Label3");
  Place(Label3, 240, 960, 1695, 255);
  FitLabel(Label2);
  FitLabel(Label3);
  cmbEventTimer = Named(new QComboBox(Frame6), "cmbEventTimer");
  cmbEventTimer->setEditable(true);
  cmbEventTimer->setInsertPolicy(QComboBox::NoInsert);
  Place(cmbEventTimer, 2040, 840, 1815, 315);
  Command1 = Named(new QPushButton("Get Log", Frame6), "Command1");
  Place(Command1, 240, 1680, 1215, 495);
  Command2 = Named(new QPushButton("Get Previous", Frame6), "Command2");
  Place(Command2, 240, 2400, 1215, 495);
  connect(Command1, &QPushButton::clicked, this, &MainWindow::GetLog);
  connect(Command2, &QPushButton::clicked, this, &MainWindow::GetPrevious);
  connect(Yourname, &QLineEdit::textChanged, this,
          [this](const QString& text) { mnuSetName->setEnabled(!text.isEmpty()); });

  auto list = [](QGroupBox* frame, const char* name) {
    auto* view = Named(new ReportList(frame), name);
    Place(view, 120, kListTop, 11295, 6375);
    return view;
  };
  auto chart = [](QGroupBox* frame, const char* name) {
    auto* view = Named(new GraphView(frame), name);
    Place(view, 120, 240, 11295, 6375);
    return view;
  };
  auto pic = [](QGroupBox* frame, const char* name) {
    auto* button = Named(new QPushButton("Pic", frame), name);
    Place(button, 120, 6120, 495, 495);
    return button;
  };
  Frame1 = MakeFrame(client, "Frame1", "Damage Overview", kOutOfView);
  ListView1 = list(Frame1, "ListView1");
  // A click anywhere on the overview shows the tab strip, also on its empty
  // area: after Get Previous on an empty database there is no row to click.
  ListView1->viewport()->installEventFilter(this);
  // So does a fight chosen by the keyboard.
  ListView1->installEventFilter(this);
  Frame2 = MakeFrame(client, "Frame2", "DoT Breakdown", kOutOfView);
  ListView2 = list(Frame2, "ListView2");
  Frame3 = MakeFrame(client, "Frame3", "DoT Ticks", kOutOfView);
  ListView3 = list(Frame3, "ListView3");
  Frame4 = MakeFrame(client, "Frame4", "DoT Graph", kOutOfView);
  MSChart1 = chart(Frame4, "MSChart1");
  Clipboard = pic(Frame4, "Clipboard");
  Frame7 = MakeFrame(client, "Frame7", "All Damage Graph", kOutOfView);
  MSChart2 = chart(Frame7, "MSChart2");
  Clipboard2 = pic(Frame7, "Clipboard2");
  connect(Clipboard, &QPushButton::clicked, this, [this] { CopyGraph(*MSChart1, dialogs_, this); });
  connect(Clipboard2, &QPushButton::clicked, this,
          [this] { CopyGraph(*MSChart2, dialogs_, this); });
  Frame5 = MakeFrame(client, "Frame5", "All Damage - Detail", kOutOfView);
  ListView4 = list(Frame5, "ListView4");
  Frame8 = MakeFrame(client, "Frame8", "Buff Value", kOutOfView);
  chkWholeLog = Named(new QCheckBox("Whole log", Frame8), "chkWholeLog");
  Place(chkWholeLog, 120, 300, 1500, 255);
  ListView5 = list(Frame8, "ListView5");
  Place(ListView5, 120, kBuffListTop, 11295, 6375 - (kBuffListTop - kListTop));
  Frame9 = MakeFrame(client, "Frame9", "DoT Uptime", kOutOfView);
  chkUptimeWholeLog = Named(new QCheckBox("Whole log", Frame9), "chkUptimeWholeLog");
  Place(chkUptimeWholeLog, 120, 300, 1500, 255);
  UptimeArea = Named(new QScrollArea(Frame9), "UptimeArea");
  UptimeArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Place(UptimeArea, 120, kBuffListTop, 11295, kUptimeLanesHeight);
  picUptime = Named(new UptimeLanes(UptimeArea), "picUptime");
  ListView6 = list(Frame9, "ListView6");
  Place(ListView6, 120, kUptimeListTop, 11295, 6375 - (kUptimeListTop - kListTop));
}

void MainWindow::BuildMenus() {
  // Every menu and entry has a mnemonic (Alt and the underlined letter, then
  // the entry's letter), so that the keyboard reaches all of them.
  auto action = [this](QMenu* menu, const char* name, const char* caption,
                       const char* shortcut = nullptr) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    if (shortcut != nullptr) a->setShortcut(QKeySequence(shortcut));
    return a;
  };
  mnuFule = Named(menuBar()->addMenu("&File"), "mnuFule");
  mnuOpen = action(mnuFule, "mnuOpen", "&Open Log...", "Ctrl+O");
  mnuOpenWhole = action(mnuFule, "mnuOpenWhole", "Get Log (read the &whole log)");
  mnuOpenPrevious = action(mnuFule, "mnuOpenPrevious", "Open &Previous Events");
  mnuFollowLog = action(mnuFule, "mnuFollowLog", "&Follow Log");
  mnuOpenSavedEvents = action(mnuFule, "mnuOpenSavedEvents", "Open &Saved Events");
  mnuSaveEvent = action(mnuFule, "mnuSaveEvent", "Sa&ve Event");
  mnuQuit = action(mnuFule, "mnuQuit", "&Quit", "Ctrl+Q");
  mnuEdit = Named(menuBar()->addMenu("E&dit"), "mnuEdit");
  mnuCopySummary = action(mnuEdit, "mnuCopySummary", "&Copy Summary", "Ctrl+Shift+C");
  mnuCopySummary->setEnabled(false);
  mnuView = Named(menuBar()->addMenu("&View"), "mnuView");
  mnuMeter = action(mnuView, "mnuMeter", "&Meter");
  mnuMeterLock = action(mnuView, "mnuMeterLock", "&Lock Meter in Place");
  mnuExport = Named(menuBar()->addMenu("&Export"), "mnuExport");
  mnuExportDmg = action(mnuExport, "mnuExportDmg", "Export &Damage...");
  mnuExportDoTBrk = action(mnuExport, "mnuExportDoTBrk", "Export DoT &Breakdown...");
  mnuExportDoTTick = action(mnuExport, "mnuExportDoTTick", "Export DoT &Ticks...");
  mnuExportGraph = action(mnuExport, "mnuExportGraph", "Export &Graph...");
  mnuExportAllDamageDetail =
      action(mnuExport, "mnuExportAllDamageDetail", "Export &All Damage Detail...");
  mnuExportBuffValue = action(mnuExport, "mnuExportBuffValue", "Export B&uff Value...");
  mnuExportDotUptime = action(mnuExport, "mnuExportDotUptime", "Export D&oT Uptime...");
  mnuOptions = Named(menuBar()->addMenu("&Options"), "mnuOptions");
  mnuSetName = action(mnuOptions, "mnuSetName", "Set Character &Name");
  mnuEventTimer = action(mnuOptions, "mnuEventTimer", "Set Time Between &events");
  mnuPetDetail = action(mnuOptions, "mnuPetDetail", "Display &Pet Detail");
  mnuSpellDetail = action(mnuOptions, "mnuSpellDetail", "Display &Spell Detail");
  for (QAction* toggle : {mnuPetDetail, mnuSpellDetail}) {
    toggle->setCheckable(true);
    toggle->setChecked(true);
  }
  mnuHelp = Named(menuBar()->addMenu("&Help"), "mnuHelp");
  mnuHelp2 = action(mnuHelp, "mnuHelp2", "&Help", "Ctrl+H");
  mnuAbout = action(mnuHelp, "mnuAbout", "&About", "Ctrl+A");

  connect(mnuOpen, &QAction::triggered, this, &MainWindow::GetLog);
  connect(mnuOpenWhole, &QAction::triggered, this, &MainWindow::GetLogWhole);
  connect(mnuOpenPrevious, &QAction::triggered, this, &MainWindow::GetPrevious);
  connect(mnuQuit, &QAction::triggered, this, &QWidget::close);
  connect(mnuSetName, &QAction::triggered, this, &MainWindow::SetCharacterName);
  connect(mnuEventTimer, &QAction::triggered, this, &MainWindow::SetEventTimer);
  // The toggles flip their own check mark before these run.
  connect(mnuPetDetail, &QAction::triggered, this, &MainWindow::TogglePetDetail);
  connect(mnuSpellDetail, &QAction::triggered, this, &MainWindow::ToggleSpellDetail);
  connect(mnuHelp2, &QAction::triggered, this, &MainWindow::ShowHelp);
  connect(mnuCopySummary, &QAction::triggered, this, &MainWindow::CopySummary);
  // F10 opens the menu bar; Ctrl+Tab and Ctrl+Shift+Tab step through the tabs.
  connect(new QShortcut(Qt::Key_F10, this), &QShortcut::activated, this,
          [this] { menuBar()->setActiveAction(mnuFule->menuAction()); });
  auto* nextTab = new QShortcut(this);
  nextTab->setKeys({QKeySequence(Qt::CTRL | Qt::Key_Tab)});
  connect(nextTab, &QShortcut::activated, this, [this] { StepTab(1); });
  auto* previousTab = new QShortcut(this);
  previousTab->setKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)});
  connect(previousTab, &QShortcut::activated, this, [this] { StepTab(-1); });
  connect(mnuAbout, &QAction::triggered, this, &MainWindow::ShowAbout);
  // The Ctrl shortcuts work whichever control has the focus, text boxes
  // included; but Ctrl+A in the name box selects its text, as in any text box.
  GiveShortcutsPriority(Yourname, {mnuOpen, mnuQuit, mnuHelp2});
  for (QWidget* box :
       {static_cast<QWidget*>(cmbEventTimer), static_cast<QWidget*>(cmbEventTimer->lineEdit())}) {
    GiveShortcutsPriority(box, {mnuOpen, mnuQuit, mnuHelp2, mnuAbout});
  }
}

void MainWindow::StartUp() {
  for (int s = kFirstTimerItem; s <= kLastTimerItem; s += kTimerItemStep) {
    cmbEventTimer->addItem(QString::fromStdString(EventTimerText(s)));
  }
  // The box shows the timer in use from the start.
  eventTimerSeconds_ = kDefaultEventTimerSeconds;
  ShowTimerInBox();
  Frame6->setTitle("Settings");
  mnuOpenSavedEvents->setEnabled(false);
  mnuSaveEvent->setEnabled(false);
  ProgressBar1->hide();
  ProgressBar2->hide();
  lblStep->hide();
  cmdCancel->hide();
  TabStrip1->hide();
  for (QAction* a : {mnuExportDmg, mnuExportDoTBrk, mnuExportDoTTick, mnuExportGraph,
                     mnuExportAllDamageDetail, mnuExportBuffValue, mnuExportDotUptime}) {
    a->setEnabled(false);
  }
  using enum SortKind;
  ListView1->SetColumns(kOverviewColumns,
                        {Text, WholeNumber, WholeNumber, WholeNumber, DateTime, DateTime});
  ListView2->SetColumns(kDotBreakdownColumns, {WholeNumber, Text, LastWord, WholeNumber,
                                               WholeNumber, WholeNumber, WholeNumber, WholeNumber});
  ListView3->SetColumns(kDotTicksColumns,
                        {WholeNumber, Text, WholeNumber, WholeNumber, WholeNumber, WholeNumber});
  // The detail report keeps its order: its header ignores clicks.
  ListView4->SetColumns(kDamageDetailColumns);
  ListView5->SetColumns(kBuffValueColumns, BuffValueView::SortKinds());
  ListView5->headerItem()->setToolTip(static_cast<int>(kBuffValueColumns.size()) - 1,
                                      BuffValueView::AddedTip());
  ListView6->SetColumns(kDotUptimeColumns, DotUptimeView::SortKinds(false));
  mnuSetName->setEnabled(!Yourname->text().isEmpty());
  if (const auto name = ReadSettingsName(programFolder_)) {
    Yourname->setText(QString::fromStdString(*name));
  }
}

std::array<QGroupBox*, 9> MainWindow::Frames() const {
  return {Frame1, Frame2, Frame3, Frame4, Frame5, Frame6, Frame7, Frame8, Frame9};
}

void MainWindow::MoveFrameIntoView(QGroupBox* frame) {
  for (QGroupBox* f : Frames()) {
    f->move(Px(f == frame ? kInView : kOutOfView), Px(kFrameTop));
  }
  // The frames grow with the window: in a window wider than the out-of-view
  // offset, a frame out of view would still reach into it and cover the frame
  // in view, its clicks and its keyboard focus. So it is hidden as well. The
  // frame in view is shown first, so that focus leaving a hidden frame lands
  // in it.
  frame->show();
  for (QGroupBox* f : Frames()) {
    if (f != frame) f->hide();
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == centralWidget() && event->type() == QEvent::Resize) ApplyLayout();
  if (watched == Yourname && Yourname->text() == kNamePrompt) {
    if (event->type() == QEvent::FocusIn) {
      // After the box's own handling of the focus and of a click's press,
      // which place the cursor.
      QTimer::singleShot(0, Yourname, [box = Yourname] {
        if (box->hasFocus() && box->text() == kNamePrompt) box->selectAll();
      });
    } else if (event->type() == QEvent::MouseButtonRelease) {
      Yourname->selectAll();
      return true;
    }
  }
  if (ListView1 != nullptr && watched == ListView1->viewport() &&
      event->type() == QEvent::MouseButtonRelease) {
    TabStrip1->setVisible(true);
  }
  if (ListView1 != nullptr && watched == ListView1 && event->type() == QEvent::KeyPress) {
    switch (static_cast<QKeyEvent*>(event)->key()) {
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_PageUp:
      case Qt::Key_PageDown:
      case Qt::Key_Home:
      case Qt::Key_End:
      case Qt::Key_Space:
        TabStrip1->setVisible(true);
        break;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        // Enter chooses the row the keyboard is on (the first before any), as
        // a click on it does.
        if (QTreeWidgetItem* item =
                ListView1->currentItem() ? ListView1->currentItem() : ListView1->topLevelItem(0)) {
          ListView1->setCurrentItem(item);
        }
        TabStrip1->setVisible(true);
        break;
      default:
        break;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::ApplyLayout() {
  // The outer size in twips: the client area plus what border, caption and
  // menu bar add at design.
  const QSize client = centralWidget()->size();
  const WindowLayout layout = ComputeWindowLayout(Twips(client.width()) + kOuterExtraWidth,
                                                  Twips(client.height()) + kOuterExtraHeight);
  const std::array<QWidget*, 6> views = {ListView1, ListView2, ListView3,
                                         ListView4, MSChart1,  MSChart2};
  if (layout.frameHeight) {
    frameHeightTwips_ = *layout.frameHeight;
    for (QGroupBox* f : Frames()) f->resize(f->width(), Px(*layout.frameHeight));
  }
  if (layout.listHeight) {
    for (QWidget* v : views) v->resize(v->width(), Px(*layout.listHeight));
  }
  if (layout.frameWidth) {
    for (QGroupBox* f : Frames()) f->resize(Px(*layout.frameWidth), f->height());
  }
  if (layout.listWidth) {
    for (QWidget* v : views) v->resize(Px(*layout.listWidth), v->height());
  }
  // The Buff Value list keeps the other lists' bottom and right margins.
  constexpr int kBuffListShorter = kBuffListTop - kListTop;
  if (layout.listHeight && *layout.listHeight >= kBuffListShorter) {
    ListView5->resize(ListView5->width(), Px(*layout.listHeight - kBuffListShorter));
  }
  if (layout.listWidth) ListView5->resize(Px(*layout.listWidth), ListView5->height());
  // So does the DoT Uptime list, below the lanes.
  constexpr int kUptimeListShorter = kUptimeListTop - kListTop;
  if (layout.listHeight && *layout.listHeight >= kUptimeListShorter) {
    ListView6->resize(ListView6->width(), Px(*layout.listHeight - kUptimeListShorter));
  }
  if (layout.listWidth) {
    ListView6->resize(Px(*layout.listWidth), ListView6->height());
    UptimeArea->resize(Px(*layout.listWidth), UptimeArea->height());
    picUptime->Fit();
  }
  if (layout.tabWidth) TabStrip1->resize(Px(*layout.tabWidth), TabStrip1->height());
  // The loop's bar reaches to the stop at the frames' right edge.
  if (layout.frameWidth) {
    const int right = kInView + *layout.frameWidth;
    cmdCancel->move(Px(right - kCancelWidth), cmdCancel->y());
    ProgressBar1->resize(Px(std::max(right - kCancelWidth - 60 - kLoopBarLeft, 600)),
                         ProgressBar1->height());
  }
  const int picTop = Px(PicButtonTop(frameHeightTwips_));
  Clipboard->move(Clipboard->x(), picTop);
  Clipboard2->move(Clipboard2->x(), picTop);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A command that runs is stopped at its next step, which leaves the stored
  // parse as it was; the window goes at once. Nothing is asked, and nothing
  // saved but the place of a meter shown.
  if (worker_ != nullptr) {
    stop_->store(true);
    hide();
    worker_->wait();
    worker_ = nullptr;  // its end is not shown: the window is gone
  }
  // The meter goes with the window; shown, its place is kept for the next start.
  if (Meter()->isVisible()) meterFeed_->SaveSettings();
  Meter()->hide();
  event->accept();
}

QString MainWindow::AboutText(const std::string& programFolder) {
  const QStringList lines = {
      "I created this because I wanted a necro parser that I could control",
      "and add different things to like catching CoA BP clicks and procs from",
      "spells like Demand for Blood, and see how that affected ticks.",
      "I could also exclude them for the purposes of crit calculations.",
      "",
      "Basically this app takes a log file and pulls out your necro damage.",
      "It sticks the info in a database and fills in some lists and make a pretty",
      "graph.  You can also export the various lists and grpahs to csv's and html.",
      "I'll add more 'features' as I think of them and find the time etc",
      "",
      "The parse database QornDB.mdb and Settings.ini are kept in",
      QString::fromStdString(programFolder),
      "(installed, Qorn keeps them in your data folder, ~/.local/share/qorn;",
      "--home DIR or QORN_HOME choose another folder).",
      "",
      QString("Beta Version %1.%2.%3")
          .arg(QORN_VERSION_MAJOR)
          .arg(QORN_VERSION_MINOR)
          .arg(QORN_VERSION_PATCH),
  };
  return lines.join("\n");
}

QString MainWindow::HelpText() {
  return "This is so incredibly beta, I mean there's barely any\n"
         "error handling of any sort at all.  I'm sure you can\n"
         "find a way to crash the software, probably dozens of\n"
         "different ways.  If you find one let me know, maybe\n"
         "also include the log file so I can catch it in code...\n";
}

void MainWindow::ShowAbout() { dialogs_.Message(this, "About Qorn", AboutText(programFolder_)); }

void MainWindow::ShowHelp() { dialogs_.Message(this, "help me", HelpText()); }

}  // namespace qorn
