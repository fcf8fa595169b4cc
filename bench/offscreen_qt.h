#pragma once

#include <QString>
#include <QtGlobal>
#include <cstdio>

namespace qorn::bench {

// Widgets drawn without a display, before the QApplication is made. Qt's
// notes on the offscreen platform would bury the figures: only its errors
// are printed.
inline void UseOffscreenQt() {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
  });
}

}  // namespace qorn::bench
