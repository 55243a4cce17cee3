// The application style reads the menu bar's and tool bar's extension arrows
// itself: they must be the very pictures Qt's own styles give.
#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QStyleFactory>
#include <QStyleOption>
#include <memory>

#include "app/AppStyle.h"

namespace {

void ExpectSameIcon(const QIcon& own, const QIcon& qt, const char* what) {
  ASSERT_FALSE(qt.isNull()) << what;
  ASSERT_EQ(own.availableSizes(), qt.availableSizes()) << what;
  // The pictures themselves, and the ones picked for sizes in between.
  QList<QSize> sizes = qt.availableSizes();
  sizes << QSize(12, 12) << QSize(24, 24) << QSize(64, 64);
  for (const QSize& size : sizes)
    EXPECT_EQ(own.pixmap(size).toImage(), qt.pixmap(size).toImage()) << what << " " << size.width();
}

}  // namespace

TEST(AppStyle, ExtensionArrowsAreThoseOfQtsOwnStyles) {
  for (const char* key : {"fusion", "windows"}) {
    const std::unique_ptr<QStyle> qt(QStyleFactory::create(QLatin1String(key)));
    ASSERT_TRUE(qt) << key;
    CAppStyle own(QStyleFactory::create(QLatin1String(key)));
    for (QStyle::StandardPixmap pixmap :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton}) {
      ExpectSameIcon(own.standardIcon(pixmap), qt->standardIcon(pixmap), key);
      // Right to left, as an option says or the application's direction.
      QStyleOption rtl;
      rtl.direction = Qt::RightToLeft;
      ExpectSameIcon(own.standardIcon(pixmap, &rtl), qt->standardIcon(pixmap, &rtl), key);
      QGuiApplication::setLayoutDirection(Qt::RightToLeft);
      ExpectSameIcon(own.standardIcon(pixmap), qt->standardIcon(pixmap), key);
      QGuiApplication::setLayoutDirection(Qt::LeftToRight);
    }
    // Every other picture is the base style's.
    ExpectSameIcon(own.standardIcon(QStyle::SP_DialogOkButton), qt->standardIcon(QStyle::SP_DialogOkButton), key);
  }
}
