// The desktop app's window, built as app/main.cpp builds it, that closes
// itself while an analysis or a removal is still running, then ends as the
// app does. Run by window_close_test in a child process.
//
//   quillmere_window_close_probe analysis|removal HOME BUNDLE
//
// "analysis": the scan of the dropped bundle never finishes (a stalled
// volume); "removal": the removal waits at the privileged step forever (an
// authorisation prompt nobody answers). Prints "closing" just before closing.

#include <QAbstractButton>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "removal/file_operations.h"
#include "removal/uninstaller.h"
#include "ui/main_window.h"
#include "ui/drop_zone.h"
#include "ui/qt_dispatcher.h"
#include "ui/screens/screens.h"

using namespace quillmere;

namespace {

std::atomic<bool> stalled = false;

[[noreturn]] void stallForever() {
  stalled = true;
  for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

class WaitingPrivilegedRemover : public PrivilegedRemover {
public:
  bool accepts(const std::string&) const override { return true; }
  std::vector<PrivilegedOutcome> removeWithPrivileges(const std::vector<PrivilegedEntry>&) override {
    stallForever();
  }
};

// As an ordinary user might: nothing here may be removed without rights.
class LockedFileOperations : public FileOperations {
public:
  bool isDeletable(const ListedEntry&) const override { return false; }
};

void drop(ui::DropZone* zone, const std::string& bundle) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(bundle))});
  // A drop is only delivered where a drag entered first.
  QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(zone, &enter);
  QDropEvent event(QPointF(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(zone, &event);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::strcmp(argv[1], "analysis") != 0 && std::strcmp(argv[1], "removal") != 0)) {
    std::fprintf(stderr, "usage: %s analysis|removal HOME BUNDLE\n", argv[0]);
    return 2;
  }
  const bool duringAnalysis = std::strcmp(argv[1], "analysis") == 0;
  const std::string home = argv[2], bundle = argv[3];

  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(true);
  int status = 0;
  {
    SessionServices services =
        SessionServices::standard(SearchLocations{home, home + "/system"}, nullptr);
    if (duringAnalysis) {
      services.analyze = [](const std::string&) -> AnalysisResult {
        stallForever();
        return AnalysisError{};
      };
    } else {
      services.uninstall = [](const AppInfo& app, const ProgressCallback& progress,
                              const CompletionCallback& completion) {
        Uninstaller(std::make_shared<WaitingPrivilegedRemover>(), std::make_shared<LockedFileOperations>())
            .uninstall(app, progress, completion);
      };
    }
    ui::MainWindow window(std::make_shared<ui::QtDispatcher>(), std::move(services));
    window.show();
    drop(window.dropZone(), bundle);

    // Poll the way a user acts: confirm once the list is ready, close once
    // the background work is stuck.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      SessionController& controller = window.controller();
      if (auto* dialog = window.confirmationDialog()) {
        dialog->confirmButton()->click();  // "确认清理"
      } else if (const auto* ready = std::get_if<states::Ready>(&controller.state())) {
        controller.requestUninstall(ready->app);  // "卸载应用"
      }
      if (stalled) {
        std::puts("closing");
        std::fflush(stdout);
        poll.stop();
        window.close();
      }
    });
    poll.start(10);
    status = QApplication::exec();
  }
  ui::exitNowIfBackgroundWorkRuns(status);
  return status;
}
