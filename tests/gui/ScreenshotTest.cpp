// The start-up picture (--screenshot) is a complete PNG of the main window:
// run as scripts and the start-up benchmark run it, a process of its own on
// the offscreen platform with private folders.
#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>
#include <cstdlib>
#include <string>

#include "common/TestEnv.h"

TEST(Screenshot, TheStartUpPictureIsACompletePngOfTheWindow) {
  CTestEnv env;
  const std::string picture = env.Path("first-window.png");
  const std::string cmd = "QT_QPA_PLATFORM=offscreen " XAMU_BUILD_DIR "/bin/xamu --no-splash --screenshot " + picture +
                          " >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  QImageReader reader(QString::fromStdString(picture));
  EXPECT_EQ(reader.format(), QByteArray("png"));
  const QImage image = reader.read();
  ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
  // The frame with its two panes, not an empty picture: more than one colour
  // across its middle.
  EXPECT_GE(image.width(), 600);
  EXPECT_GE(image.height(), 400);
  bool varied = false;
  for (int x = 1; x < image.width() && !varied; ++x)
    varied = image.pixel(x, image.height() / 2) != image.pixel(0, image.height() / 2);
  EXPECT_TRUE(varied);
  // Colours in their own channels: a dark blue of the category buttons'
  // pictures is there, its red-blue swap is not.
  bool blue = false, swapped = false;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y) & 0xFFFFFF;
      blue = blue || c == 0x1C2C48;
      swapped = swapped || c == 0x482C1C;
    }
  }
  EXPECT_TRUE(blue);
  EXPECT_FALSE(swapped);
}
