#include "guikit/Prompt.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "guikit/FileDialogs.h"
#include "guikit/Strings.h"
#include "model/FileResult.h"

namespace {

QPointer<QWidget> g_parent;

QString Caption() { return LoadString(kStrAppName); }

// The real prompt: Qt's message boxes and the program's file dialogs.
class CQtPrompt : public CPrompt {
 public:
  int Message(const QString& text, int buttons, EPromptIcon icon, int defaultAnswer) override {
    QMessageBox box(g_parent);
    box.setWindowTitle(Caption());
    box.setText(text);
    switch (icon) {
      case EPromptIcon::kInformation: box.setIcon(QMessageBox::Information); break;
      case EPromptIcon::kWarning: box.setIcon(QMessageBox::Warning); break;
      case EPromptIcon::kError: box.setIcon(QMessageBox::Critical); break;
      case EPromptIcon::kQuestion: box.setIcon(QMessageBox::Question); break;
      case EPromptIcon::kNone: break;
    }
    struct ROW {
      int answer;
      QMessageBox::StandardButton button;
      const char* text;
    };
    static const ROW kRows[] = {
        {kAnswerYes, QMessageBox::Yes, "はい(&Y)"},
        {kAnswerNo, QMessageBox::No, "いいえ(&N)"},
        {kAnswerOk, QMessageBox::Ok, "OK"},
        {kAnswerCancel, QMessageBox::Cancel, "ｷｬﾝｾﾙ"},
    };
    auto wanted = [buttons](int answer) {
      switch (buttons) {
        case kButtonsOkCancel: return answer == kAnswerOk || answer == kAnswerCancel;
        case kButtonsYesNoCancel: return answer == kAnswerYes || answer == kAnswerNo || answer == kAnswerCancel;
        case kButtonsYesNo: return answer == kAnswerYes || answer == kAnswerNo;
        default: return answer == kAnswerOk;
      }
    };
    for (const ROW& row : kRows) {
      if (!wanted(row.answer)) continue;
      QPushButton* b = box.addButton(row.button);
      b->setText(QString::fromUtf8(row.text));
      if (row.answer == defaultAnswer) box.setDefaultButton(b);
    }
    const int pressed = box.exec();
    for (const ROW& row : kRows)
      if (pressed == row.button) return row.answer;
    // Escape or the close box: cancel where there is one, else no / OK.
    if (buttons == kButtonsYesNo) return kAnswerNo;
    return buttons == kButtonsOk ? kAnswerOk : kAnswerCancel;
  }

  QString OpenFileName(FILEDIALOGSPEC& spec) override {
    COpenFileDialog dialog(g_parent);
    Prepare(dialog, spec);
    dialog.ShowContents(spec.showContents);
    return Run(dialog, spec);
  }

  QString SaveFileName(FILEDIALOGSPEC& spec) override {
    CSaveFileDialog dialog(g_parent);
    Prepare(dialog, spec);
    if (!spec.keepExtension) QObject::disconnect(&dialog, &QFileDialog::filterSelected, nullptr, nullptr);
    // Callers that ask their own question want no second one.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !spec.confirmOverwrite);
    return Run(dialog, spec);
  }

  int Choice(const QString& caption, const QString& text, const QStringList& buttons, int defaultIndex,
             int cancelIndex) override {
    QDialog dialog(g_parent);
    dialog.setWindowTitle(caption);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(text, &dialog));
    auto* box = new QDialogButtonBox(&dialog);
    int result = cancelIndex;
    for (int i = 0; i < buttons.size(); ++i) {
      QPushButton* b = box->addButton(buttons[i], QDialogButtonBox::ActionRole);
      b->setDefault(i == defaultIndex);
      b->setAutoDefault(i == defaultIndex);
      QObject::connect(b, &QPushButton::clicked, &dialog, [&dialog, &result, i] {
        result = i;
        dialog.accept();
      });
    }
    layout->addWidget(box);
    dialog.exec();
    return result;
  }

  bool OpenUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }

 private:
  static void Prepare(QFileDialog& dialog, const FILEDIALOGSPEC& spec) {
    if (!spec.title.isEmpty()) dialog.setWindowTitle(spec.title);
    const QStringList filters = FilterToQt(spec.filter);
    dialog.setNameFilters(filters);
    if (spec.filterIndex >= 1 && spec.filterIndex <= filters.size())
      dialog.selectNameFilter(filters[spec.filterIndex - 1]);
    if (!spec.folder.isEmpty()) dialog.setDirectory(spec.folder);
    if (!spec.defaultExt.isEmpty()) dialog.setDefaultSuffix(spec.defaultExt);
    // A pattern such as "*.xmb" is what the dialog filters by already.
    if (!spec.fileName.isEmpty() && !spec.fileName.contains(u'*')) dialog.selectFile(spec.fileName);
  }

  static QString Run(QFileDialog& dialog, FILEDIALOGSPEC& spec) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    spec.filterIndex = int(dialog.nameFilters().indexOf(dialog.selectedNameFilter())) + 1;
    return dialog.selectedFiles().first();
  }
};

CQtPrompt g_qtPrompt;
CPrompt* g_prompt = &g_qtPrompt;

}  // namespace

CPrompt& Prompt() { return *g_prompt; }

CPrompt* SetPrompt(CPrompt* prompt) {
  CPrompt* previous = g_prompt;
  g_prompt = prompt ? prompt : &g_qtPrompt;
  return previous;
}

void SetPromptParent(QWidget* parent) { g_parent = parent; }

QStringList FilterToQt(const QString& filter) {
  QStringList result;
  const QStringList parts = filter.split(u'|');
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;  // the "||" that ends the list
    QString patterns = parts[i + 1];
    patterns.replace(u';', u' ').replace(u',', u' ');
    result << parts[i] + QStringLiteral(" (") + patterns.simplified() + u')';
  }
  return result;
}

void ShowFileResult(int result, bool save, const std::string& name) {
  if (result == kFileOk) return;
  ShowWarning(QString::fromStdString(FileResultMessage(result, save, name)));
}
