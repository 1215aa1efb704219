#include "analysis/app_analyzer.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "testing/test_tree.h"

namespace quillmere {
namespace {

using fixtures::makeDirs;
using fixtures::TempDir;
using fixtures::writeFile;
using Paths = std::vector<std::string>;

const std::string kFooPlist =
    "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
    "<key>CFBundleIdentifier</key><string>com.example.foo</string>"
    "<key>CFBundleIconFile</key><string>AppIcon</string></dict></plist>";

class AppAnalyzerTest : public ::testing::Test {
protected:
  TempDir tmp;
  std::string home = tmp / "home";
  std::string sys = tmp / "sys";

  std::string lib(const std::string& relative) const { return home + "/Library/" + relative; }
  std::string sysLib(const std::string& relative) const { return sys + "/Library/" + relative; }

  std::string makeBundle(const std::string& name, const std::string& plist = kFooPlist) {
    std::string bundle = tmp / ("Applications/" + name);
    makeDirs(bundle + "/Contents/MacOS");
    if (!plist.empty()) writeFile(bundle + "/Contents/Info.plist", plist);
    return bundle;
  }

  AppInfo analyze(const std::string& appPath) const {
    AnalysisResult result = AppAnalyzer(SearchLocations{home, sys}).analyze(appPath);
    if (auto* error = std::get_if<AnalysisError>(&result)) ADD_FAILURE() << error->localizedDescription;
    return std::get<AppInfo>(result);
  }

  // The related files without the bundle path, which always comes last.
  Paths leftovers(const std::string& appPath) const {
    Paths files = analyze(appPath).relatedFiles();
    EXPECT_EQ(files.back(), appPath);
    files.pop_back();
    return files;
  }
};

TEST_F(AppAnalyzerTest, NothingAtThePathFailsWithoutSearching) {
  ::symlink("/nonexistent/target", (tmp / "Dangling.app").c_str());
  for (const std::string& path : {tmp / "Missing.app", tmp / "Dangling.app"}) {
    AnalysisResult result = AppAnalyzer(SearchLocations{home, sys}).analyze(path);
    const auto* error = std::get_if<AnalysisError>(&result);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->domain, "");
    EXPECT_EQ(error->code, -1);
    EXPECT_EQ(error->localizedDescription, "Application does not exist");
  }
}

TEST(AppAnalyzerName, LastComponentWithEveryDotAppRemoved) {
  const std::pair<const char*, const char*> cases[] = {
      {"/Applications/Foo.app", "Foo"},     {"/Applications/Foo.app/", "Foo"},
      {"/Applications/Foo.app//", "Foo"},   {"/x/My.application.app", "Mylication"},
      {"/x/Foo.APP", "Foo.APP"},            {"/x/.app", ""},
      {"Foo.app", "Foo"},                   {"/x/a.app.app", "a"},
  };
  for (auto [path, name] : cases) EXPECT_EQ(AppAnalyzer::applicationName(path), name) << path;
}

TEST(AppAnalyzerRoots, TwelveRootsInOrderWithoutDoubleSlashes) {
  Paths roots = AppAnalyzer(SearchLocations{"/Users/a/", "/"}).searchRoots();
  ASSERT_EQ(roots.size(), 12u);
  EXPECT_EQ(roots[0], "/Users/a/Library/Application Support");
  EXPECT_EQ(roots[7], "/Users/a/Library/Containers");
  EXPECT_EQ(roots[8], "/Library/Application Support");
  EXPECT_EQ(roots[11], "/Library/Logs");
}

TEST_F(AppAnalyzerTest, RecordCarriesNameIdentifierIconAndExactPath) {
  std::string bundle = makeBundle("Foo.app");
  writeFile(bundle + "/Contents/Resources/AppIcon.icns", "icns-bytes");
  AppInfo info = analyze(bundle + "/");
  EXPECT_EQ(info.name(), "Foo");
  EXPECT_EQ(info.path(), bundle + "/");
  EXPECT_EQ(info.bundleIdentifier(), "com.example.foo");
  ASSERT_TRUE(info.icon());
  EXPECT_EQ(info.icon()->data, "icns-bytes");
  EXPECT_EQ(info.relatedFiles(), Paths{bundle + "/"});  // all twelve roots missing
}

TEST_F(AppAnalyzerTest, IconIsAbsentWhenUndeclaredMissingOrOutsideTheBundle) {
  writeFile(tmp / "secret.icns", "secret");
  for (const std::string& iconValue : {std::string(), std::string("Missing"), std::string("../../../secret")}) {
    std::string plist = "<plist><dict>";
    if (!iconValue.empty()) plist += "<key>CFBundleIconFile</key><string>" + iconValue + "</string>";
    EXPECT_FALSE(analyze(makeBundle("Foo.app", plist + "</dict></plist>")).icon()) << iconValue;
  }
}

TEST_F(AppAnalyzerTest, EmptyIdentifierIsStoredButMatchesNothing) {
  writeFile(lib("Caches/unrelated"));
  writeFile(lib("Caches/Foo.log"));
  std::string bundle = makeBundle("Foo.app", "<plist><dict><key>CFBundleIdentifier</key><string></string></dict></plist>");
  AppInfo info = analyze(bundle);
  EXPECT_EQ(info.bundleIdentifier(), "");
  EXPECT_EQ(info.relatedFiles(), (Paths{lib("Caches/Foo.log"), bundle}));
}

// A hostile or degenerate name would list nearly every entry of the Library.
TEST_F(AppAnalyzerTest, NamesThatCannotBeARealApplicationsSearchForNothing) {
  writeFile(lib("Preferences/com.example.foo.plist"));
  writeFile(lib("Preferences/org.other.plist"));
  writeFile(lib("Containers/com.other.app/Data/x"));
  writeFile(lib("Caches/Quill/x"));
  writeFile(lib("Caches/a-b..c"));
  const auto withIdentifier = [](const std::string& identifier) {
    return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleIdentifier</key><string>" +
           identifier + "</string></dict></plist>";
  };

  // The record keeps the identifier as read; only its name's entries are listed.
  const std::string dotted = makeBundle("Quill.app", withIdentifier("."));
  EXPECT_EQ(analyze(dotted).bundleIdentifier(), ".");
  EXPECT_EQ(leftovers(dotted), Paths{lib("Caches/Quill")});
  // "..app" is named "."; "-.app" is named "-".
  EXPECT_EQ(analyze(makeBundle("..app", "")).name(), ".");
  EXPECT_EQ(leftovers(makeBundle("..app", "")), Paths{});
  EXPECT_EQ(leftovers(makeBundle("-.app", "")), Paths{});
  for (const std::string identifier : {"..", "plist", "com", "com.", ".com", "com..foo", "-.-", "com.-"})
    EXPECT_EQ(leftovers(makeBundle("Zq.app", withIdentifier(identifier))), Paths{}) << identifier;
  // Two labels with a letter or digit each are enough, in any script.
  EXPECT_EQ(leftovers(makeBundle("Zq.app", withIdentifier("com.example"))),
            Paths{lib("Preferences/com.example.foo.plist")});
  EXPECT_EQ(leftovers(makeBundle("Zq.app", withIdentifier("org.other"))),
            Paths{lib("Preferences/org.other.plist")});
}

TEST_F(AppAnalyzerTest, PlainFileOrNumberIdentifierSearchesByNameAlone) {
  writeFile(lib("Preferences/com.example.x.plist"));  // would match only through an identifier
  writeFile(lib("Preferences/Foo.plist"));
  writeFile(tmp / "Foo.app", "not a bundle");
  EXPECT_EQ(leftovers(tmp / "Foo.app"), Paths{lib("Preferences/Foo.plist")});
  std::string bundle = makeBundle("Foo.app", "<plist><dict><key>CFBundleIdentifier</key><real>1.5</real></dict></plist>");
  EXPECT_FALSE(analyze(bundle).bundleIdentifier());
}

TEST_F(AppAnalyzerTest, WalksThreeLevelsListsMatchedFoldersOnceAndSkipsHidden) {
  for (const char* path : {
           "Preferences/com.example.foo.plist", "Containers/com.example.foo/Data/Foo.txt", "Caches/FooBar",
           "Caches/x/y/foo.txt", "Caches/x/y/z/foo.log", "Caches/.Foo", "Caches/.hidden/Foo.txt",
           "Caches/Other/readme", "Application Support/Vendor/Other.app/Foo.txt", "Logs/unrelated.log"})
    writeFile(lib(path));
  writeFile(sysLib("Logs/com.example.foo.log"));
  writeFile(sysLib("Caches/a/b/c/Foo.txt"));
  EXPECT_EQ(leftovers(makeBundle("Foo.app")), (Paths{
                lib("Application Support/Vendor/Other.app/Foo.txt"),
                lib("Caches/FooBar"),
                lib("Caches/x/y/foo.txt"),
                lib("Containers/com.example.foo"),
                lib("Preferences/com.example.foo.plist"),
                sysLib("Logs/com.example.foo.log"),
            }));
}

TEST_F(AppAnalyzerTest, SymbolicLinksAreListedButNeverFollowed) {
  writeFile(tmp / "outside/Foo.txt");
  makeDirs(lib("Caches"));
  ::symlink("..", lib("Caches/loop").c_str());
  ::symlink((tmp / "outside").c_str(), lib("Caches/dir").c_str());
  ::symlink((tmp / "outside").c_str(), lib("Caches/Foo-link").c_str());
  ::symlink("/nonexistent", lib("Caches/foo.dangling").c_str());
  EXPECT_EQ(leftovers(makeBundle("Foo.app")), (Paths{lib("Caches/Foo-link"), lib("Caches/foo.dangling")}));
}

TEST_F(AppAnalyzerTest, UnusualNamesAreListedAsTheirExactBytes) {
  const std::string nfc = "Foo-\xC3\xA9", nfd = "Foo-e\xCC\x81";
  for (const std::string& name : {nfc, nfd, std::string("Foo-f"), std::string("FOO-\xFF"),
                                  std::string("Foo \"q\" 'a' \\ \n.txt"), std::string("Zed")})
    writeFile(lib("Caches/" + name));
  // Ordered by the code points of the NFC form: "Foo-f" before both
  // spellings of "Foo-é"; the two spellings are two files here and both go.
  EXPECT_EQ(leftovers(makeBundle("Foo.app")), (Paths{lib("Caches/FOO-\xFF"), lib("Caches/Foo \"q\" 'a' \\ \n.txt"),
                                                     lib("Caches/Foo-f"), lib("Caches/" + nfd), lib("Caches/" + nfc)}));
}

TEST_F(AppAnalyzerTest, CapitalIWithDotMatchesItsFullLowerCase) {
  writeFile(lib("Caches/i\xCC\x87stanbul.cache"));
  writeFile(lib("Caches/istanbul.cache"));
  EXPECT_EQ(leftovers(makeBundle("\xC4\xB0stanbul.app", "")), Paths{lib("Caches/i\xCC\x87stanbul.cache")});
}

// The folder-name test looks at the root-relative text only: folders above the
// root ("Library", a root's own name, the home folder's name) must not make an
// application match everything.
TEST_F(AppAnalyzerTest, AppNamedLikeAFolderAboveTheRootsMatchesOnlyItsOwnEntries) {
  home = tmp / "alice";
  for (const char* path : {"Caches/Vendor/data", "Logs/x.log", "Preferences/p.plist", "Containers/c/d"})
    writeFile(lib(path));
  writeFile(sysLib("Caches/other"));
  writeFile(lib("Logs/alice-notes.txt"));
  for (const char* name : {"Library", "Caches", "Logs", "Containers", "Preferences", "sys"})
    EXPECT_EQ(leftovers(makeBundle(std::string(name) + ".app", "")), Paths{}) << name;
  EXPECT_EQ(leftovers(makeBundle("alice.app", "")), Paths{lib("Logs/alice-notes.txt")});
}

// Depth is counted below the leading root only: text equal to the root further
// down the path must not make deep entries look shallow.
TEST_F(AppAnalyzerTest, RootTextRepeatedDeeperDoesNotShortenTheDepth) {
  char* previous = ::getcwd(nullptr, 0);
  ASSERT_EQ(::chdir(tmp.path().c_str()), 0);
  writeFile("h/Library/Logs/a/h/Library/Logs/foo.log");
  writeFile("h/Library/Logs/a/b/foo.log");
  makeDirs("Foo.app");
  AnalysisResult result = AppAnalyzer(SearchLocations{"h", "sys"}).analyze("Foo.app");
  ASSERT_EQ(::chdir(previous), 0);
  std::free(previous);
  EXPECT_EQ(std::get<AppInfo>(result).relatedFiles(), (Paths{"h/Library/Logs/a/b/foo.log", "Foo.app"}));
}

TEST_F(AppAnalyzerTest, DuplicatesAreListedOnceButTheBundleIsAlwaysAppended) {
  home = sys;  // the eight home roots now include the four system roots
  writeFile(sysLib("Caches/Foo.cache"));
  std::string bundle = sysLib("Application Support/Foo.app");
  writeFile(bundle + "/Contents/Info.plist", kFooPlist);
  EXPECT_EQ(analyze(bundle).relatedFiles(), (Paths{bundle, sysLib("Caches/Foo.cache"), bundle}));
}

// Runs `search` as an unprivileged user when we are root, so that permission
// bits are honoured; results come back through a pipe, NUL-separated.
Paths runWithoutPrivileges(const std::function<Paths()>& search) {
  if (::geteuid() != 0) return search();
  int fds[2];
  if (::pipe(fds) != 0) return {"pipe failed"};
  pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    std::string out;
    for (const std::string& path : search()) out += path + '\0';
    ssize_t written = ::write(fds[1], out.data(), out.size());
    ::_exit(written == ssize_t(out.size()) ? 0 : 3);
  }
  ::close(fds[1]);
  std::string bytes;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) bytes.append(buffer, size_t(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {"child failed"};
  Paths paths;
  for (size_t start = 0, end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
    paths.push_back(bytes.substr(start, end - start));
  return paths;
}

TEST_F(AppAnalyzerTest, UnreadableFoldersArePassedOver) {
  writeFile(lib("Caches/locked/Foo.txt"));
  writeFile(lib("Caches/open/Foo.txt"));
  std::string bundle = makeBundle("Foo.app");
  ::chmod(tmp.path().c_str(), 0755);
  ::chmod(lib("Caches/locked").c_str(), 0);
  Paths found = runWithoutPrivileges([&] { return analyze(bundle).relatedFiles(); });
  ::chmod(lib("Caches/locked").c_str(), 0755);
  EXPECT_EQ(found, (Paths{lib("Caches/open/Foo.txt"), bundle}));
}

}  // namespace
}  // namespace quillmere
