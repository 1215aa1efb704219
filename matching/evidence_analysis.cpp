#include "matching/evidence_analysis.h"

#include <exception>
#include <optional>
#include <thread>

#include "analysis/bundle_properties.h"
#include "matching/row_evidence.h"

namespace quillmere {

AnalysisResult analyzeWithEvidence(const SearchLocations& locations, const std::string& appPath) {
  // The installed applications are read while the search walks the Library,
  // so they add nothing to the wait when their folders are quick to list.
  std::vector<InstalledApp> installed;
  std::exception_ptr readerFailure;
  std::thread reader([&] {
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
  // Joined on every way out: a thread left joinable would end the process.
  struct Joiner {
    std::thread& thread;
    ~Joiner() { thread.join(); }
  };
  std::optional<AnalysisResult> result;
  {
    Joiner joiner{reader};
    result.emplace(AppAnalyzer(locations).analyze(appPath));
  }
  if (readerFailure && std::holds_alternative<AppInfo>(*result)) return searchFailure(readerFailure);
  if (auto* app = std::get_if<AppInfo>(&*result)) {
    std::vector<RowEvidence> evidence = rowEvidence(*app, installed, AppAnalyzer(locations).searchRoots());
    for (std::size_t row = 0; row < evidence.size(); ++row) app->rows[row].evidence = std::move(evidence[row]);
  }
  return std::move(*result);
}

}  // namespace quillmere
