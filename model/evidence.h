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
  return kind == Evidence::Bundle || kind == Evidence::Identifier || kind == Evidence::Name;
}

// The word the command line's JSON uses: "identifier", "otherApp", ...
std::string_view evidenceKeyword(Evidence kind);

}  // namespace quillmere
