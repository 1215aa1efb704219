#include "cli/cli.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "fsys/json_text.h"
#include "removal/trash_move.h"
#include "testing/test_library.h"
#include "testing/fake_privileged_remover.h"

namespace quillmere {
namespace {

using fixtures::existsNoFollow;
using fixtures::PreparedLibrary;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST(JsonString, EscapesControlsAndKeepsEveryByteRecoverable) {
  EXPECT_EQ(jsonString("plain /path"), "\"plain /path\"");
  EXPECT_EQ(jsonString("q\"b\\n\nt\tr\r\x01\x7f"), "\"q\\\"b\\\\n\\nt\\tr\\r\\u0001\x7f\"");
  EXPECT_EQ(jsonString("\xe7\xbc\x93\xe5\xad\x98 cafe\xcc\x81 \xf0\x9f\x98\x80"),
            "\"\xe7\xbc\x93\xe5\xad\x98 cafe\xcc\x81 \xf0\x9f\x98\x80\"");
  // Not UTF-8: a stray byte, a cut sequence, an overlong "/", a UTF-8 surrogate.
  EXPECT_EQ(jsonString("a\xff"), "\"a\\udcff\"");
  EXPECT_EQ(jsonString("\xe7\xbc/"), "\"\\udce7\\udcbc/\"");
  EXPECT_EQ(jsonString("\xc0\xaf"), "\"\\udcc0\\udcaf\"");
  EXPECT_EQ(jsonString("\xed\xa0\x80"), "\"\\udced\\udca0\\udc80\"");
  EXPECT_EQ(jsonString(std::string("nul\0byte", 8)), "\"nul\\u0000byte\"");
}

// Output streams that collect what the CLI writes.
class Captured {
public:
  Captured() : stream_(open_memstream(&buffer_, &size_)) {}
  ~Captured() {
    std::fclose(stream_);
    std::free(buffer_);
  }
  std::FILE* stream() const { return stream_; }
  std::string text() const {
    std::fflush(stream_);
    return std::string(buffer_, size_);
  }

private:
  char* buffer_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* stream_;
};

struct CliRun {
  int status;
  std::string out, err;
};

CliRun run(const std::vector<std::string>& args, const Uninstaller& uninstaller,
           bool terminal = false, std::string input = "") {
  Captured out, err;
  std::FILE* in = fmemopen(input.data(), input.size() + 1, "r");
  CliStreams streams{in, out.stream(), err.stream(), terminal};
  const int status = runCli(args, streams, uninstaller);
  std::fclose(in);
  return {status, out.text(), err.text()};
}

// Ordinary removal refused for one path, as a file the user may not delete.
class OneLockedPath : public FileOperations {
public:
  explicit OneLockedPath(std::string locked) : locked_(std::move(locked)) {}
  bool isDeletable(const ListedEntry& entry) const override {
    return entry.path != locked_ && FileOperations::isDeletable(entry);
  }

private:
  std::string locked_;
};

TEST(CliRemove, PartialFailureReportsTheCountOnStandardErrorAndExitsOne) {
  PreparedLibrary library;
  const std::string locked = library.leftovers[1];
  auto privileged = std::make_shared<FakePrivilegedRemover>();
  privileged->refuseAll();
  const Uninstaller uninstaller(privileged, std::make_shared<OneLockedPath>(locked));

  const CliRun result = run({"remove", "--yes", "--home", library.home, "--system-root",
                             library.systemRoot, library.bundle},
                            uninstaller);

  // A Library made for trying it out is never removed with administrator
  // rights, and stderr says so before anything goes.
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "quillmere-cli: --home or --system-root names other folders than your own, so nothing is "
            "deleted with administrator rights.\nquillmere-cli: not removed: " +
                locked + " (your account may not delete it)\nFailed to delete 1 files\n");
  EXPECT_THAT(result.out, HasSubstr("Deleting: " + locked + "\n\xE2\x9C\x97 Failed to delete: " +
                                    locked + "\n"));
  EXPECT_THAT(privileged->calls(), IsEmpty());
  for (const auto& path : library.relatedFiles())
    EXPECT_EQ(existsNoFollow(path), path == locked) << path;
}

TEST(CliRemove, AsksOnATerminalAndDeletesOnlyAfterYes) {
  const Uninstaller uninstaller(std::make_shared<FakePrivilegedRemover>());
  for (const char* declined : {"n\n", "", "yess\n"}) {
    PreparedLibrary library;
    const CliRun result = run({"remove", "--home", library.home, "--system-root",
                               library.systemRoot, library.bundle},
                              uninstaller, true, declined);
    EXPECT_EQ(result.status, 1) << declined;
    EXPECT_THAT(result.err, HasSubstr("nothing was deleted"));
    for (const auto& path : library.relatedFiles()) EXPECT_TRUE(existsNoFollow(path)) << path;
  }

  PreparedLibrary library;
  const CliRun result = run({"remove", "--home", library.home, "--system-root",
                             library.systemRoot, library.bundle},
                            uninstaller, true, " Y \n");
  EXPECT_EQ(result.status, 0);
  EXPECT_THAT(result.out, HasSubstr(library.leftovers[0] + "\n"));
  EXPECT_THAT(result.out, HasSubstr("\nThis will delete Foo and 7 related files. This action "
                                    "cannot be undone!\n"));
  EXPECT_THAT(result.out, HasSubstr("[y/N] "));
  EXPECT_THAT(result.out, HasSubstr("\xE2\x9C\x93 Deleted: " + library.bundle + "\n"));
  for (const auto& path : library.relatedFiles()) EXPECT_FALSE(existsNoFollow(path)) << path;
  for (const auto& path : library.unrelated) EXPECT_TRUE(existsNoFollow(path)) << path;
}

TEST(CliScan, JsonHasANullIdentifierWhenTheBundleDeclaresNone) {
  fixtures::TempDir dir;
  fixtures::writeFile(dir / "Bare.app/Contents/MacOS/Bare");
  const CliRun result = run({"scan", "--json", "--home", dir / "home", "--system-root",
                             dir / "sys", dir / "Bare.app"},
                            Uninstaller(std::make_shared<FakePrivilegedRemover>()));
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "{\"name\":\"Bare\",\"path\":" + jsonString(dir / "Bare.app") +
                            ",\"bundleIdentifier\":null,\"relatedFiles\":[" +
                            jsonString(dir / "Bare.app") + "],\"rows\":[{\"path\":" + jsonString(dir / "Bare.app") +
                            ",\"evidence\":\"bundle\",\"selected\":true,\"otherApp\":null}]}\n");
}

// The process dies, as a kill would leave it, when the removal reaches `path`.
class KilledAt : public FileOperations {
public:
  explicit KilledAt(std::string path) : path_(std::move(path)) {}
  ListedEntry find(const std::string& path, std::optional<EntryIdentity> listed) const override {
    if (path == path_) raise(SIGKILL);
    return FileOperations::find(path, listed);
  }

private:
  std::string path_;
};

TEST(CliRestore, ARemovalKilledMidwayIsListedOnceAndPutsBackExactlyWhatItMoved) {
  PreparedLibrary library;
  // Its own Trash and history, which the removal's process inherits.
  struct OwnFolders {
    explicit OwnFolders(const fixtures::TempDir& root) {
      setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
      setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
    }
    ~OwnFolders() { unsetenv("XDG_DATA_HOME"), unsetenv("XDG_STATE_HOME"); }
  } folders(library.root);
  const std::string trash = library.root / "data/Trash";
  // In order: the two folders, "Foo\nlog.txt" and "Foo-\xff.log" go; the
  // removal dies on reaching the fifth row.
  const std::vector<std::string> rows = library.relatedFiles();
  const Uninstaller uninstaller(std::make_shared<FakePrivilegedRemover>(), std::make_shared<KilledAt>(rows[4]));
  const pid_t child = fork();
  if (child == 0) {
    run({"remove", "--yes", "--trash", "--home", library.home, "--system-root", library.systemRoot, library.bundle},
        uninstaller);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  for (std::size_t i = 0; i < rows.size(); ++i) ASSERT_EQ(existsNoFollow(rows[i]), i >= 4) << rows[i];

  // Listed once, as stopped midway.
  const CliRun history = run({"history"}, uninstaller);
  ASSERT_EQ(std::count(history.out.begin(), history.out.end(), '\n'), 1) << history.out;
  EXPECT_THAT(history.out, ::testing::EndsWith("  Foo  7 rows  0 bytes  trash  stopped midway\n"));
  const std::string id = history.out.substr(0, history.out.find(' '));
  const CliRun json = run({"history", "--json"}, uninstaller);
  EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 1) << json.out;
  EXPECT_THAT(json.out, HasSubstr("\"mode\":\"trash\",\"unfinished\":true,"));

  // The bundle was deleted meanwhile, and a look-alike lies in the Trash
  // under its name, its .trashinfo naming the bundle's path.
  std::filesystem::remove_all(library.bundle);
  fixtures::writeFile(trash + "/files/Foo.app", "look-alike");
  fixtures::writeFile(trash + "/info/Foo.app.trashinfo",
                      "[Trash Info]\nPath=" + percentEncodedPath(library.bundle) + "\nDeletionDate=2026-12-08T10:00\n");

  const CliRun restored = run({"restore", id}, uninstaller);
  EXPECT_EQ(restored.status, 1);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_THAT(restored.out, HasSubstr("\u2713 Put back: " + rows[i] + "\n"));
    EXPECT_TRUE(existsNoFollow(rows[i])) << rows[i];
  }
  EXPECT_TRUE(existsNoFollow(rows[0] + "/data/inner"));
  for (std::size_t i = 4; i < rows.size(); ++i)
    EXPECT_THAT(restored.out, HasSubstr("\u2717 Not put back: " + rows[i] + " (it is not in the Trash"));
  EXPECT_FALSE(existsNoFollow(library.bundle));
  std::ostringstream lookAlike;
  lookAlike << std::ifstream(trash + "/files/Foo.app").rdbuf();
  EXPECT_EQ(lookAlike.str(), "look-alike");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(trash + "/files"), {}), 1);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(trash + "/info"), {}), 1);
}

}  // namespace
}  // namespace quillmere
