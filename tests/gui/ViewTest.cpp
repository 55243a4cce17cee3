// The two-pane form on real widgets: the list rule, the category switch, the
// active pane, the resize layout, previews, hover, keys and accessibility.
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>

#include "GuiFixture.h"
#include "ScriptedPrompt.h"
#include "guikit/CommandIds.h"
#include "model/Category.h"
#include "model/Labels.h"
#include "model/Cp932.h"
#include "view/StaticContainer.h"
#include "view/StaticPreview.h"
#include "view/ViewLayout.h"
#include "view/XAMUButton.h"
#include "view/XAMUEdit.h"
#include "view/XAMUListBox.h"

namespace {

using View = CXAMUView;

QString Label(const CDataSet& set, int category, int slot) {
  return QString::fromStdString(Cp932ToUtf8(GetListText(set, category, slot)));
}

}  // namespace

TEST_F(CGuiTest, ListLinesCarryMarkTwoDigitNumberAndLabel) {
  CDataSet set;
  ASSERT_EQ(set.LoadDataFile(SamplePath("Sample.xmb")), 0);
  // Slot 100 of the file category shows 00, not 100.
  const DATAENTRY* first = set.Entry(kSecFile, 0);
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(set.SetEntry(kSecFile, 99, first->group, first->Bytes()));
  struct ROW {
    int category;
    int slot;
    QString prefix;
  };
  const ROW rows[] = {
      {kCatFile, 0, QStringLiteral("*01 ")},  {kCatFile, 2, QStringLiteral(" 03 ")},
      {kCatFile, 99, QStringLiteral("*00 ")}, {kCatName, 39, QStringLiteral(" 40 ")},
      {kCatGlyph, 0, QStringLiteral("*01 ")}, {kCatAddress, 9, QStringLiteral(" 10 ")},
  };
  for (const ROW& row : rows) {
    SCOPED_TRACE(row.prefix.toStdString());
    EXPECT_EQ(View::ListLine(set, row.category, row.slot), row.prefix + Label(set, row.category, row.slot));
  }
  EXPECT_FALSE(Label(set, kCatFile, 99).isEmpty());
}

TEST_F(CGuiTest, InitialUpdateGivesBothPanesUntitledNamesAndFillsThem) {
  CXAMUView& view = MakeView();
  const QString left = view.PanePath(View::kPaneLeft);
  const QString right = view.PanePath(View::kPaneRight);
  EXPECT_TRUE(left.endsWith(QStringLiteral("/DATA/無題1.xmb"))) << left.toStdString();
  EXPECT_TRUE(right.endsWith(QStringLiteral("/DATA/無題2.xmb"))) << right.toStdString();
  EXPECT_EQ(view.DataSet(View::kPaneLeft).m_untitled, 1);
  EXPECT_EQ(view.DataSet(View::kPaneRight).m_untitled, 1);
  EXPECT_EQ(view.AddressField(View::kPaneLeft)->text(), left);
  EXPECT_EQ(view.AddressField(View::kPaneRight)->text(), right);
  EXPECT_EQ(view.List(View::kPaneLeft)->count(), 100);
  EXPECT_EQ(view.List(View::kPaneRight)->count(), 100);
  EXPECT_TRUE(view.IsInitialised());
}

TEST_F(CGuiTest, UntitledNamesSkipExistingFilesAndTheOtherPane) {
  const std::string folder = App().Config().GetDataFolder(false);
  CTestEnv::WriteBytes(folder + "/無題1.xmb", {});
  int counter = 1;
  const std::string first = View::UntitledPath(folder, &counter, folder + "/無題2.xmb");
  EXPECT_EQ(first, folder + "/無題3.xmb");
  EXPECT_EQ(counter, 4);
  std::remove((folder + "/無題1.xmb").c_str());
}

TEST_F(CGuiTest, PaneWithoutPathStaysEmptyAcrossCategorySwitches) {
  CXAMUView& view = MakeView();
  view.DataSet(View::kPaneRight).m_path.clear();
  for (int category : {kCatAddress, kCatGlyph, kCatFile}) {
    view.SwitchCategory(category);
    EXPECT_EQ(view.List(View::kPaneRight)->count(), 0) << category;
    EXPECT_EQ(view.List(View::kPaneLeft)->count(), CategorySlotCount(category)) << category;
  }
}

TEST_F(CGuiTest, ItemDataGreysEmptySlotsAndLeftSlotsBeyondTheDeviceLimit) {
  CXAMUView& view = MakeView(SamplePath("Sample.xmb"));
  // Slots 1, 2 and 5 of the sample's file data are used.
  CXAMUListBox* left = view.List(View::kPaneLeft);
  EXPECT_EQ(left->ItemData(0), 1);
  EXPECT_EQ(left->ItemData(1), 1);
  EXPECT_EQ(left->ItemData(2), 0);
  EXPECT_EQ(left->ItemData(4), 1);
  // The printer refused everything from slot 2 on: those left lines go grey
  // until the limits are reset; the right list never uses the limit.
  App().Config().LowerDeviceLimit(1);
  view.DataSet(View::kPaneLeft).CopySlotTo(view.DataSet(View::kPaneRight), kSecFile, 4);
  view.RefreshLists(true);
  EXPECT_EQ(left->ItemData(0), 1);
  EXPECT_EQ(left->ItemData(1), 0);
  EXPECT_EQ(left->ItemData(4), 0);
  EXPECT_EQ(view.List(View::kPaneRight)->ItemData(4), 1);
  App().Config().ResetDeviceLimits();
  view.FillList(View::kPaneLeft, View::kKeepPosition);
  EXPECT_EQ(left->ItemData(4), 1);
}

TEST_F(CGuiTest, FillListKeepsTopAndCaretOrTakesTheGivenSlot) {
  CXAMUView& view = MakeView(SamplePath("Sample.xmb"));
  CXAMUListBox* list = view.List(View::kPaneLeft);
  view.FillList(View::kPaneLeft, 40);
  EXPECT_EQ(list->CaretIndex(), 40);
  EXPECT_EQ(list->TopIndex(), 40);
  EXPECT_TRUE(list->selectedItems().isEmpty());  // the caret moves without selecting
  view.FillList(View::kPaneLeft, View::kKeepPosition);
  EXPECT_EQ(list->CaretIndex(), 40);
  EXPECT_EQ(list->TopIndex(), 40);
  view.FillList(View::kPaneLeft, 0);
  EXPECT_EQ(list->CaretIndex(), 0);
  EXPECT_EQ(list->TopIndex(), 0);
}

TEST_F(CGuiTest, CategorySwitchRefillsListsShowsGlyphEditAndSetsPreviewHeights) {
  CXAMUView& view = MakeView(SamplePath("Sample.xmb"));
  QWidget* glyphEdit = view.Control(kIdcGlyphEdit);
  const int line = view.Preview(View::kPaneLeft)->LineHeight();
  struct ROW {
    int button;
    int slotCount;
    int previewHeight;
    const char* pane;
  };
  const ROW rows[] = {
      {kIdcCatAddress, 100, line * 10, "あて名ﾃﾞｰﾀ"},
      {kIdcCatName, 40, line * 5, "名前ﾃﾞｰﾀ"},
      {kIdcCatGlyph, 20, line + 96, "外字ﾃﾞｰﾀ"},
      {kIdcCatFile, 100, line * 8, "ﾌｧｲﾙﾃﾞｰﾀ"},
  };
  for (const ROW& row : rows) {
    SCOPED_TRACE(row.pane);
    QTest::mouseClick(view.Control(row.button), Qt::LeftButton);
    EXPECT_EQ(App().Category(), row.button - kIdcCatFile);
    EXPECT_EQ(view.List(View::kPaneLeft)->count(), row.slotCount);
    EXPECT_EQ(view.List(View::kPaneRight)->count(), row.slotCount);
    EXPECT_EQ(view.Container(View::kPaneLeft)->PreviewHeight(), row.previewHeight);
    EXPECT_EQ(glyphEdit->isVisible(), row.button == kIdcCatGlyph);
    EXPECT_TRUE(static_cast<CXAMUButton*>(view.Control(row.button))->isChecked());
    EXPECT_EQ(m_frame->CategoryPaneText(), QString::fromUtf8(row.pane));
  }
}

TEST_F(CGuiTest, CategorySwitchClearsPreviewsUntilTheNextFill) {
  CXAMUView& view = MakeView(SamplePath("Sample.xmb"));
  CStaticPreview* preview = view.Preview(View::kPaneLeft);
  ASSERT_FALSE(preview->Lines().isEmpty());
  // Without a path nothing refills the right pane after the switch.
  view.DataSet(View::kPaneLeft).m_path.clear();
  view.SwitchCategory(kCatAddress);
  EXPECT_TRUE(preview->Lines().isEmpty());
  EXPECT_TRUE(preview->Picture().isNull());
}

TEST_F(CGuiTest, GlyphPreviewShowsBothPatternsInThePicture) {
  CXAMUView& view = MakeView(SamplePath("Sample.xmb"));
  view.SwitchCategory(kCatGlyph);
  CStaticPreview* preview = view.Preview(View::kPaneLeft);
  const QImage& picture = preview->Picture();
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), QSize(144, 96));
  auto inkIn = [&picture](QRect r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += picture.pixelIndex(x, y);
    return n;
  };
  EXPECT_GT(inkIn(QRect(0, 64, 32, 32)), 0);   // the 16-dot pattern
  EXPECT_GT(inkIn(QRect(48, 0, 96, 96)), 0);   // the 48-dot pattern
  EXPECT_EQ(inkIn(QRect(0, 0, 48, 64)), 0);    // nothing else
  // The 16-dot "にこ" has its top-left corner clear and ink at (5, 0):
  // each dot becomes a 2 x 2 square at (0, 64).
  EXPECT_EQ(picture.pixelIndex(0, 64), 0);
  EXPECT_EQ(picture.pixelIndex(10, 64), 1);
  EXPECT_EQ(picture.pixelIndex(11, 65), 1);
  // An empty glyph slot has no picture.
  view.FillList(View::kPaneLeft, 10);
  EXPECT_TRUE(preview->Picture().isNull());
}

TEST_F(CGuiTest, FocusingAPaneMakesItActiveAndClearsTheOtherSelection) {
  CXAMUView& view = MakeView(SamplePath("Sample.xmb"));
  CXAMUListBox* left = view.List(View::kPaneLeft);
  CXAMUListBox* right = view.List(View::kPaneRight);
  left->item(0)->setSelected(true);
  left->item(1)->setSelected(true);
  EXPECT_EQ(view.ActivePane(), View::kPaneLeft);
  QTest::mouseClick(right->viewport(), Qt::LeftButton, {}, right->visualItemRect(right->item(3)).center());
  EXPECT_EQ(view.ActivePane(), View::kPaneRight);
  EXPECT_TRUE(left->selectedItems().isEmpty());
  EXPECT_TRUE(right->IsActive());
  EXPECT_FALSE(left->IsActive());
  EXPECT_TRUE(view.AddressField(View::kPaneRight)->IsActive());
  EXPECT_FALSE(view.AddressField(View::kPaneLeft)->IsActive());
  // The address field makes its pane active too.
  view.AddressField(View::kPaneLeft)->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(view.ActivePane(), View::kPaneLeft);
  EXPECT_FALSE(view.SetActivePane(View::kPaneLeft));
  EXPECT_TRUE(view.SetActivePane(View::kPaneRight));
}

TEST_F(CGuiTest, ActiveListAndFieldAreFramedInRed) {
  CXAMUView& view = MakeView();
  const QColor red(255, 0, 0);
  auto corner = [](QWidget* w) { return w->grab().toImage().pixelColor(0, w->height() / 2); };
  EXPECT_EQ(corner(view.List(View::kPaneLeft)), red);
  EXPECT_EQ(corner(view.AddressField(View::kPaneLeft)), red);
  EXPECT_NE(corner(view.List(View::kPaneRight)), red);
  EXPECT_NE(corner(view.AddressField(View::kPaneRight)), red);
  view.SetActivePane(View::kPaneRight);
  EXPECT_NE(corner(view.List(View::kPaneLeft)), red);
  EXPECT_EQ(corner(view.List(View::kPaneRight)), red);
  EXPECT_EQ(corner(view.AddressField(View::kPaneRight)), red);
}

TEST_F(CGuiTest, ResizeTableReproducesTheTemplateAtItsOwnSize) {
  // Each moved control's template rectangle, in dialog units.
  struct ROW {
    int id;
    int x, y, w, h;
  };
  const ROW rows[] = {
      {1076, 127, 38, 76, 12},  {1077, 271, 38, 76, 12},  {1061, 210, 53, 28, 30},
      {1062, 210, 89, 28, 30},  {1063, 210, 125, 28, 30}, {1032, 244, 11, 22, 23},
      {1031, 266, 11, 22, 23},  {1066, 99, 53, 104, 171}, {1067, 244, 53, 104, 171},
  };
  const int W = DialogToPixelX(kFormWidthDu), H = DialogToPixelY(kFormHeightDu);
  for (const ROW& row : rows) {
    SCOPED_TRACE(row.id);
    const LAYOUTROW* layout = nullptr;
    for (const LAYOUTROW& r : kLayoutTable)
      if (r.id == row.id) layout = &r;
    ASSERT_NE(layout, nullptr);
    const QRect got = LayoutRect(*layout, W, H);
    const QRect want = DialogRect(row.x, row.y, row.w, row.h);
    EXPECT_LE(std::abs(got.left() - want.left()), 2);
    EXPECT_LE(std::abs(got.top() - want.top()), 2);
    EXPECT_LE(std::abs(got.right() - want.right()), 2);
    EXPECT_LE(std::abs(got.bottom() - want.bottom()), 2);
  }
}

TEST_F(CGuiTest, ResizingMovesTheTableControlsAndNarrowWidthsMoveNothing) {
  CXAMUView& view = MakeView();
  view.LayoutForClientSize(900, 600);
  // (W*e + f)/2 and friends, worked out by hand for 900 x 600.
  EXPECT_EQ(view.Control(1077)->geometry(), QRect(606, 62, 870 - 606, 83 - 62));
  EXPECT_EQ(view.Control(1067)->geometry(), QRect(557, 86, 870 - 557, 571 - 86));
  EXPECT_EQ(view.Control(1066)->geometry(), QRect(173, 86, 485 - 173, 571 - 86));
  EXPECT_EQ(view.Control(1061)->geometry(), QRect(498, 86, 48, 48));
  // A control outside the table keeps its place.
  const QRect openLeft = view.Control(kIdcOpenLeft)->geometry();
  EXPECT_EQ(openLeft.topLeft(), DialogRect(99, 11, 22, 23).topLeft());
  const QRect before = view.Control(1077)->geometry();
  view.LayoutForClientSize(373, 600);
  EXPECT_EQ(view.Control(1077)->geometry(), before);
  view.LayoutForClientSize(374, 600);
  EXPECT_NE(view.Control(1077)->geometry(), before);
  // The containers place list and preview themselves.
  CStaticContainer* container = view.Container(View::kPaneRight);
  view.LayoutForClientSize(900, 600);
  EXPECT_EQ(view.List(View::kPaneRight)->geometry().top(), 0);
  EXPECT_EQ(view.Preview(View::kPaneRight)->geometry().bottom(), container->height() - 1);
  EXPECT_EQ(view.List(View::kPaneRight)->geometry().bottom() + 1, view.Preview(View::kPaneRight)->geometry().top());
}

TEST_F(CGuiTest, HoverLookAndStatusTextFollowTheMouse) {
  CXAMUView& view = MakeView();
  QSignalSpy status(&view, &CXAMUView::StatusText);
  auto* transfer = static_cast<CXAMUButton*>(view.Control(kIdcTransfer));
  auto* copy = static_cast<CXAMUButton*>(view.Control(kIdcCopy));
  view.UpdateHover(transfer->mapToGlobal(transfer->rect().center()));
  EXPECT_TRUE(transfer->IsHover());
  EXPECT_EQ(status.last().at(0).toString(), QStringLiteral("データを転送します。"));
  view.UpdateHover(copy->mapToGlobal(copy->rect().center()));
  EXPECT_FALSE(transfer->IsHover());
  EXPECT_TRUE(copy->IsHover());
  view.UpdateHover(view.mapToGlobal(QPoint(2, view.height() - 2)));
  EXPECT_FALSE(copy->IsHover());
  EXPECT_TRUE(status.last().at(0).toString().isEmpty());
  EXPECT_EQ(m_frame->MessageText(), QStringLiteral("ﾍﾙﾌﾟを表示するには [F1] を押してください。"));
  // The hidden 外字編集 button is never picked.
  auto* glyphEdit = static_cast<CXAMUButton*>(view.Control(kIdcGlyphEdit));
  view.UpdateHover(view.mapToGlobal(DialogRect(9, 154, 78, 30).center()));
  EXPECT_FALSE(glyphEdit->IsHover());
}

TEST_F(CGuiTest, MovingTheMouseOntoAButtonGivesItTheHoverLook) {
  CXAMUView& view = MakeView();
  auto* paste = static_cast<CXAMUButton*>(view.Control(kIdcPaste));
  QTest::mouseMove(paste, paste->rect().center());
  EXPECT_TRUE(QTest::qWaitFor([paste] { return paste->IsHover(); }, 1000));
  EXPECT_EQ(m_frame->MessageText(), QStringLiteral("コピーしたデータを貼り付けます。"));
  QTest::mouseMove(view.List(CXAMUView::kPaneLeft), QPoint(5, 5));
  EXPECT_TRUE(QTest::qWaitFor([paste] { return !paste->IsHover(); }, 1000));
}

TEST_F(CGuiTest, CheckedCategoryButtonStaysPressedWhileHovered) {
  CXAMUView& view = MakeView();
  auto* file = static_cast<CXAMUButton*>(view.Control(kIdcCatFile));
  auto* name = static_cast<CXAMUButton*>(view.Control(kIdcCatName));
  view.UpdateHover(file->mapToGlobal(file->rect().center()));
  EXPECT_TRUE(file->IsHover());
  EXPECT_EQ(file->ImageIndex(), 2);
  view.UpdateHover(name->mapToGlobal(name->rect().center()));
  EXPECT_EQ(name->ImageIndex(), 1);
  EXPECT_EQ(file->ImageIndex(), 2);
}

TEST_F(CGuiTest, EnterOnAFocusedFormButtonPressesIt) {
  CScriptedPrompt prompt;  // 転送 on empty panes answers with its message
  CXAMUView& view = MakeView();
  QWidget* name = view.Control(kIdcCatName);
  name->setFocus();
  QTest::keyClick(name, Qt::Key_Return);
  EXPECT_EQ(App().Category(), kCatName);
  QSignalSpy pressed(&view, &CXAMUView::ButtonPressed);
  QWidget* transfer = view.Control(kIdcTransfer);
  transfer->setFocus();
  QTest::keyClick(transfer, Qt::Key_Enter);
  ASSERT_EQ(pressed.count(), 1);
  EXPECT_EQ(pressed.first().at(0).toInt(), kIdcTransfer);
}

TEST_F(CGuiTest, SelectAllFromTheAddressFieldActsOnTheActiveList) {
  CXAMUView& view = MakeView(SamplePath("Sample.xmb"));
  CXAMUEdit* field = view.AddressField(View::kPaneLeft);
  field->setFocus();
  QApplication::processEvents();
  // Ctrl+A reaches the accelerator, not the field.
  QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(view.List(View::kPaneLeft)->selectedItems().size(), 100);
  EXPECT_TRUE(field->selectedText().isEmpty());
}

TEST_F(CGuiTest, SelectAllDoesNothingForAPaneWithoutEntries) {
  CXAMUView& view = MakeView(SamplePath("Sample.xmb"));
  view.SetActivePane(View::kPaneRight);
  EXPECT_FALSE(m_frame->IsCommandEnabled(kCmdSelectAll));
  view.OnCommand(kCmdSelectAll);
  EXPECT_TRUE(view.List(View::kPaneRight)->selectedItems().isEmpty());
  view.SetActivePane(View::kPaneLeft);
  EXPECT_TRUE(m_frame->IsCommandEnabled(kCmdSelectAll));
}

TEST_F(CGuiTest, CommandStatesFollowThePaneAndSelection) {
  MakeView(SamplePath("Sample.xmb"));
  m_frame->UpdateCommandStates();
  // Left pane active with a file, nothing selected, file data, no device.
  for (int id : {kCmdDelete, kCmdCopy, kCmdCut, kCmdRefresh, kCmdOpenPrinter, kCmdReadAddress, kCmdSaveName})
    EXPECT_FALSE(m_frame->Action(id)->isEnabled()) << id;
  for (int id : {kCmdSave, kCmdSaveAs, kCmdTransferAll, kCmdNew, kCmdOpenFile, kCmdAbout, kCmdSelectAll,
                 kCmdDataSelect})
    EXPECT_TRUE(m_frame->Action(id)->isEnabled()) << id;
}

TEST_F(CGuiTest, DataSelectCommandFocusesTheCurrentCategoryButton) {
  CXAMUView& view = MakeView();
  view.SwitchCategory(kCatAddress);
  m_frame->activateWindow();
  m_frame->OnCommand(kCmdDataSelect);
  EXPECT_EQ(m_frame->focusWidget(), view.Control(kIdcCatAddress));
}

TEST_F(CGuiTest, EveryControlHasAnAccessibleNameAndTheButtonsWorkThroughIt) {
  CXAMUView& view = MakeView();
  const struct {
    int id;
    const char* name;
  } rows[] = {
      {kIdcLeftList, "左リスト"},          {kIdcRightList, "右リスト"},
      {kIdcLeftAddress, "左アドレス"},     {kIdcRightAddress, "右アドレス"},
      {kIdcLeftPreview, "左プレビュー"},   {kIdcRightPreview, "右プレビュー"},
      {kIdcTransfer, "転送"},              {kIdcCatGlyph, "外字"},
      {kIdcOpenDevice, "本体"},            {kIdcGlyphEdit, "外字編集"},
  };
  for (const auto& row : rows) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(view.Control(row.id));
    ASSERT_NE(a, nullptr) << row.name;
    EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(row.name));
  }
  QAccessibleInterface* transfer = QAccessible::queryAccessibleInterface(view.Control(kIdcTransfer));
  EXPECT_EQ(transfer->text(QAccessible::Description), QStringLiteral("転送"));
  // A screen reader presses 外字 through its action interface.
  QAccessibleInterface* glyph = QAccessible::queryAccessibleInterface(view.Control(kIdcCatGlyph));
  ASSERT_NE(glyph->actionInterface(), nullptr);
  glyph->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  // The press is animated: the click comes a moment later.
  EXPECT_TRUE(QTest::qWaitFor([] { return App().Category() == kCatGlyph; }, 2000));
  EXPECT_TRUE(view.Control(kIdcGlyphEdit)->isVisible());
}

TEST_F(CGuiTest, EveryAccessibleActionOfACategoryButtonDoesWhatAClickDoes) {
  CXAMUView& view = MakeView(SamplePath("Sample.xmb"));
  const struct {
    int button;
    int slotCount;
    const char* pane;
  } rows[] = {
      {kIdcCatAddress, 100, "あて名ﾃﾞｰﾀ"},
      {kIdcCatName, 40, "名前ﾃﾞｰﾀ"},
      {kIdcCatGlyph, 20, "外字ﾃﾞｰﾀ"},
      {kIdcCatFile, 100, "ﾌｧｲﾙﾃﾞｰﾀ"},
  };
  // A screen reader uses press, an on-screen keyboard may use toggle.
  for (const QString& action : {QAccessibleActionInterface::pressAction(), QAccessibleActionInterface::toggleAction()}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(action.toStdString() + " " + row.pane);
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(view.Control(row.button));
      ASSERT_NE(a, nullptr);
      ASSERT_NE(a->actionInterface(), nullptr);
      EXPECT_TRUE(a->actionInterface()->actionNames().contains(action));
      a->actionInterface()->doAction(action);
      ASSERT_TRUE(QTest::qWaitFor([&] { return App().Category() == row.button - kIdcCatFile; }, 2000));
      EXPECT_TRUE(a->state().checked);
      EXPECT_EQ(view.List(View::kPaneLeft)->count(), row.slotCount);
      // The lines are the new category's: mark, "01 ", label.
      EXPECT_EQ(view.List(View::kPaneLeft)->item(0)->text().mid(4),
                Label(view.DataSet(View::kPaneLeft), App().Category(), 0));
      EXPECT_EQ(view.Control(kIdcGlyphEdit)->isVisible(), row.button == kIdcCatGlyph);
      EXPECT_EQ(m_frame->CategoryPaneText(), QString::fromUtf8(row.pane));
      // The other category buttons are released.
      for (int other = kIdcCatFile; other <= kIdcCatGlyph; ++other) {
        if (other == row.button) continue;
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(view.Control(other))->state().checked) << other;
      }
    }
  }
}

TEST_F(CGuiTest, AnAccessiblePressOnTheCurrentCategoryRefillsItsListsAsAClickDoes) {
  CXAMUView& view = MakeView(SamplePath("Sample.xmb"));
  CXAMUListBox* left = view.List(View::kPaneLeft);
  left->setCurrentRow(30);
  QAccessibleInterface* file = QAccessible::queryAccessibleInterface(view.Control(kIdcCatFile));
  ASSERT_TRUE(file->state().checked);
  file->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  // Refilled at slot 0 and still the current category, checked.
  EXPECT_TRUE(QTest::qWaitFor([&] { return left->CaretIndex() == 0; }, 2000));
  EXPECT_EQ(App().Category(), kCatFile);
  EXPECT_TRUE(file->state().checked);
}

TEST_F(CGuiTest, AddressFieldsShowTheEndOfALongPathAndAllOfItAsToolTip) {
  CXAMUView& view = MakeView();
  auto* field = static_cast<CXAMUEdit*>(view.Control(kIdcLeftAddress));
  // The text positions at the field's inner left and right edges.
  const auto shown = [field] {
    field->repaint();  // the field settles its scrolling when painting
    const int middle = field->height() / 2;
    return std::pair{field->cursorPositionAt(QPoint(CXAMUEdit::kActiveFrameWidth + 2, middle)),
                     field->cursorPositionAt(QPoint(field->width() - CXAMUEdit::kActiveFrameWidth - 2, middle))};
  };
  const QString first = QStringLiteral("/home/user/ドキュメント/XAMU/DATA/取引先とその担当者/2026年度/住所録.xmb");
  const QString second = QStringLiteral("/home/user/ドキュメント/XAMU/DATA/取引先とその担当者/2027年度/名簿の控え.xmb");
  for (const QString& path : {first, second}) {
    SCOPED_TRACE(path.toStdString());
    view.DataSet(View::kPaneLeft).m_path = path.toStdString();
    view.UpdateAddressFields();
    const auto [left, right] = shown();
    EXPECT_EQ(right, path.size());
    EXPECT_GT(left, 0);
    EXPECT_LE(left, path.lastIndexOf(u'/') + 1);  // the whole file name is in view
    EXPECT_EQ(field->text(), path);
    EXPECT_EQ(field->toolTip(), path);
  }
  // Still the end after the window got narrower.
  m_frame->resize(m_frame->width() - 120, m_frame->height());
  EXPECT_EQ(shown().second, second.size());
  // A path that fits is shown whole.
  view.DataSet(View::kPaneLeft).m_path = "/tmp/a.xmb";
  view.UpdateAddressFields();
  EXPECT_EQ(shown().first, 0);
}
