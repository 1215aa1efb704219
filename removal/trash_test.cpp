// Removals to the Trash and putting them back, on real files: two file
// systems, clashing names, a path taken meanwhile, a row swapped after
// listing, and the history a crash may tear.

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "removal/removal_history.h"
#include "removal/restore.h"
#include "removal/uninstaller.h"
#include "testing/test_tree.h"

namespace quillmere {
namespace {

using fixtures::existsNoFollow;
using fixtures::TempDir;
using fixtures::writeFile;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A Trash of the test's own: the home's Trash lies in `dir`.
struct TrashHome {
  explicit TrashHome(const TempDir& dir) : trash(dir / "data/Trash") {
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
  }
  ~TrashHome() { unsetenv("XDG_DATA_HOME"); }
  std::string trash;
};

// Trashes `app`'s rows, keeping each row's last event.
HistoryRecord trash(const AppInfo& app, std::vector<RowEvent>& outcomes, std::string* failure = nullptr) {
  std::vector<RowEvent> events;
  const RemovalOptions options{true};
  outcomes.assign(app.rows.size(), RowEvent{});
  Uninstaller(nullptr).uninstall(
      app,
      [&](const RowEvent& event) {
        events.push_back(event);
        outcomes[event.row] = event;
      },
      [&](bool, std::optional<std::string> message) {
        if (failure) *failure = message.value_or("");
      },
      options);
  return recordOf(pendingRecordOf(app, options), events);
}

// Trashes `paths` as listed now (the bundle is the last one).
HistoryRecord trashNow(const std::vector<std::string>& paths, std::vector<RowEvent>& outcomes) {
  return trash(fixtures::listedNow(AppInfo("Foo", paths.back(), "com.example.foo", nullptr, paths)), outcomes);
}

TEST(TrashTest, RowsOnTwoFileSystemsGoToTheirOwnTrashAndComeBack) {
  TempDir dir;
  TrashHome home(dir);
  const std::string volume = dir / "vol";
  fixtures::makeDirs(volume);
  if (geteuid() != 0 || mount("tmpfs", volume.c_str(), "tmpfs", 0, "size=4m") != 0)
    GTEST_SKIP() << "mounting a second file system needs root";
  struct Unmount {
    std::string path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmount{volume};

  const std::string cache = dir / "home/Library/Caches/com.example.foo";
  const std::string log = volume + "/Library/Logs/Foo log \xc3\xa9%.txt";
  const std::string link = dir / "home/Library/Foo link";
  const std::string bundle = dir / "Applications/Foo.app";
  writeFile(cache + "/inner", "cached");
  writeFile(log, "logged");
  writeFile(dir / "elsewhere/keep", "kept");
  std::filesystem::create_directory_symlink(dir / "elsewhere", link);
  writeFile(bundle + "/Contents/Info.plist", "plist");

  std::vector<RowEvent> results;
  const HistoryRecord record = trashNow({cache, log, link, bundle}, results);
  for (const RowEvent& result : results) ASSERT_EQ(result.outcome, RowOutcome::Trashed) << result.detail;
  for (const std::string& path : {cache, log, link, bundle}) EXPECT_FALSE(existsNoFollow(path)) << path;
  EXPECT_EQ(readFile(dir / "elsewhere/keep"), "kept");  // the link went, not what it points to
  EXPECT_EQ(readFile(home.trash + "/files/com.example.foo/inner"), "cached");
  EXPECT_NE(readFile(home.trash + "/info/com.example.foo.trashinfo").find("\nPath=" + cache + "\n"),
            std::string::npos);
  // On the second file system: its own Trash at its top, the path relative to it.
  const std::string volumeTrash = volume + "/.Trash-0";
  EXPECT_EQ(readFile(volumeTrash + "/files/Foo log \xc3\xa9%.txt"), "logged");
  EXPECT_NE(readFile(volumeTrash + "/info/Foo log \xc3\xa9%.txt.trashinfo")
                .find("\nPath=Library/Logs/Foo%20log%20%C3%A9%25.txt\nDeletionDate="),
            std::string::npos);

  // Back, through the history, with the log's folder gone meanwhile.
  const RemovalHistory history(dir / "state/history.jsonl");
  ASSERT_TRUE(history.append(record));
  std::filesystem::remove_all(volume + "/Library");
  const auto read = history.find(record.id);
  ASSERT_TRUE(read);
  for (const RestoredRow& row : restoreRemoval(*read)) EXPECT_TRUE(row.putBack) << row.line();
  EXPECT_EQ(readFile(cache + "/inner"), "cached");
  EXPECT_EQ(readFile(log), "logged");
  EXPECT_EQ(std::filesystem::read_symlink(link), dir / "elsewhere");
  EXPECT_TRUE(existsNoFollow(bundle + "/Contents/Info.plist"));
  EXPECT_TRUE(std::filesystem::is_empty(home.trash + "/info"));
  EXPECT_TRUE(std::filesystem::is_empty(volumeTrash + "/info"));
  EXPECT_TRUE(std::filesystem::is_empty(volumeTrash + "/files"));
}

TEST(TrashTest, SameNamesTakeFreshOnesAndAPathTakenMeanwhileKeepsItsRowInTheTrash) {
  TempDir dir;
  TrashHome home(dir);
  // Someone else's "cache" is already in the Trash, without a .trashinfo.
  writeFile(home.trash + "/files/cache", "theirs");
  const std::string first = dir / "a/cache", second = dir / "b/cache", bundle = dir / "Foo.app";
  writeFile(first, "first");
  writeFile(second, "second");
  writeFile(bundle + "/x");
  std::vector<RowEvent> results;
  const HistoryRecord record = trashNow({first, second, bundle}, results);
  EXPECT_EQ(results[0].detail, home.trash + "/files/cache.2");
  EXPECT_EQ(results[1].detail, home.trash + "/files/cache.3");
  EXPECT_EQ(readFile(home.trash + "/files/cache"), "theirs");
  EXPECT_EQ(readFile(home.trash + "/files/cache.3"), "second");
  EXPECT_TRUE(existsNoFollow(home.trash + "/info/cache.2.trashinfo"));

  writeFile(first, "new");  // the user made a new one at the first path
  const std::vector<RestoredRow> rows = restoreRemoval(record);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_FALSE(rows[0].putBack);
  EXPECT_NE(rows[0].line().find("Not put back: " + first + " (something else now stands"), std::string::npos);
  EXPECT_EQ(readFile(first), "new");
  EXPECT_EQ(readFile(home.trash + "/files/cache.2"), "first");
  EXPECT_TRUE(existsNoFollow(home.trash + "/info/cache.2.trashinfo"));
  EXPECT_TRUE(rows[1].putBack && rows[2].putBack);
  EXPECT_EQ(readFile(second), "second");
  // Put back once: the second time nothing of it is in the Trash.
  EXPECT_FALSE(restoreRemoval(record)[1].putBack);
  EXPECT_EQ(readFile(second), "second");
}

TEST(TrashTest, ARowSwappedAfterListingStaysWhereItIs) {
  TempDir dir;
  TrashHome home(dir);
  const std::string row = dir / "Library/Foo.plist", bundle = dir / "Foo.app";
  writeFile(row, "listed");
  writeFile(bundle + "/x");
  AppInfo app = fixtures::listedNow(AppInfo("Foo", bundle, "com.example.foo", nullptr, {row, bundle}));
  writeFile(dir / "other", "swapped in");
  std::filesystem::rename(dir / "other", row);
  std::vector<RowEvent> results;
  std::string failure;
  trash(app, results, &failure);
  EXPECT_EQ(results[0].outcome, RowOutcome::Failed);
  EXPECT_EQ(results[0].reason, FailReason::NotListedEntry);
  EXPECT_EQ(readFile(row), "swapped in");
  EXPECT_FALSE(existsNoFollow(home.trash + "/files/Foo.plist"));
  EXPECT_FALSE(existsNoFollow(home.trash + "/info/Foo.plist.trashinfo"));
  EXPECT_EQ(results[1].outcome, RowOutcome::Trashed);
  EXPECT_EQ(failure, "Failed to remove 1 files");
}

TEST(TrashTest, HistorySurvivesATornLineKeepsBytesReadsEachRemovalOnceAndStaysBounded) {
  TempDir dir;
  const std::string path = dir / "state/quillmere/history.jsonl";
  const RemovalHistory history(path);
  HistoryRecord first;
  first.id = "first";
  first.appName = "Foo";
  first.rows.push_back({"/x/Foo-\xff\nlog", "name", 7, "trashed", EntryIdentity{1, ~0ull, S_IFREG}, "/t/f", "", ""});
  ASSERT_TRUE(history.append(first));
  std::ofstream(path, std::ios::app) << "{\"id\":\"torn\",\"unixTi";  // a crash mid-write
  HistoryRecord second = first;
  second.id = "second";
  ASSERT_TRUE(history.append(second));
  const std::vector<HistoryRecord> records = history.records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].id, "first");
  EXPECT_EQ(records[1].id, "second");
  EXPECT_EQ(records[0].rows[0].path, "/x/Foo-\xff\nlog");
  EXPECT_EQ(records[0].rows[0].identity, (EntryIdentity{1, ~0ull, S_IFREG}));

  // A removal is recorded when it starts and again when it ends: read as
  // the finished record only, where the first one stood.
  HistoryRecord pending = first;
  pending.id = "both";
  pending.rows[0].outcome = "pending";
  ASSERT_TRUE(history.append(pending));
  HistoryRecord other = first;
  other.id = "other";
  ASSERT_TRUE(history.append(other));
  HistoryRecord finished = first;
  finished.id = "both";
  ASSERT_TRUE(history.append(finished));
  std::vector<std::string> ids;
  for (const HistoryRecord& record : history.records()) ids.push_back(record.id);
  EXPECT_EQ(ids, (std::vector<std::string>{"first", "second", "both", "other"}));
  EXPECT_EQ(history.find("both")->rows[0].outcome, "trashed");

  // Bounded, each removal started and finished: never a started one kept
  // alone nor twice, whatever the bound cuts.
  const RemovalHistory bounded(dir / "small.jsonl", 4 * historyLine(first).size());
  for (int i = 0; i < 20; ++i) {
    HistoryRecord record = pending;
    record.id = "r" + std::to_string(i);
    ASSERT_TRUE(bounded.append(record));
    record.rows[0].outcome = "trashed";
    ASSERT_TRUE(bounded.append(record));
  }
  EXPECT_LE(std::filesystem::file_size(dir / "small.jsonl"), 4 * historyLine(first).size());
  const auto kept = bounded.records();
  ASSERT_FALSE(kept.empty());
  EXPECT_EQ(kept.back().id, "r19");
  EXPECT_FALSE(bounded.find("r0"));
  for (std::size_t i = 0; i < kept.size(); ++i) {
    EXPECT_EQ(kept[i].rows[0].outcome, "trashed") << kept[i].id;
    EXPECT_TRUE(i == 0 || kept[i].id != kept[i - 1].id) << kept[i].id;
  }
}

}  // namespace
}  // namespace quillmere
