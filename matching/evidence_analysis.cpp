#include "matching/evidence_analysis.h"

#include <sys/stat.h>

#include <exception>
#include <optional>
#include <string>
#include <unordered_map>

#include "analysis/joining_thread.h"
#include "fsys/entry_marks.h"
#include "matching/row_evidence.h"

namespace quillmere {
namespace {

// Anyone who may write to a row's folder could have given another's entry
// the name listed (a victim's folder renamed to the app's name just before
// the scan): such a row is listed but left out until the user takes it. The
// bundle is exempt: it is what the user chose, and an applications folder is
// commonly writable by an administrators' group.
void markRowsInChangeableFolders(AppInfo& app) {
  std::unordered_map<std::string, bool> changeable;  // by folder: many rows share one
  for (std::size_t row = 0; row + 1 < app.rows.size(); ++row) {
    const std::string& path = app.rows[row].path;
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) continue;
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    auto known = changeable.find(folder);
    if (known == changeable.end()) {
      struct stat info;
      const bool others = ::stat(folder.c_str(), &info) == 0 && othersCanChangeEntriesIn(info.st_mode);
      known = changeable.emplace(folder, others).first;
    }
    if (known->second) app.rows[row].evidence = RowEvidence{Evidence::ChangeableFolder, std::nullopt, {}};
  }
}

}  // namespace

AnalysisResult analyzeWithEvidence(const SearchLocations& locations, const std::string& appPath) {
  // The installed applications are read while the search walks the Library,
  // so they add nothing to the wait when their folders are quick to list.
  std::vector<InstalledApp> installed;
  std::exception_ptr readerFailure;
  std::optional<AnalysisResult> result;
  {
    const JoiningThread reader([&] {
      try {
        // The identifier is read here too, not waited for: it decides which
        // installed bundles' identifiers are worth parsing.
        const std::string identifier = AppAnalyzer::bundleIdentifierOf(appPath).value_or("");
        installed = readInstalledApps(locations, appPath,
                                      identifiersWorthReading(AppAnalyzer::applicationName(appPath), identifier));
      } catch (...) {
        // Deciding without them would take other applications' rows by
        // default: the analysis fails instead.
        readerFailure = std::current_exception();
      }
    });
    result.emplace(AppAnalyzer(locations).analyze(appPath));
  }
  if (readerFailure && std::holds_alternative<AppInfo>(*result)) return searchFailure(readerFailure);
  if (auto* app = std::get_if<AppInfo>(&*result)) {
    std::vector<RowEvidence> evidence = rowEvidence(*app, installed, AppAnalyzer(locations).searchRoots());
    for (std::size_t row = 0; row < evidence.size(); ++row) app->rows[row].evidence = std::move(evidence[row]);
    markRowsInChangeableFolders(*app);
  }
  return std::move(*result);
}

}  // namespace quillmere
