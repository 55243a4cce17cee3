#pragma once
#include <QImage>
#include <QStringList>
#include <QWidget>

class QScrollBar;

// The preview under a pane's list: the caret entry's detail lines and, for
// glyph data, a 144 x 96 picture of the glyph at two sizes, with a
// horizontal scroll bar for text wider than the preview.
class CStaticPreview : public QWidget {
  Q_OBJECT
 public:
  // Size of the glyph picture.
  static constexpr int kPictureWidth = 144;
  static constexpr int kPictureHeight = 96;

  explicit CStaticPreview(QWidget* parent);

  // Stores the lines and, when at least one glyph picture is given, builds
  // the picture: the small one stretched into 32 x 32 at (0, 64), the large
  // one into 96 x 96 at (48, 0). Returns the content width: 144 with a
  // picture, else 0, raised to the widest line.
  int SetContent(const QStringList& lines, const QImage* small, const QImage* large);
  void Clear();
  // Scroll range after new content: maximum = content width + the width of
  // "@@" + 2, page = the preview's width, position 0.
  void SetScrollRange(int contentWidth);

  // The text height of the form's font.
  int LineHeight() const;
  const QStringList& Lines() const { return m_lines; }
  // 1 = ink; null without a picture.
  const QImage& Picture() const { return m_picture; }
  int ScrollHeight() const;

  // Scroll state, counted as the system counts it: the position runs from
  // the minimum to maximum - page.
  int ScrollMin() const { return 0; }
  int ScrollMax() const { return m_max; }
  int ScrollPage() const { return m_page; }
  int ScrollPos() const { return m_pos; }
  // Moves to `pos`, clamped to [0, max(0, maximum - page)].
  void ScrollTo(int pos);
  QScrollBar* ScrollBar() const { return m_bar; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SyncBar();
  QFont FormFont() const;

  QStringList m_lines;
  QImage m_picture;
  QScrollBar* m_bar = nullptr;
  int m_max = 2;
  int m_page = 0;
  int m_pos = 0;
};
