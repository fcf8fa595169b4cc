#include "render/graph_png.h"

#include <QApplication>
#include <QBuffer>
#include <cstdio>
#include <memory>

#include "common/error.h"
#include "render/graph_chart.h"

namespace qorn {
namespace {

// Qt's notes about the offscreen platform and the runtime folder say nothing
// to someone who asked for a picture; real failures still come through.
void QuietNotes(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtCriticalMsg || type == QtFatalMsg) {
    std::fprintf(stderr, "%s\n", qPrintable(text));
  }
}

}  // namespace

std::string GraphPng(const ChartGrid& grid, int width, int height) {
  return DrawnPng([&] { return RenderGraph(grid, QSize(width, height)); });
}

std::string DrawnPng(const std::function<QImage()>& draw) {
  std::unique_ptr<QApplication> app;
  QtMessageHandler previous = nullptr;
  if (QCoreApplication::instance() == nullptr) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    previous = qInstallMessageHandler(QuietNotes);
    static int argc = 1;
    static char name[] = "qorn";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
  }
  const QImage picture = draw();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const bool saved = picture.save(&buffer, "PNG");
  if (app) {
    app.reset();
    qInstallMessageHandler(previous);
  }
  if (!saved) throw Error("Cannot draw the graph as a PNG picture");
  return {bytes.constData(), static_cast<size_t>(bytes.size())};
}

}  // namespace qorn
