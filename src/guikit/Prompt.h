#pragma once
#include <QString>
#include <QStringList>
#include <string>

class QUrl;
class QWidget;

// Every message box, question and file dialog of the desktop program goes
// through one CPrompt. The real one shows Qt dialogs; tests install a
// scripted one that records each text and returns prepared answers.

// Answers, numbered as the system's message boxes number them.
enum : int {
  kAnswerNone = 0,    // the dialog was closed without an answer
  kAnswerOk = 1,
  kAnswerCancel = 2,
  kAnswerYes = 6,
  kAnswerNo = 7,
};

// Button sets of a message.
enum : int {
  kButtonsOk = 0,
  kButtonsOkCancel = 1,
  kButtonsYesNoCancel = 3,
  kButtonsYesNo = 4,
};

enum class EPromptIcon { kNone, kInformation, kWarning, kError, kQuestion };

// What a file dialog shows. `filter` is written as the system writes it:
// "name|patterns|name|patterns||".
struct FILEDIALOGSPEC {
  QString title;
  QString filter;
  QString folder;       // initial folder
  QString fileName;     // initial file name
  QString defaultExt;   // appended when the user types none (without '.')
  bool mustExist = false;
  bool showContents = false;   // open dialog: the 内容 field of a data file
  bool keepExtension = false;  // save dialog: extension follows the file type
  bool confirmOverwrite = true;  // save dialog: the dialog asks before replacing a file
  int filterIndex = 1;         // 1-based, in and out
};

class CPrompt {
 public:
  virtual ~CPrompt() = default;
  // A message box; returns one of the answers.
  virtual int Message(const QString& text, int buttons, EPromptIcon icon, int defaultAnswer) = 0;
  // The chosen path, or empty when cancelled.
  virtual QString OpenFileName(FILEDIALOGSPEC& spec) = 0;
  virtual QString SaveFileName(FILEDIALOGSPEC& spec) = 0;
  // A dialog of the program's own with a caption, a text and a row of
  // buttons; returns the index of the pressed button or `cancelIndex` when
  // it was closed. Overwrite and similar questions use it.
  virtual int Choice(const QString& caption, const QString& text, const QStringList& buttons,
                     int defaultIndex, int cancelIndex) = 0;
  // Opens a page or file in the desktop's browser; false when that failed.
  virtual bool OpenUrl(const QUrl& url) = 0;
};

// The prompt in use; a CQtPrompt unless another one was installed.
CPrompt& Prompt();
// Installs `prompt` (not owned; null restores the Qt prompt) and returns
// the previous one.
CPrompt* SetPrompt(CPrompt* prompt);
// Parent window for the Qt dialogs (the main frame once it exists).
void SetPromptParent(QWidget* parent);

// Shorthands.
inline void ShowError(const QString& text) { Prompt().Message(text, kButtonsOk, EPromptIcon::kError, kAnswerOk); }
inline void ShowNotice(const QString& text) {
  Prompt().Message(text, kButtonsOk, EPromptIcon::kInformation, kAnswerOk);
}
inline void ShowWarning(const QString& text) {
  Prompt().Message(text, kButtonsOk, EPromptIcon::kWarning, kAnswerOk);
}
inline bool AskYesNo(const QString& text) {
  return Prompt().Message(text, kButtonsYesNo, EPromptIcon::kQuestion, kAnswerYes) == kAnswerYes;
}

// Qt's file dialog patterns from a filter written as "name|patterns||":
// one entry per pair, the patterns of the part after each '|' (';' and ','
// become spaces), so that a name such as "ﾃﾞｰﾀﾌｧｲﾙ (*.xls,*.xlsx)" still
// matches its files.
QStringList FilterToQt(const QString& filter);

// The message of a data file result code (nothing for 0). `save` picks the
// saving variant; `name` is the file the -11 message names.
void ShowFileResult(int result, bool save, const std::string& name);
