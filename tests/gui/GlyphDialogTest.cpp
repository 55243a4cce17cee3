// The glyph dialog on real widgets: the size list per model, 戻る/次へ with
// the automatic fill, modified flags, the reading step, save, close and the
// menu commands.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <functional>
#include <memory>

#include "ScriptedPrompt.h"
#include "glyph/GlyphCodec.h"
#include "glyphedit/GlyphDialog.h"
#include "glyphedit/GlyphEditCtrl.h"
#include "glyphedit/ReadingDialogs.h"
#include "model/Cp932.h"

namespace {

// Table rows of the sizes.
constexpr int k16 = 0;
constexpr int k24 = 1;
constexpr int k48 = 6;

// The tool bar command of a tool.
int ToolId(int tool) { return kToolCommandBase + tool; }

const std::string kReadingKa = "\x82\xa9";  // か

DATAENTRY MakeEntry(const GLYPHSET& set, const std::string& reading) {
  std::vector<uint8_t> content;
  EXPECT_EQ(BuildGlyphContent(reading, set, content), kGlyphContentOk);
  DATAENTRY e;
  e.used = 1;
  e.group = 3;
  e.size = static_cast<uint32_t>(content.size());
  e.content = AllocContent(content.size());
  std::copy(content.begin(), content.end(), e.content.get());
  return e;
}

// Runs `fill` on the reading dialog as soon as it is shown.
void OnReadingDialog(std::function<void(CInputHiraDialog&)> fill) {
  QTimer::singleShot(0, [fill] {
    auto* d = qobject_cast<CInputHiraDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    fill(*d);
    if (d->isVisible()) d->reject();  // a refused reading must not hang the test
  });
}

class GlyphDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings().remove(QStringLiteral("Glyph"));
    QGuiApplication::clipboard()->clear();
    glyphs = MakeGlyphSet();
    glyphs[k16].FillBox(2, 2, 9, 9);
  }
  void Open(const std::string& model = std::string(), bool show = true) {
    if (!model.empty()) QSettings().setValue(QStringLiteral("Glyph/SelectPrinter"), QString::fromStdString(model));
    entry = MakeEntry(glyphs, kReadingKa);
    dialog = std::make_unique<CGlyphDialog>();
    dialog->SetModels({{"QP510", "d1", "", "", 0x41}, {"QP700", "d2", "", "", -1}});
    dialog->LoadEntry(entry);
    if (show) {
      dialog->show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }
  }
  QString Shown() const {
    const CGlyph& g = dialog->EditCtrl()->GetWorkingGlyph();
    return QStringLiteral("%1x%2").arg(g.Width()).arg(g.Height());
  }
  void Draw() { dialog->OnCommand(kGlyphCmdInvert); }

  GLYPHSET glyphs;
  DATAENTRY entry;
  CScriptedPrompt prompt;
  std::unique_ptr<CGlyphDialog> dialog;
};

}  // namespace

TEST_F(GlyphDialogTest, ModelDecidesTheListedSizesAndIsRemembered) {
  Open("QP510");
  EXPECT_EQ(dialog->Combo()->currentText(), QStringLiteral("QP510"));
  EXPECT_EQ(dialog->Combo()->itemText(0), QStringLiteral("全ドット数"));
  EXPECT_EQ(dialog->Combo()->itemData(2).toInt(), kAllGlyphSizesMask);  // mask -1: every size
  ASSERT_EQ(dialog->List()->Count(), 2);
  EXPECT_EQ(dialog->List()->Item(0)->Width(), 16);
  EXPECT_EQ(dialog->List()->Item(1)->Width(), 48);
  EXPECT_EQ(Shown(), QStringLiteral("16x16"));
  EXPECT_FALSE(dialog->BackButton()->isEnabled());
  EXPECT_EQ(dialog->EditCtrl()->Tool(), kToolPencil);
  EXPECT_TRUE(dialog->Action(kGlyphCmdFirstTool)->isChecked());

  dialog->Combo()->setCurrentIndex(0);
  emit dialog->Combo()->activated(0);
  EXPECT_EQ(dialog->List()->Count(), 7);
  dialog.reset();
  EXPECT_EQ(QSettings().value(QStringLiteral("Glyph/SelectPrinter")).toString(), QStringLiteral("全ドット数"));
  // A model the table no longer has falls back to the first item.
  Open("QP999");
  EXPECT_EQ(dialog->Combo()->currentIndex(), 0);
}

TEST_F(GlyphDialogTest, NextFillsAnEmptySizeFromTheSmallestOne) {
  Open();
  dialog->OnNext();
  EXPECT_EQ(Shown(), QStringLiteral("24x24"));
  CGlyph expected(24, 24);
  StretchGlyph(glyphs[k16], expected);
  EXPECT_TRUE(dialog->Glyphs()[k24].SamePicture(expected));
  EXPECT_TRUE(dialog->EditCtrl()->GetWorkingGlyph().SamePicture(expected));
  EXPECT_TRUE(dialog->DialogModified());
  EXPECT_TRUE(dialog->BackButton()->isEnabled());
}

TEST_F(GlyphDialogTest, NextLeavesASizeWithInkAsItIs) {
  glyphs[k24].SetPixel(0, 0);
  Open();
  dialog->OnNext();
  EXPECT_EQ(dialog->Glyphs()[k24].IsEmpty(), false);
  EXPECT_TRUE(dialog->Glyphs()[k24].GetPixel(0, 0));
  EXPECT_FALSE(dialog->Glyphs()[k24].GetPixel(5, 5));
  EXPECT_FALSE(dialog->HasChanges());
  // Only looking asks nothing on close.
  dialog->close();
  EXPECT_TRUE(prompt.messages.isEmpty());
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(GlyphDialogTest, ModifiedFlagFollowsThePictureNotTheUndoStack) {
  glyphs[k24].SetPixel(0, 0);
  Open();
  // An edit undone completely: clear again after 次へ.
  Draw();
  EXPECT_TRUE(dialog->Glyphs()[k16].Modified());
  dialog->OnCommand(kGlyphCmdUndo);
  dialog->OnNext();
  EXPECT_FALSE(dialog->Glyphs()[k16].Modified());
  // An edit survives 次へ then 戻る (the undo stack is gone by then).
  Draw();
  dialog->OnNext();
  dialog->OnBack();
  dialog->OnBack();
  EXPECT_EQ(Shown(), QStringLiteral("16x16"));
  EXPECT_TRUE(dialog->Glyphs()[k24].Modified());
  EXPECT_TRUE(dialog->HasChanges());
}

TEST_F(GlyphDialogTest, CloseAsksOnlyAfterAChangeAndCancelKeepsTheEditorOpen) {
  Open();
  Draw();
  prompt.answers = {kAnswerCancel};
  dialog->OnCommand(kGlyphCmdClose);
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0],
            QStringLiteral("このまま終了すると、現在描画中の外字データは保存されません。\nよろしいですか？"));
  EXPECT_TRUE(dialog->isVisible());
  prompt.answers = {kAnswerOk};
  dialog->close();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(GlyphDialogTest, EnterAndEscapeLeaveTheEditorOpen) {
  Open();
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    QTest::keyClick(dialog.get(), key);
    QTest::keyClick(dialog->EditCtrl(), key);
    EXPECT_TRUE(dialog->isVisible()) << key;
  }
  EXPECT_TRUE(prompt.messages.isEmpty());
}

TEST_F(GlyphDialogTest, NextOnTheLastSizeTakesTheReadingAndEndsWithTheEntry) {
  Open("QP510");
  dialog->OnNext();
  EXPECT_EQ(Shown(), QStringLiteral("48x48"));
  Draw();
  prompt.answers = {0};  // はい
  OnReadingDialog([](CInputHiraDialog& d) {
    EXPECT_EQ(d.Edit()->text(), QStringLiteral("か"));
    d.Edit()->setText(QStringLiteral("かな"));
    d.accept();
  });
  dialog->OnNext();
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->Reading(), Utf8ToCp932("かな"));
  EXPECT_TRUE(dialog->HasChanges());
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0], QStringLiteral("読み : かな\nこの内容でよろしいですか?"));
  // The entry holds every size, the edited one included, and the new reading.
  const DATAENTRY& e = dialog->Entry();
  EXPECT_EQ(e.used, 1);
  EXPECT_EQ(e.group, 3);
  EXPECT_EQ(e.size, 1140u + 4u);
  GLYPHSET back = MakeGlyphSet();
  EXPECT_EQ(LoadGlyphSet(e.Bytes(), back), 0x7Fu);
  EXPECT_TRUE(back[k16].SamePicture(glyphs[k16]));
  EXPECT_EQ(back[k48].IsEmpty(), false);
}

TEST_F(GlyphDialogTest, CancelledReadingKeepsTheEditorOpen) {
  Open("QP510");
  dialog->OnNext();
  OnReadingDialog([](CInputHiraDialog& d) { d.reject(); });
  dialog->OnNext();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(Shown(), QStringLiteral("48x48"));
}

TEST_F(GlyphDialogTest, ReadingChecks) {
  struct CASE {
    const char* text;
    const char* message;  // empty: passes to the confirmation
  };
  const CASE cases[] = {
      {"をかし", "先頭に使用できない文字です。"},
      {"っか", "先頭に使用できない文字です。"},
      {"かー", ""},
      {"", ""},
      {"かナ", "ひらがなのみ入力してください。"},
      {"かｶ", "ひらがなのみ入力してください。"},
      {"か1", "ひらがなのみ入力してください。"},
      {"か😀", "ひらがなのみ入力してください。"},  // no CP932 form at all
  };
  for (const CASE& c : cases) {
    CScriptedPrompt scripted;
    scripted.answers = {0};
    CInputHiraDialog d("");
    d.Edit()->setText(QString::fromUtf8(c.text));
    const bool passed = d.CheckAndConfirm();
    EXPECT_EQ(passed, *c.message == 0) << c.text;
    ASSERT_EQ(scripted.messages.size(), 1) << c.text;
    if (*c.message) EXPECT_EQ(scripted.messages[0], QString::fromUtf8(c.message)) << c.text;
    else EXPECT_TRUE(scripted.messages[0].startsWith(QStringLiteral("読み : "))) << c.text;
  }
  // いいえ keeps the dialog open.
  CScriptedPrompt scripted;
  scripted.answers = {1};
  CInputHiraDialog d("");
  d.Edit()->setText(QStringLiteral("かな"));
  EXPECT_FALSE(d.CheckAndConfirm());
  // The field never takes more than 32 bytes.
  for (QChar ch : QStringLiteral("あいうえおかきくけこさしすせそたちつてと")) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(d.Edit(), &press);
  }
  EXPECT_EQ(Utf8ToCp932(d.Edit()->text().toStdString()).size(), 32u);
}

TEST_F(GlyphDialogTest, SaveSendsEverySizeAndClearsFlagsOnlyWhenSaved) {
  glyphs[k48].SetPixel(0, 0);  // no automatic fill on 次へ
  Open("QP510");
  int answer = 1;
  std::vector<uint8_t> sent;
  dialog->SetSaveHandler([&](const DATAENTRY& e) {
    sent.assign(e.Bytes().begin(), e.Bytes().end());
    return answer;
  });
  Draw();
  dialog->OnCommand(kGlyphCmdSave);
  GLYPHSET back = MakeGlyphSet();
  EXPECT_EQ(LoadGlyphSet(sent, back), 0x7Fu);  // all seven, though QP510 lists two
  EXPECT_TRUE(dialog->HasChanges());           // failed: flags kept
  answer = 0;
  dialog->OnCommand(kGlyphCmdSave);
  EXPECT_FALSE(dialog->HasChanges());
  // The saved picture is the new baseline: stepping on does not mark it.
  dialog->OnNext();
  EXPECT_FALSE(dialog->HasChanges());

  dialog->SetSaveDisabled(true);
  EXPECT_FALSE(dialog->Action(kGlyphCmdSave)->isEnabled());
  sent.clear();
  dialog->OnCommand(kGlyphCmdSave);
  EXPECT_TRUE(sent.empty());
}

TEST_F(GlyphDialogTest, MenuCommandsAndTheirEnabledRules) {
  Open();
  EXPECT_FALSE(dialog->IsCommandEnabled(kGlyphCmdUndo));
  EXPECT_FALSE(dialog->IsCommandEnabled(kGlyphCmdCopy));
  EXPECT_FALSE(dialog->IsCommandEnabled(kGlyphCmdPaste));
  dialog->OnCommand(kGlyphCmdSelectAll);
  EXPECT_EQ(dialog->EditCtrl()->Tool(), kToolSelect);
  EXPECT_TRUE(dialog->Action(ToolId(kToolSelect))->isChecked());
  EXPECT_FALSE(dialog->Action(kGlyphCmdFirstTool)->isChecked());
  EXPECT_TRUE(dialog->Action(kGlyphCmdCut)->isEnabled());
  dialog->OnCommand(kGlyphCmdCopy);
  EXPECT_TRUE(dialog->Action(kGlyphCmdPaste)->isEnabled());

  // Copy from 16x16, paste into 24x24 with and without auto-scale.
  glyphs = MakeGlyphSet();
  dialog->OnNext();  // 24x24 filled automatically: clear it first
  dialog->OnCommand(kGlyphCmdSelectAll);
  dialog->OnCommand(kGlyphCmdDelete);
  EXPECT_TRUE(dialog->EditCtrl()->GetWorkingGlyph().IsEmpty());
  dialog->OnCommand(kGlyphCmdPaste);
  EXPECT_EQ(dialog->EditCtrl()->Selection(), (GLYPHRECT{0, 0, 48, 48}));
  dialog->OnCommand(kGlyphCmdUndo);
  dialog->OnCommand(kGlyphCmdAutoScale);
  EXPECT_FALSE(dialog->Action(kGlyphCmdAutoScale)->isChecked());
  dialog->OnCommand(kGlyphCmdPaste);
  EXPECT_EQ(dialog->EditCtrl()->Selection(), (GLYPHRECT{0, 0, 32, 32}));
  EXPECT_TRUE(dialog->Glyphs()[k24].GetPixel(9, 9));
  EXPECT_FALSE(dialog->Glyphs()[k24].GetPixel(10, 10));
  // Undo through the dialog, in reverse order, back to the emptied picture.
  dialog->OnCommand(kGlyphCmdUndo);
  EXPECT_TRUE(dialog->Glyphs()[k24].IsEmpty());
  dialog->OnCommand(kGlyphCmdUndo);
  EXPECT_FALSE(dialog->Glyphs()[k24].IsEmpty());
  EXPECT_FALSE(dialog->IsCommandEnabled(kGlyphCmdUndo));

  // Tool buttons switch the control's tool and check only themselves.
  dialog->Action(ToolId(kToolEraser))->trigger();
  EXPECT_EQ(dialog->EditCtrl()->Tool(), kToolEraser);
  EXPECT_EQ(dialog->Action(ToolId(kToolEraser))->toolTip(), QStringLiteral("消しゴム"));
  EXPECT_EQ(dialog->Action(kGlyphCmdFirstTool + 1)->toolTip(), QStringLiteral("ブラシ"));
}

TEST_F(GlyphDialogTest, ChildrenFollowTheClientSizeAboveTheMinimum) {
  Open();
  dialog->PlaceChildren(500, 400);
  EXPECT_EQ(dialog->EditCtrl()->geometry(), QRect(35, 38, 500 - 107 - 35, 400 - 51 - 38));
  EXPECT_EQ(dialog->BackButton()->geometry(), QRect(145, 368, 233 - 145, 21));
  EXPECT_EQ(dialog->NextButton()->geometry(), QRect(261, 368, 349 - 261, 21));
  EXPECT_EQ(dialog->List()->geometry(), QRect(404, 38, 67, 311));
  dialog->PlaceChildren(353, 400);  // too narrow: nothing moves
  EXPECT_EQ(dialog->EditCtrl()->geometry(), QRect(35, 38, 500 - 107 - 35, 400 - 51 - 38));
}

TEST_F(GlyphDialogTest, ScrollBarShowsWhenTheSizesDoNotFit) {
  Open();
  dialog->PlaceChildren(400, 320);  // room for fewer than seven items
  ASSERT_EQ(dialog->List()->Count(), 7);
  ASSERT_TRUE(dialog->ScrollBar()->isVisible());
  EXPECT_EQ(dialog->ScrollBar()->maximum(), 6);
  dialog->ScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(dialog->List()->TopIndex(), 1);  // one item, not a page
  dialog->ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
  dialog->ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(dialog->List()->TopIndex(), 0);
  dialog->OnNext();
  dialog->OnNext();
  EXPECT_EQ(dialog->List()->TopIndex(), 2);  // the shown size is the top item
  dialog->Combo()->setCurrentIndex(1);
  emit dialog->Combo()->activated(1);
  EXPECT_FALSE(dialog->ScrollBar()->isVisible());
}

TEST_F(GlyphDialogTest, AccessibleNames) {
  Open();
  EXPECT_FALSE(dialog->Combo()->accessibleName().isEmpty());
  EXPECT_FALSE(dialog->List()->accessibleName().isEmpty());
  EXPECT_EQ(dialog->List()->accessibleDescription(), QStringLiteral("16x16"));
  EXPECT_EQ(dialog->EditCtrl()->accessibleDescription(), QStringLiteral("16x16 鉛筆"));
  for (int id = kGlyphCmdFirstTool; id <= kGlyphCmdLastTool; ++id) {
    QWidget* button = dialog->ToolBar()->widgetForAction(dialog->Action(id));
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->accessibleName().isEmpty() && dialog->Action(id)->text().isEmpty()) << id;
  }
}

TEST_F(GlyphDialogTest, FirstOpensWithTheNextZoomStepAndThenKeepsTheUsersSize) {
  Open();
  QApplication::processEvents();
  // Not the smallest step, where a 48 x 48 glyph gets 4-pixel cells.
  EXPECT_EQ(dialog->EditCtrl()->Layout().side, GlyphGridSide(1));
  EXPECT_EQ(ComputeGlyphLayout(dialog->EditCtrl()->width(), dialog->EditCtrl()->height(), 48, 48).cellWidth, 6);

  dialog->resize(700, 620);
  QApplication::processEvents();
  EXPECT_EQ(dialog->EditCtrl()->Layout().side, GlyphGridSide(2));
  dialog.reset();
  Open();
  EXPECT_EQ(dialog->size(), QSize(700, 620));
  EXPECT_EQ(dialog->EditCtrl()->Layout().side, GlyphGridSide(2));

  // Made smaller than the first size, it stays small too.
  dialog->resize(400, 380);
  dialog.reset();
  Open();
  EXPECT_EQ(dialog->size(), QSize(400, 380));
}

TEST_F(GlyphDialogTest, AnUnreadableOrTooLargeSavedSizeIsNotTaken) {
  Open();
  const QSize first = dialog->size();
  dialog.reset();
  for (const char* saved : {"", "abc", "0,0", "-5,300", "500", "500,400,3", "500;400"}) {
    SCOPED_TRACE(saved);
    QSettings().setValue(QStringLiteral("Glyph/WindowSize"), QString::fromLatin1(saved));
    Open();
    EXPECT_EQ(dialog->size(), first);
    dialog.reset();
  }
  // Larger than the screen: cut to the screen's free area.
  QSettings().setValue(QStringLiteral("Glyph/WindowSize"), QStringLiteral("9000,8000"));
  Open();
  const QSize free = dialog->screen()->availableGeometry().size();
  EXPECT_LE(dialog->width(), free.width());
  EXPECT_LE(dialog->height(), free.height());
}

TEST(GlyphDialogFirstSize, TakesTheNextZoomStepWhereTheScreenHasRoom) {
  const struct {
    QSize screen;
    int side;  // of the grid in the edit control at that size
  } rows[] = {
      {{1920, 1080}, 288},
      {{800, 600}, 288},
      {{470, 600}, 200},  // too narrow: the editor's small size
      {{800, 480}, 200},  // too low
  };
  const int menu = 24;
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.screen.width()) + "x" + std::to_string(row.screen.height()));
    const QSize size = GlyphDialogFirstClientSize(row.screen, menu);
    // The edit control takes the client area less 35 + 107 and 38 + 51.
    EXPECT_EQ(ComputeGlyphLayout(size.width() - 142, size.height() - 89, 48, 48).side, row.side);
    if (row.side > 200) {
      EXPECT_LE(size.width(), row.screen.width());
      EXPECT_LE(size.height() + menu, row.screen.height());
    }
  }
}
