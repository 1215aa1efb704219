// quillmere-bench: prints how long the analyzer's scan takes on a synthetic
// Library against an equivalent `find`, and how long the uninstaller takes to
// remove a large folder against `rm -rf`. Figures only, no verdicts.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/app_analyzer.h"
#include "platform/fake_privileged_remover.h"
#include "removal/quillmere.h"

extern char** environ;

namespace quillmere {
namespace {

struct Options {
  long entries = 200000;       // entries in the synthetic Library
  long removalFiles = 100000;  // files in the folder removed
  int runs = 5;                // timed runs of each scan; removal rounds are half as many
  std::string parent = defaultParent();

  // A memory-backed folder when there is one, so that the figures measure the
  // walk and the removal rather than the disk's journal (on a virtual disk,
  // creating and deleting 200,000 entries can take minutes).
  static std::string defaultParent() {
    struct stat info;
    if (::stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) && ::access("/dev/shm", W_OK) == 0)
      return "/dev/shm";
    return std::filesystem::temp_directory_path().string();
  }
};

const char* const kHomeRoots[] = {"Application Support", "Preferences", "Caches", "Logs",
                                  "Saved Application State", "HTTPStorages", "WebKit", "Containers"};
const char* const kSystemRoots[] = {"Application Support", "Caches"};

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long peakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
#if defined(__APPLE__)
  return usage.ru_maxrss / 1024;  // bytes there, KiB on Linux
#else
  return usage.ru_maxrss;
#endif
}

void makeDir(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
    std::perror(path.c_str());
    std::exit(1);
  }
}

void touch(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    std::perror(path.c_str());
    std::exit(1);
  }
  ::close(fd);
}

// A Library of vendor folders. Each vendor holds 259 entries, 39 of them within
// three levels of its root; the rest lie deeper and are never read by a scan
// bounded at three levels. Some names match the application "Foo"
// (com.example.foo), some are not ASCII, and every folder has hidden entries.
struct LibraryStats {
  long entries = 0;
  long withinThreeLevels = 0;
};

LibraryStats buildLibrary(const std::vector<std::string>& roots, long targetEntries) {
  LibraryStats stats;
  auto add = [&](const std::string& path, int depth, bool folder) {
    if (folder) makeDir(path);
    else touch(path);
    ++stats.entries;
    if (depth <= 3) ++stats.withinThreeLevels;
  };
  for (const std::string& root : roots) makeDir(root);
  for (long vendor = 0; stats.entries < targetEntries; ++vendor) {
    const std::string& root = roots[std::size_t(vendor) % roots.size()];
    char name[64];
    if (vendor % 97 == 13) std::snprintf(name, sizeof name, "com.example.foo.%ld", vendor);
    else if (vendor % 89 == 7) std::snprintf(name, sizeof name, "FooHelper%ld", vendor);
    else if (vendor % 10 == 3) std::snprintf(name, sizeof name, "Caf\xC3\xA9 Tools %ld", vendor);
    else if (vendor % 10 == 4) std::snprintf(name, sizeof name, "Cafe\xCC\x81 Works %ld", vendor);
    else std::snprintf(name, sizeof name, "Vendor%05ld", vendor);
    const std::string v = root + "/" + name;
    add(v, 1, true);
    touch(v + "/.DS_Store");  // hidden: neither reported nor entered
    for (const char* file : {"/settings.json", "/state.db", "/readme.txt"}) add(v + file, 2, false);
    for (int s = 0; s < 5; ++s) {
      const std::string sub = v + "/sub" + std::to_string(s);
      add(sub, 2, true);
      add(sub + (vendor % 23 == 5 && s == 0 ? "/foo.log" : "/data.bin"), 3, false);
      add(sub + "/index.idx", 3, false);
      for (int c = 0; c < 4; ++c) {
        const std::string leaf = sub + "/cache" + std::to_string(c);
        add(leaf, 3, true);
        for (int f = 0; f < 6; ++f) add(leaf + "/blob" + std::to_string(f) + (f == 0 ? "-foo" : ""), 4, false);
        add(leaf + "/deep", 4, true);
        for (int f = 0; f < 4; ++f) add(leaf + "/deep/Foo" + std::to_string(f), 5, false);
      }
    }
  }
  return stats;
}

// Runs a command (argv, no shell) with its output in a pipe; returns the
// number of NUL-terminated records it printed, or -1.
long runCountingRecords(const std::vector<std::string>& argv) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  long records = 0;
  char buffer[65536];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
    records += std::count(buffer, buffer + n, '\0');
  ::close(fds[0]);
  if (spawned != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? records : -1;
}

struct Timing {
  double best = 0, median = 0;
};

Timing timeRuns(int runs, const std::function<void()>& body) {
  body();  // warm the caches
  std::vector<double> seconds;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    body();
    seconds.push_back(secondsSince(start));
  }
  std::sort(seconds.begin(), seconds.end());
  return Timing{seconds.front(), seconds[seconds.size() / 2]};
}

void benchmarkScan(const Options& options, const std::string& work) {
  const std::string home = work + "/home", sys = work + "/sys";
  makeDir(home);
  makeDir(home + "/Library");
  makeDir(sys);
  makeDir(sys + "/Library");
  std::vector<std::string> roots;
  for (const char* r : kHomeRoots) roots.push_back(home + "/Library/" + r);
  for (const char* r : kSystemRoots) roots.push_back(sys + "/Library/" + r);

  auto start = std::chrono::steady_clock::now();
  LibraryStats stats = buildLibrary(roots, options.entries);
  std::printf("library: %ld entries (%ld within three levels of a root, %ld deeper), built in %.1f s\n",
              stats.entries, stats.withinThreeLevels, stats.entries - stats.withinThreeLevels,
              secondsSince(start));

  const std::string bundle = work + "/Foo.app";
  makeDir(bundle);
  makeDir(bundle + "/Contents");
  FILE* plist = std::fopen((bundle + "/Contents/Info.plist").c_str(), "w");
  std::fputs("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleIdentifier</key>"
             "<string>com.example.foo</string></dict></plist>\n", plist);
  std::fclose(plist);

  const AppAnalyzer analyzer(SearchLocations{home, sys});
  std::size_t listed = 0;
  const long rssBefore = peakRssKiB();
  Timing scan = timeRuns(options.runs, [&] {
    AnalysisResult result = analyzer.analyze(bundle);
    listed = std::get<AppInfo>(result).relatedFiles.size() - 1;  // without the bundle
  });
  const long rssGrowth = peakRssKiB() - rssBefore;

  // The same search as a find: three levels below each root, hidden entries
  // pruned, name or identifier in the entry's name, "/foo/" in the path below
  // the root (the work folder's own path holds no "foo"), matched folders pruned.
  std::vector<std::string> find = {"find"};
  for (const std::string& root : roots) find.push_back(root);
  for (const char* arg : {"-mindepth", "1", "-maxdepth", "3", "-name", ".*", "-prune", "-o", "(", "-iname", "*foo*",
                          "-o", "-iname", "*com.example.foo*", "-o", "-ipath", "*/foo/*", ")", "-print0", "-prune"})
    find.push_back(arg);
  long found = 0;
  Timing findTime = timeRuns(options.runs, [&] { found = runCountingRecords(find); });

  std::printf("scan (analyzer): best %.1f ms, median %.1f ms, %zu paths listed\n", scan.best * 1e3,
              scan.median * 1e3, listed);
  std::printf("scan (find):     best %.1f ms, median %.1f ms, %ld paths listed\n", findTime.best * 1e3,
              findTime.median * 1e3, found);
  std::printf("scan speed-up over find: %.2fx (median)\n", findTime.median / scan.median);
  std::printf("peak RSS growth during the scans: %ld KiB for %zu matches among %ld entries\n", rssGrowth, listed,
              stats.entries);
}

void makeFlatFolder(const std::string& folder, long files) {
  makeDir(folder);
  for (long i = 0; i < files; ++i) touch(folder + "/file" + std::to_string(i));
}

// Each round removes one fresh folder with the uninstaller and an identical
// one with rm -rf, the order alternating between rounds.
void benchmarkRemoval(const Options& options, const std::string& work) {
  // The privileged fallback must never run here: a fake that refuses stands in.
  auto privileged = std::make_shared<FakePrivilegedRemover>();
  privileged->refuseAll();
  const Quillmere uninstaller(privileged);
  const int rounds = std::max(1, options.runs / 2);
  std::vector<double> byUninstaller, byRm;
  bool allSucceeded = true;
  for (int round = 0; round < rounds; ++round) {
    const std::string a = work + "/Leftovers A", b = work + "/Leftovers B";
    makeFlatFolder(a, options.removalFiles);
    makeFlatFolder(b, options.removalFiles);
    auto timeUninstaller = [&] {
      AppInfo app("Leftovers", a, std::nullopt, nullptr, {a});
      ::sync();  // neither removal pays for writing back the other's files
      auto start = std::chrono::steady_clock::now();
      uninstaller.uninstall(app, nullptr, [&](bool ok, std::optional<std::string>) { allSucceeded &= ok; });
      byUninstaller.push_back(secondsSince(start));
    };
    auto timeRm = [&] {
      ::sync();
      auto start = std::chrono::steady_clock::now();
      allSucceeded &= runCountingRecords({"rm", "-rf", "--", b}) >= 0;
      byRm.push_back(secondsSince(start));
    };
    if (round % 2 == 0) {
      timeUninstaller();
      timeRm();
    } else {
      timeRm();
      timeUninstaller();
    }
  }
  std::sort(byUninstaller.begin(), byUninstaller.end());
  std::sort(byRm.begin(), byRm.end());
  const double uninstallMedian = byUninstaller[byUninstaller.size() / 2], rmMedian = byRm[byRm.size() / 2];
  std::printf("removal of a folder of %ld files, %d rounds%s\n", options.removalFiles, rounds,
              allSucceeded ? "" : " (SOME REMOVALS FAILED)");
  std::printf("removal (uninstaller): best %.1f ms, median %.1f ms\n", byUninstaller.front() * 1e3,
              uninstallMedian * 1e3);
  std::printf("removal (rm -rf):      best %.1f ms, median %.1f ms\n", byRm.front() * 1e3, rmMedian * 1e3);
  std::printf("uninstaller / rm -rf: %.2f (median)\n", uninstallMedian / rmMedian);
}

bool parseArguments(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if ((arg == "--entries" || arg == "--removal-files" || arg == "--runs" || arg == "--dir") && !(v = value()))
      return false;
    if (arg == "--entries") options.entries = std::atol(v);
    else if (arg == "--removal-files") options.removalFiles = std::atol(v);
    else if (arg == "--runs") options.runs = std::max(1, std::atoi(v));
    else if (arg == "--dir") options.parent = v;
    else return false;
  }
  return options.entries >= 0 && options.removalFiles >= 0;
}

}  // namespace
}  // namespace quillmere

int main(int argc, char** argv) {
  using namespace quillmere;
  Options options;
  if (!parseArguments(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: quillmere-bench [--entries N] [--removal-files N] [--runs N] [--dir DIR]\n"
                 "  defaults: 200000 entries, 100000 files, 5 runs, /dev/shm or the temporary folder\n"
                 "  0 entries or 0 files skips that half\n");
    return 2;
  }
  std::string work = options.parent + "/quillmere-bench-XXXXXX";
  if (!::mkdtemp(work.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  std::printf("working in %s\n", work.c_str());
  if (options.entries > 0) benchmarkScan(options, work);
  if (options.removalFiles > 0) benchmarkRemoval(options, work);
  auto start = std::chrono::steady_clock::now();
  runCountingRecords({"rm", "-rf", "--", work});
  std::printf("clean-up: %.1f s\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  return 0;
}
