#pragma once

#include <QString>
#include <QtGlobal>

namespace qorn::test {

// Qt's offscreen platform warns of every window it cannot size, and of every
// window kept on top that it cannot raise; that says
// nothing in a test and buries what does. Call from initTestCase(), once
// QtTest's own message handler is in place: every other message goes on to it.
inline void QuietOffscreenWarnings() {
  static QtMessageHandler next = nullptr;
  next = qInstallMessageHandler(
      [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (text.contains("propagateSizeHints") || text.contains("does not support raise()")) {
          return;
        }
        next(type, context, text);
      });
}

}  // namespace qorn::test
