#pragma once
#include <QStringList>
#include <QWidget>

class QImage;
class CStaticPreview;
class CXAMUListBox;

// A pane's list with its preview below: the preview keeps its height at the
// bottom, the list takes the rest above.
class CStaticContainer : public QWidget {
  Q_OBJECT
 public:
  CStaticContainer(CXAMUListBox* list, CStaticPreview* preview, QWidget* parent);

  // Preview text height h: the preview band becomes h + s + 2 pixels (s the
  // height of a horizontal scroll bar); a container lower than s + band + 6
  // grows downwards to that height.
  void SetPreviewHeight(int h);
  int PreviewHeight() const { return m_previewHeight; }
  void ShowContent(const QStringList& lines, const QImage* small, const QImage* large);
  CXAMUListBox* List() const { return m_list; }
  CStaticPreview* Preview() const { return m_preview; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Place();
  CXAMUListBox* m_list;
  CStaticPreview* m_preview;
  int m_previewHeight = 0;
};
