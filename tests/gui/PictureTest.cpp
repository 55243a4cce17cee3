// The start-up picture of a shown window: taken from what was painted, it
// must be what a fresh rendering of the window gives.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>

#include "app/Picture.h"

namespace {

QImage Rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

}  // namespace

TEST(Picture, AShownWindowsPictureIsItsRendering) {
  QMainWindow window;
  window.menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
  auto* list = new QListWidget(&window);
  for (int i = 0; i < 40; ++i) list->addItem(QStringLiteral("%1 あて名").arg(i));
  window.setCentralWidget(list);
  window.statusBar()->showMessage(QStringLiteral("XAMU"));
  window.resize(320, 240);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QApplication::processEvents();
  EXPECT_EQ(Rgb(ShownWindowPicture(window)), Rgb(window.grab().toImage()));
  // A change not painted yet is in the picture.
  list->setCurrentRow(3);
  window.statusBar()->showMessage(QStringLiteral("changed"));
  EXPECT_EQ(Rgb(ShownWindowPicture(window)), Rgb(window.grab().toImage()));
  // A child's picture is its own rendering.
  EXPECT_EQ(Rgb(ShownWindowPicture(*list)), Rgb(list->grab().toImage()));
}

TEST(Picture, AWindowNotShownIsRendered) {
  QMainWindow window;
  window.setCentralWidget(new QLabel(QStringLiteral("XAMU")));
  window.resize(200, 100);
  const QImage picture = ShownWindowPicture(window);
  EXPECT_EQ(picture.size(), QSize(200, 100));
  EXPECT_EQ(Rgb(picture), Rgb(window.grab().toImage()));
}
