#pragma once
#include <QMap>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

class CDataSet;
class CStaticContainer;
class CStaticPreview;
class CViewCommands;
class CXAMUButton;
class CSession;
class CXAMUEdit;
class CXAMUListBox;
class CXAMURadioButton;
class QLabel;

// The two-pane form: category buttons on the left, the left pane (always a
// PC data file) and the right pane (another file, or the printer's memory in
// device mode), each with its list, address field and preview, and the
// transfer, copy and paste buttons between them.
class CXAMUView : public QWidget {
  Q_OBJECT
 public:
  enum : int { kPaneLeft = 0, kPaneRight = 1 };
  // FillList position that keeps the list's top line and caret.
  static constexpr int kKeepPosition = -1;

  CXAMUView(CSession& session, QWidget* parent);
  ~CXAMUView() override;

  // Runs once, before the form is first shown: untitled names for both
  // panes, the lists of the current category, the tool tips.
  void OnInitialUpdate();
  bool IsInitialised() const { return m_initialised; }

  CSession& Session() const { return m_session; }
  CDataSet& DataSet(int pane) const { return pane == kPaneLeft ? *m_sets[0] : *m_sets[1]; }
  int ActivePane() const { return m_activePane; }
  // Returns whether the active pane changed.
  bool SetActivePane(int pane);
  bool DeviceMode() const { return m_deviceMode; }
  void SetDeviceMode(bool on);

  // Fills a pane's list for the current category; `position` is a slot used
  // as top line and caret, or kKeepPosition.
  void FillList(int pane, int position);
  // Both panes (lists at 0 and address fields), or the active pane alone.
  void RefreshLists(bool both);
  void UpdateAddressFields();
  void UpdatePreview(int pane);
  // The left data set's path; the right one's, or the device name in
  // device mode.
  QString PanePath(int pane) const;
  void SwitchCategory(int category);
  // The list line of a slot: mark, (slot + 1) % 100 in two digits, label.
  static QString ListLine(const CDataSet& set, int category, int slot);

  // Moves the controls of the resize table for a client area of W x H.
  void LayoutForClientSize(int width, int height);

  // A free untitled path, "無題%d.xmb" in `folder`, counting from
  // `*counter` and skipping `avoid`; `*counter` gets the next number.
  static std::string UntitledPath(const std::string& folder, int* counter, const std::string& avoid);
  // The same in the session's data folder.
  std::string UntitledPath(int* counter, const std::string& avoid) const;
  // New document: the left pane gets a fresh untitled file.
  void ResetLeftPane();
  // Offers to save the modified panes, right pane first; false stops the
  // close. Answered by the command set (SetSaveModifiedHandler).
  bool SaveModifiedPanes() { return !m_saveModified || m_saveModified(); }
  void SetSaveModifiedHandler(std::function<bool()> handler) { m_saveModified = std::move(handler); }
  // The file, transfer, clipboard, delete and import/export commands; made
  // and owned by whoever puts the view in a window, which hands them in.
  CViewCommands& Commands() const { return *m_commandSet; }
  void SetCommands(CViewCommands* commands) { m_commandSet = commands; }

  // Commands of the menus, accelerators and tool bar. A command counts as
  // enabled only when it has a handler and its rule says so.
  void RegisterCommand(int id, std::function<void()> run, std::function<bool()> enabled);
  bool IsCommandEnabled(int id) const;
  void OnCommand(int id);

  // Controls by id (form buttons, lists, fields, previews, containers).
  QWidget* Control(int id) const { return m_controls.value(id); }
  CXAMUListBox* List(int pane) const { return m_lists[pane]; }
  CXAMUEdit* AddressField(int pane) const { return m_edits[pane]; }
  CStaticPreview* Preview(int pane) const { return m_previews[pane]; }
  CStaticContainer* Container(int pane) const { return m_containers[pane]; }
  CXAMUButton* Button(int id) const;

  // Hover look and status text for the mouse at `globalPos`: the visible
  // form button under it shows the hover look, every other one drops it.
  void UpdateHover(const QPoint& globalPos);

 signals:
  void CommandStatesChanged();
  void CategoryChanged();
  // Status bar help; empty for the idle text.
  void StatusText(const QString& text);
  // A form button was pressed (ids of the form); later command flows
  // connect here.
  void ButtonPressed(int id);
  // Help for `context` (0 for none) with a help command of the frame.
  void HelpRequested(int context, int command);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  struct COMMAND {
    std::function<void()> run;
    std::function<bool()> enabled;
  };
  void CreateControls();
  void AddControl(int id, QWidget* control, const QRect& dialogRect);
  void LoadButtonImages();
  void OnButton(int id);
  void OnSelectAll();
  void OnDataSelect();
  void ApplyPreviewHeights();

  CSession& m_session;
  CDataSet* m_sets[2];
  QMap<int, QWidget*> m_controls;
  QMap<int, COMMAND> m_commands;
  CXAMUListBox* m_lists[2] = {};
  CXAMUEdit* m_edits[2] = {};
  CStaticPreview* m_previews[2] = {};
  CStaticContainer* m_containers[2] = {};
  CXAMURadioButton* m_categoryButtons[4] = {};
  int m_activePane = kPaneLeft;
  bool m_deviceMode = false;
  bool m_initialised = false;
  bool m_laidOut = false;
  CViewCommands* m_commandSet = nullptr;
  std::function<bool()> m_saveModified;
};
