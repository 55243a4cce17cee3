// The glyph edit control's drawing costs on the offscreen platform: a full
// repaint of the 48 x 48 grid at the largest side (S = 768) and one pencil
// drag step (preview render plus repaint), each against the baseline of
// filling an image of the same size, measured in the same run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <cstdlib>
#include <memory>

#include "glyphedit/GlyphEditCtrl.h"

namespace {

// A client area that gives the largest grid side.
constexpr int kClientSide = 800;

// Made by main(): a QApplication left to the exit handlers outlives the
// platform's devices it owns and crashes the end of the run.
QApplication* g_app = nullptr;

QApplication& Application() { return *g_app; }

std::unique_ptr<CGlyphEditCtrl> MakeControl() {
  Application();
  auto ctrl = std::make_unique<CGlyphEditCtrl>();
  ctrl->resize(kClientSide, kClientSide);
  CGlyph g(48, 48);
  // Half the dots inked, in a checkerboard: the most cells to fill.
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 48; ++x)
      if ((x + y) % 2) g.SetPixel(x, y);
  ctrl->LoadGlyph(g);
  return ctrl;
}

// Baseline: filling an image of the client size once.
void BM_FillClientImage(benchmark::State& state) {
  Application();
  QImage image(kClientSide, kClientSide, QImage::Format_RGB32);
  for (auto _ : state) {
    image.fill(Qt::white);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_FillClientImage)->Unit(benchmark::kMillisecond);

// A full repaint at S = 768 into an offscreen image.
void BM_FullRepaint768(benchmark::State& state) {
  auto ctrl = MakeControl();
  if (ctrl->Layout().side != 768) state.SkipWithError("the grid side is not 768");
  for (auto _ : state) {
    QImage image = ctrl->Render();
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_FullRepaint768)->Unit(benchmark::kMillisecond);

// One pencil drag step: the tool re-renders its stroke, then the control
// repaints.
void BM_PencilDragStep(benchmark::State& state) {
  auto ctrl = MakeControl();
  ctrl->SetTool(kToolPencil);
  const GLYPHLAYOUT& l = ctrl->Layout();
  const auto at = [&l](int x, int y) {
    return QPointF(l.grid.left + x * l.cellWidth + 1, l.grid.top + y * l.cellHeight + 1);
  };
  QMouseEvent press(QEvent::MouseButtonPress, at(0, 0), at(0, 0), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(ctrl.get(), &press);
  int step = 0;
  for (auto _ : state) {
    ++step;
    const QPointF p = at(step % 48, (step / 48) % 48);
    QMouseEvent move(QEvent::MouseMove, p, p, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ctrl.get(), &move);
    QImage image = ctrl->Render();
    benchmark::DoNotOptimize(image.constBits());
  }
  QMouseEvent release(QEvent::MouseButtonRelease, at(0, 0), at(0, 0), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(ctrl.get(), &release);
}
BENCHMARK(BM_PencilDragStep)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  g_app = &app;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
