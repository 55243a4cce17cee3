#include "glyphedit/GlyphEditCtrl.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <cstring>

#include "glyph/GlyphClip.h"
#include "glyph/GlyphPicture.h"
#include "glyphedit/ToolImages.h"

namespace {

// Grid sides tried in turn; the first one is used even when less room is available.
constexpr int kGridSides[] = {200, 288, 480, 680, 768};
// Colours of the control (the desktop's application-workspace grey and grey text).
const QColor kWorkspaceColour(0xAB, 0xAB, 0xAB);
const QColor kGridColour(0x6D, 0x6D, 0x6D);

int AxisLow(int a, int b, int c) { return b >= a ? a / c : (a + c - 1) / c; }
int AxisHigh(int a, int b, int c) {
  if (b >= a) return a / c + (b + c - 1 - a) / c;
  const int a2 = a + c - 1;
  return a2 / c - (a2 - b) / c;
}

// Hot spots of the tool cursors: the tip of the pencil and brush, the
// lower-left corner of the eraser.
QCursor MakeCursor(int tool) {
  switch (tool) {
    case kToolPencil: return QCursor(QPixmap(kPencilCursor), 2, 29);
    case kToolBrush: return QCursor(QPixmap(kBrushCursor), 2, 29);
    default: return QCursor(QPixmap(kEraserCursor), 2, 21);
  }
}

}  // namespace

GLYPHLAYOUT ComputeGlyphLayout(int clientWidth, int clientHeight, int glyphWidth, int glyphHeight) {
  GLYPHLAYOUT layout;
  const int aw = clientWidth - 2 * kGlyphGridMargin;
  const int ah = clientHeight - 2 * kGlyphGridMargin;
  layout.side = kGridSides[0];
  for (size_t i = 1; i < std::size(kGridSides); ++i) {
    if (aw < kGridSides[i] || ah < kGridSides[i]) break;
    layout.side = kGridSides[i];
  }
  layout.cellWidth = glyphWidth > 0 ? layout.side / glyphWidth : 0;
  layout.cellHeight = glyphHeight > 0 ? layout.side / glyphHeight : 0;
  layout.grid = {kGlyphGridMargin, kGlyphGridMargin, kGlyphGridMargin + layout.cellWidth * glyphWidth,
                 kGlyphGridMargin + layout.cellHeight * glyphHeight};
  return layout;
}

int GlyphGridSide(int step) {
  return step >= 0 && size_t(step) < std::size(kGridSides) ? kGridSides[step] : 0;
}

void CGlyphEditCtrl::CSink::SelectionChanged() {
  m_ctrl.update();
  emit m_ctrl.SelectionChanged();
}

void CGlyphEditCtrl::CSink::GlyphChanged() {
  m_ctrl.update();
  emit m_ctrl.GlyphChanged();
}

CGlyphEditCtrl::CGlyphEditCtrl(QWidget* parent) : QWidget(parent), m_core(&m_sink) {
  m_tools[kToolNone] = std::make_unique<CDrawState>(*this);
  m_tools[kToolPencil] = std::make_unique<CPenState>(*this);
  m_tools[kToolBrush] = std::make_unique<CBrushState>(*this);
  m_tools[kToolLine] = std::make_unique<CLineState>(*this);
  m_tools[kToolRect] = std::make_unique<CDrawRectState>(*this);
  m_tools[kToolFillRect] = std::make_unique<CFillRectState>(*this);
  m_tools[kToolEllipse] = std::make_unique<CDrawEllipseState>(*this);
  m_tools[kToolFillEllipse] = std::make_unique<CFillEllipseState>(*this);
  m_tools[kToolSelect] = std::make_unique<CSelectRectState>(*this);
  m_tools[kToolEraser] = std::make_unique<CEraserState>(*this);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::ClickFocus);
  setAccessibleName(QStringLiteral("外字"));
  DoLayout();
  UpdateDescription();
}

CGlyphEditCtrl::~CGlyphEditCtrl() {
  // The undo stack's commands go before the tools.
  m_core.SetSink(nullptr);
  m_core.LoadGlyph(CGlyph());
}

QCursor CGlyphEditCtrl::ToolCursor(int tool) {
  static const QCursor pencil = MakeCursor(kToolPencil);
  static const QCursor brush = MakeCursor(kToolBrush);
  static const QCursor eraser = MakeCursor(kToolEraser);
  return tool == kToolPencil ? pencil : tool == kToolBrush ? brush : eraser;
}

void CGlyphEditCtrl::LoadGlyph(const CGlyph& glyph) {
  if (m_capture) {
    CurrentTool().Cancel();
    m_capture = false;
  }
  m_core.LoadGlyph(glyph);
  DoLayout();
  UpdateDescription();
  update();
}

void CGlyphEditCtrl::SetTool(int index) {
  if (index < 0 || index >= kToolCount) return;
  if (m_capture) {
    CurrentTool().Cancel();
    m_capture = false;
  }
  if (m_tool == kToolSelect) {
    m_core.SetSelection({});
    update();
  }
  m_tool = index;
  UpdateDescription();
}

void CGlyphEditCtrl::UpdateDescription() {
  const CGlyph& g = m_core.Working();
  QString tool = QString::fromUtf8(ToolString(m_tool));
  tool = tool.mid(tool.indexOf(QLatin1Char('\n')) + 1);
  setAccessibleDescription(QStringLiteral("%1x%2 %3").arg(g.Width()).arg(g.Height()).arg(tool).trimmed());
}

void CGlyphEditCtrl::Copy() {
  const std::vector<uint8_t> record = m_core.CopyRecord();
  if (record.empty()) return;
  auto* mime = new QMimeData;
  mime->setData(QString::fromLatin1(kGlyphClipMime),
                QByteArray(reinterpret_cast<const char*>(record.data()), static_cast<qsizetype>(record.size())));
  QGuiApplication::clipboard()->setMimeData(mime);
}

void CGlyphEditCtrl::Cut() {
  if (!HasSelection()) return;
  Copy();
  DeleteSelection();
}

bool CGlyphEditCtrl::CanPaste() const {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  return mime && (mime->hasImage() || mime->hasFormat(QString::fromLatin1(kGlyphClipMime)));
}

bool CGlyphEditCtrl::Paste(bool autoScale) {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (!mime) return false;
  if (mime->hasImage()) {
    const QImage image = qvariant_cast<QImage>(mime->imageData());
    // Huge pictures are refused before their pixels are copied.
    if (!image.isNull() && image.width() <= kMaxPictureSide && image.height() <= kMaxPictureSide) {
      const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
      PICTUREIMAGE picture;
      picture.width = rgba.width();
      picture.height = rgba.height();
      picture.format = kPictureRgba8;
      const size_t row = static_cast<size_t>(picture.width) * 4;
      picture.pixels.resize(row * static_cast<size_t>(picture.height));
      for (int y = 0; y < picture.height; ++y)
        std::memcpy(picture.pixels.data() + row * static_cast<size_t>(y), rgba.constScanLine(y), row);
      if (m_core.PastePicture(picture, autoScale)) return true;
    }
  }
  const QString format = QString::fromLatin1(kGlyphClipMime);
  if (!mime->hasFormat(format)) return false;
  const QByteArray bytes = mime->data(format);
  return m_core.PasteGlyphRecord(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())),
      autoScale);
}

GLYPHPOINT CGlyphEditCtrl::PixelFromPoint(QPoint p) const {
  if (m_layout.cellWidth <= 0 || m_layout.cellHeight <= 0) return {};
  return {(p.x() - m_layout.grid.left) / m_layout.cellWidth, (p.y() - m_layout.grid.top) / m_layout.cellHeight};
}

GLYPHRECT CGlyphEditCtrl::RectToPixels(const GLYPHRECT& client) const {
  const int cw = m_layout.cellWidth;
  const int ch = m_layout.cellHeight;
  if (cw <= 0 || ch <= 0) return {};
  const int ax = client.left - m_layout.grid.left;
  const int bx = client.right - m_layout.grid.left;
  const int ay = client.top - m_layout.grid.top;
  const int by = client.bottom - m_layout.grid.top;
  return {AxisLow(ax, bx, cw), AxisLow(ay, by, ch), AxisHigh(ax, bx, cw), AxisHigh(ay, by, ch)};
}

GLYPHRECT CGlyphEditCtrl::RectToClient(const GLYPHRECT& dots) const {
  const int cw = m_layout.cellWidth;
  const int ch = m_layout.cellHeight;
  return {dots.left * cw + m_layout.grid.left, dots.top * ch + m_layout.grid.top, dots.right * cw + m_layout.grid.left,
          dots.bottom * ch + m_layout.grid.top};
}

void CGlyphEditCtrl::RefreshPreview(const CGlyph& preview) {
  if (preview.SamePicture(m_painted)) return;
  ++m_previewRepaints;
  update();
}

void CGlyphEditCtrl::DoLayout() {
  m_layout = ComputeGlyphLayout(width(), height(), m_core.Working().Width(), m_core.Working().Height());
}

void CGlyphEditCtrl::PaintInto(QImage& image, const CGlyph& display) const {
  image.fill(kWorkspaceColour);
  QPainter p(&image);
  const GLYPHRECT& g = m_layout.grid;
  const int cw = m_layout.cellWidth;
  const int ch = m_layout.cellHeight;
  p.fillRect(QRect(g.left, g.top, g.Width(), g.Height()), Qt::white);
  const int w = std::min(display.Width(), cw > 0 ? g.Width() / cw : 0);
  const int h = std::min(display.Height(), ch > 0 ? g.Height() / ch : 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (display.GetPixel(x, y)) p.fillRect(g.left + x * cw, g.top + y * ch, cw, ch, Qt::black);
  // One-pixel grid lines, each ending one pixel short of its far end.
  for (int x = g.left; x <= g.right && cw > 0; x += cw) p.fillRect(x, g.top, 1, g.Height(), kGridColour);
  for (int y = g.top; y <= g.bottom && ch > 0; y += ch) p.fillRect(g.left, y, g.Width(), 1, kGridColour);
}

void CGlyphEditCtrl::PaintFrames(QPainter& painter) const {
  const auto drawHandles = [&painter](const CXAMUTracker& tracker) {
    for (const GLYPHRECT& h : tracker.Handles()) painter.fillRect(h.left, h.top, h.Width(), h.Height(), Qt::black);
  };
  painter.setBrush(Qt::NoBrush);
  if (HasSelection()) {
    const GLYPHRECT r = RectToClient(SelectionToDots(Selection()));
    QPen pen(Qt::black, 1, Qt::DotLine);
    painter.setPen(pen);
    painter.drawRect(r.left, r.top, r.Width() - 1, r.Height() - 1);
    drawHandles(CXAMUTracker(*this, r, CXAMUTracker::EStyle::kSolid));
  }
  if (m_tool == kToolSelect) {
    const auto& select = static_cast<const CSelectRectState&>(*m_tools[kToolSelect]);
    if (const CXAMUTracker* t = select.ActiveTracker()) {
      const GLYPHRECT r = t->Rect().Normalized();
      if (!r.IsEmpty()) {
        const bool band = t->Style() == CXAMUTracker::EStyle::kHatched;
        painter.setPen(QPen(band ? QColor(0, 0, 160) : Qt::black, band ? 2 : 1, band ? Qt::DashLine : Qt::SolidLine));
        painter.drawRect(r.left, r.top, r.Width() - 1, r.Height() - 1);
      }
    }
  }
}

QImage CGlyphEditCtrl::Render() {
  QImage image(size(), QImage::Format_RGB32);
  PaintInto(image, CurrentTool().GetDisplayGlyph());
  QPainter p(&image);
  PaintFrames(p);
  return image;
}

void CGlyphEditCtrl::paintEvent(QPaintEvent*) {
  const CGlyph& display = CurrentTool().GetDisplayGlyph();
  // Drawn off screen and copied in one step, so a drag never flickers.
  QImage logical(size(), QImage::Format_RGB32);
  PaintInto(logical, display);
  QPainter p(this);
  p.drawImage(0, 0, logical);
  PaintFrames(p);
  m_painted = display;
}

void CGlyphEditCtrl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  DoLayout();
}

void CGlyphEditCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  CurrentTool().OnButtonDown(event->position().toPoint());
  UpdateCursor(event->position().toPoint());
}

// A double click is a second press (the grid has no double-click action).
void CGlyphEditCtrl::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void CGlyphEditCtrl::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (m_capture) CurrentTool().OnMouseMove(p);
  UpdateCursor(p);
}

void CGlyphEditCtrl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  if (!m_capture) return;
  m_capture = false;
  CurrentTool().OnButtonUp(event->position().toPoint());
}

void CGlyphEditCtrl::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && m_capture) {
    m_capture = false;
    CurrentTool().Cancel();
    return;
  }
  event->ignore();
}

void CGlyphEditCtrl::UpdateCursor(QPoint p) {
  if (CurrentTool().OnSetCursor(p)) return;
  const GLYPHRECT& g = m_layout.grid;
  if (p.x() >= g.left && p.x() < g.right && p.y() >= g.top && p.y() < g.bottom) setCursor(Qt::CrossCursor);
  else unsetCursor();
}
