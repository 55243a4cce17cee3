#pragma once
#include <QObject>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "device/CommandPlan.h"
#include "device/DeviceLink.h"

class CComMsg;
class CDataSet;
class CSession;
class CXAMUView;

// Every file, transfer, clipboard, delete and import/export command of the
// two-pane form. It registers its commands with the view and answers the
// form's buttons; the device commands run through one device link.
class CViewCommands : public QObject {
  Q_OBJECT
 public:
  CViewCommands(CXAMUView& view, CSession& session);
  ~CViewCommands() override;

  // MIME type of the entries clipboard block of a category.
  static QString EntriesMimeType(int category);

  // Pane files.
  void OnNew();
  // Open dialog into `pane`; `path` non-empty skips the dialog (recent-file
  // list, a second start).
  void OpenFile(int pane, const QString& path = QString());
  // Reads the printer's memory of the current category into the right pane.
  // `fromButton` discards the input queued meanwhile; `askSave` offers to
  // save a modified right pane first.
  void ReadPrinter(bool fromButton);
  void OnSave();
  // False when nothing was saved (cancelled or failed).
  bool SaveAs(int pane);
  // Save of a pane as the questions do it: untitled ones through save as.
  bool SaveProcedure(int pane);
  // Program end: right pane first; false keeps the program running because
  // a save the user asked for did not happen.
  bool SaveModifiedPanes();

  // Transfer, copy, paste, move.
  void OnTransferButton();
  void Transfer(bool all);
  void Copy(bool cut);
  void Paste();
  bool CanPaste() const;

  void Delete();
  void Refresh();

  // Import and export of address and name data.
  void ExportCommand();
  void ImportCommand();

  // The slots a completed move would empty, and the clipboard source pane
  // (-1 for none); tests look at them.
  const std::vector<int>& CutList() const { return m_cut; }
  int ClipboardSourcePane() const { return m_clipPane; }
  CDeviceLink& Link() { return m_link; }

 signals:
  // A data file was opened or saved under `path` (the recent-file list).
  void FileNamed(const QString& path);

 private:
  int CurrentSection() const;
  bool SaveIfModified(int pane);
  void ClearCutList();
  void OnButton(int id);
  void OnCategoryChanged();
  void ReadPrinterInto(bool fromButton);
  std::vector<int> SelectedRows(int pane) const;
  // A Yes/No question with the information icon; true for yes.
  bool AskToGo(const std::string& question) const;
  // The overwrite question of PC-to-PC copies and pastes.
  OverwriteQuestion AskOverwrite();
  void TransferToPrinter(std::vector<int> picked, bool all);
  // Carry out a paste plan; return the slots written.
  std::vector<int> PasteToPrinter(const PASTEPLAN& plan, std::unique_ptr<CComMsg>& progress);
  std::vector<int> PasteToFile(const PASTEPLAN& plan, int pane);
  // A completed move: empties its sources (in the printer through the link).
  void EmptyMoveSources(std::vector<int> empty, std::unique_ptr<CComMsg>& progress);
  void AlignGroupNames(const std::vector<int>& written);
  void DiscardQueuedInput();
  bool PaneHasPath(int pane) const;
  bool CanTransferAll() const;
  bool CanSaveFile() const;
  bool ImportEnabled(int category) const;

  CXAMUView& m_view;
  CSession& m_session;
  CDeviceLink& m_link;
  std::unique_ptr<CDevicePrompt> m_prompt;
  // Cut slots (occupied selected slots of the last cut), and for every
  // clipboard record the slot it was copied from.
  std::vector<int> m_cut;
  std::vector<int> m_clipSources;
  int m_clipPane = -1;
  // Categories read from the printer since device mode was entered.
  unsigned m_readCategories = 0;
};
