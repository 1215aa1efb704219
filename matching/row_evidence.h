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

  // The evidence of a row given by its path below its search root ("a/b/c"):
  // its name's, unless a folder on the way makes it another's (evidence.h).
  RowEvidence evidenceBelowRoot(std::string_view relativePath) const;

  // Another installed bundle with this identifier and this name, if any.
  const InstalledApp* namedCopy() const { return namedCopy_; }

private:
  struct Other {
    const InstalledApp* app;
    std::string name;        // folded, separators alike
    std::string identifier;  // folded
    std::vector<std::string> names;  // every name it goes by, folded, separators alike
  };
  bool moreSpecific(std::string_view needle) const;
  const InstalledApp* ownerOfIdentifierIn(std::string_view folded) const;
  bool ownsFolder(std::string_view folder) const;
  const InstalledApp* installedNamedIn(std::string_view folder) const;
  RowEvidence alsoNamed(std::string_view words) const;

  std::string name_;        // folded, separators alike
  std::string identifier_;  // folded; empty when it identifies nobody
  std::string vendor_;      // the identifier's first two labels
  std::string vendorName_;  // its second label, letters and digits only
  std::vector<Other> rivals_;    // installed apps whose name or identifier holds ours
  std::vector<Other> all_;       // every other installed app with an identifier
  std::vector<Other> named_;     // every other installed app but our copies
  const InstalledApp* copy_ = nullptr;       // another bundle with our identifier
  const InstalledApp* namedCopy_ = nullptr;  // one of them with our name too
  const InstalledApp* edition_ = nullptr;    // another bundle whose identifier is ours and a suffix
  std::string editionSuffix_;                // that suffix, its separators alike ("eap", "3")
};

// What an installed bundle's Info.plist must hold, as letters of either case,
// for its identifier to matter to this application's rows: this name or this
// identifier (separators alike). Turns every bundle down when both needles
// are empty; nothing (parse every one) when a needle is not ASCII, since a
// binary list keeps such text as UTF-16.
PropertyListFilter identifiersWorthReading(std::string_view appName, std::string_view bundleIdentifier);

// One evidence per row of `app`, in order; the bundle row, last, is Bundle.
// A row whose `found` is Spelling is judged with the spelling that found it.
// A row below one of `searchRoots` is judged with the folders on its way too.
// An installed bundle whose Info.plist was deferred is read only when a row
// lies in a folder none of the known names explain.
std::vector<RowEvidence> rowEvidence(const AppInfo& app, const std::vector<InstalledApp>& others,
                                     const std::vector<std::string>& searchRoots = {});

}  // namespace quillmere
