// Start-up of the desktop program against a bare Qt Widgets window started
// the same way, on the offscreen platform:
//   Startup        a process: xamu --no-splash --screenshot, from exec to the
//                  saved picture of its first painted window (exit);
//   Startup/floor  a process showing a bare QMainWindow and saving its
//                  picture the same way: the program's own calls take the
//                  painted window and write it (this program with
//                  --bare-window), so the picture costs both sides alike;
//   Window         in one process: the frame with its two-pane form, from
//                  nothing to the first paint;
//   Window/floor   a bare QMainWindow likewise.
// The counter max_rss_kb is the child's peak resident memory (processes) or
// the growth of this process's resident memory (windows); child_cpu_us is the
// child's user and system time (processes), which the benchmark's own CPU
// time, that of the waiting parent, does not include.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QMainWindow>
#include <QStatusBar>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>
#include <unistd.h>

#include "app/MainFrame.h"
#include "app/Picture.h"
#include "app/XAMUApp.h"
#include "app/XAMUDoc.h"
#include "common/TestEnv.h"
#include "view/XAMUView.h"

namespace {

// Set by the first paint event of the watched widget.
class CPaintWatch : public QObject {
 public:
  bool painted = false;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted = true;
    return false;
  }
};

void WaitForPaint(QWidget& window, QWidget& watched) {
  CPaintWatch watch;
  watched.installEventFilter(&watch);
  window.show();
  while (!watch.painted) QApplication::processEvents(QEventLoop::AllEvents, 5);
  watched.removeEventFilter(&watch);
}

long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * 4;
}

extern "C" char** environ;

struct CHILDCOST {
  long maxRssKb = -1;  // -1: the program did not start or failed
  double cpuUs = 0;
};

// Runs a program to its end; what it cost.
CHILDCOST RunProcess(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return {};
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  const auto us = [](const timeval& t) { return double(t.tv_sec) * 1e6 + double(t.tv_usec); };
  return {usage.ru_maxrss, us(usage.ru_utime) + us(usage.ru_stime)};
}

std::string g_self;
std::string g_xamu;
std::string g_picture;

void BM_StartupProcess(benchmark::State& state) {
  double cpuUs = 0;
  for (auto _ : state) {
    const CHILDCOST cost = RunProcess({g_xamu, "--no-splash", "--screenshot", g_picture});
    if (cost.maxRssKb < 0) {
      state.SkipWithError("xamu did not start");
      return;
    }
    state.counters["max_rss_kb"] = double(cost.maxRssKb);
    cpuUs += cost.cpuUs;
  }
  state.counters["child_cpu_us"] = benchmark::Counter(cpuUs, benchmark::Counter::kAvgIterations);
}

void BM_StartupProcessFloor(benchmark::State& state) {
  double cpuUs = 0;
  for (auto _ : state) {
    const CHILDCOST cost = RunProcess({g_self, "--bare-window", g_picture});
    if (cost.maxRssKb < 0) {
      state.SkipWithError("the bare window did not start");
      return;
    }
    state.counters["max_rss_kb"] = double(cost.maxRssKb);
    cpuUs += cost.cpuUs;
  }
  state.counters["child_cpu_us"] = benchmark::Counter(cpuUs, benchmark::Counter::kAvgIterations);
}

// The floor's child: a bare window, shown, painted, saved, ended.
int BareWindow(int argc, char** argv, const char* picture) {
  QApplication app(argc, argv);
  QFont font(QStringLiteral("IPAGothic"));
  font.setPixelSize(12);
  QApplication::setFont(font);
  QMainWindow window;
  auto* central = new QWidget(&window);
  central->setMinimumSize(638, 393);
  window.setCentralWidget(central);
  window.statusBar()->showMessage(QStringLiteral("XAMU"));
  window.show();
  QTimer::singleShot(0, &window, [&window, picture] {
    QCoreApplication::exit(WritePictureQuickly(ShownWindowPicture(window), QString::fromLocal8Bit(picture)) ? 0 : 1);
  });
  return QApplication::exec();
}

void BM_Window(benchmark::State& state) {
  long before = ResidentKb();
  for (auto _ : state) {
    auto session = std::make_unique<CSession>(App().Config());
    auto doc = std::make_unique<CXAMUDoc>(*session);
    auto frame = std::make_unique<CMainFrame>(*doc);
    doc->OnNewDocument();
    frame->View()->OnInitialUpdate();
    WaitForPaint(*frame, *frame->View());
    state.counters["max_rss_kb"] = double(ResidentKb() - before);
    frame.reset();
    doc.reset();
    session.reset();
    QApplication::processEvents();
  }
}

void BM_WindowFloor(benchmark::State& state) {
  long before = ResidentKb();
  for (auto _ : state) {
    auto window = std::make_unique<QMainWindow>();
    auto* central = new QWidget(window.get());
    central->setMinimumSize(638, 393);
    window->setCentralWidget(central);
    window->statusBar()->showMessage(QStringLiteral("XAMU"));
    WaitForPaint(*window, *central);
    state.counters["max_rss_kb"] = double(ResidentKb() - before);
    window.reset();
    QApplication::processEvents();
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (argc == 3 && std::string(argv[1]) == "--bare-window") return BareWindow(argc, argv, argv[2]);
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  g_self = n > 0 ? std::string(self, size_t(n)) : std::string(argv[0]);
  g_xamu = g_self.substr(0, g_self.rfind('/')) + "/../bin/xamu";
  CTestEnv env;  // never the user's settings or data folders
  // A desktop session keeps its runtime folder (the single-instance guard
  // and its lock) in memory; the test folder lies on disk, where the lock's
  // flush would be counted as start-up. A private folder in /dev/shm stands
  // in, as it does for the converter comparison.
  char runtime[] = "/dev/shm/xamu-bench-rt-XXXXXX";
  const bool inMemory = ::mkdtemp(runtime) != nullptr;
  if (inMemory) setenv("XDG_RUNTIME_DIR", runtime, 1);
  QApplication app(argc, argv);
  QFont font(QStringLiteral("IPAGothic"));
  font.setPixelSize(12);
  QApplication::setFont(font);
  App();  // the application object, as main() of the program makes it
  g_picture = env.Path("first-window.png");
  benchmark::RegisterBenchmark("Startup", BM_StartupProcess)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Startup/floor", BM_StartupProcessFloor)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Window", BM_Window)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Window/floor", BM_WindowFloor)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  if (inMemory) {
    std::error_code ec;
    std::filesystem::remove_all(runtime, ec);
  }
  benchmark::Shutdown();
  return 0;
}
