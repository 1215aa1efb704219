#pragma once
// The applications installed beside the one being removed: the bundles in
// the system-wide and the user's Applications folder and the system's own
// (System/Applications), and one folder level below them. Only their names
// and identifiers are read.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/app_analyzer.h"

namespace quillmere {

struct InstalledApp {
  std::string path;              // the bundle, as found
  std::string name;              // as the analysis derives an application's name
  std::string bundleIdentifier;  // empty when the bundle has none
  // The other names its Info.plist gives it (CFBundleName, CFBundleDisplayName,
  // CFBundleExecutable), folded duplicates of `name` left out.
  std::vector<std::string> otherNames;
  // The Info.plist's bytes when the filter turned it down: parsed by
  // readDeferredProperties only if its names turn out to matter.
  std::string deferredProperties;
};

// Parses a bundle's deferred Info.plist into its identifier and other names;
// nothing when none is deferred.
void readDeferredProperties(InstalledApp& app);

// Decides from the raw bytes of a bundle's Info.plist whether its identifier
// is worth parsing; a bundle turned down keeps an empty identifier and its
// bytes, deferred.
using PropertyListFilter = std::function<bool(std::string_view bytes)>;

// Every readable bundle in <systemRoot>/Applications, <home>/Applications and
// <systemRoot>/System/Applications, in listing order, except the one at `self`
// (the same file, however it is spelled). Hidden entries are passed over, and
// so is what is missing or not ours to read; any other error (descriptors run
// out) throws ScanFailure. Without a filter every identifier is parsed.
std::vector<InstalledApp> readInstalledApps(const SearchLocations& locations, const std::string& self,
                                            const PropertyListFilter& worthParsing = {});

}  // namespace quillmere
