#pragma once
// Which rows belong to an application, and why: the matching rules, in the
// order they are applied.
//
// 1. By name (name_matcher.h), case and Unicode forms folded; an entry any
//    rule takes is listed, its contents are not:
//    - the name rule: the entry's name contains the application's name;
//    - the folder rule: its path holds "/name/" (a folder named exactly so);
//    - the identifier rule: its name contains the bundle identifier;
//    - the spelling rule, for an entry none of these takes: the name spelt
//      another way stands in it as whole words: without its spaces
//      ("AirVideoServerHD"), with "-", "_" or "." between its words
//      ("advanced-rest-client"), or without a trailing version number or
//      edition word (one the identifier's last label leaves out: "Docker"
//      for "Docker Desktop", com.docker.docker), then beginning the entry's
//      name ("1Password" for "1Password 7", not "1Password 6", and "Studio 2"
//      does not take "obs-studio").
//      Apps keep their folders under such spellings; their rows are listed
//      after the twelve folders' rows, and the twelve folders' own list is
//      what the first three rules give.
// 2. By content (content_evidence.h), in the background places only: a
//    launchd job starting a program in the bundle or naming the identifier
//    as an owner, a container whose metadata names it, a group container
//    named after it.
// 3. Each listed row's evidence (row_evidence.h), from its own name against
//    this app and the other installed ones, the first that holds: the bundle;
//    what step 2 found; Coincidence when neither the identifier nor the name
//    stands bounded; OtherApp when a longer name or identifier of another app
//    does; Identifier (SharedIdentifier when another bundle has it, OtherApp
//    when an installed edition's suffix follows it as a word: an edition's
//    identifier is this one's with a suffix after "-", "_" or ".", and
//    "….alfred-preferences-3" is the edition "….alfred-3"'s); for the name:
//    SharedIdentifier when a copy of the same name is installed, or an
//    edition is and a number follows the name (two editions of one product
//    name a version's folder alike: "Rider2024.3"); OtherApp for the name
//    inside another vendor's identifier (only an app with an identifier has
//    a vendor), OtherApp or AlsoNames when another
//    installed app's name stands in the row as whole words and explains as
//    much of it or more; else Name (NameOnly beyond the Library folders).
//    An identifier of fewer than three labels, or one that begins the
//    identifiers of two or more other installed apps (a vendor's prefix),
//    identifies nobody: such an app is judged by its name alone.
//    Then where the row lies: one inside a folder below its search root is
//    the app's only when it bears the full identifier or a folder on the way
//    is the app's own (its name or identifier, or its vendor's name: the
//    identifier's second label, spelling aside); otherwise InsideOtherApp
//    when another installed app's name or identifier names a folder on the
//    way, else InsideForeign. Apps built on one framework all keep "Local
//    Storage" and "Crashpad/settings.dat" in their own folders: an app named
//    "Local" or "Dat" must not take them. The list never depends on this step.
//    A row step 1 found only by another spelling of the name (the spelling
//    rule below) is judged by the same rules with that spelling for the name,
//    the other installed apps' spellings counted as their names too; its own
//    evidence is Spelling where it would be Name.
// 4. Whatever step 3 found, a row other than the bundle whose folder others
//    than its owner may write to, without the sticky bit, is ChangeableFolder
//    (evidence_analysis.cpp): anyone who may write there could have renamed
//    another's entry to the name listed.
// 5. A removal takes the rows whose evidence is selectedByDefault, unless
//    the user leaves them out.

#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

enum class Evidence : unsigned char {
  Bundle,            // the application bundle itself
  Identifier,        // the bundle identifier stands bounded in the row's name
  Name,              // the application's name stands in it as whole words
  Coincidence,       // the name or identifier only inside a longer word
  OtherApp,          // another application explains the row better
  SharedIdentifier,  // another installed bundle has the same identifier, or is an edition of it
  LaunchJob,         // a launchd job whose program lies inside the bundle
  Container,         // a container whose metadata names the app's identifier
  NameOnly,          // only its name, in a place beyond the app's own folders
  ChangeableFolder,  // in a folder others may write to without the sticky bit
  InsideOtherApp,    // inside a folder another installed application's name or identifier names
  InsideForeign,     // inside a folder that is neither the app's nor its vendor's
  AlsoNames,         // another installed application's name stands in it, as long as the app's
  Spelling,          // the application's name spelt another way stands in it as whole words
};

struct RowEvidence {
  Evidence kind = Evidence::Name;
  // OtherApp, InsideOtherApp, AlsoNames: the other application's name, when
  // one is installed.
  std::optional<std::string> otherApp;
  // OtherApp, InsideOtherApp, AlsoNames and SharedIdentifier: where the
  // other bundle lies, when known.
  std::string otherPath;

  friend bool operator==(const RowEvidence&, const RowEvidence&) = default;
};

// Rows a removal takes unless the user leaves them out.
constexpr bool selectedByDefault(Evidence kind) {
  return kind == Evidence::Bundle || kind == Evidence::Identifier || kind == Evidence::Name ||
         kind == Evidence::LaunchJob || kind == Evidence::Container || kind == Evidence::Spelling;
}

// A row found in the background places. `content` is what it holds or how
// the system named it: LaunchJob, Container, Identifier (a group container
// named after the identifier), or NameOnly when only its name listed it.
// A row of the twelve folders that only the spelling rule found is kept
// with `content` Spelling.
struct FoundRow {
  std::string path;
  Evidence content = Evidence::NameOnly;
};

// The word the command line's JSON uses: "identifier", "otherApp", ...
std::string_view evidenceKeyword(Evidence kind);

}  // namespace quillmere
