#include "ui/menu_shortcuts.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPointer>
#include <QWidget>

namespace qorn {
namespace {

class ShortcutsFirst final : public QObject {
 public:
  ShortcutsFirst(QObject* parent, const QList<QAction*>& actions)
      : QObject(parent), actions_(actions.begin(), actions.end()) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride) return QObject::eventFilter(watched, event);
    const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
    for (const QPointer<QAction>& action : actions_) {
      if (action.isNull() || !action->isEnabled()) continue;
      for (const QKeySequence& shortcut : action->shortcuts()) {
        if (shortcut.matches(pressed) == QKeySequence::ExactMatch) {
          // Left unaccepted, the key goes to the shortcut, not to the widget.
          event->ignore();
          return true;
        }
      }
    }
    return false;
  }

 private:
  QList<QPointer<QAction>> actions_;
};

}  // namespace

void GiveShortcutsPriority(QWidget* widget, const QList<QAction*>& actions) {
  widget->installEventFilter(new ShortcutsFirst(widget, actions));
}

}  // namespace qorn
