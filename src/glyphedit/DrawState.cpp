#include "glyphedit/DrawState.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QStyleHints>
#include <algorithm>

#include "glyphedit/GlyphCanvas.h"

namespace {

// Tool bar strings in tool table order (index 0 is the initial no-tool state).
const char* const kToolStrings[kToolCount] = {
    "",
    "鉛筆で描画する\n鉛筆",
    "ブラシで描画する\nブラシ",
    "線を描画する\n線",
    "四角形を描画する\n四角形",
    "塗りつぶし四角形を描画する\n塗りつぶし四角形",
    "楕円を描画する\n楕円",
    "塗りつぶし楕円を描画する\n塗りつぶし楕円",
    "四角形に範囲を選択する\n範囲選択",
    "消しゴム\n消しゴム",
};

// Largest side of a tracker handle square, in pixels.
constexpr int kMaxHandleSize = 6;

bool InsideGrid(const IGlyphCanvas& canvas, QPoint p) {
  const GLYPHRECT& g = canvas.Layout().grid;
  return p.x() >= g.left && p.x() < g.right && p.y() >= g.top && p.y() < g.bottom;
}

GLYPHPOINT Dot(const IGlyphCanvas& canvas, QPoint p) { return canvas.PixelFromPoint(p); }

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

const char* ToolString(int index) { return index >= 0 && index < kToolCount ? kToolStrings[index] : ""; }

// ---- CDrawState ------------------------------------------------------------

CDrawState::CDrawState(IGlyphCanvas& canvas) : m_canvas(canvas) {}

const CGlyph& CDrawState::Target() const { return m_canvas.GetWorkingGlyph(); }

const CGlyph& CDrawState::GetDisplayGlyph() const { return Target(); }

void CDrawState::OnButtonDown(QPoint) {}
void CDrawState::OnButtonUp(QPoint) {}
void CDrawState::OnMouseMove(QPoint) {}
bool CDrawState::OnSetCursor(QPoint) { return false; }

void CDrawState::ResetPreview() { m_preview = Target(); }

void CDrawState::RefreshPreview() { m_canvas.RefreshPreview(m_preview); }

// ---- pencil and brush ------------------------------------------------------

const CGlyph& CPenState::GetDisplayGlyph() const { return m_dragging ? m_preview : Target(); }

int CPenState::CursorId() const { return kToolPencil; }
int CBrushState::CursorId() const { return kToolBrush; }

void CPenState::OnButtonDown(QPoint p) {
  m_canvas.SetCapture();
  const GLYPHPOINT d = Dot(m_canvas, p);
  m_points.push_back(d);
  ResetPreview();
  m_preview.SetPixel(d.x, d.y);
  m_dragging = true;
  RefreshPreview();
}

void CPenState::OnMouseMove(QPoint p) {
  if (!m_dragging) return;
  m_points.push_back(Dot(m_canvas, p));
  ResetPreview();
  m_preview.DrawPolyline(m_points, Thickness());
  RefreshPreview();
}

void CPenState::OnButtonUp(QPoint p) {
  if (!m_dragging) return;
  m_dragging = false;
  m_points.push_back(Dot(m_canvas, p));
  std::vector<GLYPHPOINT> points;
  points.swap(m_points);
  m_canvas.ExecuteCommand(std::make_unique<CPolylineCommand>(std::move(points), 1));
}

bool CPenState::OnSetCursor(QPoint p) {
  if (!InsideGrid(m_canvas, p)) return false;
  m_canvas.SetToolCursor(CursorId());
  return true;
}

void CPenState::Cancel() {
  m_dragging = false;
  m_points.clear();
  m_canvas.Invalidate();
}

void CBrushState::OnButtonDown(QPoint p) {
  m_canvas.SetCapture();
  const GLYPHPOINT d = Dot(m_canvas, p);
  m_points.push_back(d);
  ResetPreview();
  m_preview.SetPixel(d.x, d.y);
  m_preview.SetPixel(d.x + 1, d.y);
  m_preview.SetPixel(d.x, d.y + 1);
  m_preview.SetPixel(d.x + 1, d.y + 1);
  m_dragging = true;
  RefreshPreview();
}

void CBrushState::OnButtonUp(QPoint p) {
  if (!m_dragging) return;
  m_points.push_back(Dot(m_canvas, p));
  ResetPreview();
  std::vector<GLYPHPOINT> points;
  points.swap(m_points);
  m_dragging = false;
  m_canvas.ExecuteCommand(std::make_unique<CPolylineCommand>(std::move(points), 2));
}

// ---- two-point shapes ------------------------------------------------------

const CGlyph& CLineState::GetDisplayGlyph() const { return m_dragging ? m_preview : Target(); }

void CLineState::OnButtonDown(QPoint p) {
  m_canvas.SetCapture();
  ResetPreview();
  m_start = m_end = Dot(m_canvas, p);
  m_preview.SetPixel(m_start.x, m_start.y);
  m_dragging = true;
  RefreshPreview();
}

void CLineState::OnMouseMove(QPoint p) {
  if (!m_dragging) return;
  ResetPreview();
  m_end = Dot(m_canvas, p);
  DrawShape(m_preview);
  RefreshPreview();
}

void CLineState::OnButtonUp(QPoint p) {
  if (!m_dragging) return;
  m_dragging = false;
  m_end = Dot(m_canvas, p);
  Commit();
}

void CLineState::Cancel() {
  m_dragging = false;
  m_canvas.Invalidate();
}

void CLineState::DrawShape(CGlyph& glyph) const { glyph.DrawLine(m_start.x, m_start.y, m_end.x, m_end.y, 1); }
void CLineState::Commit() { m_canvas.ExecuteCommand(std::make_unique<CLineCommand>(m_start, m_end)); }

void CDrawRectState::DrawShape(CGlyph& glyph) const { glyph.DrawBox(m_start.x, m_start.y, m_end.x, m_end.y); }
void CDrawRectState::Commit() { m_canvas.ExecuteCommand(std::make_unique<CDrawRectCommand>(m_start, m_end)); }

void CFillRectState::DrawShape(CGlyph& glyph) const { glyph.FillBox(m_start.x, m_start.y, m_end.x, m_end.y); }
void CFillRectState::Commit() { m_canvas.ExecuteCommand(std::make_unique<CFillRectCommand>(m_start, m_end)); }

void CDrawEllipseState::DrawShape(CGlyph& glyph) const {
  glyph.DrawEllipse(m_start.x, m_start.y, m_end.x, m_end.y);
}
void CDrawEllipseState::Commit() {
  m_canvas.ExecuteCommand(std::make_unique<CDrawEllipseCommand>(m_start, m_end));
}

void CFillEllipseState::DrawShape(CGlyph& glyph) const {
  glyph.FillEllipse(m_start.x, m_start.y, m_end.x, m_end.y);
}
void CFillEllipseState::Commit() {
  m_canvas.ExecuteCommand(std::make_unique<CFillEllipseCommand>(m_start, m_end));
}

// ---- eraser ----------------------------------------------------------------

const CGlyph& CEraserState::GetDisplayGlyph() const { return m_dragging ? m_preview : Target(); }

void CEraserState::OnButtonDown(QPoint p) {
  m_canvas.SetCapture();
  m_points.push_back(Dot(m_canvas, p));
  ResetPreview();
  m_preview.ErasePath(m_points);
  m_dragging = true;
  RefreshPreview();
}

void CEraserState::OnMouseMove(QPoint p) {
  if (!m_dragging) return;
  const GLYPHPOINT d = Dot(m_canvas, p);
  if (!m_points.empty() && m_points.back() == d) return;
  m_points.push_back(d);
  ResetPreview();
  m_preview.ErasePath(m_points);
  RefreshPreview();
}

void CEraserState::OnButtonUp(QPoint p) {
  if (!m_dragging) return;
  m_dragging = false;
  m_points.push_back(Dot(m_canvas, p));
  std::vector<GLYPHPOINT> points;
  points.swap(m_points);
  m_canvas.ExecuteCommand(std::make_unique<CEraserCommand>(std::move(points)));
}

bool CEraserState::OnSetCursor(QPoint p) {
  if (!InsideGrid(m_canvas, p)) return false;
  m_canvas.SetToolCursor(kToolEraser);
  return true;
}

void CEraserState::Cancel() {
  m_dragging = false;
  m_points.clear();
  m_canvas.Invalidate();
}

// ---- tracker ---------------------------------------------------------------

CXAMUTracker::CXAMUTracker(const IGlyphCanvas& canvas, const GLYPHRECT& rect, EStyle style)
    : m_canvas(&canvas), m_rect(rect), m_start(rect), m_style(style) {}

int CXAMUTracker::HandleSize() const {
  const GLYPHRECT r = m_rect.Normalized();
  return std::clamp(std::min(r.Width(), r.Height()) / 3, 1, kMaxHandleSize);
}

std::vector<GLYPHRECT> CXAMUTracker::Handles() const {
  const GLYPHRECT r = m_rect.Normalized();
  if (r.IsEmpty()) return {};
  const int s = HandleSize();
  const int cx = (r.left + r.right - s) / 2;
  const int cy = (r.top + r.bottom - s) / 2;
  return {
      {r.left, r.top, r.left + s, r.top + s},          {r.right - s, r.top, r.right, r.top + s},
      {r.right - s, r.bottom - s, r.right, r.bottom}, {r.left, r.bottom - s, r.left + s, r.bottom},
      {cx, r.top, cx + s, r.top + s},                  {r.right - s, cy, r.right, cy + s},
      {cx, r.bottom - s, cx + s, r.bottom},            {r.left, cy, r.left + s, cy + s},
  };
}

int CXAMUTracker::HitTest(QPoint p) const {
  const GLYPHRECT r = m_rect.Normalized();
  if (r.IsEmpty()) return kHitNothing;
  const auto inside = [&p](const GLYPHRECT& h) {
    return p.x() >= h.left && p.x() < h.right && p.y() >= h.top && p.y() < h.bottom;
  };
  const std::vector<GLYPHRECT> handles = Handles();
  for (int i = 0; i < static_cast<int>(handles.size()); ++i)
    if (inside(handles[i])) return i;
  return inside(r) ? kHitMiddle : kHitNothing;
}

void CXAMUTracker::Begin(int hit, QPoint p) {
  m_hit = hit;
  m_press = p;
  m_start = m_rect;
  m_moved = false;
}

void CXAMUTracker::BeginRubberBand(QPoint p) {
  m_style = EStyle::kHatched;
  m_rect = {p.x(), p.y(), p.x(), p.y()};
  m_anchor = p;
  Begin(2, p);  // the bottom-right corner follows the mouse
}

void CXAMUTracker::Track(QPoint p) {
  if (p != m_press) m_moved = true;
  const int dx = p.x() - m_press.x();
  const int dy = p.y() - m_press.y();
  GLYPHRECT r = m_start;
  switch (m_hit) {
    case 0: r.left += dx; r.top += dy; break;
    case 1: r.right += dx; r.top += dy; break;
    case 2: r.right += dx; r.bottom += dy; break;
    case 3: r.left += dx; r.bottom += dy; break;
    case 4: r.top += dy; break;
    case 5: r.right += dx; break;
    case 6: r.bottom += dy; break;
    case 7: r.left += dx; break;
    case kHitMiddle: r = {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; break;
    default: return;
  }
  if (m_style == EStyle::kSolid) {
    // Only the rubber band may turn inside out: a dragged edge stops at the
    // opposite one.
    if (r.right < r.left) (m_hit == 0 || m_hit == 3 || m_hit == 7) ? r.left = r.right : r.right = r.left;
    if (r.bottom < r.top) (m_hit == 0 || m_hit == 1 || m_hit == 4) ? r.top = r.bottom : r.bottom = r.top;
  }
  AdjustRect(m_hit, r);
  m_rect = r;
}

void CXAMUTracker::AdjustRect(int hit, GLYPHRECT& rect) const {
  const GLYPHLAYOUT& layout = m_canvas->Layout();
  if (hit != kHitMiddle) {
    rect.left = std::max(rect.left, layout.grid.left);
    rect.right = std::max(rect.right, layout.grid.left);
    rect.top = std::max(rect.top, layout.grid.top);
    rect.bottom = std::max(rect.bottom, layout.grid.top);
  }
  rect = m_canvas->RectToClient(m_canvas->RectToPixels(rect));
  if (m_style != EStyle::kHatched || rect.IsEmpty()) return;
  const int cw = layout.cellWidth;
  const int ch = layout.cellHeight;
  const int ax = m_anchor.x();
  const int ay = m_anchor.y();
  int dx = 0;
  int dy = 0;
  if (ax < rect.left) dx = -cw * ((rect.left - ax + cw - 1) / cw);
  else if (ax >= rect.right) dx = cw * FloorDiv(ax + cw - rect.right, cw);
  if (ay < rect.top) dy = -ch * ((rect.top - ay + ch - 1) / ch);
  else if (ay >= rect.bottom) dy = ch * FloorDiv(ay + ch - rect.bottom, ch);
  rect = {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

QCursor CXAMUTracker::CursorFor(int hit) const {
  switch (hit) {
    case 0: case 2: return Qt::SizeFDiagCursor;
    case 1: case 3: return Qt::SizeBDiagCursor;
    case 4: case 6: return Qt::SizeVerCursor;
    case 5: case 7: return Qt::SizeHorCursor;
    case kHitMiddle: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
  }
}

// ---- selection -------------------------------------------------------------

GLYPHRECT CSelectRectState::SelectionDots() const { return SelectionToDots(m_canvas.Selection()); }

CXAMUTracker CSelectRectState::MakeTracker() const {
  return CXAMUTracker(m_canvas, m_canvas.RectToClient(SelectionDots()), CXAMUTracker::EStyle::kSolid);
}

void CSelectRectState::OnButtonDown(QPoint p) {
  const GLYPHRECT s = SelectionDots();
  CGlyph& piece = m_canvas.Piece();
  const CGlyph& working = Target();
  if (piece.Width() != s.Width() || piece.Height() != s.Height())
    working.ExtractPiece(piece, s.Intersect({0, 0, working.Width(), working.Height()}));
  m_tracker = MakeTracker();
  const int hit = m_tracker.HitTest(p);
  if (hit == CXAMUTracker::kHitNothing) {
    m_rubberBand = true;
    m_tracker.BeginRubberBand(p);
  } else {
    m_rubberBand = false;
    m_r0 = m_tracker.Rect();
    m_pressTime = QDateTime::currentMSecsSinceEpoch();
    m_tracker.Begin(hit, p);
  }
  m_tracking = true;
  m_canvas.SetCapture();
  m_canvas.Invalidate();
}

void CSelectRectState::OnMouseMove(QPoint p) {
  if (!m_tracking) return;
  m_tracker.Track(p);
  m_canvas.Invalidate();
}

void CSelectRectState::OnButtonUp(QPoint p) {
  if (!m_tracking) return;
  m_tracker.Track(p);
  m_tracking = false;
  const CGlyph& working = Target();
  const GLYPHRECT picture{0, 0, working.Width(), working.Height()};
  const auto reselect = [&](const GLYPHRECT& client) {
    const GLYPHRECT dots = m_canvas.RectToPixels(client.Normalized()).Intersect(picture);
    if (dots.IsEmpty()) {
      m_canvas.SetSelection({});
      return;
    }
    working.ExtractPiece(m_canvas.Piece(), dots);
    m_canvas.SetSelection(DotsToSelection(dots));
  };
  const GLYPHRECT r1 = m_tracker.Rect();
  if (m_rubberBand) {
    if (r1.Normalized().IsEmpty()) m_canvas.SetSelection({});
    else reselect(r1);
  } else if (r1.Width() == m_r0.Width() && r1.Height() == m_r0.Height()) {
    const CGlyph& piece = m_canvas.Piece();
    const GLYPHPOINT from = m_canvas.PixelFromPoint({m_r0.left, m_r0.top});
    GLYPHPOINT to = m_canvas.PixelFromPoint({r1.left, r1.top});
    if (to.y + piece.Height() < 0) to.y = -piece.Height();
    if (to.x + piece.Width() < 0) to.x = -piece.Width();
    if (to.x > working.Width()) to.x = working.Width();
    if (to.y > working.Height()) to.y = working.Height();
    const qint64 elapsed = QDateTime::currentMSecsSinceEpoch() - m_pressTime;
    if (elapsed < QGuiApplication::styleHints()->mouseDoubleClickInterval() && r1 == m_r0) {
      m_canvas.SetSelection({});
    } else if (!(from == to)) {
      m_canvas.ExecuteCommand(std::make_unique<CMoveCommand>(from, to, piece));
    }
  } else {
    reselect(r1);
  }
  m_canvas.Invalidate();
}

bool CSelectRectState::OnSetCursor(QPoint p) {
  const CXAMUTracker tracker = MakeTracker();
  const int hit = tracker.HitTest(p);
  if (hit == CXAMUTracker::kHitNothing) return false;
  m_canvas.SetCursor(tracker.CursorFor(hit));
  return true;
}

void CSelectRectState::Cancel() {
  m_tracking = false;
  m_canvas.Invalidate();
}
