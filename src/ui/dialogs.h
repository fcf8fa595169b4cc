#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace qorn {

// Message boxes, the text-input box and the file dialogs, behind one
// interface: Qt's dialogs in the program, a scripted stand-in in tests.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A message box with an OK button.
  virtual void Message(QWidget* parent, const QString& title, const QString& text) = 0;
  // The reply typed, or an empty text on Cancel.
  virtual QString InputBox(QWidget* parent, const QString& prompt, const QString& title,
                           const QString& defaultText) = 0;
  // A question answered by one of `choices` (buttons; the first is the
  // default, the one Enter chooses) or Cancel: the index of the one chosen,
  // or -1 on Cancel (also Escape).
  virtual int Ask(QWidget* parent, const QString& title, const QString& text,
                  const QStringList& choices) = 0;
  // The chosen path, or an empty text on Cancel. `filter` in the form
  // "Text files (*.txt)|*.TXT": pairs of description and pattern.
  virtual QString OpenFile(QWidget* parent, const QString& title, const QString& filter) = 0;
  virtual QString SaveFile(QWidget* parent, const QString& title, const QString& filter) = 0;
};

class QtDialogs final : public Dialogs {
 public:
  void Message(QWidget* parent, const QString& title, const QString& text) override;
  QString InputBox(QWidget* parent, const QString& prompt, const QString& title,
                   const QString& defaultText) override;
  int Ask(QWidget* parent, const QString& title, const QString& text,
          const QStringList& choices) override;
  QString OpenFile(QWidget* parent, const QString& title, const QString& filter) override;
  QString SaveFile(QWidget* parent, const QString& title, const QString& filter) override;
};

// "Text files (*.txt)|*.TXT" as Qt's file dialogs take it: "Text files (*.txt *.TXT)".
QString QtFileFilter(const QString& filter);

}  // namespace qorn
