#pragma once

#include <QStringList>
#include <deque>

#include "ui/dialogs.h"

namespace qorn::test {

// Dialogs that answer from a script and remember what they were shown.
class ScriptedDialogs final : public Dialogs {
 public:
  std::deque<QString> openAnswers;   // "" cancels
  std::deque<QString> inputAnswers;  // "" is an empty reply or Cancel
  QStringList messages;              // "title: text"
  QStringList fileTitles;            // "title | filter"
  QStringList inputDefaults;         // the text each input box started with

  void Message(QWidget*, const QString& title, const QString& text) override {
    messages << title + ": " + text;
  }
  QString InputBox(QWidget*, const QString& prompt, const QString& title,
                   const QString& defaultText) override {
    messages << title + "? " + prompt;
    inputDefaults << defaultText;
    return Next(inputAnswers);
  }
  QString OpenFile(QWidget*, const QString& title, const QString& filter) override {
    fileTitles << title + " | " + filter;
    return Next(openAnswers);
  }
  QString SaveFile(QWidget*, const QString& title, const QString& filter) override {
    fileTitles << title + " | " + filter;
    return Next(openAnswers);
  }

 private:
  static QString Next(std::deque<QString>& answers) {
    if (answers.empty()) return {};
    QString a = answers.front();
    answers.pop_front();
    return a;
  }
};

}  // namespace qorn::test
