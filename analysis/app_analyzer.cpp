#include "analysis/app_analyzer.h"

#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "analysis/bundle_properties.h"
#include "analysis/library_walk.h"
#include "analysis/name_matcher.h"
#include "fsys/path_text.h"
#include "platform/home_folder.h"

namespace quillmere {
namespace {

constexpr std::size_t kMaxIconBytes = std::size_t(16) << 20;

constexpr const char* kHomeRootSuffixes[] = {
    "/Library/Application Support", "/Library/Preferences",
    "/Library/Caches",              "/Library/Logs",
    "/Library/Saved Application State", "/Library/HTTPStorages",
    "/Library/WebKit",              "/Library/Containers",
};
constexpr const char* kSystemRootSuffixes[] = {
    "/Library/Application Support",
    "/Library/Preferences",
    "/Library/Caches",
    "/Library/Logs",
};

bool existsFollowingLinks(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
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
  for (std::string& path : paths) {
    std::string key = canonicalForm(path);
    keyed.emplace_back(std::move(key), std::move(path));
  }
  std::sort(keyed.begin(), keyed.end());
  keyed.erase(std::unique(keyed.begin(), keyed.end()), keyed.end());
  paths.clear();
  for (auto& entry : keyed) paths.push_back(std::move(entry.second));
}

// The icon file named by CFBundleIconFile inside Contents/Resources. The value
// is a file name: one that would leave the folder is ignored.
std::shared_ptr<const IconImage> loadIcon(const std::string& bundle, const std::string& iconFile) {
  if (iconFile.empty() || iconFile.front() == '/' || iconFile == ".." || iconFile.find('\0') != std::string::npos ||
      iconFile.starts_with("../") || iconFile.find("/../") != std::string::npos ||
      iconFile.ends_with("/.."))
    return nullptr;
  std::string resources = bundle + "/Contents/Resources/";
  std::vector<std::string> candidates;
  if (!iconFile.ends_with(".icns")) candidates.push_back(resources + iconFile + ".icns");
  candidates.push_back(resources + iconFile);
  for (const std::string& candidate : candidates) {
    if (std::optional<std::string> data = readSmallFile(candidate, kMaxIconBytes); data && !data->empty())
      return std::make_shared<const IconImage>(IconImage{candidate, std::move(*data)});
  }
  return nullptr;
}

}  // namespace

SearchLocations SearchLocations::forCurrentUser() { return SearchLocations{currentHomeFolder(), "/"}; }

AppAnalyzer::AppAnalyzer() : AppAnalyzer(SearchLocations::forCurrentUser()) {}

AppAnalyzer::AppAnalyzer(SearchLocations locations) : locations_(std::move(locations)) {}

std::vector<std::string> AppAnalyzer::searchRoots() const {
  const std::string home = asPathPrefix(locations_.home);
  const std::string system = asPathPrefix(locations_.systemRoot);
  std::vector<std::string> roots;
  for (const char* suffix : kHomeRootSuffixes) roots.push_back(home + suffix);
  for (const char* suffix : kSystemRootSuffixes) roots.push_back(system + suffix);
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

  std::string name = applicationName(appPath);
  const std::string bundle = asPathPrefix(appPath);
  std::optional<BundleProperties> properties = readBundleProperties(bundle + "/Contents/Info.plist");
  std::optional<std::string> bundleIdentifier;
  std::shared_ptr<const IconImage> icon;
  if (properties) {
    bundleIdentifier = properties->bundleIdentifier;
    if (properties->iconFile) icon = loadIcon(bundle, *properties->iconFile);
  }

  std::vector<std::string> related = findRelatedFiles(name, bundleIdentifier ? &*bundleIdentifier : nullptr);
  related.push_back(appPath);
  return AppInfo(std::move(name), appPath, std::move(bundleIdentifier), std::move(icon), std::move(related));
}

std::vector<std::string> AppAnalyzer::findRelatedFiles(const std::string& appName,
                                                       const std::string* bundleIdentifier) const {
  // Names that cannot be a real application's stay in the record but search
  // for nothing.
  const NameMatcher matcher(searchableName(appName), bundleIdentifier ? searchableIdentifier(*bundleIdentifier) : "");
  std::vector<std::string> roots;
  for (std::string& root : searchRoots())
    if (existsFollowingLinks(root)) roots.push_back(std::move(root));
  // The roots are independent, and a warm Library is listed faster than one
  // core can test the names: the walk runs on a few threads.
  std::vector<std::string> found = collectMatchingEntries(roots, matcher, walkThreadCount());
  sortAndDeduplicate(found);
  return found;
}

}  // namespace quillmere
