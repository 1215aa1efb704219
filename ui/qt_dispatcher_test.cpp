// The Qt dispatcher, the spring curve, and what happens to work still running
// when the window closes or the process ends.

#include <QApplication>
#include <QProcess>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <map>
#include <memory>

#include "ui/main_window.h"
#include "ui/qt_dispatcher.h"
#include "ui/spring.h"

using namespace quillmere;
using namespace quillmere::ui;

class QtDispatcherTest : public QObject {
  Q_OBJECT

private slots:
  void mainWorkRunsOnTheMainThreadInSubmissionOrder() {
    auto dispatcher = std::make_shared<QtDispatcher>();
    constexpr int kSenders = 4, kItems = 200;
    std::map<int, std::vector<int>> received;  // main thread only
    std::atomic<int> offMain{0};
    int done = 0, wrongThread = 0;
    QThread* mainThread = QThread::currentThread();
    for (int sender = 0; sender < kSenders; ++sender) {
      dispatcher->runInBackground([&, sender] {
        if (QThread::currentThread() != mainThread) ++offMain;
        for (int i = 0; i < kItems; ++i) {
          dispatcher->runOnMain([&, sender, i] {
            if (QThread::currentThread() != mainThread) ++wrongThread;
            received[sender].push_back(i);
            if (i == kItems - 1) ++done;
          });
        }
      });
    }
    QTRY_COMPARE_WITH_TIMEOUT(done, kSenders, 60000);
    QCOMPARE(offMain.load(), kSenders);
    QCOMPARE(wrongThread, 0);
    for (auto& [sender, items] : received) {
      QCOMPARE(static_cast<int>(items.size()), kItems);
      QVERIFY(std::is_sorted(items.begin(), items.end()));
    }
  }

  void aFloodOfMainWorkLetsTheEventLoopBreathe() {
    // 200 pieces of ~1 ms each: run in one go they would keep a timer that
    // is already due waiting until the last one; in slices it fires between.
    auto dispatcher = std::make_shared<QtDispatcher>();
    constexpr int kItems = 200;
    int ran = 0, ranWhenTimerFired = -1;
    std::vector<int> order;
    for (int i = 0; i < kItems; ++i) {
      dispatcher->runOnMain([&, i] {
        order.push_back(i);
        ++ran;
        QTest::qSleep(1);
      });
    }
    // Submitted from inside main work, it still runs, and after the rest.
    dispatcher->runOnMain([&] { dispatcher->runOnMain([&] { order.push_back(kItems); }); });
    QTimer::singleShot(0, [&] { ranWhenTimerFired = ran; });
    QTRY_COMPARE_WITH_TIMEOUT(int(order.size()), kItems + 1, 60000);
    QVERIFY(std::is_sorted(order.begin(), order.end()));
    QVERIFY2(ranWhenTimerFired >= 0 && ranWhenTimerFired < kItems, qPrintable(QString::number(ranWhenTimerFired)));
  }

  void closingTheWindowDuringAnAnalysisTouchesNothing() {
    auto release = std::make_shared<QSemaphore>();
    auto started = std::make_shared<QSemaphore>();
    SessionServices services;
    services.analyze = [release, started](const std::string& path) -> AnalysisResult {
      started->release();
      release->acquire();
      return AppInfo("Demo", path, std::nullopt, nullptr, {path});
    };
    services.uninstall = [](const AppInfo&, const ProgressCallback&, const CompletionCallback& done) {
      done(true, std::nullopt);
    };
    auto view = std::make_unique<MainWindow>(std::make_shared<QtDispatcher>(), services);
    view->controller().analyzeApp("/Applications/Demo.app");
    started->acquire();
    view.reset();  // closes while the analysis runs, and does not wait for it
    release->release();
    QVERIFY(waitForBackgroundWork(60000));
    QCoreApplication::processEvents();  // the late result finds nobody to tell
  }

  // More blocked work than the machine has cores - a removal at the password
  // prompt, analyses stuck in a slow folder - and a new drop is still decoded.
  void aDropIsDecodedWhileEarlierWorkIsBlocked() {
    auto release = std::make_shared<QSemaphore>();
    SessionServices services;
    services.analyze = [release](const std::string& path) -> AnalysisResult {
      release->acquire();
      return AppInfo("Demo", path, std::nullopt, nullptr, {path});
    };
    services.uninstall = [release](const AppInfo&, const ProgressCallback&,
                                   const CompletionCallback& done) {
      release->acquire();
      done(true, std::nullopt);
    };
    auto view = std::make_unique<MainWindow>(std::make_shared<QtDispatcher>(), services);
    SessionController& controller = view->controller();
    controller.performUninstall(AppInfo("Demo", "/Applications/Demo.app", std::nullopt, nullptr,
                                        {"/Applications/Demo.app"}));
    const int blocked = QThread::idealThreadCount() + 1;
    for (int i = 0; i < blocked; ++i) controller.analyzeApp("/Applications/Demo.app");

    controller.handleDrop({DroppedItem{std::string("file:///tmp/notes.txt")}});
    QTRY_VERIFY_WITH_TIMEOUT(std::holds_alternative<states::Error>(controller.state()), 10000);
    QCOMPARE(std::get<states::Error>(controller.state()).message, std::string(kDropRejectedMessage));

    release->release(blocked + 1);
    QVERIFY(waitForBackgroundWork(60000));
    QCoreApplication::processEvents();
  }

  void exitIsNotHeldUpByBackgroundWork_data() {
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("status");
    QTest::newRow("work still running") << true << 7;
    QTest::newRow("idle") << false << 0;
  }
  void exitIsNotHeldUpByBackgroundWork() {
    QFETCH(bool, busy);
    QFETCH(int, status);
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLMERE_EXIT_PROBE", busy ? "busy" : "idle");
    probe.setProcessEnvironment(env);
    probe.start(QCoreApplication::applicationFilePath(), {});
    // The wait only guards against a hang; a busy worker sleeps for an hour.
    QVERIFY(probe.waitForFinished(120000));
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), status);
  }

  void springSettlesAfterASmallOvershoot() {
    const QEasingCurve spring = springEasing();
    QCOMPARE(spring.valueForProgress(0), 0.0);
    QCOMPARE(spring.valueForProgress(1), 1.0);
    qreal peak = 0, previous = 0;
    bool risingUntilPeak = true, peaked = false;
    for (int i = 1; i <= 100; ++i) {
      const qreal v = spring.valueForProgress(i / 100.0);
      if (v < previous && !peaked) peaked = true;
      if (v > previous && peaked && v > 1) risingUntilPeak = false;
      peak = std::max(peak, v);
      previous = v;
    }
    QVERIFY(risingUntilPeak);
    QVERIFY2(peak > 1.005 && peak < 1.02, qPrintable(QString::number(peak)));
    // Close enough to rest when the animation ends that landing on 1 is unseen.
    QVERIFY(qAbs(springProgress(kSpringDurationMs / 1000.0, 0.3, 0.825) - 1) < 0.001);
  }
};

// Run as a child by exitIsNotHeldUpByBackgroundWork.
static int exitProbe(int argc, char** argv, bool busy) {
  QCoreApplication app(argc, argv);
  if (busy) {
    QSemaphore started;
    QtDispatcher dispatcher;
    dispatcher.runInBackground([&started] {
      started.release();
      QThread::sleep(3600);
    });
    started.acquire();
    exitNowIfBackgroundWorkRuns(7);
    return 1;  // not reached when the probe works
  }
  exitNowIfBackgroundWorkRuns(7);
  return 0;
}

int main(int argc, char** argv) {
  const QByteArray probe = qgetenv("QUILLMERE_EXIT_PROBE");
  if (!probe.isEmpty()) return exitProbe(argc, argv, probe == "busy");
  QApplication app(argc, argv);
  QtDispatcherTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "qt_dispatcher_test.moc"
