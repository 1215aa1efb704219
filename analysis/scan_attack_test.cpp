// Attacks on the search and on what the command line shows: descriptors run
// out mid-scan, the bundle's Info.plist and icon laid as links, FIFOs or
// devices, a bind mount inside a listed folder, and names that would steer
// the terminal. Each ends in a loud failure, or in nothing read, entered or
// obeyed.

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "analysis/app_analyzer.h"
#include "analysis/entry_size.h"
#include "matching/content_evidence.h"
#include "testing/test_library.h"
#include "testing/test_plist.h"
#include "testing/test_tree.h"

namespace quillmere::safety {
namespace {

using fixtures::existsNoFollow;
using fixtures::makeDirs;
using fixtures::PreparedLibrary;
using fixtures::referenceBomb;
using fixtures::TempDir;
using fixtures::writeFile;
using ::testing::HasSubstr;

std::string readAll(int fd) {
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return text;  // a pseudo-terminal ends in EIO once the program is gone
    text.append(buffer, std::size_t(n));
  }
}

// Starts the CLI with `args`, its standard streams on `in`, `out`, `err`;
// `inChild` runs just before the program does. Returns its exit status.
int runCli(std::vector<std::string> args, int in, int out, int err, const std::function<void()>& inChild,
           const std::function<void()>& whileRunning = {}, rusage* usage = nullptr) {
  args.insert(args.begin(), QUILLMERE_CLI_PATH);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(127);
    for (int fd = 3; fd < 1024; ++fd) ::close(fd);
    inChild();
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  if (whileRunning) whileRunning();
  int status = 0;
  rusage ignored;
  if (pid < 0 || ::wait4(pid, &status, 0, usage ? usage : &ignored) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

struct CliRun {
  int status = -1;
  std::string out, err;
};

// The CLI with its output in files, `inChild` run just before it starts.
CliRun cliWithOutputInFiles(const std::vector<std::string>& args, const std::function<void()>& inChild,
                            rusage* usage = nullptr) {
  TempDir outputs;
  const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const int out = ::open((outputs / "out").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  const int err = ::open((outputs / "err").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  CliRun run;
  run.status = runCli(args, in, out, err, inChild, {}, usage);
  ::lseek(out, 0, SEEK_SET);
  ::lseek(err, 0, SEEK_SET);
  run.out = readAll(out);
  run.err = readAll(err);
  for (int fd : {in, out, err}) ::close(fd);
  return run;
}

// The CLI allowed `descriptors` open files at most, three of them its
// standard streams.
CliRun cliWithDescriptors(const std::vector<std::string>& args, rlim_t descriptors) {
  return cliWithOutputInFiles(args, [&] {
    const rlimit limit{descriptors, descriptors};
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(126);
  });
}

// The CLI on a terminal: a pseudo-terminal in raw mode, so that what the
// program writes arrives unchanged, with `input` typed ahead. Returns all it
// wrote, standard error included.
std::string cliOnATerminal(const std::vector<std::string>& args, const std::string& input = "") {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return "no pseudo-terminal";
  const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios mode{};
  if (terminal < 0 || ::tcgetattr(terminal, &mode) != 0) return "no pseudo-terminal";
  ::cfmakeraw(&mode);
  ::tcsetattr(terminal, TCSANOW, &mode);
  std::string written;
  runCli(args, terminal, terminal, terminal, [] {}, [&] {
    ::close(terminal);
    if (!input.empty()) (void)!::write(master, input.data(), input.size());
    written = readAll(master);
  });
  ::close(master);
  return written;
}

std::vector<std::string> scanArgs(const PreparedLibrary& library, std::vector<std::string> extra = {}) {
  std::vector<std::string> args{"scan", "--home", library.home, "--system-root", library.systemRoot};
  args.insert(args.end(), extra.begin(), extra.end());
  args.push_back(library.bundle);
  return args;
}

std::string lines(const std::vector<std::string>& paths) {
  std::string text;
  for (const auto& path : paths) text += path + "\n";
  return text;
}

// With descriptors running out at any point of the scan, the CLI either lists
// everything or fails naming the cause; never a shorter list, and a removal
// deletes nothing.
TEST(ScanAttack, DescriptorsRunningOutFailTheScanInsteadOfListingLess) {
#if defined(QUILLMERE_SANITIZED)
  GTEST_SKIP() << "the sanitizers' runtime needs descriptors of its own (UBSan opens a pipe to check a "
                  "pointer), so a descriptor limit would test it rather than the scan";
#endif
  PreparedLibrary library;
  int failures = 0;
  for (rlim_t limit = 4; limit <= 16; ++limit) {
    const CliRun run = cliWithDescriptors(scanArgs(library), limit);
    if (run.status == 0) {
      EXPECT_EQ(run.out, lines(library.relatedFiles())) << limit << " descriptors";
      continue;
    }
    ++failures;
    EXPECT_EQ(run.status, 1) << limit << " descriptors";
    EXPECT_EQ(run.out, "") << limit << " descriptors";
    EXPECT_THAT(run.err, HasSubstr("Too many open files")) << limit << " descriptors";
  }
  EXPECT_GT(failures, 0) << "no limit tried was low enough";

  const CliRun removal = cliWithDescriptors({"remove", "--yes", "--home", library.home, "--system-root",
                                          library.systemRoot, library.bundle},
                                         6);
  EXPECT_EQ(removal.status, 1);
  EXPECT_THAT(removal.err, HasSubstr("Too many open files"));
  for (const auto& path : library.relatedFiles()) EXPECT_TRUE(existsNoFollow(path)) << path;
}

// Info.plist and the icon are read only as regular files inside the bundle:
// a link (to them, or to the folder holding them) is not followed, and a FIFO
// or a device is never even opened, so it can neither hang the scan nor be
// acted on.
TEST(ScanAttack, BundleFilesAreReadOnlyAsRegularFilesInsideTheBundle) {
  TempDir dir;
  const std::string home = dir / "home", bundle = dir / "Applications/Foo.app";
  const std::string outside = dir / "outside";
  // Found only through the identifier the list outside declares.
  writeFile(home + "/Library/Caches/com.example.secret.cache");
  writeFile(outside + "/Info.plist",
            "<plist><dict><key>CFBundleIdentifier</key><string>com.example.secret</string>"
            "<key>CFBundleIconFile</key><string>Icon</string></dict></plist>");
  writeFile(outside + "/Resources/Icon.icns", "secret icon");
  const AppAnalyzer analyzer(SearchLocations{home, dir / "sys"});
  const auto expectNothingRead = [&](const std::string& layout) {
    const AnalysisResult result = analyzer.analyze(bundle);
    ASSERT_TRUE(std::holds_alternative<AppInfo>(result)) << layout;
    const AppInfo& info = std::get<AppInfo>(result);
    EXPECT_FALSE(info.bundleIdentifier()) << layout;
    EXPECT_FALSE(info.icon()) << layout;
    EXPECT_EQ(info.relatedFiles(), std::vector<std::string>{bundle}) << layout;
  };

  makeDirs(bundle + "/Contents/Resources");
  ASSERT_EQ(::symlink((outside + "/Info.plist").c_str(), (bundle + "/Contents/Info.plist").c_str()), 0);
  expectNothingRead("Info.plist a link to a list outside");

  ASSERT_EQ(::unlink((bundle + "/Contents/Info.plist").c_str()), 0);
  writeFile(bundle + "/Contents/Info.plist",
            "<plist><dict><key>CFBundleIconFile</key><string>Icon</string></dict></plist>");
  ASSERT_EQ(::symlink((outside + "/Resources/Icon.icns").c_str(), (bundle + "/Contents/Resources/Icon.icns").c_str()),
            0);
  expectNothingRead("the icon a link to a file outside");

  ASSERT_EQ(::rename((bundle + "/Contents").c_str(), (dir / "parked").c_str()), 0);
  ASSERT_EQ(::symlink(outside.c_str(), (bundle + "/Contents").c_str()), 0);
  expectNothingRead("Contents a link to a folder outside");

  // A FIFO, and where the test may make one a device, as the list itself and
  // behind a link: watched, so that even an opening is seen.
  ASSERT_EQ(::unlink((bundle + "/Contents").c_str()), 0);
  makeDirs(bundle + "/Contents");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  std::vector<std::string> specials{dir / "fifo"};
  if (::mknod((dir / "device").c_str(), S_IFCHR | 0644, makedev(1, 5)) == 0) specials.push_back(dir / "device");
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  for (const std::string& special : specials) {
    ASSERT_GE(::inotify_add_watch(watch, special.c_str(), IN_OPEN | IN_ACCESS), 0);
    const std::string plist = bundle + "/Contents/Info.plist";
    ASSERT_EQ(::symlink(special.c_str(), plist.c_str()), 0);
    expectNothingRead("Info.plist a link to " + special);
    ASSERT_EQ(::unlink(plist.c_str()), 0);
    ASSERT_EQ(::rename(special.c_str(), plist.c_str()), 0);
    expectNothingRead("Info.plist itself " + special);
    ASSERT_EQ(::rename(plist.c_str(), special.c_str()), 0);
    char event[sizeof(inotify_event) + 256];
    EXPECT_EQ(::read(watch, event, sizeof event), -1) << special << " was opened";
  }
  ::close(watch);
}

// A binary list of some 200 bytes whose shared references the parser would
// copy into 2^25 nodes, gigabytes and a minute, laid at each place a scan parses a
// list: the dropped app's Info.plist, an installed app's (whose bytes name the
// dropped app), a launchd list naming the bundle, a group container's
// metadata. Each is passed over as unreadable, and the scan ends at once.
TEST(ScanAttack, ListsThatWouldExpandBeyondTheBudgetArePassedOverQuickly) {
  PreparedLibrary library;
  const std::string agent = library.home + "/Library/LaunchAgents/com.example.foo.agent.plist";
  const std::string installed = library.systemRoot + "/Applications/Bar.app/Contents/Info.plist";
  const std::string container = library.home + "/Library/Group Containers/group.shared";
  writeFile(installed, referenceBomb(24, {{"CFBundleName", "Foo"}, {"CFBundleIdentifier", "com.example.foo"}}));
  writeFile(agent, referenceBomb(24, {{"Label", "com.example.foo.agent"},
                                      {"Program", library.bundle + "/Contents/MacOS/Foo"}}));
  writeFile(container + "/" + kContainerMetadataName,
            referenceBomb(24, {{"MCMMetadataIdentifier", "com.example.foo"}}));
  std::vector<std::string> expected = library.relatedFiles();
  expected.insert(expected.end() - 1, agent);  // listed by its name alone
  const std::string droppedInfo = library.bundle + "/Contents/Info.plist";
  const std::string bombedInfo = referenceBomb(24, {{"CFBundleIdentifier", "com.example.foo"}});

  for (const bool droppedToo : {false, true}) {
    if (droppedToo) writeFile(droppedInfo, bombedInfo);
    rusage usage{};
    const auto started = std::chrono::steady_clock::now();
    const CliRun run = cliWithOutputInFiles(scanArgs(library), [] {
      ::alarm(20);  // without the budget: a minute or more, were it not stopped
#if !defined(QUILLMERE_SANITIZED)
      const rlimit memory{rlim_t(1) << 30, rlim_t(1) << 30};
      ::setrlimit(RLIMIT_AS, &memory);
#endif
    }, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ASSERT_EQ(run.status, 0) << "dropped Info.plist too: " << droppedToo << "\n" << run.err;
    EXPECT_LT(seconds, 0.5) << droppedToo;
#if !defined(QUILLMERE_SANITIZED)
    EXPECT_LT(usage.ru_maxrss, 100 * 1024) << "peak KiB, dropped Info.plist too: " << droppedToo;
#endif
    if (!droppedToo) {
      EXPECT_EQ(run.out, lines(expected));
    } else {
      // No identifier now: what only the identifier found is not listed.
      EXPECT_THAT(run.out, HasSubstr(library.home + "/Library/Application Support/Foo\n"));
      EXPECT_THAT(run.out, HasSubstr(agent + "\n"));
      EXPECT_THAT(run.out, ::testing::EndsWith(library.bundle + "\n"));
    }
  }
}

// Where a scan reads lists for their content (a launch agents folder, a
// group container's metadata), a UNIX socket and a FIFO with a writer waiting
// on it: neither fails the scan, neither is opened (the writer's open would
// return), and the rows are listed as they would be without them.
TEST(ScanAttack, SocketsAndFifosWhereListsAreReadAreNeitherOpenedNorFatal) {
  PreparedLibrary library;
  TempDir shortPlace;  // a socket's path must fit in sockaddr_un: bound here, then moved
  const std::string agents = library.home + "/Library/LaunchAgents";
  const std::string groups = library.home + "/Library/Group Containers";
  const std::string socketAgent = agents + "/com.example.foo.plist";  // listed for its name
  const std::string owned = groups + "/7E4D-UUID";                   // listed for its metadata
  writeFile(owned + "/" + kContainerMetadataName,
            fixtures::xmlPlist("<dict><key>MCMMetadataIdentifier</key><string>com.example.foo</string></dict>"));
  const auto placeSocket = [&](const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string bound = shortPlace / "s";
    std::strncpy(address.sun_path, bound.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    ASSERT_EQ(::listen(fd, 1), 0);
    makeDirs(path.substr(0, path.rfind('/')));
    ASSERT_EQ(::rename(bound.c_str(), path.c_str()), 0) << path;
    ::close(fd);
  };
  placeSocket(socketAgent);
  placeSocket(groups + "/1A2B-UUID/" + kContainerMetadataName);
  makeDirs(groups + "/3C4D-UUID");
  const std::vector<std::string> fifos{agents + "/com.example.watch.plist",
                                       groups + "/3C4D-UUID/" + kContainerMetadataName};
  std::vector<std::thread> writers;
  std::atomic<int> opened{0};
  for (const std::string& fifo : fifos) {
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0) << fifo;
    writers.emplace_back([&opened, fifo] {
      const int fd = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);  // returns once a reader opens it
      ++opened;
      if (fd >= 0) ::close(fd);
    });
  }

  const AnalysisResult result = AppAnalyzer(SearchLocations{library.home, library.systemRoot}).analyze(library.bundle);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(opened.load(), 0) << "a FIFO was opened";
  for (const std::string& fifo : fifos) ::close(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  for (std::thread& writer : writers) writer.join();

  ASSERT_TRUE(std::holds_alternative<AppInfo>(result)) << std::get<AnalysisError>(result).localizedDescription;
  const AppInfo& info = std::get<AppInfo>(result);
  std::vector<std::string> expected = library.relatedFiles();
  expected.insert(expected.end() - 1, {owned, socketAgent});
  EXPECT_EQ(lines(info.relatedFiles()), lines(expected));
  EXPECT_EQ(info.unreadFiles, 4u);
  EXPECT_TRUE(info.unreadableFolders.empty());
}

// A folder bind-mounted inside a listed folder is not part of it: a removal
// leaves it in place, so its contents are not counted in the listed size.
TEST(ScanAttack, SizesStopAtAMountInsideTheListedFolder) {
  if (::geteuid() != 0) GTEST_SKIP() << "bind-mounting needs root";
  TempDir dir;
  const std::string listed = dir / "Foo", mountPoint = listed + "/mnt";
  writeFile(listed + "/small");
  makeDirs(mountPoint);
  writeFile(dir / "outside/big", std::string(std::size_t(4) << 20, 'x'));
  if (::mount((dir / "outside").c_str(), mountPoint.c_str(), nullptr, MS_BIND, nullptr) != 0)
    GTEST_SKIP() << "cannot bind-mount here (" << std::strerror(errno)
                 << "): a container without the right to mount";
  struct Unmount {
    std::string path;
    ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
  } unmount{mountPoint};
  const std::optional<std::uint64_t> size = measureEntry(listed);
  ASSERT_TRUE(size);
  EXPECT_LT(*size, std::uint64_t(1) << 20);
}

// A name holding ESC and CR would rewrite the lines above it, in the list of
// a scan and in the one a removal asks about; on a terminal both show it
// escaped. -0 and --json are for programs and stay as they are.
TEST(ScanAttack, NamesThatWouldSteerTheTerminalAreWrittenEscaped) {
  PreparedLibrary library;
  const std::string crafted = library.home + "/Library/Caches/Foo\x1b[1A\x1b[2K\rOther.log";
  writeFile(crafted);
  const std::string escaped = library.home + "/Library/Caches/Foo\\033[1A\\033[2K\\rOther.log";
  std::vector<std::string> removal = scanArgs(library);
  removal[0] = "remove";
  for (const std::string& written : {cliOnATerminal(scanArgs(library)), cliOnATerminal(removal, "n\n")}) {
    EXPECT_THAT(written, HasSubstr(escaped));
    EXPECT_EQ(written.find('\x1b'), std::string::npos) << written;
    EXPECT_EQ(written.find('\r'), std::string::npos) << written;
  }
  EXPECT_TRUE(existsNoFollow(crafted));
  EXPECT_THAT(cliOnATerminal(scanArgs(library, {"-0"})), HasSubstr(crafted + '\0'));
  EXPECT_THAT(cliOnATerminal(scanArgs(library, {"--json"})), HasSubstr("\\u001b[1A"));
}

// Output that cannot be written fails the command, whatever it was: a list a
// script reads from a full disk must not pass for a short one. And on a
// terminal the characters that break a line or reorder it unseen (U+2028,
// U+2029, the bidirectional controls) are escaped like the C0 and C1 ones.
TEST(ScanAttack, OutputThatCannotBeWrittenFailsAndNamesCannotReorderTheTerminal) {
  PreparedLibrary library;
  const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
  const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  ASSERT_GE(full, 0);
  for (const std::vector<std::string>& args : {scanArgs(library, {"--json"}), scanArgs(library),
                                               scanArgs(library, {"-0"}), std::vector<std::string>{"--help"}})
    EXPECT_EQ(runCli(args, null, full, null, [] {}), 1) << args[0] << " " << args[args.size() - 2];
  ::close(full);
  ::close(null);

  const std::string crafted = library.home + "/Library/Caches/Foo \u202Egol.app \u2028 \u2066x\u2069 \u200F\u061C";
  writeFile(crafted);
  const std::string written = cliOnATerminal(scanArgs(library));
  EXPECT_THAT(written, HasSubstr("/Library/Caches/Foo \\342\\200\\256gol.app \\342\\200\\250 \\342\\201\\246x"
                                 "\\342\\201\\251 \\342\\200\\217\\330\\234"));
  for (const char* hidden : {"\u202E", "\u2028", "\u2066", "\u2069", "\u200F", "\u061C"})
    EXPECT_EQ(written.find(hidden), std::string::npos) << written;
  EXPECT_THAT(cliOnATerminal(scanArgs(library, {"-0"})), HasSubstr(crafted + '\0'));
}

// A link to a bundle, dropped or chosen, stands for the bundle it names: the
// scan shows the real path and finds what only the real path identifies (a
// launch agent running a program inside it); the link is a row of its own,
// and a removal that keeps the bundle deletes the link as a link.
TEST(ScanAttack, ALinkToABundleIsAnalysedAsThatBundleAndRemovedAsALink) {
  PreparedLibrary library;
  const std::string link = library.home + "/Desktop/Shortcut.app";
  const std::string agent = library.home + "/Library/LaunchAgents/com.example.helper.plist";
  writeFile(agent, fixtures::xmlPlist("<dict><key>Label</key><string>com.example.helper</string><key>Program</key>"
                                      "<string>" + library.bundle + "/Contents/MacOS/Foo</string></dict>"));
  makeDirs(library.home + "/Desktop");
  ASSERT_EQ(::symlink(library.bundle.c_str(), link.c_str()), 0);
  std::vector<std::string> args = scanArgs(library, {"--json"});
  args.back() = link;
  const CliRun scan = cliWithOutputInFiles(args, [] {});
  ASSERT_EQ(scan.status, 0) << scan.err;
  EXPECT_THAT(scan.out, HasSubstr("\"name\":\"Foo\",\"path\":\"" + library.bundle + "\""));
  EXPECT_THAT(scan.out, HasSubstr("{\"path\":\"" + agent + "\",\"evidence\":\"launchJob\",\"selected\":true"));
  EXPECT_THAT(scan.out, HasSubstr("{\"path\":\"" + link + "\",\"evidence\":\"bundle\",\"selected\":true,"
                                  "\"otherApp\":null},{\"path\":\"" + library.bundle + "\""));

  std::vector<std::string> removal{"remove", "--yes", "--home", library.home, "--system-root", library.systemRoot,
                                   "--exclude", library.bundle, link};
  const CliRun removed = cliWithOutputInFiles(removal, [] {});
  EXPECT_EQ(removed.status, 0) << removed.err;
  EXPECT_FALSE(existsNoFollow(link));
  EXPECT_FALSE(existsNoFollow(agent));
  EXPECT_TRUE(existsNoFollow(library.bundle + "/Contents/MacOS/Foo"));
  EXPECT_TRUE(existsNoFollow(library.bundle + "/Contents/Info.plist"));
}

// A row in a folder others may write to without the sticky bit could be
// anyone's entry renamed to the listed name: it is listed, left out with its
// reason, and a removal leaves it. A sticky folder, or the bundle's own
// folder, is no reason.
TEST(ScanAttack, RowsInFoldersOthersCanChangeAreLeftOut) {
  PreparedLibrary library;
  const std::string caches = library.home + "/Library/Caches";
  const std::string logs = library.home + "/Library/Logs";
  const std::string planted = caches + "/com.example.foo";
  ASSERT_EQ(::chmod(caches.c_str(), 0777), 0);
  ASSERT_EQ(::chmod(logs.c_str(), 01777), 0);  // sticky: only each entry's owner may rename it
  ASSERT_EQ(::chmod((library.root / "Applications").c_str(), 0775), 0);
  const CliRun scan = cliWithOutputInFiles(scanArgs(library, {"--json"}), [] {});
  ASSERT_EQ(scan.status, 0) << scan.err;
  EXPECT_THAT(scan.out, HasSubstr("{\"path\":\"" + planted + "\",\"evidence\":\"changeableFolder\",\"selected\":false"));
  EXPECT_THAT(scan.out, HasSubstr("{\"path\":\"" + library.bundle + "\",\"evidence\":\"bundle\",\"selected\":true"));

  std::vector<std::string> removal = scanArgs(library, {"--yes"});
  removal[0] = "remove";
  const CliRun removed = cliWithOutputInFiles(removal, [] {});
  EXPECT_EQ(removed.status, 0) << removed.err;
  EXPECT_THAT(removed.err, HasSubstr("leaving out " + planted + " (in a folder others can change)"));
  EXPECT_TRUE(existsNoFollow(planted + "/data/inner"));
  EXPECT_FALSE(existsNoFollow(library.home + "/Library/Logs/Foo-\xff.log"));
}

}  // namespace
}  // namespace quillmere::safety
