#pragma once
// Turns the path of an application bundle into an AppInfo: its name, bundle
// identifier, icon, and every leftover path found in the twelve search roots,
// sorted, then those of them only another spelling of the name found, sorted,
// then those found in the places beyond them (extra_places.h),
// sorted, with the bundle path appended last; also the folders it could not
// read and the programs running from the bundle. Only reads the file system.

#include <exception>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "model/app_info.h"

namespace quillmere {

class NameMatcher;

// Where the twelve roots lie: eight below `home`, four below `systemRoot`.
struct SearchLocations {
  std::string home;              // without trailing "/"
  std::string systemRoot = "/";  // prefix of the four system-wide roots

  static SearchLocations forCurrentUser();  // the user's home and "/"
};

// The analysis failure: domain "", code -1, "Application does not exist".
struct AnalysisError {
  std::string domain;
  long code = 0;
  std::string localizedDescription;
};

using AnalysisResult = std::variant<AppInfo, AnalysisError>;

// The analysis failure for an error thrown while searching (ScanFailure, or
// memory running out), naming the cause; any other error is rethrown.
AnalysisError searchFailure(std::exception_ptr error);

class AppAnalyzer {
public:
  explicit AppAnalyzer(SearchLocations locations);

  // Blocks until the search is done; callable on any thread. Fails when
  // nothing is at `appPath`, or when the search could not read what it had
  // to (descriptors or memory ran out): never a shorter list instead. A link
  // to a bundle is analysed as that bundle, the link listed as a row of its own.
  AnalysisResult analyze(const std::string& appPath) const;

  // The twelve roots, in search order.
  std::vector<std::string> searchRoots() const;

  // The display name: the last path component (a trailing "/" ignored) with
  // every ".app" removed, so "My.application.app" gives "Mylication".
  static std::string applicationName(const std::string& appPath);

  // The CFBundleIdentifier of the bundle at `appPath`, read as analyze reads
  // it; nothing when there is none. Throws ScanFailure as the search does.
  static std::optional<std::string> bundleIdentifierOf(const std::string& appPath);

private:
  // `link`: the link `appPath` was named by, or "".
  AppInfo analyzeBundle(const std::string& appPath, const std::string& link) const;
  std::vector<std::string> findRelatedFiles(const NameMatcher& matcher, std::vector<UnreadableFolder>& unreadable,
                                            std::vector<std::string>& withoutMetadata,
                                            std::vector<std::string>& spelt) const;

  SearchLocations locations_;
};

}  // namespace quillmere
