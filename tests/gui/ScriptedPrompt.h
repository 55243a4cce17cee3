#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "guikit/Prompt.h"

// Answers every question from a prepared list and records every text, so
// that widget tests can check what the user would have been told.
class CScriptedPrompt : public CPrompt {
 public:
  CScriptedPrompt() { m_previous = SetPrompt(this); }
  ~CScriptedPrompt() override { SetPrompt(m_previous); }

  int Message(const QString& text, int buttons, EPromptIcon, int) override {
    messages << text;
    if (!answers.isEmpty()) return answers.takeFirst();
    return buttons == kButtonsOk ? kAnswerOk : kAnswerNo;
  }
  QString OpenFileName(FILEDIALOGSPEC& spec) override {
    dialogs << spec.title;
    return files.isEmpty() ? QString() : files.takeFirst();
  }
  QString SaveFileName(FILEDIALOGSPEC& spec) override {
    if (!fileTypes.isEmpty()) spec.filterIndex = fileTypes.takeFirst();
    return OpenFileName(spec);
  }
  int Choice(const QString&, const QString& text, const QStringList&, int, int cancelIndex) override {
    messages << text;
    return answers.isEmpty() ? cancelIndex : answers.takeFirst();
  }
  bool OpenUrl(const QUrl& url) override {
    urls << url;
    return openUrlResult;
  }

  QStringList messages;
  QStringList dialogs;
  QList<int> answers;
  QStringList files;
  QList<int> fileTypes;  // the file type chosen in each save dialog (1-based)
  QList<QUrl> urls;
  bool openUrlResult = true;

 private:
  CPrompt* m_previous = nullptr;
};
