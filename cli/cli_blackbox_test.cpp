// Runs the built quillmere-cli as a user or a script would.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fsys/json_text.h"
#include "testing/test_library.h"

namespace quillmere {
namespace {

using fixtures::existsNoFollow;
using fixtures::PreparedLibrary;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

struct Result {
  int status = -1;
  std::string out, err;
};

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the CLI with standard input from /dev/null (never a terminal) in the
// folder `cwd`, collecting its outputs in files.
Result cli(const std::vector<std::string>& args, const std::string& cwd = "/") {
  fixtures::TempDir outputs;
  const std::string outPath = outputs / "out", errPath = outputs / "err";
  std::vector<std::string> argv = {QUILLMERE_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cArgs;
  for (auto& arg : argv) cArgs.push_back(arg.data());
  cArgs.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
        dup2(err, 2) < 0 || chdir(cwd.c_str()) != 0)
      _exit(127);
    execv(cArgs[0], cArgs.data());
    _exit(127);
  }
  Result result;
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
    result.status = WEXITSTATUS(status);
  result.out = readAll(outPath);
  result.err = readAll(errPath);
  return result;
}

std::vector<std::string> withRoots(const PreparedLibrary& library, std::vector<std::string> args) {
  args.insert(args.begin() + 1, {"--home", library.home, "--system-root", library.systemRoot});
  return args;
}

std::string joined(const std::vector<std::string>& paths, char end) {
  std::string text;
  for (const auto& path : paths) text += path + end;
  return text;
}

TEST(CliBlackBox, HelpAndUsageErrors) {
  const Result help = cli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_THAT(help.out, HasSubstr("quillmere-cli scan"));
  EXPECT_THAT(help.out, HasSubstr("quillmere-cli remove"));
  EXPECT_EQ(help.err, "");

  for (const std::vector<std::string>& wrong :
       std::vector<std::vector<std::string>>{{},
                                             {"erase", "/x.app"},
                                             {"scan"},
                                             {"scan", "/a.app", "/b.app"},
                                             {"scan", "--json", "-0", "/a.app"},
                                             {"scan", "--yes", "/a.app"},
                                             {"remove", "--json", "/a.app"},
                                             {"scan", "/a.app", "--home"},
                                             {"scan", "--bogus", "/a.app"},
                                             {"scan", "/Applications/Tool"},
                                             {"scan", "/Applications/Tool.APP"},
                                             {"remove", "--yes", "/Applications/.app"},
                                             {"scan", ""}}) {
    const Result result = cli(wrong);
    EXPECT_EQ(result.status, 2) << ::testing::PrintToString(wrong);
    EXPECT_THAT(result.err, HasSubstr("Usage:"));
    EXPECT_EQ(result.out, "");
  }
}

TEST(CliBlackBox, NothingAtTheApplicationPath) {
  PreparedLibrary library;
  for (const char* command : {"scan", "remove"}) {
    const Result result = cli(withRoots(library, {command, "--yes", library.root / "Gone.app"}));
    // scan does not know --yes: it is a usage error there.
    if (std::string(command) == "scan") {
      EXPECT_EQ(result.status, 2);
      continue;
    }
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Application does not exist\n");
    EXPECT_EQ(result.out, "");
  }
  const Result scan = cli(withRoots(library, {"scan", library.root / "Gone.app"}));
  EXPECT_EQ(scan.status, 1);
  EXPECT_EQ(scan.err, "Application does not exist\n");
}

TEST(CliBlackBox, ScanPrintsTheListAsLinesNulTerminatedOrJson) {
  PreparedLibrary library;
  const std::vector<std::string> expected = library.relatedFiles();

  const Result lines = cli(withRoots(library, {"scan", library.bundle}));
  EXPECT_EQ(lines.status, 0);
  EXPECT_EQ(lines.out, joined(expected, '\n'));
  EXPECT_EQ(lines.err, "");

  const Result nul = cli(withRoots(library, {"scan", "-0", library.bundle}));
  EXPECT_EQ(nul.status, 0);
  EXPECT_EQ(nul.out, joined(expected, '\0'));

  const Result json = cli(withRoots(library, {"scan", "--json", library.bundle}));
  EXPECT_EQ(json.status, 0);
  std::string files, rows;
  for (const auto& path : expected) {
    files += (files.empty() ? "" : ",") + jsonString(path);
    const char* evidence = path == library.bundle                               ? "bundle"
                           : path.find("com.example.foo") != std::string::npos ? "identifier"
                                                                                : "name";
    rows += std::string(rows.empty() ? "" : ",") + "{\"path\":" + jsonString(path) + ",\"evidence\":\"" + evidence +
            "\",\"selected\":true,\"otherApp\":null}";
  }
  EXPECT_EQ(json.out, "{\"name\":\"Foo\",\"path\":" + jsonString(library.bundle) +
                          ",\"bundleIdentifier\":\"com.example.foo\",\"relatedFiles\":[" + files +
                          "],\"rows\":[" + rows + "]}\n");
  EXPECT_THAT(json.out, HasSubstr("Foo-\\udcff.log"));
  EXPECT_THAT(json.out, HasSubstr("Foo\\nlog.txt"));

  // Nothing was touched by scanning.
  for (const auto& path : expected) EXPECT_TRUE(existsNoFollow(path)) << path;
}

TEST(CliBlackBox, RelativeApplicationPathIsPrintedAbsoluteWithoutTrailingSlash) {
  PreparedLibrary library;
  const Result result = cli(withRoots(library, {"scan", "./Foo.app/"}), library.root / "Applications");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, joined(library.relatedFiles(), '\n'));
}

TEST(CliBlackBox, RemoveWithYesDeletesExactlyTheListedPaths) {
  PreparedLibrary library;
  const Result result = cli(withRoots(library, {"remove", "--yes", library.bundle}));
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  std::string log;
  for (const auto& path : library.relatedFiles())
    log += "Deleting: " + path + "\n\xE2\x9C\x93 Deleted: " + path + "\n";
  EXPECT_EQ(result.out, log);
  for (const auto& path : library.relatedFiles()) EXPECT_FALSE(existsNoFollow(path)) << path;
  for (const auto& path : library.unrelated) EXPECT_TRUE(existsNoFollow(path)) << path;
  EXPECT_TRUE(existsNoFollow(library.home + "/Library/Caches"));
  EXPECT_TRUE(existsNoFollow(library.root / "Applications"));
}

TEST(CliBlackBox, RemoveWithoutYesRefusesWhenInputIsNotATerminal) {
  PreparedLibrary library;
  const Result result = cli(withRoots(library, {"remove", library.bundle}));
  EXPECT_EQ(result.status, 2);
  EXPECT_THAT(result.err, StartsWith("quillmere-cli: standard input is not a terminal"));
  EXPECT_EQ(result.out, "");
  for (const auto& path : library.relatedFiles()) EXPECT_TRUE(existsNoFollow(path)) << path;
}

// What du would count: allocated blocks of the entry and everything below it.
std::uint64_t allocatedTree(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return 0;
  std::uint64_t total = std::uint64_t(info.st_blocks) * 512;
  if (S_ISDIR(info.st_mode))
    for (const auto& entry : std::filesystem::directory_iterator(path)) total += allocatedTree(entry.path());
  return total;
}

TEST(CliBlackBox, ScanWithSizesAddsEachSizeAndTheTotalToEveryFormat) {
  PreparedLibrary library;
  fixtures::writeFile(library.leftovers[0] + "/data/big", std::string(300000, 'b'));
  const std::vector<std::string> files = library.relatedFiles();
  std::vector<std::uint64_t> sizes;
  std::uint64_t total = 0;
  for (const auto& path : files) total += sizes.emplace_back(allocatedTree(path));
  ASSERT_GT(sizes[0], 300000u);

  std::string lines, nul, jsonSizes;
  for (std::size_t i = 0; i < files.size(); ++i) {
    lines += std::to_string(sizes[i]) + "\t" + files[i] + "\n";
    nul += std::to_string(sizes[i]) + "\t" + files[i] + '\0';
    jsonSizes += (i ? "," : "") + std::to_string(sizes[i]);
  }
  const Result text = cli(withRoots(library, {"scan", "--sizes", library.bundle}));
  EXPECT_EQ(text.status, 0);
  EXPECT_EQ(text.out, lines + std::to_string(total) + "\ttotal\n");
  const Result zero = cli(withRoots(library, {"scan", "-0", "--sizes", library.bundle}));
  EXPECT_EQ(zero.out, nul + std::to_string(total) + "\ttotal" + '\0');
  const Result json = cli(withRoots(library, {"scan", "--sizes", "--json", library.bundle}));
  EXPECT_THAT(json.out, HasSubstr("],\"sizes\":[" + jsonSizes + "],\"totalSize\":" + std::to_string(total) + "}\n"));
}

TEST(CliBlackBox, ExcludeLeavesListedPathsOutAndAnUnlistedOneDeletesNothing) {
  PreparedLibrary library;
  const std::vector<std::string> files = library.relatedFiles();
  const std::string folder = library.leftovers[0], file = library.leftovers[2];

  // A typo, a path that exists but is not listed, every path left out: usage
  // errors, and nothing is deleted.
  for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
           {"--exclude", folder + "x"},
           {"--exclude", folder + "/data"},
           {"--exclude=" + library.unrelated[0]},
           {"--exclude", ""},
           {"--exclude"}}) {
    std::vector<std::string> args = {"remove", "--yes"};
    args.insert(args.end(), wrong.begin(), wrong.end());
    if (wrong.size() > 1 || wrong[0].find('=') != std::string::npos) args.push_back(library.bundle);
    const Result result = cli(withRoots(library, args));
    EXPECT_EQ(result.status, 2) << ::testing::PrintToString(wrong);
    EXPECT_THAT(result.err, HasSubstr("Usage:"));
    EXPECT_EQ(result.out, "");
  }
  std::vector<std::string> all = {"remove", "--yes"};
  for (const auto& path : files) all.insert(all.end(), {"--exclude", path});
  all.push_back(library.bundle);
  EXPECT_EQ(cli(withRoots(library, all)).status, 2);
  for (const auto& path : files) ASSERT_TRUE(existsNoFollow(path)) << path;

  // scan shows what remove would do; a trailing slash still names the folder.
  const Result scan = cli(withRoots(library, {"scan", "--exclude", folder + "/", "--exclude", file, library.bundle}));
  EXPECT_EQ(scan.status, 0);
  std::vector<std::string> kept;
  for (const auto& path : files)
    if (path != folder && path != file) kept.push_back(path);
  EXPECT_EQ(scan.out, joined(kept, '\n'));

  const Result removal = cli(withRoots(library, {"remove", "--yes", "--exclude", folder, "--exclude=" + file,
                                                  library.bundle}));
  EXPECT_EQ(removal.status, 0);
  std::string log;
  for (const auto& path : kept) log += "Deleting: " + path + "\n\xE2\x9C\x93 Deleted: " + path + "\n";
  EXPECT_EQ(removal.out, log);
  for (const auto& path : kept) EXPECT_FALSE(existsNoFollow(path)) << path;
  EXPECT_TRUE(existsNoFollow(folder + "/data/inner"));
  EXPECT_TRUE(existsNoFollow(file));
}

// A row whose name holds "foo" only inside a longer word is listed by scan,
// left out by scan --selected and by remove (which says why), and taken by
// remove --all.
TEST(CliBlackBox, RowsWithoutEvidenceAreListedButLeftOutUnlessAllIsAsked) {
  for (const bool all : {false, true}) {
    PreparedLibrary library;
    const std::string coincidence = library.home + "/Library/Caches/Foodle";
    fixtures::writeFile(coincidence);
    std::vector<std::string> listed = library.relatedFiles();
    listed.insert(listed.begin() + 1, coincidence);  // ".../Caches/F" sorts before ".../Caches/c"
    const std::vector<std::string> taken = library.relatedFiles();

    EXPECT_EQ(cli(withRoots(library, {"scan", library.bundle})).out, joined(listed, '\n'));
    EXPECT_EQ(cli(withRoots(library, {"scan", "--selected", "-0", library.bundle})).out, joined(taken, '\0'));
    const Result json = cli(withRoots(library, {"scan", "--json", "--selected", library.bundle}));
    EXPECT_THAT(json.out, Not(HasSubstr("Foodle")));
    EXPECT_THAT(cli(withRoots(library, {"scan", "--json", library.bundle})).out,
                HasSubstr("{\"path\":" + jsonString(coincidence) +
                          ",\"evidence\":\"coincidence\",\"selected\":false,\"otherApp\":null}"));

    const Result removal =
        cli(withRoots(library, all ? std::vector<std::string>{"remove", "--yes", "--all", library.bundle}
                                   : std::vector<std::string>{"remove", "--yes", library.bundle}));
    EXPECT_EQ(removal.status, 0);
    EXPECT_EQ(removal.err, all ? "" : "quillmere-cli: leaving out " + coincidence + " (name only inside another word)\n");
    for (const auto& path : taken) EXPECT_FALSE(existsNoFollow(path)) << path;
    EXPECT_EQ(existsNoFollow(coincidence), !all);
  }
}

}  // namespace
}  // namespace quillmere
