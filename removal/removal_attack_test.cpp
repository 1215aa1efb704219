// Attacks on what a removal deletes, played as root with two accounts made
// for the test: the user who removes ("asker") and another user ("other")
// who may write to a shared folder on the way. Every test asserts on the
// files outside the list: they must all survive.

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "analysis/app_analyzer.h"
#include "testing/fake_privileged_remover.h"
#include "removal/resolve_entry.h"
#include "removal/uninstaller.h"
#include "testing/test_tree.h"
#include "testing/manifest.h"
#include "testing/removal_run.h"
#include "testing/run_as_user.h"

namespace quillmere::safety {
namespace {

using fixtures::existsNoFollow;
using fixtures::makeDirs;
using fixtures::relist;
using fixtures::TempDir;
using fixtures::writeFile;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

const std::string kRemover = QUILLMERE_REMOVER;

// The device and inode of the entry itself, as `stat -c %d:%i` prints them.
std::string identityOf(const std::string& path) {
  struct stat st{};
  if (::lstat(path.c_str(), &st) != 0) return "0:0";
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

struct RemoverRun {
  int status = -1;
  std::string out;
};

// Runs our remover as root, as pkexec would after the password of the user
// `askerUid`: pkexec sets PKEXEC_UID, and HOME is whatever the test says.
RemoverRun runRemover(const std::vector<std::string>& arguments, unsigned askerUid,
                      const std::string& home = "/root") {
  std::vector<std::string> argv{kRemover};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> env{"PATH=/usr/bin:/bin", "PKEXEC_UID=" + std::to_string(askerUid), "HOME=" + home};
  std::vector<char*> cArgv, cEnv;
  for (auto& a : argv) cArgv.push_back(a.data());
  for (auto& e : env) cEnv.push_back(e.data());
  cArgv.push_back(nullptr);
  cEnv.push_back(nullptr);
  int fds[2];
  if (::pipe(fds) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(fds[1], 1);
    ::close(fds[0]);
    ::close(fds[1]);
    ::execve(cArgv[0], cArgv.data(), cEnv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  RemoverRun run;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) run.out.append(buffer, std::size_t(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

void chownAll(const std::string& top, const UserIds& user) {
  ASSERT_EQ(::lchown(top.c_str(), user.uid, user.gid), 0) << top;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(top))
    ASSERT_EQ(::lchown(entry.path().c_str(), user.uid, user.gid), 0) << entry.path();
}

void asUser(const UserIds& user, const std::function<void()>& work) {
  ASSERT_TRUE(runAsUser(user, [&] {
    work();
    return std::string("done");
  }));
}

class RemovalAttack : public testing::Test {
protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to make accounts and play them";
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    makeDirs(askerHome + "/Library/Caches");
    makeDirs(otherHome + "/Library/Caches");
    asker = std::make_unique<TemporaryUser>(askerHome);
    other = std::make_unique<TemporaryUser>(otherHome);
    if (!asker->valid() || !other->valid()) GTEST_SKIP() << "could not make two accounts (useradd)";
    makeDirs(dir / "Applications/Quill.app/Contents");
    chownAll(askerHome, a());
    chownAll(otherHome, b());
  }

  const UserIds& a() const { return asker->ids(); }
  const UserIds& b() const { return other->ids(); }

  // The asker's search, as the window or the command line makes it.
  AppInfo listed(const std::vector<std::string>& only) const {
    const AnalysisResult result = AppAnalyzer(SearchLocations{askerHome, dir / "system"}).analyze(dir / "Applications/Quill.app");
    AppInfo app = std::get<AppInfo>(result);
    const std::vector<std::string> found = app.relatedFiles();
    for (const std::string& path : only) EXPECT_NE(std::find(found.begin(), found.end(), path), found.end()) << path;
    relist(app, only);  // nothing decided for these
    return app;
  }

  TempDir dir;
  std::string askerHome = dir / "asker", otherHome = dir / "other";
  std::string caches = askerHome + "/Library/Caches";
  std::unique_ptr<TemporaryUser> asker, other;
};

// Run as root, the remover used to delete any path it was given. It takes
// only the shapes the search lists — below the twelve folders of the user
// pkexec names (never $HOME's), or a bundle — each with the identity it had
// when listed; anything else is a usage error that touches nothing, even
// the acceptable entries given beside it.
TEST_F(RemovalAttack, TheRemoverDeletesOnlyWhatTheSearchCouldHaveListed) {
  writeFile(dir / "root-secret", "secret");
  writeFile(askerHome + "/Documents/notes", "notes");
  writeFile(caches + "/Quill/data");
  writeFile(caches + "/a/b/c/Quill", "too deep");
  writeFile(otherHome + "/Library/Caches/Quill/theirs", "theirs");
  writeFile(dir / "Evil.app", "a file, not a bundle");
  chownAll(askerHome, a());
  chownAll(otherHome, b());
  const Manifest before = takeManifest(dir.path());
  const std::string quill = caches + "/Quill", theirs = otherHome + "/Library/Caches/Quill";
  const auto entry = [](const std::string& path) { return std::vector<std::string>{"--entry", identityOf(path), path}; };
  const auto both = [&](std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
  };

  const std::vector<std::vector<std::string>> refused = {
      {dir / "root-secret"},
      {quill},
      entry(dir / "root-secret"),
      entry(askerHome + "/Documents/notes"),
      entry(caches),
      entry(caches + "/a/b/c/Quill"),
      entry(theirs),
      {"--entry", identityOf(quill), caches + "/Quill/../../../../other/Library/Caches/Quill"},
      {"--entry", identityOf(quill), quill + "/"},
      {"--entry", "1:2:3", quill},
      {"--entry", "-1:2", quill},
      {"--entry", "x:1", quill},
      {"--entry", "", quill},
      {"--entry", identityOf(quill)},
      both(entry(quill), {"--entry"}),
      both(entry(quill), entry(dir / "root-secret")),
      both(entry(quill), {"--", dir / "root-secret"}),
  };
  for (const auto& arguments : refused) {
    // $HOME names the other user: only the account pkexec names counts.
    const RemoverRun run = runRemover(arguments, a().uid, otherHome);
    EXPECT_EQ(run.status, 2) << testing::PrintToString(arguments);
    EXPECT_EQ(run.out, "") << testing::PrintToString(arguments);
  }
  // The shape of a bundle, but not a folder: not removed either.
  EXPECT_EQ(runRemover(entry(dir / "Evil.app"), a().uid).status, 1);
  EXPECT_THAT(removalViolations(before, takeManifest(dir.path()), {}), IsEmpty());

  const RemoverRun done = runRemover(entry(quill), a().uid, otherHome);
  EXPECT_EQ(done.status, 0);
  EXPECT_EQ(done.out, "removed: " + quill + "\n");
  EXPECT_THAT(removalViolations(before, takeManifest(dir.path()), {quill}), IsEmpty());
}

// The listed folder lies in a folder the other user may write to. Between
// the listing and the removal, the other user renames it away and renames
// the asker's own folder — and then a root-owned one — to the listed name,
// or moves a link owned by root into a folder on the way. The renamed-in
// folders are not what was listed: nothing of them goes, for the asker's
// own removal (which then asks for no password either) as for the remover.
TEST_F(RemovalAttack, ARenamedInEntryIsNotTheListedOne) {
  const std::string shared = caches + "/Shared";
  writeFile(shared + "/Quill/data");
  writeFile(shared + "/Thesis/thesis.tex", "years of work");
  writeFile(shared + "/Quill Root/data");
  writeFile(shared + "/Mid/Quill Deep/data");
  chownAll(askerHome, a());
  ::chmod(shared.c_str(), 0777);
  writeFile(shared + "/System Data/report", "root's");
  writeFile(dir / "elsewhere/Quill Deep/precious", "root's");
  ASSERT_EQ(::symlink((dir / "elsewhere").c_str(), (shared + "/root link").c_str()), 0);
  const AppInfo app = listed({shared + "/Quill", shared + "/Quill Root", shared + "/Mid/Quill Deep"});
  std::map<std::string, std::string> identities;
  for (const auto& path : app.relatedFiles()) identities[path] = identityOf(path);

  asUser(b(), [&] {
    ::rename((shared + "/Quill").c_str(), (shared + "/Moved").c_str());
    ::rename((shared + "/Thesis").c_str(), (shared + "/Quill").c_str());
    ::rename((shared + "/Mid").c_str(), (shared + "/Mid moved").c_str());
    ::rename((shared + "/root link").c_str(), (shared + "/Mid").c_str());
    ::rename((shared + "/Quill Root").c_str(), (shared + "/Root moved").c_str());
    ::rename((shared + "/System Data").c_str(), (shared + "/Quill Root").c_str());
  });
  const Manifest before = takeManifest(dir.path());

  const auto log = runAsUser(a(), [&] {
    auto privileged = std::make_shared<FakePrivilegedRemover>();
    AppInfo own = app;
    relist(own, {shared + "/Quill"});
    RemovalRun run = runRemoval(Uninstaller(privileged), own);
    run.log.push_back(run.message.value_or("<none>"));
    run.log.push_back(std::to_string(privileged->calls().size()) + " privileged runs");
    return joinFields(run.log);
  });
  EXPECT_THAT(splitFields(log.value_or("")),
              ElementsAre("Deleting: " + shared + "/Quill", "\u2717 Failed to delete: " + shared + "/Quill",
                          "Failed to delete 1 files", "0 privileged runs"));

  for (const std::string& path : {shared + "/Quill Root", shared + "/Mid/Quill Deep"}) {
    const RemoverRun run = runRemover({"--entry", identities[path], path}, a().uid);
    EXPECT_EQ(run.status, 1) << path;
    EXPECT_THAT(run.out, StartsWith("not removed: " + path)) << path;
  }
  EXPECT_THAT(removalViolations(before, takeManifest(dir.path()), {}), IsEmpty());
  EXPECT_TRUE(existsNoFollow(shared + "/Quill/thesis.tex"));
  EXPECT_TRUE(existsNoFollow(shared + "/Quill Root/report"));
  EXPECT_TRUE(existsNoFollow(dir / "elsewhere/Quill Deep/precious"));
}

// A folder of the other user holding root's files is moved by its owner into
// the listed tree (through a folder in it that anyone may write to). The
// remover empties the listed tree as root, but never enters a folder of a
// third user: that one stays whole, and the path is reported not removed.
TEST_F(RemovalAttack, TheRemoverNeverEntersAThirdUsersFolder) {
  const std::string tree = caches + "/Quill";
  writeFile(tree + "/data");
  makeDirs(tree + "/drop");
  chownAll(askerHome, a());
  ::chmod((tree + "/drop").c_str(), 0777);
  writeFile(tree + "/root-owned", "needs the password");
  writeFile(otherHome + "/bag/root-files/report", "root's");
  ::lchown((otherHome + "/bag").c_str(), b().uid, b().gid);
  const std::string identity = identityOf(tree);
  asUser(b(), [&] { ::rename((otherHome + "/bag").c_str(), (tree + "/drop/bag").c_str()); });

  const RemoverRun run = runRemover({"--entry", identity, tree}, a().uid);
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.out, StartsWith("not removed: " + tree));
  EXPECT_TRUE(existsNoFollow(tree + "/drop/bag/root-files/report"));
  EXPECT_FALSE(existsNoFollow(tree + "/data"));
  EXPECT_FALSE(existsNoFollow(tree + "/root-owned"));
}

// /proc/PID/cwd of a process that may not be dumped is owned by root, and
// its target is whatever folder that process chose; /dev/fd leads into
// /proc too. Neither walk follows a link that lies on such a file system.
TEST_F(RemovalAttack, LinksOnProcAreNeverFollowed) {
  writeFile(dir / "victim/Quill.app/Contents/precious", "root's");
  const std::string bundle = dir / "victim/Quill.app";
  int ready[2], release[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    char byte = 0;
    if (::setgid(b().gid) != 0 || ::setuid(b().uid) != 0 || ::prctl(PR_SET_DUMPABLE, 0) != 0 ||
        ::chdir((dir / "victim").c_str()) != 0)
      ::_exit(1);
    (void)!::write(ready[1], &byte, 1);
    (void)!::read(release[0], &byte, 1);
    ::_exit(0);
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  const std::string magic = "/proc/" + std::to_string(pid) + "/cwd";
  struct stat st{};
  ASSERT_EQ(::lstat(magic.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u) << "the link of a process that may not be dumped belongs to root";

  const RemoverRun run = runRemover({"--entry", identityOf(bundle), magic + "/Quill.app"}, a().uid);
  (void)!::write(release[1], &byte, 1);
  ::waitpid(pid, nullptr, 0);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(existsNoFollow(bundle + "/Contents/precious"));

  const int fd = ::open((dir / "victim").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  for (const LinkTrust trust : {LinkTrust::Root, LinkTrust::RootOrCurrentUser}) {
    const ResolvedEntry walk = resolveEntry("/dev/fd/" + std::to_string(fd) + "/Quill.app", trust);
    EXPECT_NE(walk.status(), ResolvedEntry::Status::Reached);
    EXPECT_FALSE(walk.isGone());
  }
  ::close(fd);
  for (int p : {ready[0], ready[1], release[0], release[1]}) ::close(p);
}

// A folder on the way made unsearchable after the listing, and a removal
// that runs out of descriptors, used to end in "success" with the entry
// still there. Only "no such entry" or "not a folder" on the way mean gone.
TEST_F(RemovalAttack, AnEntryThatCannotBeReachedIsAFailureNeverASuccess) {
  writeFile(caches + "/Locked/Quill/data");
  writeFile(caches + "/Quill.log");
  writeFile(caches + "/Gone/.keep");
  chownAll(askerHome, a());
  const AppInfo app = listed({caches + "/Locked/Quill", caches + "/Quill.log"});
  ASSERT_EQ(::chmod((caches + "/Locked").c_str(), 0), 0);

  const auto remove = [&](const AppInfo& record, bool exhaustDescriptors) {
    auto privileged = std::make_shared<FakePrivilegedRemover>();
    privileged->refuseAll();
    if (exhaustDescriptors) {
      struct rlimit limit{};
      ::getrlimit(RLIMIT_NOFILE, &limit);
      limit.rlim_cur = 64;
      ::setrlimit(RLIMIT_NOFILE, &limit);
      while (::open("/", O_RDONLY | O_CLOEXEC) >= 0) {
      }
    }
    RemovalRun run = runRemoval(Uninstaller(privileged), record);
    run.log.push_back(run.message.value_or("<none>"));
    return joinFields(run.log);
  };
  const std::string locked = caches + "/Locked/Quill", log = caches + "/Quill.log";
  EXPECT_THAT(splitFields(runAsUser(a(), [&] { return remove(app, false); }).value_or("")),
              ElementsAre("Deleting: " + locked, "\u2717 Failed to delete: " + locked,
                          "Deleting: " + log, "\u2713 Deleted: " + log, "Failed to delete 1 files"));
  ASSERT_EQ(::chmod((caches + "/Locked").c_str(), 0755), 0);
  EXPECT_TRUE(existsNoFollow(locked + "/data"));

#if !defined(QUILLMERE_SANITIZED)
  // The sanitizers' runtime needs descriptors of its own (UBSan opens a pipe
  // to check a pointer), so under them a descriptor limit tests the runtime.
  AppInfo again = listed({locked});
  EXPECT_THAT(splitFields(runAsUser(a(), [&] { return remove(again, true); }).value_or("")),
              ElementsAre("Deleting: " + locked, "\u2717 Failed to delete: " + locked, "Failed to delete 1 files"));
  EXPECT_TRUE(existsNoFollow(locked + "/data"));
#endif
}

// A row the lock marks — the asker's folder holding one of root's — goes to
// the remover whole: nothing inside it is deleted first, so a cancelled or
// refused prompt leaves it as it was.
TEST_F(RemovalAttack, ALockedRowGoesWholeAndARefusedPromptLeavesItWhole) {
  const std::string notes = askerHome + "/Library/Application Support/Quill";
  writeFile(notes + "/notes.sqlite", "notes");
  writeFile(notes + "/attachments/a.png");
  chownAll(askerHome, a());
  writeFile(notes + "/locked/data");  // root's
  const AppInfo app = fixtures::listedNow(AppInfo("Quill", dir / "Applications/Quill.app", std::nullopt, nullptr, {notes}));
  const Manifest before = takeManifest(askerHome);

  for (const auto prompt : {PrivilegedOutcome::Result::Cancelled, PrivilegedOutcome::Result::PasswordRefused}) {
    const auto answer = runAsUser(a(), [&] {
      auto privileged = std::make_shared<FakePrivilegedRemover>();
      privileged->stopAtPrompt(prompt);
      const Uninstaller uninstaller(privileged);
      const bool predicted = uninstaller.needsPrivileges(notes, app.rows.front().identity);
      RemovalRun run = runRemoval(uninstaller, app);
      run.log.push_back(run.message.value_or("<none>"));
      run.log.push_back(predicted ? "predicted" : "not predicted");
      run.log.push_back(run.events.back().reason == (prompt == PrivilegedOutcome::Result::Cancelled
                                                        ? FailReason::Cancelled
                                                        : FailReason::PasswordRefused)
                            ? "says why"
                            : "another reason");
      for (const std::string& call : privileged->calls()) run.log.push_back("handed over: " + call);
      return joinFields(run.log);
    });
    EXPECT_THAT(splitFields(answer.value_or("")),
                ElementsAre("Deleting: " + notes, "\u2717 Failed to delete: " + notes, "Failed to delete 1 files",
                            "predicted", "says why", "handed over: " + notes));
    EXPECT_THAT(removalViolations(before, takeManifest(askerHome), {}), IsEmpty());
  }
}

// A name holding a newline and a terminal's control sequence could forge
// the prompt's text: such a row is never handed to the authorisation, and
// fails before any prompt with its contents untouched.
TEST_F(RemovalAttack, ANameThatWouldRewriteThePromptIsNeverHandedOver) {
  const std::string forged = caches + "/Quill\n\x1B[2JAUTHENTICATION COMPLETE", reordered = caches + "/Quill\xE2\x80\xAEgol.";
  writeFile(forged + "/data");
  writeFile(reordered + "/data");
  chownAll(askerHome, a());
  writeFile(forged + "/root/data");  // root's: the ordinary removal may not take either whole
  writeFile(reordered + "/root/data");
  const AppInfo app = fixtures::listedNow(
      AppInfo("Quill", dir / "Applications/Quill.app", std::nullopt, nullptr, {forged, reordered}));
  const Manifest before = takeManifest(askerHome);

  const auto answer = runAsUser(a(), [&] {
    auto privileged = std::make_shared<FakePrivilegedRemover>();
    RemovalRun run = runRemoval(Uninstaller(privileged), app);
    run.log.push_back(run.message.value_or("<none>"));
    run.log.push_back(std::to_string(privileged->runs()));
    for (const RowEvent& event : run.events)
      if (event.outcome == RowOutcome::Failed && event.reason != FailReason::UnshowableName) run.log.push_back("another reason");
    for (const std::string& path : {forged, reordered})
      run.log.push_back(makeSystemPrivilegedRemover()->accepts(path) ? "accepted" : "refused");
    return joinFields(run.log);
  });
  EXPECT_THAT(splitFields(answer.value_or("")),
              ElementsAre("Deleting: " + forged, "\u2717 Failed to delete: " + forged, "Deleting: " + reordered,
                          "\u2717 Failed to delete: " + reordered, "Failed to delete 2 files", "0", "refused",
                          "refused"));
  EXPECT_THAT(removalViolations(before, takeManifest(askerHome), {}), IsEmpty());
}

}  // namespace
}  // namespace quillmere::safety
