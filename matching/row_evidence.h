#pragma once
// The evidence of each listed row (step 3 of the rules in evidence.h).

#include <string>
#include <string_view>
#include <vector>

#include "analysis/installed_apps.h"
#include "model/app_info.h"
#include "matching/evidence.h"

namespace quillmere {

class EvidenceRules {
public:
  // `others` are the installed applications other than this bundle.
  EvidenceRules(std::string_view appName, std::string_view bundleIdentifier,
                const std::vector<InstalledApp>& others = {});

  // The evidence of a row named `entryName` (its last path component). A
  // name that holds neither needle (a row found through a folder above it)
  // is a coincidence. Immutable: callable from several threads.
  RowEvidence evidenceOf(std::string_view entryName) const;

private:
  struct Other {
    const InstalledApp* app;
    std::string name;        // folded, separators alike
    std::string identifier;  // folded
  };
  bool moreSpecific(std::string_view needle) const;
  const InstalledApp* ownerOfIdentifierIn(std::string_view folded) const;

  std::string name_;        // folded, separators alike
  std::string identifier_;  // folded
  std::string vendor_;      // the identifier's first two labels
  std::vector<Other> rivals_;    // installed apps whose name or identifier holds ours
  std::vector<Other> all_;       // every other installed app with an identifier
  const InstalledApp* copy_ = nullptr;  // another bundle with our identifier
};

// What an installed bundle's Info.plist must hold, as letters of either case,
// for its identifier to matter to this application's rows: this name or this
// identifier (separators alike). Turns every bundle down when both needles
// are empty; nothing (parse every one) when a needle is not ASCII, since a
// binary list keeps such text as UTF-16.
PropertyListFilter identifiersWorthReading(std::string_view appName, std::string_view bundleIdentifier);

// One evidence per row of `app`, in order; the bundle row, last, is Bundle.
std::vector<RowEvidence> rowEvidence(const AppInfo& app, const std::vector<InstalledApp>& others);

}  // namespace quillmere
