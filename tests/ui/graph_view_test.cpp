#include "ui/graph_view.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QGuiApplication>
#include <QLegend>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>

#include "ui/quiet_offscreen.h"
#include "ui/scripted_dialogs.h"
#include "views/tick_graphs.h"

namespace qorn {
namespace {

// A grid of `ticks` rows: DoT sources named in `dots`, then optionally the
// pet and direct-damage columns; cell (r, c) holds 100 * c + r.
ChartGrid Grid(int ticks, const std::vector<std::string>& dots, bool allDamage) {
  ChartGrid grid;
  grid.SetFootnoteText("          a gnoll");
  grid.SetShowLegend(true);
  grid.SetRowCount(ticks);
  const int n = static_cast<int>(dots.size());
  grid.SetColumnCount(n + (allDamage ? 2 : 0));
  for (int c = 1; c <= grid.ColumnCount(); ++c) {
    grid.SetColumn(c);
    grid.SetColumnLabel(c <= n       ? dots[static_cast<size_t>(c - 1)]
                        : c == n + 1 ? std::string(kPetsColumn)
                                     : std::string(kDirectDamageColumn));
  }
  for (int r = 1; r <= ticks; ++r) {
    grid.SetRow(r);
    grid.SetRowLabel(std::to_string(r));
    for (int c = 1; c <= grid.ColumnCount(); ++c) {
      grid.SetColumn(c);
      grid.SetData(100 * c + r);
    }
  }
  return grid;
}

QList<QBarSet*> Sets(const GraphView& view) {
  const auto series = view.Chart()->series();
  if (series.size() != 1) return {};
  return static_cast<QBarSeries*>(series.front())->barSets();
}

QStringList TickLabels(const GraphView& view) {
  for (QAbstractAxis* axis : view.Chart()->axes(Qt::Horizontal)) {
    if (auto* ticks = qobject_cast<QCategoryAxis*>(axis)) return ticks->categoriesLabels();
  }
  return {};
}

}  // namespace

class GraphViewTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { test::QuietOffscreenWarnings(); }

  void showsTheGrid() {
    GraphView view;
    view.resize(753, 425);  // the charts' design size
    view.show();
    view.SetGrid(Grid(4, {"Splurt.", "Dread Pyre.", "splurt."}, true));
    const QList<QBarSet*> sets = Sets(view);
    QCOMPARE(sets.size(), 5);
    QStringList labels;
    for (QBarSet* set : sets) labels << set->label();
    QCOMPARE(labels, QStringList({"Splurt.", "Dread Pyre.", "splurt.", "Pets", "DD's"}));
    QCOMPARE(sets[1]->at(3), 204.0);
    // The DoT sources in the HTML graph's order of colours, pets black, direct damage dark blue.
    QCOMPARE(sets[0]->color(), QColor(0x00, 0x64, 0x00));
    QCOMPARE(sets[1]->color(), QColor(0x80, 0x80, 0x80));
    QCOMPARE(sets[3]->color(), QColor(Qt::black));
    QCOMPARE(sets[4]->color(), QColor(0x00, 0x00, 0x8B));
    QCOMPARE(TickLabels(view), QStringList({"1", "2", "3", "4"}));
    QCOMPARE(view.FootnoteShown(), QString("          a gnoll"));
    QVERIFY(view.Chart()->legend()->isVisible());
    QVERIFY(!view.ScrollBar()->isVisible());

    // Hovering a bar tells its exact value: tick 4 of "Dread Pyre." (column 2 of 5).
    auto* chartView = view.findChild<QChartView*>();
    QAbstractSeries* series = view.Chart()->series().front();
    auto at = [&](double x, double y) {
      return chartView->mapFromScene(
          view.Chart()->mapToScene(view.Chart()->mapToPosition(QPointF(x, y), series)));
    };
    const double dreadPyre = 3 - 0.85 / 2 + 1.5 * 0.85 / 5;
    QCOMPARE(view.BarTipAt(at(dreadPyre, 100)), QString("Dread Pyre.\nTick 4: 204"));
    QCOMPARE(view.BarTipAt(at(dreadPyre, 300)), QString());  // above the bar
    const QPoint pos = at(dreadPyre, 100);
    QMouseEvent move(QEvent::MouseMove, pos, chartView->viewport()->mapToGlobal(pos), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(chartView->viewport(), &move);
    QTRY_COMPARE(QToolTip::text(), QString("Dread Pyre.\nTick 4: 204"));

    // The next fight replaces everything, also when it has no DoT column.
    ChartGrid empty = Grid(2, {}, false);
    empty.SetFootnoteText("          a rat");
    view.SetGrid(empty);
    QCOMPARE(Sets(view).size(), 0);
    QCOMPARE(TickLabels(view), QStringList({"1", "2"}));
    QCOMPARE(view.FootnoteShown(), QString("          a rat"));
  }

  void aThousandTicksScrollWithThinnedLabels() {
    GraphView view;
    view.resize(753, 425);
    view.show();
    view.SetGrid(Grid(1000, {"Splurt.", "Dread Pyre.", "Pyre of Mori.", "Ignite Blood."}, true));
    QVERIFY(view.ScrollBar()->isVisible());
    const int shown = view.VisibleRows();
    QVERIFY2(shown >= 10 && shown < 100, qPrintable(QString::number(shown)));
    QCOMPARE(Sets(view).front()->count(), shown);
    QCOMPARE(view.ScrollBar()->maximum(), 1000 - shown);
    // The last page: its first bar is that tick's value, its labels the ticks there.
    view.ScrollBar()->setValue(view.ScrollBar()->maximum());
    QCOMPARE(view.FirstRow(), 1001 - shown);
    QCOMPARE(Sets(view).front()->at(0), 100.0 + 1001 - shown);
    const QStringList last = TickLabels(view);
    QVERIFY(!last.isEmpty());
    for (const QString& label : last) QVERIFY(label.toInt() >= view.FirstRow());

    // A picture of the whole fight thins its labels instead of scrolling.
    view.SetShowAllTicks(true);
    QCOMPARE(view.VisibleRows(), 1000);
    QVERIFY(!view.ScrollBar()->isVisible());
    const QStringList labels = TickLabels(view);
    QVERIFY2(labels.size() > 5 && labels.size() <= 100, qPrintable(labels.join(",")));
    QCOMPARE(labels.front(), QString("1"));
  }

  void picPutsTheWholeChartOnTheClipboard() {
    GraphView view;
    view.resize(753, 425);
    view.show();
    test::ScriptedDialogs dialogs;
    QGuiApplication::clipboard()->clear();
    CopyGraph(view, dialogs, &view);  // an empty chart too
    QCOMPARE(QGuiApplication::clipboard()->image().size(), view.Picture().size());
    const ChartGrid shortFight = Grid(3, {"Splurt."}, false);
    view.SetGrid(shortFight);
    CopyGraph(view, dialogs, &view);
    QCOMPARE(QGuiApplication::clipboard()->image(), RenderGraph(shortFight, QSize(753, 425)));

    // A fight that scrolls: the picture holds every tick, drawn as the
    // command line draws it, as wide as the ticks need.
    const ChartGrid longFight = Grid(300, {"Splurt."}, false);
    view.SetGrid(longFight);
    QVERIFY(view.ScrollBar()->isVisible());
    CopyGraph(view, dialogs, &view);
    const QImage copied = QGuiApplication::clipboard()->image();
    QVERIFY2(copied.width() >= 300 * 6, qPrintable(QString::number(copied.width())));
    QCOMPARE(copied.height(), view.height());
    QCOMPARE(copied, RenderGraph(longFight, copied.size()));
    // However long the fight, the picture stays of a size a clipboard takes.
    view.SetGrid(Grid(100000, {"Splurt."}, false));
    QCOMPARE(view.WholePictureSize().width(), kMaxPictureWidth);
    const QString message =
        "Graph copy: The graph has been copied to your clipboard, go paste it into something.";
    QCOMPARE(dialogs.messages, QStringList({message, message, message}));
  }

  void rendersAPictureOfTheAskedSize() {
    const QImage picture = RenderGraph(Grid(40, {"Splurt."}, true), QSize(1200, 600));
    QCOMPARE(picture.size(), QSize(1200, 600));
    // Something other than the background was drawn: dark green bars.
    bool green = false;
    for (int y = 0; y < picture.height() && !green; y += 2) {
      for (int x = 0; x < picture.width() && !green; ++x) {
        green = picture.pixelColor(x, y) == QColor(0x00, 0x64, 0x00);
      }
    }
    QVERIFY(green);
  }
};

}  // namespace qorn

QTEST_MAIN(qorn::GraphViewTest)
#include "graph_view_test.moc"
