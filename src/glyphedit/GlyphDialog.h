#pragma once
#include <QDialog>
#include <QMap>
#include <functional>
#include <string>
#include <vector>

#include "device/AppConfig.h"
#include "glyph/Glyph.h"
#include "model/DataEntry.h"

class CGlyphEditCtrl;
class QAction;
class QComboBox;
class QMenuBar;
class QPushButton;
class QScrollBar;
class QToolBar;

// Command ids of the glyph dialog's menu and tool bar.
enum : int {
  kGlyphCmdSave = 57603,          // 上書き保存
  kGlyphCmdClose = 57602,         // 外字編集画面を閉じる
  kGlyphCmdUndo = 57643,          // 元に戻す
  kGlyphCmdCut = 57635,           // 切り取り
  kGlyphCmdCopy = 57634,          // ｺﾋﾟｰ
  kGlyphCmdPaste = 57637,         // 貼り付け
  kGlyphCmdDelete = 32775,        // 削除
  kGlyphCmdSelectAll = 57642,     // 全て選択
  kGlyphCmdInvert = 32781,        // 白黒反転
  kGlyphCmdAutoScale = 32835,     // 貼り付け自動拡大
  kGlyphCmdRotateRight = 32782,   // 右 90度
  kGlyphCmdRotateLeft = 32783,    // 左 90度
  kGlyphCmdFirstTool = 1013,      // 鉛筆 (1013 to 1021: the nine tools)
  kGlyphCmdLastTool = 1021,       // 消しゴム
};

// Mask of the "全ドット数" item: every size of the table.
inline constexpr int kAllGlyphSizesMask = 0x7F;

// The list of the sizes the chosen model takes, smallest first. It draws
// each size at one pixel per dot with its "WxH" caption; the user cannot
// click it (the dialog's 戻る/次へ walk it).
class CGlyphListBox : public QWidget {
  Q_OBJECT
 public:
  explicit CGlyphListBox(QWidget* parent = nullptr);

  void Clear();
  // Inserted in order of area (equal areas keep their insertion order).
  void AddGlyph(const CGlyph* glyph);
  int Count() const { return static_cast<int>(m_items.size()); }
  const CGlyph* Item(int index) const;
  int CurrentIndex() const { return m_current; }
  void SetCurrentIndex(int index);
  int TopIndex() const { return m_top; }
  void SetTopIndex(int index);
  int ItemHeight() const;
  int ItemWidth() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<const CGlyph*> m_items;
  int m_current = -1;
  int m_top = 0;
};

// The size (below the menu bar) the glyph editor first opens with on a
// screen whose free area is `screen`: room for the edit control's second
// zoom step where the screen has it, else the editor's smallest usual size.
QSize GlyphDialogFirstClientSize(const QSize& screen, int menuBarHeight);

// The glyph editor: one glyph entry's seven sizes and its reading. Opened
// modally by the view on a glyph slot; ends with OK only through the reading
// step on the last listed size, and with cancel only through closing.
class CGlyphDialog : public QDialog {
  Q_OBJECT
 public:
  // Answers the editor's 上書き保存: 0 when the entry was really saved.
  using SaveHandler = std::function<int(const DATAENTRY& entry)>;

  explicit CGlyphDialog(QWidget* parent = nullptr);
  ~CGlyphDialog() override;

  void SetModels(const std::vector<QUILPMODELINFO>& models) { m_models = models; }
  // The slot's glyphs, a copy of its entry and its reading (raw title bytes).
  void LoadEntry(const DATAENTRY& entry);
  void SetSaveDisabled(bool disabled);
  void SetSaveHandler(SaveHandler handler) { m_saveHandler = std::move(handler); }
  // Fills the combo, picks the remembered model and the pencil, loads the
  // first size. Runs by itself when the dialog is first shown.
  void Initialize();

  bool HasChanges() const;
  bool DialogModified() const { return m_modified; }
  const DATAENTRY& Entry() const { return m_entry; }
  const std::string& Reading() const { return m_reading; }
  GLYPHSET& Glyphs() { return m_glyphs; }
  // Index into the glyph set of the size shown; -1 when none.
  int CurrentGlyph() const;

  CGlyphEditCtrl* EditCtrl() const { return m_edit; }
  CGlyphListBox* List() const { return m_list; }
  QComboBox* Combo() const { return m_combo; }
  QPushButton* BackButton() const { return m_back; }
  QPushButton* NextButton() const { return m_next; }
  QScrollBar* ScrollBar() const { return m_scroll; }
  QToolBar* ToolBar() const { return m_toolBar; }
  QAction* Action(int id) const { return m_actions.value(id); }

  void OnCommand(int id);
  // F1: the editor's topic of the manual, asked of whoever shows the help
  // (HelpRequested).
  void ShowHelp();
  bool IsCommandEnabled(int id) const;
  void OnBack();
  void OnNext();
  void OnSave();
  // Places the five children for a client area of W x H (below the menu).
  void PlaceChildren(int width, int height);

 signals:
  // Help for `context` with a help command of the main window.
  void HelpRequested(int context, int command);

 public slots:
  // Enter and Escape do nothing: the dialog ends through closing or the
  // reading step only.
  void accept() override {}
  void reject() override {}

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateMenu();
  void CreateToolBar();
  void OnModelChosen();
  void SelectSize();
  void OnGlyphChanged();
  void OnScrollAction(int action);
  void UpdateScrollBar();
  void UpdateCommandStates();
  void PressTool(int id);
  // Marks the size at list index `i` modified when it differs from its
  // picture as loaded or last saved.
  void SetModifiedFromPicture(int i);
  int GlyphIndexOfItem(int item) const;
  bool BuildEntry();
  void RememberModel();
  void RememberSize();

  std::vector<QUILPMODELINFO> m_models;
  GLYPHSET m_glyphs;
  GLYPHSET m_baseline;  // as loaded or last saved
  std::string m_reading;
  DATAENTRY m_entry;
  bool m_saveDisabled = false;
  bool m_modified = false;
  bool m_autoScale = true;
  bool m_initialised = false;
  SaveHandler m_saveHandler;

  QMenuBar* m_menuBar = nullptr;
  QWidget* m_area = nullptr;
  QComboBox* m_combo = nullptr;
  CGlyphEditCtrl* m_edit = nullptr;
  CGlyphListBox* m_list = nullptr;
  QPushButton* m_back = nullptr;
  QPushButton* m_next = nullptr;
  QScrollBar* m_scroll = nullptr;
  QToolBar* m_toolBar = nullptr;
  QMap<int, QAction*> m_actions;
};

// The tool bar picture of a tool (1 to 9), drawn in code.
QIcon GlyphToolIcon(int tool);
