#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "testing/manual_dispatcher.h"
#include "session/session_controller.h"

namespace quillmere {
namespace {

// The state as short text, so expectations read like the transition table.
std::string describe(const UninstallState& state) {
  struct Visitor {
    std::string operator()(const states::Idle&) const { return "idle"; }
    std::string operator()(const states::Analyzing&) const { return "analyzing"; }
    std::string operator()(const states::Ready& r) const { return "ready:" + r.app.name(); }
    std::string operator()(const states::Uninstalling&) const { return "uninstalling"; }
    std::string operator()(const states::Completed&) const { return "completed"; }
    std::string operator()(const states::Error& e) const { return "error:" + e.message; }
  };
  return std::visit(Visitor{}, state);
}

AppInfo makeApp(const std::string& name, std::vector<std::string> files) {
  return AppInfo(name, "/Applications/" + name + ".app", "com.example." + name, nullptr,
                 std::move(files));
}

// The event a removal sends for one of its standard log lines.
RowEvent eventOf(const std::string& line) {
  for (auto [prefix, outcome] : {std::pair{"Deleting: ", RowOutcome::Started}, {"✓ Deleted: ", RowOutcome::Deleted},
                                 {"✓ Deleted (sudo): ", RowOutcome::DeletedWithPrivileges},
                                 {"✗ Failed to delete: ", RowOutcome::Failed}})
    if (line.starts_with(prefix)) return {0, line.substr(std::string(prefix).size()), outcome};
  ADD_FAILURE() << "not a removal's line: " << line;
  return {};
}

// Fake analysis and removal: answers as scripted, checks that it runs as
// background work, and records what it was asked to do.
struct Fakes {
  std::shared_ptr<ManualDispatcher> dispatcher;
  std::map<std::string, AnalysisResult> answers;  // a path not listed is analysed as "Tool"
  bool analysisThrows = false;
  std::vector<std::string> analysed;

  std::vector<std::string> lines{"Deleting: /a", "✓ Deleted: /a"};
  bool success = true;
  std::optional<std::string> message;
  int completions = 1;
  std::vector<AppInfo> removed;

  SessionServices services(std::shared_ptr<void> token = nullptr) {
    SessionServices s;
    s.analyze = [this, token](const std::string& path) -> AnalysisResult {
      EXPECT_TRUE(dispatcher->inBackground());
      analysed.push_back(path);
      if (analysisThrows) throw std::runtime_error("broken");
      auto it = answers.find(path);
      return it != answers.end() ? it->second : AnalysisResult(makeApp("Tool", {path}));
    };
    s.uninstall = [this, token](const AppInfo& app, const ProgressCallback& progress,
                                const CompletionCallback& completion) {
      EXPECT_TRUE(dispatcher->inBackground());
      removed.push_back(app);
      for (const auto& line : lines) progress(eventOf(line));
      for (int i = 0; i < completions; ++i) completion(success, message);
    };
    return s;
  }
};

class SessionControllerTest : public testing::Test {
protected:
  void SetUp() override {
    fakes.dispatcher = dispatcher;
    controller = std::make_unique<SessionController>(dispatcher, fakes.services());
    controller->setChangeListener([this](SessionField field) {
      EXPECT_FALSE(dispatcher->inBackground()) << "state changed off the main thread";
      changes.push_back(field);
    });
  }

  std::string state() const { return describe(controller->state()); }

  // Brings the controller to ready(app) through a real analysis.
  AppInfo analyseToReady(std::vector<std::string> files = {"/x", "/Applications/Tool.app"}) {
    AppInfo app = makeApp("Tool", std::move(files));
    fakes.answers.insert_or_assign("/Applications/Tool.app", app);
    controller->analyzeApp("/Applications/Tool.app");
    dispatcher->runAll();
    return app;
  }

  std::shared_ptr<ManualDispatcher> dispatcher = std::make_shared<ManualDispatcher>();
  Fakes fakes;
  std::unique_ptr<SessionController> controller;
  std::vector<SessionField> changes;
};

TEST_F(SessionControllerTest, StartsIdleWithEverythingEmpty) {
  EXPECT_EQ(state(), "idle");
  EXPECT_FALSE(controller->isTargeted());
  EXPECT_FALSE(controller->showConfirmation());
  EXPECT_FALSE(controller->currentApp());
  EXPECT_TRUE(controller->uninstallLog().empty());
}

TEST_F(SessionControllerTest, AnalysisRunsInTheBackgroundAndShowsTheRecord) {
  controller->analyzeApp("/Applications/Tool.app");
  EXPECT_EQ(state(), "analyzing");
  EXPECT_TRUE(fakes.analysed.empty());
  ASSERT_EQ(dispatcher->pendingBackground(), 1u);

  dispatcher->runBackground();
  EXPECT_EQ(state(), "analyzing") << "a result is applied on the main thread only";
  dispatcher->drainMain();
  EXPECT_EQ(state(), "ready:Tool");
  EXPECT_EQ(fakes.analysed, std::vector<std::string>{"/Applications/Tool.app"});
  EXPECT_FALSE(controller->currentApp()) << "set only by the uninstall button";
  EXPECT_EQ(changes, (std::vector{SessionField::State, SessionField::State}));
}

TEST_F(SessionControllerTest, FailedAnalysisShowsItsDescriptionAndRetryDoesNotAnalyseAgain) {
  fakes.answers.insert_or_assign("/gone.app", AnalysisError{"", -1, "Application does not exist"});
  controller->analyzeApp("/gone.app");
  dispatcher->runAll();
  EXPECT_EQ(state(), "error:Application does not exist");

  controller->resetState();
  EXPECT_EQ(state(), "idle");
  EXPECT_EQ(dispatcher->pendingBackground(), 0u);
  EXPECT_EQ(fakes.analysed.size(), 1u);
}

TEST_F(SessionControllerTest, AnalysisThatThrowsEndsInUnknownError) {
  fakes.analysisThrows = true;
  controller->analyzeApp("/Applications/Tool.app");
  dispatcher->runAll();
  EXPECT_EQ(state(), "error:Unknown error");
}

TEST_F(SessionControllerTest, UninstallButtonSetsCurrentAppThenOpensTheDialog) {
  AppInfo app = analyseToReady();
  changes.clear();
  controller->requestUninstall(app);
  EXPECT_EQ(state(), "ready:Tool");
  ASSERT_TRUE(controller->currentApp());
  EXPECT_EQ(controller->currentApp()->id(), app.id());
  EXPECT_TRUE(controller->showConfirmation());
  EXPECT_EQ(changes, (std::vector{SessionField::CurrentApp, SessionField::ShowConfirmation}));

  controller->dismissConfirmation();
  EXPECT_FALSE(controller->showConfirmation());
  EXPECT_TRUE(controller->currentApp()) << "closing the dialog keeps the record";
}

TEST_F(SessionControllerTest, ConfirmWithoutCurrentAppChangesNothing) {
  analyseToReady();
  changes.clear();
  controller->confirmUninstall();
  EXPECT_EQ(state(), "ready:Tool");
  EXPECT_TRUE(changes.empty());
  EXPECT_EQ(dispatcher->pendingBackground(), 0u);
}

TEST_F(SessionControllerTest, RemovalLogsEveryLineBeforeLeavingUninstalling) {
  AppInfo app = analyseToReady();
  controller->requestUninstall(app);
  fakes.lines = {"Deleting: /x", "✓ Deleted: /x", "Deleting: /Applications/Tool.app",
                 "✓ Deleted: /Applications/Tool.app"};
  controller->confirmUninstall();
  EXPECT_EQ(state(), "uninstalling");

  dispatcher->runBackground();
  ASSERT_EQ(fakes.removed.size(), 1u);
  EXPECT_EQ(fakes.removed[0].id(), app.id());
  ASSERT_EQ(dispatcher->pendingMain(), fakes.lines.size() + 1) << "one submission per line";
  for (std::size_t i = 0; i < fakes.lines.size(); ++i) {
    dispatcher->runNextMain();
    EXPECT_EQ(state(), "uninstalling");
    EXPECT_EQ(controller->uninstallLog().size(), i + 1);
  }
  dispatcher->runNextMain();
  EXPECT_EQ(state(), "completed");
  EXPECT_EQ(controller->uninstallLog(), fakes.lines);
  EXPECT_TRUE(controller->currentApp()) << "kept until a reset";
}

TEST_F(SessionControllerTest, StartingARemovalEmptiesTheLogInTheSameTurn) {
  AppInfo app = analyseToReady();
  controller->performUninstall(app);
  dispatcher->runAll();
  ASSERT_FALSE(controller->uninstallLog().empty());

  changes.clear();
  controller->performUninstall(app);
  EXPECT_EQ(state(), "uninstalling");
  EXPECT_TRUE(controller->uninstallLog().empty());
  EXPECT_EQ(changes, (std::vector{SessionField::State, SessionField::UninstallLog}));
}

TEST_F(SessionControllerTest, EmptyFileListCompletesWithAnEmptyLog) {
  fakes.lines.clear();
  controller->performUninstall(makeApp("Tool", {}));
  dispatcher->runAll();
  EXPECT_EQ(state(), "completed");
  EXPECT_TRUE(controller->uninstallLog().empty());
}

TEST_F(SessionControllerTest, FailedRemovalShowsItsMessageOrUnknownError) {
  AppInfo app = makeApp("Tool", {"/x"});
  fakes.success = false;
  fakes.message = "Failed to delete 2 files";
  controller->performUninstall(app);
  dispatcher->runAll();
  EXPECT_EQ(state(), "error:Failed to delete 2 files");
  EXPECT_EQ(controller->uninstallLog(), fakes.lines) << "the log stays for the error screen";

  fakes.message.reset();
  controller->performUninstall(app);
  dispatcher->runAll();
  EXPECT_EQ(state(), "error:Unknown error");
}

TEST_F(SessionControllerTest, RemovalThatBreaksTheCompletionContractStillEnds) {
  AppInfo app = makeApp("Tool", {"/x"});
  fakes.completions = 0;
  controller->performUninstall(app);
  dispatcher->runAll();
  EXPECT_EQ(state(), "error:Unknown error") << "no completion must not leave the session busy";

  fakes.completions = 2;
  fakes.success = true;
  controller->performUninstall(app);
  dispatcher->runBackground();
  EXPECT_EQ(dispatcher->pendingMain(), fakes.lines.size() + 1) << "only the first completion counts";
}

TEST_F(SessionControllerTest, ResetClearsRecordAndLogButNotHoverOrDialog) {
  AppInfo app = analyseToReady();
  controller->setTargeted(true);
  controller->requestUninstall(app);
  controller->confirmUninstall();
  dispatcher->runAll();
  ASSERT_EQ(state(), "completed");

  controller->resetState();
  EXPECT_EQ(state(), "idle");
  EXPECT_FALSE(controller->currentApp());
  EXPECT_TRUE(controller->uninstallLog().empty());
  EXPECT_TRUE(controller->isTargeted());
  EXPECT_TRUE(controller->showConfirmation()) << "only the dialog closes itself";
}

// Interleavings: results are applied whenever they arrive; the last one wins.

TEST_F(SessionControllerTest, TwoAnalysesResolvedOutOfOrder) {
  fakes.answers.insert_or_assign("/A/First.app", makeApp("First", {}));
  fakes.answers.insert_or_assign("/A/Second.app", makeApp("Second", {}));
  controller->analyzeApp("/A/First.app");
  controller->analyzeApp("/A/Second.app");
  dispatcher->runBackground(1);
  dispatcher->drainMain();
  EXPECT_EQ(state(), "ready:Second");
  dispatcher->runBackground(0);
  dispatcher->drainMain();
  EXPECT_EQ(state(), "ready:First");
}

TEST_F(SessionControllerTest, ResultAfterResetIsStillApplied) {
  controller->analyzeApp("/Applications/Tool.app");
  controller->resetState();
  dispatcher->runAll();
  EXPECT_EQ(state(), "ready:Tool");
}

TEST_F(SessionControllerTest, DropDuringRemoval) {
  AppInfo app = analyseToReady();
  controller->requestUninstall(app);
  controller->confirmUninstall();
  controller->handleDrop({DroppedItem{"file:///A/Other.app"}});
  fakes.answers.insert_or_assign("/A/Other.app", makeApp("Other", {}));

  dispatcher->runBackground(1);  // the drop is decoded
  dispatcher->drainMain();
  EXPECT_EQ(state(), "analyzing");
  dispatcher->runBackground(0);  // the removal runs to its end: the drop's session keeps the screen
  dispatcher->drainMain();
  EXPECT_EQ(state(), "analyzing");
  dispatcher->runBackground(0);  // the dropped bundle's analysis returns last
  dispatcher->drainMain();
  EXPECT_EQ(state(), "ready:Other");
  EXPECT_TRUE(controller->uninstallLog().empty());
  EXPECT_EQ(controller->currentApp()->id(), app.id());
}

// A removal's lines and result belong to the session that started it: one
// that ends after another app was dropped and its removal confirmed neither
// replaces that screen nor mixes into its log.
TEST_F(SessionControllerTest, ALateRemovalResultLeavesTheNextSessionAlone) {
  AppInfo first = analyseToReady();
  controller->requestUninstall(first);
  controller->confirmUninstall();  // background item 0: the first removal
  fakes.answers.insert_or_assign("/A/Other.app", makeApp("Other", {"/b"}));
  controller->handleDrop({DroppedItem{"file:///A/Other.app"}});
  dispatcher->runBackground(1);  // the drop is decoded
  dispatcher->drainMain();
  dispatcher->runBackground(1);  // and analysed
  dispatcher->drainMain();
  ASSERT_EQ(state(), "ready:Other");
  const AppInfo other = std::get<states::Ready>(controller->state()).app;
  controller->requestUninstall(other);
  controller->confirmUninstall();

  const std::vector<std::string> otherLines{"Deleting: /b", "\u2717 Failed to delete: /b"};
  fakes.lines = otherLines;
  fakes.success = false;
  fakes.message = "Failed to delete 1 files";
  dispatcher->runBackground(1);  // the second removal ends first, and fails
  dispatcher->drainMain();
  fakes.lines = {"Deleting: /x", "\u2713 Deleted: /x"};
  fakes.success = true;
  dispatcher->runBackground(0);  // the first one ends late, and succeeds
  dispatcher->drainMain();
  EXPECT_EQ(state(), "error:Failed to delete 1 files");
  EXPECT_EQ(controller->uninstallLog(), otherLines);
  EXPECT_EQ(controller->freed().entries(), 0u);
}

TEST_F(SessionControllerTest, DestroyedWithWorkInFlight) {
  auto token = std::make_shared<int>(0);
  controller = std::make_unique<SessionController>(dispatcher, fakes.services(token));
  bool destroyed = false;
  controller->setChangeListener([&](SessionField) { EXPECT_FALSE(destroyed); });
  AppInfo app = makeApp("Tool", {"/x"});
  controller->analyzeApp("/Applications/Tool.app");
  controller->performUninstall(app);
  controller->handleDrop({DroppedItem{"file:///A/Other.app"}});
  dispatcher->runBackground(1);  // a result is already waiting for the main thread

  controller.reset();
  destroyed = true;
  dispatcher->runAll();  // must touch nothing freed and call no listener
  EXPECT_EQ(fakes.analysed.size(), 2u);
  EXPECT_EQ(token.use_count(), 1) << "the state is freed once the last queued work ran";
}

TEST_F(SessionControllerTest, UnrunWorkDoesNotKeepItsQueueOrStateAlive) {
  auto token = std::make_shared<int>(0);
  controller = std::make_unique<SessionController>(dispatcher, fakes.services(token));
  controller->analyzeApp("/Applications/Tool.app");
  std::weak_ptr<ManualDispatcher> queue = dispatcher;
  controller.reset();
  dispatcher.reset();
  fakes.dispatcher.reset();
  EXPECT_TRUE(queue.expired());
  EXPECT_EQ(token.use_count(), 1);
}

// Drops.

TEST_F(SessionControllerTest, EmptyDropDoesNothing) {
  controller->handleDrop({});
  EXPECT_EQ(dispatcher->pendingBackground(), 0u);
  EXPECT_EQ(dispatcher->pendingMain(), 0u);
  EXPECT_TRUE(changes.empty());
}

TEST_F(SessionControllerTest, DropIsDecodedOffTheMainThreadThenSubmittedOnce) {
  controller->handleDrop({DroppedItem{"file:///Applications/My%20App.app/"}});
  EXPECT_EQ(state(), "idle");
  dispatcher->runBackground();
  EXPECT_EQ(state(), "idle");
  EXPECT_EQ(dispatcher->pendingMain(), 1u);
  dispatcher->runNextMain();
  EXPECT_EQ(state(), "analyzing");
  dispatcher->runAll();
  EXPECT_EQ(fakes.analysed, std::vector<std::string>{"/Applications/My App.app"});
}

TEST_F(SessionControllerTest, OnlyTheFirstDroppedItemCounts) {
  controller->handleDrop({DroppedItem{"file:///A/First.app"}, DroppedItem{"file:///A/Second.app"}});
  dispatcher->runAll();
  EXPECT_EQ(fakes.analysed, std::vector<std::string>{"/A/First.app"});

  controller->handleDrop({DroppedItem{std::nullopt}, DroppedItem{"file:///A/Second.app"}});
  dispatcher->runAll();
  EXPECT_EQ(state(), "error:请拖拽 .app 文件") << "an item without a file URL is rejected";
  EXPECT_EQ(fakes.analysed.size(), 1u);
}

TEST_F(SessionControllerTest, DropIsHandledInEveryState) {
  AppInfo app = makeApp("Tool", {"/x"});
  // Each step leaves the controller in a different state before the drops.
  const std::vector<std::pair<std::string, std::function<void()>>> setups = {
      {"idle", [&] { controller->resetState(); }},
      {"analyzing", [&] { controller->analyzeApp("/Applications/Tool.app"); }},
      {"ready:Tool", [&] { controller->analyzeApp("/Applications/Tool.app"); dispatcher->runAll(); }},
      {"uninstalling", [&] { controller->performUninstall(app); }},
      {"completed", [&] { controller->performUninstall(app); dispatcher->runAll(); }},
      {"error:Unknown error",
       [&] { fakes.success = false; controller->performUninstall(app); dispatcher->runAll();
             fakes.success = true; }},
  };
  for (const auto& [expected, setup] : setups) {
    for (bool usable : {true, false}) {
      dispatcher->discardAll();
      setup();
      ASSERT_EQ(state(), expected);
      controller->handleDrop({DroppedItem{usable ? "file:///A/Tool.app" : "file:///A/Tool.APP"}});
      dispatcher->runBackground(dispatcher->pendingBackground() - 1);
      dispatcher->drainMain();
      EXPECT_EQ(state(), usable ? "analyzing" : "error:请拖拽 .app 文件") << "dropped on " << expected;
    }
  }
}

}  // namespace
}  // namespace quillmere

namespace quillmere {
namespace {

// The ready list's rows: what is left out never reaches the removal, and the
// sizes measured in the background belong to the record shown.

TEST_F(SessionControllerTest, LeftOutRowsNeverReachTheRemovalAndANewRecordStartsWhole) {
  const std::vector<std::string> files = {"/L/a", "/L/b", "/L/c", "/Applications/Tool.app"};
  AppInfo app = analyseToReady(files);
  EXPECT_EQ(controller->rowSelection().selectedCount(), 4u);
  changes.clear();
  controller->toggleRow(1);
  controller->setRowSelected(3, false);  // the bundle itself may stay
  controller->setRowSelected(3, false);  // no change, no report
  EXPECT_EQ(changes, (std::vector{SessionField::Rows, SessionField::Rows}));

  controller->requestUninstall(app);
  ASSERT_TRUE(controller->currentApp());
  EXPECT_EQ(controller->currentApp()->id(), app.id());
  EXPECT_EQ(controller->currentApp()->relatedFiles(), (std::vector<std::string>{"/L/a", "/L/c"}));
  controller->confirmUninstall();
  dispatcher->runAll();
  ASSERT_EQ(fakes.removed.size(), 1u);
  EXPECT_EQ(fakes.removed[0].relatedFiles(), (std::vector<std::string>{"/L/a", "/L/c"}));
  EXPECT_EQ(controller->rowSelection().size(), 0u) << "the rows go with the screen";

  // The same bundle analysed again: every row selected.
  app = analyseToReady(files);
  EXPECT_EQ(controller->rowSelection().selectedCount(), 4u);
  // Everything left out: "卸载应用" cannot open the dialog.
  for (std::size_t row = 0; row < files.size(); ++row) controller->toggleRow(row);
  controller->dismissConfirmation();
  changes.clear();
  controller->requestUninstall(app);
  EXPECT_FALSE(controller->showConfirmation());
  EXPECT_TRUE(changes.empty());
}

TEST_F(SessionControllerTest, SizesArriveInTheBackgroundAndStopWhenTheScreenGoes) {
  std::vector<std::string> measured;
  std::function<void()> duringSecond;
  SessionServices services = fakes.services();
  services.measure = [&](const std::string& path, const std::atomic<bool>& stop) -> std::optional<std::uint64_t> {
    EXPECT_TRUE(dispatcher->inBackground());
    measured.push_back(path);
    if (measured.size() == 2 && duringSecond) duringSecond();
    if (stop) return std::nullopt;
    return path == "/L/unreadable" ? std::nullopt : std::optional<std::uint64_t>(path.size() * 100);
  };
  controller = std::make_unique<SessionController>(dispatcher, services);

  analyseToReady({"/L/a", "/L/unreadable", "/Applications/Tool.app"});
  EXPECT_EQ(measured.size(), 3u);
  EXPECT_FALSE(controller->isMeasuring());
  const RowSelection& rows = controller->rowSelection();
  EXPECT_EQ(rows.sizeOf(0), 400u);
  EXPECT_TRUE(rows.isMeasured(1));
  EXPECT_FALSE(rows.sizeOf(1)) << "no size rather than a wrong one";
  EXPECT_EQ(rows.selectedSize(), 400u + 2200u);

  // The user goes back while the second entry is measured: the walk is told
  // to stop, the third is never measured, nothing already found is shown.
  measured.clear();
  duringSecond = [&] { controller->resetState(); };
  analyseToReady({"/L/a", "/L/b", "/Applications/Tool.app"});
  EXPECT_EQ(measured, (std::vector<std::string>{"/L/a", "/L/b"}));
  EXPECT_FALSE(controller->isMeasuring());
  EXPECT_EQ(controller->rowSelection().size(), 0u);

  // A measurement still queued when the state moves on never starts.
  measured.clear();
  duringSecond = nullptr;
  fakes.answers.insert_or_assign("/A/Other.app", makeApp("Other", {"/L/o"}));
  controller->analyzeApp("/A/Other.app");
  dispatcher->runBackground();
  dispatcher->drainMain();
  EXPECT_TRUE(controller->isMeasuring());
  controller->performUninstall(makeApp("Other", {"/L/o"}));
  dispatcher->runAll();
  EXPECT_TRUE(measured.empty());
}

// The lock and the dialog's password line are known while the first rows
// are still being measured: a large folder's size holds back no row's rights.
TEST_F(SessionControllerTest, EveryRowsRightsArriveBeforeAnySize) {
  std::optional<std::size_t> needingRightsDuringFirstSize;
  SessionServices services = fakes.services();
  services.needsRights = [](const std::string& path, const std::optional<EntryIdentity>&,
                            const std::atomic<bool>&) { return path == "/Library/LaunchDaemons/x.plist"; };
  services.measure = [&](const std::string&, const std::atomic<bool>&) -> std::optional<std::uint64_t> {
    if (!needingRightsDuringFirstSize) {
      dispatcher->drainMain();  // the main thread goes on meanwhile
      needingRightsDuringFirstSize = controller->rowSelection().selectedNeedingRights();
    }
    return 1;
  };
  controller = std::make_unique<SessionController>(dispatcher, services);

  analyseToReady({"/L/large", "/Library/LaunchDaemons/x.plist", "/Applications/Tool.app"});
  EXPECT_EQ(needingRightsDuringFirstSize, 1u);
  EXPECT_TRUE(controller->rowSelection().needsRights(1));
  EXPECT_EQ(controller->rowSelection().measuredCount(), 3u);
}

}  // namespace
}  // namespace quillmere
