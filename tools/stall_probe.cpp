// Measures how long the window's main thread stalls while the app works: a
// timer asks to tick every 5 ms and the largest gap between two ticks is the
// longest time the window could not respond. On a loaded machine that gap
// also holds the time other processes had the CPU, so the probe prints the
// main thread's own CPU time over the same gap too: the stall the work itself
// causes. Prints figures; asserts nothing.
//
//   quillmere_stall_probe [ENTRIES] [PATHS]      (defaults 200000 and 100000)
//
// 1. a real analysis of a generated Library of ENTRIES entries, with 300
//    installed applications read beside it;
// 2. the real measuring of a listed folder of PATHS entries, and how soon it
//    stops when the user goes back while it runs;
// 3. a ready list of PATHS paths appearing, every tenth left out for its
//    evidence;
// 4. a removal log of 2 × PATHS lines arriving line by line.

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "testing/fake_privileged_remover.h"
#include "testing/test_tree.h"
#include "ui/main_window.h"
#include "ui/qt_dispatcher.h"

using namespace quillmere;

namespace {

// The largest gap between ticks of a 5 ms timer while it runs.
class StallMeter {
public:
  StallMeter() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.nsecsElapsed();
      const qint64 cpu = threadCpuNs();
      if (last_ >= 0 && now - last_ > longest_) longest_ = now - last_;
      if (lastCpu_ >= 0 && cpu - lastCpu_ > longestCpu_) longestCpu_ = cpu - lastCpu_;
      last_ = now;
      lastCpu_ = cpu;
      ++ticks_;
    });
  }
  void start() {
    longest_ = longestCpu_ = 0;
    ticks_ = 0;
    last_ = lastCpu_ = -1;
    clock_.start();
    timer_.start(5);
  }
  double longestMs() const { return double(longest_) / 1e6; }
  double longestCpuMs() const { return double(longestCpu_) / 1e6; }
  long ticks() const { return ticks_; }

private:
  QTimer timer_;
  QElapsedTimer clock_;
  static qint64 threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
  }
  qint64 last_ = -1, longest_ = 0, lastCpu_ = -1, longestCpu_ = 0;
  long ticks_ = 0;
};

// Runs the event loop until `done` holds, then `settleMs` longer (the screen
// that follows is laid out and painted); returns the elapsed seconds until done.
double runUntil(const std::function<bool()>& done, int settleMs = 500) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  const double seconds = double(clock.nsecsElapsed()) / 1e9;
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < settleMs) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
  return seconds;
}

void touch(const std::string& path) {
  const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
  if (fd >= 0) ::close(fd);
}

// ENTRIES entries spread over the twelve roots: vendor folders holding
// folders of files three levels down, and deeper folders below those that a
// bounded walk never opens. A few entries match the application "Quill".
long generateLibrary(const std::string& home, const std::string& system, long entries) {
  const char* roots[] = {"Application Support", "Preferences", "Caches", "Logs", "Saved Application State",
                         "HTTPStorages", "WebKit", "Containers"};
  std::vector<std::string> rootPaths;
  for (const char* root : roots) rootPaths.push_back(home + "/Library/" + root);
  for (int i = 0; i < 4; ++i) rootPaths.push_back(system + "/Library/" + roots[i]);
  long made = 0;
  for (std::size_t r = 0; r < rootPaths.size(); ++r) {
    fixtures::makeDirs(rootPaths[r]);
    touch(rootPaths[r] + "/Quill.plist");
    ++made;
  }
  for (long vendor = 0; made < entries; ++vendor) {
    const std::string v = rootPaths[std::size_t(vendor) % rootPaths.size()] + "/vendor" + std::to_string(vendor);
    ::mkdir(v.c_str(), 0755);
    ++made;
    for (int s = 0; s < 10 && made < entries; ++s) {
      const std::string sub = v + "/sub" + std::to_string(s);
      ::mkdir(sub.c_str(), 0755);
      ++made;
      for (int f = 0; f < 20 && made < entries; ++f, ++made) touch(sub + "/file" + std::to_string(f));
      const std::string deep = sub + "/deep";  // its contents are four levels down
      ::mkdir(deep.c_str(), 0755);
      ++made;
      for (int f = 0; f < 10 && made < entries; ++f, ++made) touch(deep + "/file" + std::to_string(f));
    }
  }
  return made;
}

void report(const char* what, double seconds, const StallMeter& meter) {
  std::printf("%-36s work %5.2f s   longest main-thread stall %6.1f ms, of it the thread's own CPU %5.1f ms"
              "   (%ld ticks)\n",
              what, seconds, meter.longestMs(), meter.longestCpuMs(), meter.ticks());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const long entries = argc > 1 ? std::atol(argv[1]) : 200000;
  const long paths = argc > 2 ? std::atol(argv[2]) : 100000;
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);

  fixtures::TempDir dir;
  const std::string home = dir / "home", system = dir / "sys", bundle = dir / "Applications/Quill.app";
  fixtures::writeFile(bundle + "/Contents/Info.plist", "<plist><dict></dict></plist>");
  std::printf("generating %ld entries...\n", entries);
  std::fflush(stdout);
  const long made = generateLibrary(home, system, entries);
  // Installed applications, read beside the search: 300, a third one folder down.
  for (int app = 0; app < 300; ++app)
    fixtures::writeFile(system + "/Applications/" + (app % 3 ? "" : "Suite/") + "App " + std::to_string(app) +
                            ".app/Contents/Info.plist",
                        "<plist><dict><key>CFBundleIdentifier</key><string>com.vendor" + std::to_string(app) +
                            ".app</string></dict></plist>");

  StallMeter meter;
  {
    ui::MainWindow window(std::make_shared<ui::QtDispatcher>(),
                          SessionServices::standard(SearchLocations{home, system},
                                                    std::make_shared<FakePrivilegedRemover>()));
    window.show();
    runUntil([] { return true; }, 300);
    // The same window doing nothing: what this machine's load alone costs.
    meter.start();
    runUntil([] { return true; }, 1000);
    report("idle window (the machine's own noise)", 1.0, meter);
    meter.start();
    window.controller().analyzeApp(bundle);
    const double seconds =
        runUntil([&] { return std::holds_alternative<states::Ready>(window.controller().state()); });
    report(("scan of " + std::to_string(made) + " entries").c_str(), seconds, meter);
  }

  {
    // One listed folder of `paths` entries (folders of 100 files) and the bundle.
    fixtures::TempDir sizes;
    const std::string folder = sizes / "home/Library/Caches/Quill";
    fixtures::makeDirs(folder);
    for (long written = 0, sub = 0; written < paths; ++sub) {
      const std::string subFolder = folder + "/" + std::to_string(sub);
      ::mkdir(subFolder.c_str(), 0755);
      ++written;
      for (int f = 0; f < 99 && written < paths; ++f, ++written) touch(subFolder + "/file" + std::to_string(f));
    }
    SessionServices services = SessionServices::standard(SearchLocations{sizes / "home", sizes / "sys"},
                                                         std::make_shared<FakePrivilegedRemover>());
    // When the last measuring call returned, to see how soon a stop is obeyed.
    auto ended = std::make_shared<std::atomic<qint64>>(0);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    services.measure = [measure = services.measure, ended, clock](const std::string& path, const std::atomic<bool>& stop) {
      auto size = measure(path, stop);
      ended->store(clock->nsecsElapsed());
      return size;
    };
    ui::MainWindow window(std::make_shared<ui::QtDispatcher>(), services);
    window.show();
    runUntil([] { return true; }, 300);
    auto& controller = window.controller();
    controller.analyzeApp(bundle);
    // The list's own first layout and paint are the figure below, not this one.
    runUntil([&] { return std::holds_alternative<states::Ready>(controller.state()); }, 100);
    meter.start();
    const double seconds = runUntil([&] { return !controller.isMeasuring(); });
    report(("sizes of a folder of " + std::to_string(paths) + " entries").c_str(), seconds, meter);

    controller.analyzeApp(bundle);
    runUntil([&] { return std::holds_alternative<states::Ready>(controller.state()); }, 0);
    runUntil([] { return true; }, 30);
    if (!controller.isMeasuring()) {
      std::printf("%-44s measuring ended before the reset\n", "measuring, the user goes back");
    } else {
      ended->store(0);
      const qint64 reset = clock->nsecsElapsed();
      controller.resetState();
      // The last call may have returned just before the reset, its result
      // still on its way: then no call is left to stop, and none will end.
      runUntil([&] { return ended->load() != 0 || clock->nsecsElapsed() - reset > 2'000'000'000; }, 0);
      if (ended->load() == 0)
        std::printf("%-44s no measuring call was running at the reset\n", "measuring, the user goes back");
      else
        std::printf("%-44s stopped %.1f ms after resetState()\n", "measuring, the user goes back",
                    double(ended->load() - reset) / 1e6);
    }
    std::fflush(stdout);
  }

  // The list and the log come from fakes that hand over finished data at once,
  // so the figures are the window's own cost.
  std::vector<std::string> listed;
  listed.reserve(std::size_t(paths));
  for (long i = 0; i < paths; ++i)
    listed.push_back(home + "/Library/Caches/Quill/" + std::to_string(i % 97) + "/file " + std::to_string(i));
  SessionServices services;
  services.analyze = [&](const std::string& path) -> AnalysisResult {
    // Every tenth row left out for its evidence, with its reason shown.
    AppInfo app("Quill", path, "com.example.quill", nullptr, listed);
    for (std::size_t row = 0; row < listed.size(); ++row)
      app.rows[row].evidence = RowEvidence{row % 10 == 0 ? Evidence::Coincidence : Evidence::Name, std::nullopt, {}};
    return app;
  };
  services.uninstall = [](const AppInfo& app, const ProgressCallback& progress, const CompletionCallback& done) {
    for (std::size_t row = 0; row < app.rows.size(); ++row) {
      progress({row, app.rows[row].path, RowOutcome::Started});
      progress({row, app.rows[row].path, RowOutcome::Deleted});
    }
    done(true, std::nullopt);
  };
  ui::MainWindow window(std::make_shared<ui::QtDispatcher>(), services);
  window.show();
  runUntil([] { return true; }, 300);

  meter.start();
  window.controller().analyzeApp(bundle);
  double seconds = runUntil([&] { return std::holds_alternative<states::Ready>(window.controller().state()); }, 1000);
  report(("ready list of " + std::to_string(paths) + " paths").c_str(), seconds, meter);

  const AppInfo app = std::get<states::Ready>(window.controller().state()).app;
  meter.start();
  window.controller().performUninstall(app);
  seconds = runUntil([&] { return std::holds_alternative<states::Completed>(window.controller().state()); }, 1000);
  report(("removal log of " + std::to_string(2 * paths) + " lines").c_str(), seconds, meter);
  return 0;
}
