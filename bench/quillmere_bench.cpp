// quillmere-bench: prints how long the analyzer's scan takes on a synthetic
// Library against the floor (a minimal single-threaded C walker doing the same
// pruning and tests) and against an equivalent `find`, warm and optionally
// with the page cache dropped, and how long the uninstaller takes to remove a
// large folder, and to move one to the Trash, against `rm -rf`. Figures only,
// no verdicts.

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/vfs.h>
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
#include <thread>
#include <vector>

#include "analysis/app_analyzer.h"
#include "analysis/extra_places.h"
#include "analysis/installed_apps.h"
#include "analysis/library_walk.h"
#include "testing/fake_privileged_remover.h"
#include "platform/running_processes.h"
#include "removal/uninstaller.h"
#include "matching/evidence_analysis.h"
#include "matching/row_evidence.h"

extern char** environ;

namespace quillmere {
namespace {

struct Options {
  long entries = 200000;       // entries in the synthetic Library
  long removalFiles = 100000;  // files in the folder removed
  int runs = 5;                // timed runs of each scan; removal rounds are half as many
  bool cold = false;           // also time the scans with the page cache dropped before each
  int installed = 300;         // installed applications read beside the scan
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

// The floor: a plain single-threaded C walker with the analyzer's pruning —
// readdir and d_type, hidden entries skipped, no folder opened whose children
// would lie too deep, matched folders not entered — and byte-wise ASCII
// case-insensitive tests. It does no Unicode work: the bench's matches are
// all ASCII, so it lists what the analyzer lists.
struct FloorWalk {
  const char* name;        // lower-case ASCII needles
  const char* identifier;
  std::vector<std::string> found;
  char path[4096];
};

int lowerByte(int c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

int containsIgnoringCase(const char* text, const char* needle) {
  if (!*needle) return 0;
  for (; *text; ++text) {
    const char *t = text, *n = needle;
    while (*n && lowerByte((unsigned char)*t) == *n) ++t, ++n;
    if (!*n) return 1;
  }
  return 0;
}

int equalsIgnoringCase(const char* text, const char* needle) {
  while (*text && lowerByte((unsigned char)*text) == *needle) ++text, ++needle;
  return !*text && !*needle;
}

void floorWalk(FloorWalk* w, int fd, size_t pathLength, int depth, int belowName) {
  DIR* dir = fdopendir(fd);
  if (!dir) {
    close(fd);
    return;
  }
  struct dirent* e;
  while ((e = readdir(dir))) {
    if (e->d_name[0] == '.') continue;
    size_t length = strlen(e->d_name);
    if (pathLength + 1 + length >= sizeof w->path) continue;
    w->path[pathLength] = '/';
    memcpy(w->path + pathLength + 1, e->d_name, length + 1);
    if (belowName || containsIgnoringCase(e->d_name, w->name) || containsIgnoringCase(e->d_name, w->identifier)) {
      w->found.emplace_back(w->path, pathLength + 1 + length);
      continue;
    }
    if (depth >= 3 || e->d_type != DT_DIR) continue;
    int child = openat(dirfd(dir), e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (child >= 0) floorWalk(w, child, pathLength + 1 + length, depth + 1, equalsIgnoringCase(e->d_name, w->name));
  }
  closedir(dir);
}

std::size_t floorScan(const std::vector<std::string>& roots, const char* name, const char* identifier) {
  FloorWalk w{name, identifier, {}, {}};
  for (const std::string& root : roots) {
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || root.size() >= sizeof w.path) continue;
    memcpy(w.path, root.c_str(), root.size() + 1);
    floorWalk(&w, fd, root.size(), 1, 0);
  }
  return w.found.size();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

bool onTmpfs(const std::string& path) {
  struct statfs info;
  return ::statfs(path.c_str(), &info) == 0 && info.f_type == 0x01021994;  // TMPFS_MAGIC
}

bool dropPageCache() {
  ::sync();
  int fd = ::open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool dropped = ::write(fd, "3", 1) == 1;
  ::close(fd);
  return dropped;
}

// The three scans of one state (warm or cold), run in rounds whose order
// rotates, so that a load that comes and goes on a shared machine falls on
// all three alike. Ratios are taken within a round, then their median.
struct ScanRounds {
  std::vector<double> scan, floor, find, scanPerFloor, scanPerFind;
  std::vector<double> cpu[3];  // processor time of each scan, all its threads
};

// User and system time of this process (all threads) or of its waited-for children.
double cpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void printRounds(const char* state, const ScanRounds& r) {
  auto best = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
  std::printf("%s, %zu rounds:\n", state, r.scan.size());
  std::printf("  scan (analyzer): best %7.1f ms, median %7.1f ms\n", best(r.scan) * 1e3, median(r.scan) * 1e3);
  std::printf("  scan (floor):    best %7.1f ms, median %7.1f ms\n", best(r.floor) * 1e3, median(r.floor) * 1e3);
  std::printf("  scan (find):     best %7.1f ms, median %7.1f ms\n", best(r.find) * 1e3, median(r.find) * 1e3);
  std::printf("  scan/floor %.2f, scan/find %.2f (medians of the rounds' ratios)\n", median(r.scanPerFloor),
              median(r.scanPerFind));
  std::printf("  processor time per scan (median): analyzer %.1f ms, floor %.1f ms, find %.1f ms\n",
              median(r.cpu[0]) * 1e3, median(r.cpu[1]) * 1e3, median(r.cpu[2]) * 1e3);
}

// The scan as the window and the command line run it: with the installed
// applications read beside it and every row's evidence decided, against the
// search alone. By default 300 bundles, a third of them one folder down, as
// a Mac with many applications has them.
void benchmarkEvidence(const Options& options, const SearchLocations& where, const std::string& bundle,
                       const std::vector<std::string>& roots) {
  std::string plist = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>";
  for (int key = 0; key < 40; ++key)
    plist += "<key>Key" + std::to_string(key) + "</key><string>value of a typical length " + std::to_string(key) +
             "</string>";
  for (int app = 0; app < options.installed; ++app) {
    const std::string folder = where.systemRoot + "/Applications" + (app % 3 == 0 ? "/Suite " + std::to_string(app % 7) : "");
    const std::string path = folder + "/App " + std::to_string(app) + ".app/Contents";
    std::filesystem::create_directories(path);
    std::FILE* file = std::fopen((path + "/Info.plist").c_str(), "w");
    std::fputs((plist + "<key>CFBundleIdentifier</key><string>com.vendor" + std::to_string(app) +
                ".app</string></dict></plist>\n").c_str(), file);
    std::fclose(file);
  }
  const AppAnalyzer analyzer(where);
  auto best = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
  std::vector<double> plain, withEvidence, reading, ratios, wholePerFloor, plainCpu, wholeCpu;
  for (int round = 0; round < options.runs + 1; ++round) {  // the first round warms the caches
    double a = 0, b = 0, f = 0, aCpu = 0, bCpu = 0;
    // Rotating which goes first, so that a load that comes and goes falls on all alike.
    for (int k = 0; k < 3; ++k) {
      const double cpu0 = cpuSeconds(RUSAGE_SELF);
      const auto t0 = std::chrono::steady_clock::now();
      if ((round + k) % 3 == 0) {
        analyzer.analyze(bundle);
        a = secondsSince(t0);
        aCpu = cpuSeconds(RUSAGE_SELF) - cpu0;
      } else if ((round + k) % 3 == 1) {
        analyzeWithEvidence(where, bundle);
        b = secondsSince(t0);
        bCpu = cpuSeconds(RUSAGE_SELF) - cpu0;
      } else {
        floorScan(roots, "foo", "com.example.foo");
        f = secondsSince(t0);
      }
    }
    const auto t0 = std::chrono::steady_clock::now();
    const std::size_t installed =
        readInstalledApps(where, bundle, identifiersWorthReading("Foo", "com.example.foo")).size();
    const double c = secondsSince(t0);
    if (round == 0) {
      std::printf("installed applications: %zu\n", installed);
      continue;
    }
    plain.push_back(a), withEvidence.push_back(b), reading.push_back(c), ratios.push_back(b / a);
    wholePerFloor.push_back(b / f), plainCpu.push_back(aCpu), wholeCpu.push_back(bCpu);
  }
  std::printf("  scan alone:                       best %7.1f ms, median %7.1f ms\n", best(plain) * 1e3,
              median(plain) * 1e3);
  std::printf("  scan + installed apps + evidence: best %7.1f ms, median %7.1f ms\n", best(withEvidence) * 1e3,
              median(withEvidence) * 1e3);
  std::printf("  with evidence / alone: %.3f (median of the rounds' ratios)\n", median(ratios));
  std::printf("  whole scan (with installed apps and evidence) / floor over the twelve folders: %.2f"
              " (median of the rounds' ratios)\n", median(wholePerFloor));
  std::printf("  installed apps read alone:        best %7.1f ms, median %7.1f ms\n", best(reading) * 1e3,
              median(reading) * 1e3);
  // What a second core can take is in the wall-clock times; the processor
  // time, all threads, says what the scan costs however busy the machine is.
  std::printf("  processor time per scan (median): scan alone %.1f ms, whole scan %.1f ms\n",
              median(plainCpu) * 1e3, median(wholeCpu) * 1e3);
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
  std::size_t listed = 0, floorListed = 0;
  auto scan = [&] {
    AnalysisResult result = analyzer.analyze(bundle);
    listed = std::get<AppInfo>(result).rows.size() - 1;  // without the bundle
  };
  auto floor = [&] { floorListed = floorScan(roots, "foo", "com.example.foo"); };
  // The same search as a find: three levels below each root, hidden entries
  // pruned, name or identifier in the entry's name, "/foo/" in the path below
  // the root (the work folder's own path holds no "foo"), matched folders pruned.
  std::vector<std::string> findArgs = {"find"};
  for (const std::string& root : roots) findArgs.push_back(root);
  for (const char* arg : {"-mindepth", "1", "-maxdepth", "3", "-name", ".*", "-prune", "-o", "(", "-iname", "*foo*",
                          "-o", "-iname", "*com.example.foo*", "-o", "-ipath", "*/foo/*", ")", "-print0", "-prune"})
    findArgs.push_back(arg);
  long found = 0;
  auto find = [&] { found = runCountingRecords(findArgs); };

  auto rounds = [&](bool cold) {
    ScanRounds r;
    if (!cold) {  // warm the caches
      scan();
      floor();
      find();
    }
    std::vector<double>* times[] = {&r.scan, &r.floor, &r.find};
    const std::function<void()> bodies[] = {scan, floor, find};
    for (int round = 0; round < options.runs; ++round) {
      double seconds[3];
      for (int k = 0; k < 3; ++k) {
        const int which = (round + k) % 3;
        if (cold) dropPageCache();
        const int who = which == 2 ? RUSAGE_CHILDREN : RUSAGE_SELF;  // find is a child process
        const double cpu0 = cpuSeconds(who);
        auto t0 = std::chrono::steady_clock::now();
        bodies[which]();
        seconds[which] = secondsSince(t0);
        r.cpu[which].push_back(cpuSeconds(who) - cpu0);
        times[which]->push_back(seconds[which]);
      }
      r.scanPerFloor.push_back(seconds[0] / seconds[1]);
      r.scanPerFind.push_back(seconds[0] / seconds[2]);
    }
    return r;
  };

  std::printf("analyzer walks on %u threads (%u cores)\n", walkThreadCount(), std::thread::hardware_concurrency());
  const long rssBefore = peakRssKiB();
  printRounds("warm", rounds(false));
  const long rssGrowth = peakRssKiB() - rssBefore;
  std::printf("paths listed: analyzer %zu, floor %zu, find %ld%s\n", listed, floorListed, found,
              listed == floorListed && long(listed) == found ? "" : " (THE SCANS DISAGREE)");
  if (options.cold) {
    if (onTmpfs(work)) std::printf("cold: skipped, the Library lies in memory (give --dir a folder on a disk)\n");
    else if (!dropPageCache()) std::printf("cold: skipped, the page cache cannot be dropped here (needs root)\n");
    else printRounds("cold (page cache dropped before each scan)", rounds(true));
  }
  std::printf("peak RSS growth during the warm scans: %ld KiB for %zu matches among %ld entries\n", rssGrowth,
              listed, stats.entries);
  benchmarkEvidence(options, SearchLocations{home, sys}, bundle, roots);
}

void writeText(const std::string& path, const std::string& text) {
  FILE* file = std::fopen(path.c_str(), "w");
  if (!file) return;
  std::fputs(text.c_str(), file);
  std::fclose(file);
}

// The places beyond the twelve folders, timed on their own in a Library of
// their own (so the twelve folders' comparison with the floor stays exact):
// launchd jobs whose lists are read, containers and group containers whose
// metadata is read, cookies, scripts, helpers and receipts tested by name.
// Then the check for programs running from the bundle.
void benchmarkPlaces(const Options& options, const std::string& work) {
  const std::string home = work + "/places-home", sys = work + "/places-sys";
  const std::string lib = home + "/Library", sysLib = sys + "/Library";
  for (const std::string& folder :
       {home, lib, lib + "/LaunchAgents", lib + "/Group Containers", lib + "/Containers", lib + "/Cookies",
        lib + "/Application Scripts", sys, sysLib, sysLib + "/LaunchAgents", sysLib + "/LaunchDaemons",
        sysLib + "/PrivilegedHelperTools", sys + "/private", sys + "/private/var", sys + "/private/var/db",
        sys + "/private/var/db/receipts"})
    makeDir(folder);
  const auto plist = [](const std::string& body) {
    return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>" + body + "</dict></plist>\n";
  };
  long entries = 0;
  for (int i = 0; i < 300; ++i) {
    const std::string vendor = "com.vendor" + std::to_string(i);
    // One job in fifty names our bundle's folder, and is parsed.
    const std::string program = "/Applications/" + std::string(i % 50 == 7 ? "Foo" : "Vendor" + std::to_string(i)) +
                                ".app/Contents/MacOS/agent";
    const std::string job = plist("<key>Label</key><string>" + vendor + ".agent</string><key>ProgramArguments"
                                  "</key><array><string>" + program + "</string></array>");
    for (const std::string& folder : {lib + "/LaunchAgents", sysLib + "/LaunchAgents", sysLib + "/LaunchDaemons"})
      writeText(folder + "/" + vendor + ".agent.plist", job);
    const std::string metadata = plist("<key>MCMMetadataIdentifier</key><string>" + vendor + ".app</string>");
    for (const std::string& folder : {lib + "/Group Containers/ABCDE" + std::to_string(10000 + i) + "." + vendor,
                                      lib + "/Containers/" + vendor + ".app"}) {
      makeDir(folder);
      writeText(folder + "/.com.apple.containermanagerd.metadata.plist", metadata);
    }
    touch(lib + "/Cookies/" + vendor + ".app.binarycookies");
    makeDir(lib + "/Application Scripts/" + vendor + ".app");
    touch(sysLib + "/PrivilegedHelperTools/" + vendor + ".helper");
    touch(sys + "/private/var/db/receipts/" + vendor + ".pkg.bom");
    touch(sys + "/private/var/db/receipts/" + vendor + ".pkg.plist");
    entries += 11;
  }
  const std::string bundle = work + "/Foo.app";
  const SearchedApp app{bundle, "Foo", "com.example.foo"};
  const NameMatcher matcher(app.name, app.identifier);
  std::vector<double> places, processes;
  std::size_t rows = 0, programs = 0;
  searchExtraPlaces(home, sys, app, matcher, {});  // warm the caches
  for (int round = 0; round < options.runs * 2; ++round) {
    auto t0 = std::chrono::steady_clock::now();
    rows = searchExtraPlaces(home, sys, app, matcher, {}).rows.size();
    places.push_back(secondsSince(t0));
    t0 = std::chrono::steady_clock::now();
    programs = programsRunningFrom(bundle).size();
    processes.push_back(secondsSince(t0));
  }
  std::printf("beyond the twelve folders: %ld entries in 11 places and the containers, %zu rows listed\n", entries,
              rows);
  std::printf("  search of those places: best %.2f ms, median %.2f ms\n",
              *std::min_element(places.begin(), places.end()) * 1e3, median(places) * 1e3);
  std::printf("  programs running from the bundle (%zu): best %.2f ms, median %.2f ms (beside the walk, on a thread "
              "of its own)\n",
              programs, *std::min_element(processes.begin(), processes.end()) * 1e3, median(processes) * 1e3);
}

void makeFlatFolder(const std::string& folder, long files) {
  makeDir(folder);
  for (long i = 0; i < files; ++i) touch(folder + "/file" + std::to_string(i));
}

// The record as the analysis hands it over: the removal takes only the
// entry that was listed, so a record without it removes nothing.
AppInfo listedFolder(const std::string& folder) {
  AppInfo app("Leftovers", folder, std::nullopt, nullptr, {folder});
  AppInfo::IdentityTable identities;
  if (const auto identity = identityAtPath(folder)) identities.emplace(folder, *identity);
  app.setIdentities(std::move(identities));
  return app;
}

// Each round removes one fresh folder with the uninstaller, one with rm -rf
// and moves one to the Trash (on the same file system: a Trash of the
// bench's own), the order turning between rounds.
void benchmarkRemoval(const Options& options, const std::string& work) {
  // The privileged fallback must never run here: a fake that refuses stands in.
  auto privileged = std::make_shared<FakePrivilegedRemover>();
  privileged->refuseAll();
  const Uninstaller uninstaller(privileged);
  ::setenv("XDG_DATA_HOME", (work + "/data").c_str(), 1);
  const int rounds = std::max(1, options.runs / 2);
  std::vector<double> byUninstaller, byRm, byTrash;
  bool allSucceeded = true;
  for (int round = 0; round < rounds; ++round) {
    const std::string a = work + "/Leftovers A", b = work + "/Leftovers B", c = work + "/Leftovers C";
    makeFlatFolder(a, options.removalFiles);
    makeFlatFolder(b, options.removalFiles);
    makeFlatFolder(c, options.removalFiles);
    auto timeUninstaller = [&](const std::string& folder, bool toTrash, std::vector<double>& times) {
      const AppInfo app = listedFolder(folder);
      ::sync();  // no removal pays for writing back another's files
      auto start = std::chrono::steady_clock::now();
      uninstaller.uninstall(
          app, nullptr, [&](bool ok, std::optional<std::string>) { allSucceeded &= ok; }, RemovalOptions{toTrash});
      times.push_back(secondsSince(start));
    };
    auto timeRm = [&] {
      ::sync();
      auto start = std::chrono::steady_clock::now();
      allSucceeded &= runCountingRecords({"rm", "-rf", "--", b}) >= 0;
      byRm.push_back(secondsSince(start));
    };
    const std::function<void()> steps[] = {[&] { timeUninstaller(a, false, byUninstaller); }, timeRm,
                                           [&] { timeUninstaller(c, true, byTrash); }};
    for (int k = 0; k < 3; ++k) steps[(round + k) % 3]();
  }
  for (auto* times : {&byUninstaller, &byRm, &byTrash}) std::sort(times->begin(), times->end());
  const double uninstallMedian = byUninstaller[byUninstaller.size() / 2], rmMedian = byRm[byRm.size() / 2],
               trashMedian = byTrash[byTrash.size() / 2];
  std::printf("removal of a folder of %ld files, %d rounds%s\n", options.removalFiles, rounds,
              allSucceeded ? "" : " (SOME REMOVALS FAILED)");
  std::printf("removal (uninstaller): best %.1f ms, median %.1f ms\n", byUninstaller.front() * 1e3,
              uninstallMedian * 1e3);
  std::printf("removal (rm -rf):      best %.1f ms, median %.1f ms\n", byRm.front() * 1e3, rmMedian * 1e3);
  std::printf("to the Trash:          best %.1f ms, median %.1f ms\n", byTrash.front() * 1e3, trashMedian * 1e3);
  std::printf("uninstaller / rm -rf: %.2f (median)\n", uninstallMedian / rmMedian);
  std::printf("to the Trash / rm -rf: %.4f (median)\n", trashMedian / rmMedian);
}

bool parseArguments(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if ((arg == "--entries" || arg == "--removal-files" || arg == "--runs" || arg == "--dir" ||
         arg == "--installed") && !(v = value()))
      return false;
    if (arg == "--cold") options.cold = true;
    else if (arg == "--entries") options.entries = std::atol(v);
    else if (arg == "--removal-files") options.removalFiles = std::atol(v);
    else if (arg == "--runs") options.runs = std::max(1, std::atoi(v));
    else if (arg == "--dir") options.parent = v;
    else if (arg == "--installed") options.installed = std::max(0, std::atoi(v));
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
                 "usage: quillmere-bench [--entries N] [--removal-files N] [--runs N] [--dir DIR] [--cold] [--installed N]\n"
                 "  defaults: 200000 entries, 100000 files, 5 runs, /dev/shm or the temporary folder,\n"
                 "  300 installed applications\n"
                 "  0 entries or 0 files skips that half\n"
                 "  --cold also times the scans with the page cache dropped before each (root, a DIR on disk)\n");
    return 2;
  }
  std::string work = options.parent + "/quillmere-bench-XXXXXX";
  if (!::mkdtemp(work.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  std::printf("working in %s\n", work.c_str());
  if (options.entries > 0) benchmarkScan(options, work);
  if (options.entries > 0) benchmarkPlaces(options, work);
  if (options.removalFiles > 0) benchmarkRemoval(options, work);
  auto start = std::chrono::steady_clock::now();
  runCountingRecords({"rm", "-rf", "--", work});
  std::printf("clean-up: %.1f s\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  return 0;
}
