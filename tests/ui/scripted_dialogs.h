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
  std::deque<int> askAnswers;        // the choice's index, -1 cancels; none left: the default

  void Message(QWidget*, const QString& title, const QString& text) override {
    messages << title + ": " + text;
  }
  QString InputBox(QWidget*, const QString& prompt, const QString& title,
                   const QString& defaultText) override {
    messages << title + "? " + prompt;
    inputDefaults << defaultText;
    return Next(inputAnswers);
  }
  int Ask(QWidget*, const QString& title, const QString& text,
          const QStringList& choices) override {
    messages << title + "? " + text + " [" + choices.join('|') + "]";
    if (askAnswers.empty()) return 0;
    const int a = askAnswers.front();
    askAnswers.pop_front();
    return a;
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
