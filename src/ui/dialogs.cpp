#include "ui/dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringList>

namespace qorn {

void QtDialogs::Message(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

QString QtDialogs::InputBox(QWidget* parent, const QString& prompt, const QString& title,
                            const QString& defaultText) {
  bool ok = false;
  const QString reply =
      QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
  return ok ? reply : QString();
}

int QtDialogs::Ask(QWidget* parent, const QString& title, const QString& text,
                   const QStringList& choices) {
  QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
  QList<QAbstractButton*> buttons;
  for (const QString& choice : choices) {
    buttons << box.addButton(choice, buttons.isEmpty() ? QMessageBox::AcceptRole
                                                       : QMessageBox::ActionRole);
  }
  if (!buttons.isEmpty()) box.setDefaultButton(static_cast<QPushButton*>(buttons.front()));
  box.setEscapeButton(box.addButton(QMessageBox::Cancel));
  box.exec();
  return static_cast<int>(buttons.indexOf(box.clickedButton()));
}

QString QtDialogs::OpenFile(QWidget* parent, const QString& title, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, title, QString(), QtFileFilter(filter));
}

QString QtDialogs::SaveFile(QWidget* parent, const QString& title, const QString& filter) {
  return QFileDialog::getSaveFileName(parent, title, QString(), QtFileFilter(filter));
}

QString QtFileFilter(const QString& filter) {
  const QStringList parts = filter.split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    QStringList patterns;
    const QRegularExpression inParens(R"(\(([^)]*)\))");
    const auto match = inParens.match(description);
    if (match.hasMatch()) {
      patterns = match.captured(1).split(' ', Qt::SkipEmptyParts);
      description = description.left(match.capturedStart()).trimmed();
    }
    for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      if (!patterns.contains(p)) patterns << p;
    }
    out << description + " (" + patterns.join(' ') + ")";
  }
  return out.join(";;");
}

}  // namespace qorn
