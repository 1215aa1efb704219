#include "analysis/app_analyzer.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <system_error>
#include <utility>

#include "analysis/bundle_properties.h"
#include "analysis/extra_places.h"
#include "analysis/folder_refusal.h"
#include "analysis/joining_thread.h"
#include "analysis/library_walk.h"
#include "matching/name_matcher.h"
#include "analysis/scan_failure.h"
#include "matching/content_evidence.h"
#include "fsys/search_places.h"
#include "fsys/path_text.h"
#include "fsys/unique_fd.h"
#include "platform/home_folder.h"
#include "platform/running_processes.h"

namespace quillmere {
namespace {

constexpr std::size_t kMaxIconBytes = std::size_t(16) << 20;

bool existsFollowingLinks(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

// The bundle that `appPath` names when its last component is a symbolic link
// to one (an alias on the desktop): the application is that bundle, not the
// link, whose name may even differ from it.
std::optional<std::string> bundleBehindLink(const std::string& appPath) {
  const std::string written = withoutTrailingSlashes(appPath);
  struct stat info;
  if (written.empty() || ::lstat(written.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return std::nullopt;
  struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
  };
  const std::unique_ptr<char, FreeDeleter> real(::realpath(written.c_str(), nullptr));
  if (!real || !isBundlePath(real.get())) return std::nullopt;
  return std::string(real.get());
}

// A root that is missing, or that the user may not reach, is skipped; any
// other error fails the search.
bool rootExists(const std::string& root) {
  struct stat info;
  if (::stat(root.c_str(), &info) == 0) return true;
  passOverOrFail(errno, root);
  return false;
}

void replaceAll(std::string& text, std::string_view what) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(what, from)) != std::string::npos; from = at + what.size())
    out.append(text, from, at - from);
  out.append(text, from);
  text = std::move(out);
}

// Orders by the code points of the NFC form; byte-distinct paths are all kept,
// since on a file system that does not normalise names (Linux) an NFC and an
// NFD spelling are two different files, and each must be removed.
void sortAndDeduplicate(std::vector<std::string>& paths) {
  std::vector<std::pair<std::string, std::string>> keyed;
  keyed.reserve(paths.size());
  for (std::string& path : paths) keyed.emplace_back(canonicalForm(path), std::move(path));
  std::sort(keyed.begin(), keyed.end());
  keyed.erase(std::unique(keyed.begin(), keyed.end()), keyed.end());
  paths.clear();
  for (auto& entry : keyed) paths.push_back(std::move(entry.second));
}

// The icon file named by CFBundleIconFile inside Contents/Resources of the
// bundle open at `bundleFd`. The value is a file name: one that would leave
// the folder is ignored.
std::shared_ptr<const IconImage> loadIcon(int bundleFd, const std::string& bundle, const std::string& iconFile) {
  if (iconFile.empty() || iconFile.front() == '/' || iconFile == ".." || iconFile.find('\0') != std::string::npos ||
      iconFile.starts_with("../") || iconFile.find("/../") != std::string::npos ||
      iconFile.ends_with("/.."))
    return nullptr;
  const std::string resources = "Contents/Resources/";
  std::vector<std::string> candidates;
  if (!iconFile.ends_with(".icns")) candidates.push_back(resources + iconFile + ".icns");
  candidates.push_back(resources + iconFile);
  for (const std::string& candidate : candidates) {
    std::optional<std::string> data = readFileInside(bundleFd, bundle, candidate, kMaxIconBytes);
    if (data && !data->empty())
      return std::make_shared<const IconImage>(IconImage{bundle + "/" + candidate, std::move(*data)});
  }
  return nullptr;
}

}  // namespace

AnalysisError searchFailure(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const ScanFailure& failure) {
    return AnalysisError{"", -1, failure.what()};
  } catch (const std::bad_alloc&) {
    return AnalysisError{"", -1, "Cannot search: out of memory"};
  }
}

SearchLocations SearchLocations::forCurrentUser() { return SearchLocations{currentHomeFolder(), "/"}; }

AppAnalyzer::AppAnalyzer(SearchLocations locations) : locations_(std::move(locations)) {}

std::vector<std::string> AppAnalyzer::searchRoots() const {
  const std::string home = asPathPrefix(locations_.home);
  const std::string system = asPathPrefix(locations_.systemRoot);
  std::vector<std::string> roots;
  for (const SearchPlace& place : kLibraryFolders) roots.push_back((place.inHome ? home : system) + std::string(place.folder));
  return roots;
}

std::string AppAnalyzer::applicationName(const std::string& appPath) {
  const std::string trimmed = withoutTrailingSlashes(appPath);
  std::size_t slash = trimmed.rfind('/');
  std::string name = (slash == std::string::npos || trimmed.size() == 1) ? trimmed : trimmed.substr(slash + 1);
  replaceAll(name, ".app");
  return name;
}

AnalysisResult AppAnalyzer::analyze(const std::string& appPath) const {
  if (!existsFollowingLinks(appPath))
    return AnalysisError{"", -1, "Application does not exist"};
  // Past this point nothing may be left out quietly: a search that ran out
  // of descriptors or memory fails, naming the cause, rather than listing less.
  try {
    if (const std::optional<std::string> bundle = bundleBehindLink(appPath))
      return analyzeBundle(*bundle, withoutTrailingSlashes(appPath));
    return analyzeBundle(appPath, "");
  } catch (...) {
    return searchFailure(std::current_exception());
  }
}

std::optional<std::string> AppAnalyzer::bundleIdentifierOf(const std::string& appPath) {
  const std::string bundle = asPathPrefix(appPath);
  const UniqueFd bundleFd(::open(bundle.empty() ? "/" : bundle.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!bundleFd) return std::nullopt;
  const std::optional<BundleProperties> properties = readBundleProperties(bundleFd.get(), bundle);
  return properties ? properties->bundleIdentifier : std::nullopt;
}

AppInfo AppAnalyzer::analyzeBundle(const std::string& appPath, const std::string& link) const {
  std::string name = applicationName(appPath);
  const std::string bundle = asPathPrefix(appPath);
  std::optional<BundleProperties> properties;
  std::shared_ptr<const IconImage> icon;
  // The bundle itself may be reached through a link, as the user named it;
  // nothing inside it is (readFileInside).
  const UniqueFd bundleFd(::open(bundle.empty() ? "/" : bundle.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!bundleFd) passOverOrFail(errno, bundle);  // a plain file is no bundle: no properties
  if (bundleFd) properties = readBundleProperties(bundleFd.get(), bundle);
  if (properties && properties->iconFile) icon = loadIcon(bundleFd.get(), bundle, *properties->iconFile);
  std::optional<std::string> bundleIdentifier = properties ? properties->bundleIdentifier : std::nullopt;

  // Which programs run from the bundle is asked beside the walk: on a busy
  // system the process list takes a few milliseconds of its own.
  std::vector<RunningProgram> running;
  const auto askProcesses = [&] {
    try {
      running = programsRunningFrom(appPath);
    } catch (const std::bad_alloc&) {
      running.clear();  // no notice rather than no analysis
    }
  };
  std::optional<JoiningThread> processes;  // joined on every way out
  try {
    processes.emplace(askProcesses);
  } catch (const std::system_error&) {
    askProcesses();  // no thread to be had: asked here instead
  }
  // Names that cannot be a real application's stay in the record but search
  // for nothing.
  const SearchedApp searched{appPath, searchableName(name),
                             bundleIdentifier ? searchableIdentifier(*bundleIdentifier) : std::string()};
  const NameMatcher matcher(searched.name, searched.identifier);
  std::vector<UnreadableFolder> unreadable;
  std::vector<std::string> withoutMetadata;
  std::vector<std::string> spelt;
  std::vector<std::string> related = findRelatedFiles(matcher, unreadable, withoutMetadata, spelt);
  // The rows only another spelling of the name found follow the twelve
  // folders' own list, which stays what the name rules give.
  const std::size_t firstSpelt = related.size();
  for (std::string& path : spelt) related.push_back(std::move(path));
  // Beyond the twelve folders: their rows after the twelve folders' rows and
  // before the bundle.
  PlacesFound places = searchExtraPlaces(asPathPrefix(locations_.home), asPathPrefix(locations_.systemRoot), searched,
                                         matcher, related, withoutMetadata);
  const std::size_t firstPlace = related.size();
  for (const FoundRow& row : places.rows) related.push_back(row.path);
  // The link the bundle was named by goes with it, as a link: deleting it
  // never follows it. Just before the bundle, unless the search found it.
  if (!link.empty() && std::find(related.begin(), related.end(), link) == related.end()) related.push_back(link);
  related.push_back(appPath);
  AppInfo info(std::move(name), appPath, std::move(bundleIdentifier), std::move(icon), std::move(related));
  for (std::size_t i = firstSpelt; i < firstPlace; ++i) info.rows[i].found = Evidence::Spelling;
  for (std::size_t i = 0; i < places.rows.size(); ++i) info.rows[firstPlace + i].found = places.rows[i].content;
  // Each row's entry as it is now, when the list is made: the removal later
  // deletes a path only while it still names this entry.
  for (ListedRow& row : info.rows) row.identity = identityAtPath(row.path);
  // A folder both searches tried (a container refused to the walk and to the
  // reading of its metadata) is named once.
  for (UnreadableFolder& folder : places.unreadable)
    if (std::none_of(unreadable.begin(), unreadable.end(),
                     [&](const UnreadableFolder& seen) { return seen.path == folder.path; }))
      unreadable.push_back(std::move(folder));
  info.unreadableFolders = std::move(unreadable);
  info.unreadFiles = places.unreadFiles;
  processes.reset();  // joined: the list is complete
  for (RunningProgram& program : running) info.runningPrograms.push_back(std::move(program.program));
  info.link = link;
  return info;
}

std::vector<std::string> AppAnalyzer::findRelatedFiles(const NameMatcher& matcher,
                                                       std::vector<UnreadableFolder>& unreadable,
                                                       std::vector<std::string>& withoutMetadata,
                                                       std::vector<std::string>& spelt) const {
  std::vector<std::string> roots;
  // A root we may not even look at is walked too, so that its refusal is counted.
  for (std::string& root : searchRoots())
    if (rootExists(root) || refusalOf(errno)) roots.push_back(std::move(root));
  // The roots are independent, and a warm Library is listed faster than one
  // core can test the names: the walk runs on a few threads.
  // The walk lists every container it enters: the ones whose listing held no
  // metadata are not opened again to read it.
  FolderMarker metadata{kContainerMetadataName, {}};
  std::vector<std::string> found = collectMatchingEntries(roots, matcher, walkThreadCount(), &unreadable, &metadata);
  withoutMetadata = std::move(metadata.absentIn);
  std::sort(withoutMetadata.begin(), withoutMetadata.end());
  std::vector<std::string> byName;
  for (std::string& path : found) (matcher.matchesName(lastComponent(path)) ? byName : spelt).push_back(std::move(path));
  sortAndDeduplicate(byName);
  sortAndDeduplicate(spelt);
  return byName;
}

}  // namespace quillmere
