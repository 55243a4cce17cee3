// The custom controls on their own: preview scrolling and pictures, the
// container's layout, picture buttons, the bitmap reader, tool tip cutting.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <cmath>
#include <vector>

#include "app/DibSup.h"
#include "guikit/Strings.h"
#include "app/XAMUApp.h"
#include "model/Cp932.h"
#include "view/StaticContainer.h"
#include "view/StaticPreview.h"
#include "view/XAMUButton.h"
#include "view/XAMUListBox.h"

namespace {

// A form with one container, as the view nests them.
struct PREVIEWFORM {
  QWidget form;
  CXAMUListBox* list = new CXAMUListBox(&form);
  CStaticPreview* preview = new CStaticPreview(&form);
  CStaticContainer* container = new CStaticContainer(list, preview, &form);
  PREVIEWFORM() {
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(12);
    form.setFont(font);
    form.resize(400, 400);
    container->setGeometry(10, 10, 180, 300);
  }
};

QImage Pattern(int side, const std::vector<QPoint>& ink) {
  QImage image(side, side, QImage::Format_Mono);
  image.fill(0);
  for (const QPoint& p : ink) image.setPixel(p, 1);
  return image;
}

// WCAG contrast ratio of two colours (1 to 21).
double Contrast(const QColor& a, const QColor& b) {
  const auto luminance = [](const QColor& c) {
    const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Whether the colours differ by at most 8 in every channel: text strokes
// thinner than a pixel never quite reach their colour.
bool Near(const QColor& a, const QColor& b) {
  return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 && std::abs(a.blue() - b.blue()) <= 8;
}

// The colour inside `rect` of `shot` that stands out most from `background`
// (the text's own colour where a stroke covers whole pixels).
QColor StrongestInk(const QImage& shot, const QRect& rect, const QColor& background) {
  QColor best = background;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      if (Contrast(c, background) > Contrast(best, background)) best = c;
    }
  return best;
}

}  // namespace

TEST(StaticPreview, PictureStretchesSmallAndLargePatternsIntoTheirSquares) {
  PREVIEWFORM f;
  const QImage small = Pattern(16, {{15, 15}});
  const QImage large = Pattern(48, {{0, 0}, {47, 47}});
  const int width = f.preview->SetContent({QStringLiteral("読み　:にこ")}, &small, &large);
  EXPECT_EQ(width, 144);
  const QImage& picture = f.preview->Picture();
  ASSERT_EQ(picture.size(), QSize(144, 96));
  // 16 -> 32: the last dot covers the 2 x 2 corner of the small square.
  EXPECT_EQ(picture.pixelIndex(30, 94), 1);
  EXPECT_EQ(picture.pixelIndex(31, 95), 1);
  EXPECT_EQ(picture.pixelIndex(29, 93), 0);
  // 48 -> 96: the corners of the large square.
  EXPECT_EQ(picture.pixelIndex(48, 0), 1);
  EXPECT_EQ(picture.pixelIndex(49, 1), 1);
  EXPECT_EQ(picture.pixelIndex(143, 95), 1);
  EXPECT_EQ(picture.pixelIndex(47, 0), 0);
}

TEST(StaticPreview, OnlyTheLargePatternWhenThereIsNoSmallOne) {
  PREVIEWFORM f;
  const QImage large = Pattern(48, {{0, 47}});
  EXPECT_EQ(f.preview->SetContent({}, nullptr, &large), 144);
  const QImage& picture = f.preview->Picture();
  int smallInk = 0;
  for (int y = 64; y < 96; ++y)
    for (int x = 0; x < 32; ++x) smallInk += picture.pixelIndex(x, y);
  EXPECT_EQ(smallInk, 0);
  EXPECT_EQ(picture.pixelIndex(48, 95), 1);
  // No pattern at all: no picture, and the width is the text's.
  EXPECT_EQ(f.preview->SetContent({QStringLiteral("abc")}, nullptr, nullptr),
            QFontMetrics(f.form.font()).horizontalAdvance(QStringLiteral("abc")));
  EXPECT_TRUE(f.preview->Picture().isNull());
}

TEST(StaticPreview, ScrollPositionStaysBetweenZeroAndMaximumMinusPage) {
  PREVIEWFORM f;
  f.form.show();
  const QString wide(60, QChar(u'あ'));
  f.container->ShowContent({wide}, nullptr, nullptr);
  const QFontMetrics metrics(f.form.font());
  EXPECT_EQ(f.preview->ScrollMax(), metrics.horizontalAdvance(wide) + metrics.horizontalAdvance(QStringLiteral("@@")) + 2);
  EXPECT_EQ(f.preview->ScrollPage(), f.preview->width());
  EXPECT_EQ(f.preview->ScrollPos(), 0);
  const struct {
    int request;
    int expected;
  } rows[] = {
      {-10, 0},
      {25, 25},
      {1000000, f.preview->ScrollMax() - f.preview->ScrollPage()},
  };
  for (const auto& row : rows) {
    f.preview->ScrollTo(row.request);
    EXPECT_EQ(f.preview->ScrollPos(), row.expected) << row.request;
    EXPECT_EQ(f.preview->ScrollBar()->value(), row.expected);
  }
  // The scroll bar drives the same position.
  f.preview->ScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(f.preview->ScrollPos(), 0);
  // Content narrower than the preview cannot scroll at all.
  f.container->ShowContent({QStringLiteral("x")}, nullptr, nullptr);
  f.preview->ScrollTo(50);
  EXPECT_EQ(f.preview->ScrollPos(), 0);
  f.preview->Clear();
  EXPECT_EQ(f.preview->ScrollMax(), 2);
  EXPECT_TRUE(f.preview->Lines().isEmpty());
}

TEST(StaticPreview, TextIsDrawnAndGlyphInkIsBlack) {
  PREVIEWFORM f;
  f.form.show();
  const QImage large = Pattern(48, {{0, 0}});
  f.container->SetPreviewHeight(f.preview->LineHeight() + 96);
  f.container->ShowContent({QStringLiteral("外字")}, nullptr, &large);
  const QImage shot = f.preview->grab().toImage();
  const int line = f.preview->LineHeight();
  // Dot (0, 0) of the 48-dot pattern is the 2 x 2 square at (48, line).
  EXPECT_EQ(shot.pixelColor(48, line), QColor(Qt::black));
  EXPECT_EQ(shot.pixelColor(49, line + 1), QColor(Qt::black));
  EXPECT_NE(shot.pixelColor(52, line + 4), QColor(Qt::black));
  int dark = 0;
  for (int y = 1; y < line; ++y)
    for (int x = 1; x < 30; ++x) dark += qGray(shot.pixel(x, y)) < 100;
  EXPECT_GT(dark, 10);  // the text of the first line
}

TEST(StaticContainer, PreviewKeepsItsBandAtTheBottomAndTheContainerGrowsWhenTooLow) {
  PREVIEWFORM f;
  f.form.show();
  const int s = f.preview->ScrollHeight();
  f.container->SetPreviewHeight(100);
  EXPECT_EQ(f.preview->height(), 100 + s + 2);
  EXPECT_EQ(f.preview->geometry().bottom(), f.container->height() - 1);
  EXPECT_EQ(f.list->height(), 300 - (100 + s + 2));
  EXPECT_EQ(f.container->minimumHeight(), 100 + 2 * s + 8);
  // Too low for a 290-pixel preview (300 < s + 290 + s + 2 + 6): it grows
  // downwards, its top stays.
  f.container->SetPreviewHeight(290);
  EXPECT_EQ(f.container->geometry().top(), 10);
  EXPECT_EQ(f.container->height(), s + (290 + s + 2) + 6);
  EXPECT_EQ(f.list->height(), s + 6);
  // A resize keeps the preview's height; the list takes the change.
  f.container->resize(180, 500);
  EXPECT_EQ(f.preview->height(), 290 + s + 2);
  EXPECT_EQ(f.list->height(), 500 - (290 + s + 2));
}

TEST(XAMUButton, PicturesKeepTheirSizeAndTheMaskColourIsTransparent) {
  InitXamuResources();
  QWidget form;
  form.setAutoFillBackground(true);
  QPalette pal = form.palette();
  pal.setColor(QPalette::Window, QColor(0, 255, 0));
  form.setPalette(pal);
  CXAMUButton button(1061, QStringLiteral("転送"), &form);
  ASSERT_TRUE(button.LoadImages(204, 205, 206, false));
  EXPECT_EQ(button.ImageSize(), QSize(48, 48));
  button.resize(button.ImageSize());
  form.resize(100, 100);
  form.show();
  // The corner of the picture is mask colour: the form shows through.
  const QImage shot = form.grab(button.geometry()).toImage();
  EXPECT_EQ(shot.pixelColor(0, 0), QColor(0, 255, 0));
  EXPECT_NE(shot.pixelColor(24, 24), QColor(0, 255, 0));
  // Three different pictures for the three states.
  const QImage normal = button.grab().toImage();
  button.SetHover(true);
  const QImage hover = button.grab().toImage();
  button.setDown(true);
  EXPECT_EQ(button.ImageIndex(), 2);
  const QImage pressed = button.grab().toImage();
  EXPECT_NE(normal, hover);
  EXPECT_NE(hover, pressed);
}

TEST(XAMUButton, MissingPicturesLeaveAnUndrawnButton) {
  InitXamuResources();
  CXAMUButton button(1061, QStringLiteral("転送"), nullptr);
  EXPECT_FALSE(button.LoadImages(204, 205, 9999, false));
  EXPECT_FALSE(button.HasImages());
  // It still works as a button.
  bool clicked = false;
  QObject::connect(&button, &QAbstractButton::clicked, [&clicked] { clicked = true; });
  button.click();
  EXPECT_TRUE(clicked);
}

TEST(Strings, ToolTipsAreCutTo80Cp932BytesOnACharacterBoundary) {
  // 41 double-byte characters are 82 bytes: 40 stay.
  const QString long41(41, QChar(u'あ'));
  EXPECT_EQ(CutToCp932Bytes(long41, 80), QString(40, QChar(u'あ')));
  // An odd boundary never splits a character: "a" + 40 x あ is 81 bytes.
  const QString odd = QStringLiteral("a") + QString(40, QChar(u'あ'));
  EXPECT_EQ(CutToCp932Bytes(odd, 80), QStringLiteral("a") + QString(39, QChar(u'あ')));
  // Half-width katakana are single bytes.
  const QString kana(80, QChar(u'ｱ'));
  EXPECT_EQ(CutToCp932Bytes(kana, 80), kana);
  EXPECT_EQ(TipText(1029), QStringLiteral("開く"));
  EXPECT_EQ(StatusText(1031), QStringLiteral("「クイルプ」PRO本体のファイルを開きます。"));
}

namespace {

// A packed bitmap: 40-byte header, colour table, rows bottom first.
std::vector<uint8_t> Dib(int width, int height, int bits, const std::vector<uint32_t>& colours,
                         const std::vector<uint8_t>& rows, uint32_t headerSize = 40) {
  std::vector<uint8_t> b(40, 0);
  auto put32 = [&b](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
  };
  put32(0, headerSize);
  put32(4, uint32_t(width));
  put32(8, uint32_t(height));
  b[12] = 1;
  b[14] = uint8_t(bits);
  for (uint32_t c : colours)
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(c >> (8 * i)));
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

}  // namespace

TEST(DibSup, ReadsRowsBottomFirstThroughTheColourTable) {
  // 2 x 2, 1 bit: bottom row "10", top row "01"; rows padded to 4 bytes.
  const auto dib = Dib(2, 2, 1, {0x00000000, 0x00FF0000}, {0x80, 0, 0, 0, 0x40, 0, 0, 0});
  CDibSup sup;
  ASSERT_EQ(sup.Attach(dib.data(), dib.size(), true), 1);
  EXPECT_EQ(sup.ColourCount(), 2);
  EXPECT_EQ(sup.ImageSize(), 8u);
  EXPECT_EQ(sup.Image().pixel(0, 1), qRgb(255, 0, 0));  // bottom-left
  EXPECT_EQ(sup.Image().pixel(1, 1), qRgb(0, 0, 0));
  EXPECT_EQ(sup.Image().pixel(1, 0), qRgb(255, 0, 0));  // top-right
  // A negative height stores the top row first.
  auto topDown = Dib(2, 2, 1, {0x00000000, 0x00FF0000}, {0x80, 0, 0, 0, 0x40, 0, 0, 0});
  for (int i = 0; i < 4; ++i) topDown[8 + i] = 0xFF;
  topDown[8] = 0xFE;  // -2
  ASSERT_EQ(sup.Attach(topDown.data(), topDown.size(), true), 1);
  EXPECT_EQ(sup.Image().pixel(0, 0), qRgb(255, 0, 0));
}

TEST(DibSup, RefusesHeadersAndSizesThatDoNotFit) {
  const std::vector<uint8_t> rows24(12, 0x7F);  // 2 x 2 at 24 bits: 8 bytes a row, padded
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
  } rows[] = {
      {"header of 12 bytes", Dib(2, 2, 24, {}, rows24, 12)},
      {"rows missing", Dib(2, 2, 24, {}, std::vector<uint8_t>(15, 0))},
      {"colour table cut", Dib(2, 2, 8, {0, 0, 0}, {})},
      {"16 bits per pixel", Dib(2, 2, 16, {}, rows24)},
      {"zero width", Dib(0, 2, 24, {}, rows24)},
      {"shorter than a header", std::vector<uint8_t>(20, 0)},
  };
  for (const auto& row : rows) {
    CDibSup sup;
    EXPECT_EQ(sup.Attach(row.bytes.data(), row.bytes.size(), true), 0) << row.name;
    EXPECT_FALSE(sup.IsAttached()) << row.name;
  }
  CDibSup ok;
  const auto good = Dib(2, 2, 24, {}, std::vector<uint8_t>(16, 0x7F));
  EXPECT_EQ(ok.Attach(good.data(), good.size(), false), 1);
}

TEST(DibSup, TheSplashPictureIsAReadableBitmap) {
  InitXamuResources();
  QFile file(QStringLiteral(":/xamu/splash.bmp"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  CDibSup sup;
  ASSERT_EQ(sup.AttachFile(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())), 1);
  EXPECT_GT(sup.Width(), 200);
  EXPECT_GT(sup.Height(), 100);
}

TEST(XAMUListBox, ASelectedGreyLineStaysReadableOnTheSelection) {
  QWidget form;
  QFont font(QStringLiteral("IPAGothic"));
  font.setPixelSize(12);
  form.setFont(font);
  auto* list = new CXAMUListBox(&form);
  list->setGeometry(0, 0, 200, 150);
  // Empty slots and an occupied one, as the view fills them.
  const struct {
    const char* text;
    int data;
  } lines[] = {{" 01 ", 0}, {"*02 会議室", 1}, {" 03 ", 0}};
  for (const auto& line : lines) {
    list->addItem(QString::fromUtf8(line.text));
    list->SetItemData(list->count() - 1, line.data);
  }
  list->item(0)->setSelected(true);
  list->item(1)->setSelected(true);
  form.resize(220, 170);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const QImage shot = list->viewport()->grab().toImage();
  const QPalette& pal = list->palette();
  const QColor highlight = pal.color(QPalette::Active, QPalette::Highlight);
  // Inside each line's edges, away from any focus frame.
  const auto textArea = [&](int row) { return list->visualItemRect(list->item(row)).adjusted(1, 1, -1, -1); };

  const QColor selectedEmpty = StrongestInk(shot, textArea(0), highlight);
  EXPECT_GE(Contrast(selectedEmpty, highlight), 3.0) << selectedEmpty.name().toStdString();
  // An occupied line is drawn in the selection's text colour itself.
  const QColor selectedUsed = StrongestInk(shot, textArea(1), highlight);
  EXPECT_TRUE(Near(selectedUsed, pal.color(QPalette::Active, QPalette::HighlightedText))) << selectedUsed.name().toStdString();
  // Unselected, an empty slot keeps its grey.
  const QColor base = pal.color(QPalette::Active, QPalette::Base);
  const QColor unselectedEmpty = StrongestInk(shot, textArea(2), base);
  EXPECT_TRUE(Near(unselectedEmpty, QColor(0x80, 0x80, 0x80))) << unselectedEmpty.name().toStdString();
}

TEST(XAMUListBox, HorizontalExtentIsTheWidestLineOfTheLinesShownNow) {
  CXAMUListBox list(nullptr);
  EXPECT_EQ(list.HorizontalExtent(), 0);
  const QFontMetrics metrics(list.font());
  list.addItems({QStringLiteral(" 01 "), QStringLiteral("*02 あて名ﾃﾞｰﾀ 長い行"), QStringLiteral(" 03 x")});
  const int wide = metrics.horizontalAdvance(QStringLiteral("*02 あて名ﾃﾞｰﾀ 長い行"));
  EXPECT_EQ(list.HorizontalExtent(), wide);
  // Filled again with shorter lines: the old width is gone.
  list.clear();
  list.addItems({QStringLiteral(" 01 "), QStringLiteral(" 02 ab")});
  EXPECT_EQ(list.HorizontalExtent(), metrics.horizontalAdvance(QStringLiteral(" 02 ab")));
  EXPECT_LT(list.HorizontalExtent(), wide);
}
