#pragma once

#include <QList>

class QAction;
class QWidget;

namespace qorn {

// Gives the shortcuts of `actions` priority over `widget`. A text box takes
// Ctrl+A (select all), Ctrl+H and the like for itself before a menu sees
// them; with this, an enabled menu entry's shortcut runs whichever control
// has the focus, and the box keeps every other key.
void GiveShortcutsPriority(QWidget* widget, const QList<QAction*>& actions);

}  // namespace qorn
