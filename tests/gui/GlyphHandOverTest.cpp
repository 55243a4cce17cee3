// The view's 外字編集 flow: the editor opened on the caret glyph slot, its
// result stored into the pane's file or written to the emulated printer, and
// the editor's own save answered from the save's result.
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "GuiFixture.h"
#include "ScriptedPrompt.h"
#include "guikit/CommandIds.h"
#include "device/AppConfig.h"
#include "glyph/GlyphCodec.h"
#include "glyphedit/GlyphDialog.h"
#include "glyphedit/ReadingDialogs.h"
#include "model/Category.h"
#include "model/Cp932.h"
#include "model/FileResult.h"
#include "view/ViewGlyphHandOver.h"
#include "view/XAMUButton.h"
#include "view/XAMUListBox.h"

namespace {

const char kMsgNoGlyphData[] = "編集可能な外字データがありません。";

// A runner that records how the editor was opened and then does `drive`.
class CRunner {
 public:
  explicit CRunner(std::function<int(CGlyphDialog&)> drive) : m_drive(std::move(drive)) {
    m_previous = SetGlyphDialogRunner([this](CGlyphDialog& d) {
      ++runs;
      d.Initialize();
      saveEnabled = d.IsCommandEnabled(kGlyphCmdSave);
      reading = d.Reading();
      return m_drive(d);
    });
  }
  ~CRunner() { SetGlyphDialogRunner(m_previous); }
  int runs = 0;
  bool saveEnabled = false;
  std::string reading;

 private:
  std::function<int(CGlyphDialog&)> m_drive;
  GlyphDialogRunner m_previous;
};

// Inverts the first listed size, then walks to the end and enters `text`.
int EditAndFinish(CGlyphDialog& d, const QString& text) {
  d.OnCommand(kGlyphCmdInvert);
  for (int guard = 0; guard < 8 && d.result() != QDialog::Accepted; ++guard) {
    if (d.List()->CurrentIndex() == d.List()->Count() - 1) {
      QTimer::singleShot(0, [text] {
        auto* r = qobject_cast<CInputHiraDialog*>(QApplication::activeModalWidget());
        if (!r) return;
        r->Edit()->setText(text);
        r->accept();
        if (r->isVisible()) r->reject();  // refused: never hang the test
      });
    }
    d.OnNext();
  }
  return d.result();
}

DATAENTRY GlyphEntry(const std::string& reading) {
  GLYPHSET set = MakeGlyphSet();
  set[0].SetPixel(3, 3);
  std::vector<uint8_t> content;
  EXPECT_EQ(BuildGlyphContent(reading, set, content), kGlyphContentOk);
  DATAENTRY e;
  e.used = 1;
  e.size = static_cast<uint32_t>(content.size());
  e.content = AllocContent(content.size());
  std::copy(content.begin(), content.end(), e.content.get());
  return e;
}

class GlyphHandOverTest : public CGuiTest {
 protected:
  CXAMUView& GlyphView() {
    CXAMUView& view = MakeView();
    view.SwitchCategory(kCatGlyph);
    return view;
  }
  void Press(CXAMUView& view) { emit view.ButtonPressed(kIdcGlyphEdit); }
  static GLYPHSET Loaded(const DATAENTRY* e) {
    GLYPHSET set = MakeGlyphSet();
    if (e) LoadGlyphSet(e->Bytes(), set);
    return set;
  }
  CScriptedPrompt prompt;
};

}  // namespace

TEST_F(GlyphHandOverTest, EditedGlyphGoesIntoTheCaretSlotOfTheFile) {
  CXAMUView& view = GlyphView();
  CDataSet& left = view.DataSet(CXAMUView::kPaneLeft);
  const DATAENTRY title = GlyphEntry("\x82\xa9\x82\xc8");  // かな
  ASSERT_TRUE(left.SetEntry(kSecGlyph, 4, 0, title.Bytes()));
  view.FillList(CXAMUView::kPaneLeft, 0);
  view.List(CXAMUView::kPaneLeft)->SetCaretIndex(4);
  prompt.answers = {0};  // はい to the reading
  CRunner runner([](CGlyphDialog& d) { return EditAndFinish(d, QStringLiteral("かみ")); });
  Press(view);
  ASSERT_EQ(runner.runs, 1);
  EXPECT_TRUE(runner.saveEnabled);
  EXPECT_EQ(runner.reading, "\x82\xa9\x82\xc8");  // from the slot's title bytes
  EXPECT_EQ(left.m_modified, 1);
  const GLYPHSET stored = Loaded(left.Entry(kSecGlyph, 4));
  EXPECT_FALSE(stored[0].GetPixel(3, 3));  // inverted
  EXPECT_TRUE(stored[0].GetPixel(0, 0));
  EXPECT_EQ(GetTitleText(*left.Entry(kSecGlyph, 4)), Utf8ToCp932("かみ"));
  EXPECT_EQ(view.List(CXAMUView::kPaneLeft)->CaretIndex(), 4);
}

TEST_F(GlyphHandOverTest, NoCaretLineOpensTheFirstSlotAndNoChangeStoresNothing) {
  CXAMUView& view = GlyphView();
  CDataSet& left = view.DataSet(CXAMUView::kPaneLeft);
  view.List(CXAMUView::kPaneLeft)->SetCaretIndex(-1);
  CRunner runner([](CGlyphDialog& d) { return EditAndFinish(d, QString()); });
  prompt.answers = {0};
  Press(view);
  ASSERT_EQ(runner.runs, 1);
  EXPECT_EQ(left.IsUsed(kSecGlyph, 0), 1);
  EXPECT_EQ(left.IsUsed(kSecGlyph, 1), 0);

  // Closed without a change: the slot keeps what it had.
  left.m_modified = 0;
  CRunner looking([](CGlyphDialog& d) {
    d.close();
    return d.result();
  });
  const std::vector<uint8_t> before(left.Entry(kSecGlyph, 0)->Bytes().begin(), left.Entry(kSecGlyph, 0)->Bytes().end());
  Press(view);
  EXPECT_EQ(left.m_modified, 0);
  EXPECT_EQ(std::vector<uint8_t>(left.Entry(kSecGlyph, 0)->Bytes().begin(), left.Entry(kSecGlyph, 0)->Bytes().end()),
            before);
}

TEST_F(GlyphHandOverTest, APaneWithoutAFileOpensNothing) {
  CXAMUView& view = GlyphView();
  view.DataSet(CXAMUView::kPaneRight).m_path.clear();
  view.SetActivePane(CXAMUView::kPaneRight);
  ASSERT_TRUE(view.PanePath(CXAMUView::kPaneRight).isEmpty());
  CRunner runner([](CGlyphDialog& d) { return d.result(); });
  Press(view);
  EXPECT_EQ(runner.runs, 0);
  ASSERT_EQ(prompt.messages.size(), 1);
  EXPECT_EQ(prompt.messages[0], QString::fromUtf8(kMsgNoGlyphData));
}

TEST_F(GlyphHandOverTest, EditorSaveIntoAnUntitledFileCancelledLeavesTheSlot) {
  CXAMUView& view = GlyphView();
  CDataSet& left = view.DataSet(CXAMUView::kPaneLeft);
  ASSERT_EQ(left.m_untitled, 1);
  view.List(CXAMUView::kPaneLeft)->SetCaretIndex(2);
  int saveAnswerFlags = -1;
  CRunner runner([&](CGlyphDialog& d) {
    d.OnCommand(kGlyphCmdInvert);
    d.OnCommand(kGlyphCmdSave);  // the save-as dialog is cancelled (no file scripted)
    saveAnswerFlags = d.HasChanges() ? 1 : 0;
    d.close();  // the close question: OK
    return d.result();
  });
  prompt.answers = {};
  Press(view);
  ASSERT_EQ(runner.runs, 1);
  EXPECT_EQ(saveAnswerFlags, 1);  // not saved: the editor keeps its changes
  EXPECT_EQ(left.IsUsed(kSecGlyph, 2), 0);
  EXPECT_EQ(left.m_untitled, 1);

  const DATAENTRY e = GlyphEntry("");
  const int answer = SaveGlyphFromEditor(view, CXAMUView::kPaneLeft, 2, e);
  EXPECT_EQ(answer & 0xFFFF, 1);  // still untitled
  EXPECT_EQ(left.IsUsed(kSecGlyph, 2), 0);
}

TEST_F(GlyphHandOverTest, EditorSaveWritesTheFileAndAnswersZero) {
  CXAMUView& view = GlyphView();
  CDataSet& left = view.DataSet(CXAMUView::kPaneLeft);
  const std::string path = std::string(std::getenv("XAMU_DATA_HOME")) + "/glyphsave.xmb";
  std::filesystem::create_directories(std::getenv("XAMU_DATA_HOME"));
  std::filesystem::remove(path);
  prompt.files = {QString::fromStdString(path)};
  const DATAENTRY e = GlyphEntry("\x82\xa9");
  EXPECT_EQ(SaveGlyphFromEditor(view, CXAMUView::kPaneLeft, 7, e), 0);
  EXPECT_EQ(left.m_untitled, 0);
  EXPECT_EQ(left.m_modified, 0);
  CDataSet reread;
  ASSERT_EQ(reread.LoadDataFile(path), kFileOk);
  ASSERT_EQ(reread.IsUsed(kSecGlyph, 7), 1);
  EXPECT_TRUE(Loaded(reread.Entry(kSecGlyph, 7))[0].GetPixel(3, 3));
}

TEST_F(GlyphHandOverTest, DeviceGlyphIsWrittenToThePrinterAndReadBack) {
  const std::string sim = std::getenv("XAMU_SIM_DIR");
  const std::string ini =
      "[QUILP PRO QP700]\ndriver=KORVANTE QUILP PRO QP700\nprivate=KORVANTE QUILP SERIES DRIVER\njobs=0\n"
      "connected=1\nstatus=2\ncapacity=262144\n";
  CTestEnv::WriteBytes(sim + "/spooler.ini", std::vector<uint8_t>(ini.begin(), ini.end()));
  if (!App().Config().Init() || App().Config().CheckPrinters() != kScanOk)
    GTEST_SKIP() << "the emulated printer is not available in this build";
  CXAMUView& view = GlyphView();
  view.SetDeviceMode(true);
  view.SetActivePane(CXAMUView::kPaneRight);
  ASSERT_FALSE(view.PanePath(CXAMUView::kPaneRight).isEmpty());
  CDataSet& right = view.DataSet(CXAMUView::kPaneRight);
  right.m_path.clear();
  view.List(CXAMUView::kPaneRight)->SetCaretIndex(3);
  prompt.answers = {0, kAnswerYes};  // はい to the reading, yes to a size question if one comes
  CRunner runner([](CGlyphDialog& d) { return EditAndFinish(d, QStringLiteral("ひ")); });
  Press(view);
  ASSERT_EQ(runner.runs, 1);
  EXPECT_FALSE(runner.saveEnabled);  // an entry from the printer cannot be saved to a file
  // Read back from the printer: the slot holds what the printer stored.
  ASSERT_EQ(right.IsUsed(kSecGlyph, 3), 1);
  EXPECT_EQ(GetTitleText(*right.Entry(kSecGlyph, 3)), Utf8ToCp932("ひ"));
  CDataSet memory;
  ASSERT_EQ(memory.LoadDataFile(sim + "/QUILP PRO QP700.xmb"), kFileOk);
  ASSERT_EQ(memory.IsUsed(kSecGlyph, 3), 1);
  EXPECT_EQ(GetTitleText(*memory.Entry(kSecGlyph, 3)), Utf8ToCp932("ひ"));
  view.SetDeviceMode(false);
  // Later tests start without a printer again.
  std::filesystem::remove(sim + "/spooler.ini");
  App().Config().SetPrinterName(std::string());
}

TEST_F(GlyphHandOverTest, AFailedPrinterWriteIsReported) {
  const std::string sim = std::getenv("XAMU_SIM_DIR");
  // The printer's cutter is open: the link is refused.
  const std::string ini =
      "[QUILP PRO QP700]\ndriver=KORVANTE QUILP PRO QP700\nprivate=KORVANTE QUILP SERIES DRIVER\njobs=0\n"
      "connected=1\nstatus=16\ncapacity=262144\n";
  CTestEnv::WriteBytes(sim + "/spooler.ini", std::vector<uint8_t>(ini.begin(), ini.end()));
  if (!App().Config().Init() || App().Config().CheckPrinters() != kScanOk)
    GTEST_SKIP() << "the emulated printer is not available in this build";
  CXAMUView& view = GlyphView();
  view.SetDeviceMode(true);
  view.SetActivePane(CXAMUView::kPaneRight);
  prompt.answers = {0, kAnswerYes};
  CRunner runner([](CGlyphDialog& d) { return EditAndFinish(d, QStringLiteral("ひ")); });
  Press(view);
  ASSERT_EQ(runner.runs, 1);
  // The reading's confirmation, then the device's message.
  ASSERT_GE(prompt.messages.size(), 2);
  EXPECT_TRUE(prompt.messages[0].startsWith(QStringLiteral("読み : ")));
  EXPECT_FALSE(prompt.messages.last().isEmpty());
  EXPECT_FALSE(prompt.messages.last().startsWith(QStringLiteral("読み : ")));
  CDataSet memory;
  EXPECT_TRUE(memory.LoadDataFile(sim + "/QUILP PRO QP700.xmb") != kFileOk || memory.IsUsed(kSecGlyph, 0) == 0);
  view.SetDeviceMode(false);
  std::filesystem::remove(sim + "/spooler.ini");
  App().Config().SetPrinterName(std::string());
}

TEST_F(GlyphHandOverTest, F1OpensTheEditorsTopicOfTheManual) {
  CXAMUView& view = GlyphView();
  CRunner runner([](CGlyphDialog& d) {
    d.ShowHelp();
    return d.result();
  });
  Press(view);
  ASSERT_EQ(runner.runs, 1);
  const QString path = QString::fromStdString(App().Config().HelpFilePath());
  if (!std::filesystem::exists(path.toStdString())) {
    ASSERT_EQ(prompt.messages.size(), 1);  // the missing manual is reported
    return;
  }
  ASSERT_EQ(prompt.urls.size(), 1);
  EXPECT_EQ(prompt.urls[0].fragment(), QStringLiteral("topic-131203"));
}
