#pragma once
// Why a listed row is thought to belong to the application, and so whether a
// removal takes it without being asked. The list itself never depends on it.

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
  SharedIdentifier,  // another installed bundle has the same identifier
  LaunchJob,         // a launchd job whose program lies inside the bundle
  Container,         // a container whose metadata names the app's identifier
  NameOnly,          // only its name, in a place beyond the app's own folders
};

struct RowEvidence {
  Evidence kind = Evidence::Name;
  // OtherApp: the other application's name, when one is installed.
  std::optional<std::string> otherApp;
  // OtherApp and SharedIdentifier: where the other bundle lies, when known.
  std::string otherPath;

  friend bool operator==(const RowEvidence&, const RowEvidence&) = default;
};

// Rows a removal takes unless the user leaves them out.
constexpr bool selectedByDefault(Evidence kind) {
  return kind == Evidence::Bundle || kind == Evidence::Identifier || kind == Evidence::Name ||
         kind == Evidence::LaunchJob || kind == Evidence::Container;
}

// Why a row found beyond the twelve folders belongs to the app, beyond its name.
enum class ContentEvidence : unsigned char {
  None,                // only its name
  LaunchJob,           // a launchd job whose program lies inside the bundle
  ContainerMetadata,   // a container whose metadata names the app's identifier
  GroupContainerName,  // a group container named after the identifier
};

struct FoundRow {
  std::string path;
  ContentEvidence content = ContentEvidence::None;
};

// The word the command line's JSON uses: "identifier", "otherApp", ...
std::string_view evidenceKeyword(Evidence kind);

}  // namespace quillmere
