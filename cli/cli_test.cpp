#include "cli/cli.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "fsys/json_text.h"
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

}  // namespace
}  // namespace quillmere
