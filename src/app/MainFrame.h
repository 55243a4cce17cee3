#pragma once
#include <QMainWindow>
#include <QMap>
#include <functional>
#include <memory>

#include "app/Placement.h"

class QAction;
class QLabel;
class QMenu;
class QToolBar;
class CXAMUDoc;
class CViewCommands;
class CXAMUView;

// The frame around the two-pane view: menus, accelerators, tool bar, status
// bar with the category pane, help, web page, about box, and the saved
// window placement.
class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  explicit CMainFrame(CXAMUDoc& doc, QWidget* parent = nullptr);
  ~CMainFrame() override;

  CXAMUView* View() const { return m_view; }
  // The menu, accelerator and tool-bar command `id`.
  QAction* Action(int id) const { return m_actions.value(id); }
  // Runs command `id` when it is enabled.
  void OnCommand(int id);
  bool IsCommandEnabled(int id) const;
  // Sets every command's enabled (and checked) state: called on every
  // selection, focus, category, mode and clipboard change and before a menu
  // shows.
  void UpdateCommandStates();
  // The category pane of the status bar.
  QString CategoryPaneText() const;
  // The status bar's message pane (idle text when `text` is empty).
  void SetMessageText(const QString& text);
  QString MessageText() const;

  // Placement: read from the settings (or centred) and written on close.
  void RestorePlacement();
  void SavePlacement();
  // The placement as the settings would store it now.
  WINDOWPLACEMENT CurrentPlacement() const;

  // Raises the window for a second start.
  void Activate();
  // A data file handed over by a second start; opened once the view's file
  // commands take it (see SetOpenHandler).
  void OpenFromOtherStart(const QString& file);
  // Who opens a file from the recent-file list or a second start.
  void SetOpenHandler(std::function<void(const QString&)> handler) { m_openHandler = std::move(handler); }

  // Help: the manual XAMU.html of the program folder in the browser.
  void WinHelp(int context, int command);
  void OnWebPage();
  void OnAbout();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QAction* AddAction(QMenu* menu, int id, const QString& text, const QKeySequence& key = {});
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  void FillRecentMenu();
  void AddRecentFile(const QString& path);
  void UpdateCategoryPane();

  CXAMUDoc& m_doc;
  CXAMUView* m_view = nullptr;
  // Made with the view and gone before it.
  std::unique_ptr<CViewCommands> m_commands;
  QMap<int, QAction*> m_actions;
  QToolBar* m_toolBar = nullptr;
  QLabel* m_message = nullptr;
  QLabel* m_categoryPane = nullptr;
  QMenu* m_recentMenu = nullptr;
  std::function<void(const QString&)> m_openHandler;
  bool m_closing = false;
};
